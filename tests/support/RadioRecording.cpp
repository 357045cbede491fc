#include "support/RadioRecording.h"

#include <QFile>
#include <QSaveFile>
#include <cmath>

namespace vireon::test {

QString RadioRecording::source()
{
    return QStringLiteral(VIREON_TEST_DATA_DIR "/modes1.bin");
}

bool RadioRecording::writePlayable(const QString& target, int copies)
{
    QFile in(source());
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray samples = in.readAll();
    const qsizetype pairs = samples.size() / 2;
    if (pairs < 2)
        return false;

    // Linear interpolation of I and Q: output sample k lies at input position k / 1.2.
    QByteArray resampled;
    const qsizetype outPairs = qsizetype(double(pairs - 1) * 1.2);
    resampled.resize(outPairs * 2);
    for (qsizetype k = 0; k < outPairs; ++k) {
        const double position = double(k) / 1.2;
        const auto i = qsizetype(position);
        const double fraction = position - double(i);
        for (int part = 0; part < 2; ++part) {
            const double a = quint8(samples[i * 2 + part]);
            const double b = quint8(samples[(i + 1) * 2 + part]);
            resampled[k * 2 + part] = char(quint8(std::lround(a + (b - a) * fraction)));
        }
    }

    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    for (int c = 0; c < copies; ++c)
        out.write(resampled);
    return out.commit();
}

} // namespace vireon::test
