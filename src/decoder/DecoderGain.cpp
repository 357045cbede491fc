#include "decoder/DecoderGain.h"

#include <QRegularExpression>

namespace vireon {

bool DecoderGain::helpOffersAutoGain(const QString& help)
{
    // An option entry starts with its name in the left column ("  --gain=<db>", "  -g, --gain");
    // wrapped description lines are indented and do not start with a dash.
    static const QRegularExpression gainEntry(QStringLiteral("^\\s*(-\\w,\\s*)?--gain(?![\\w-])"));
    static const QRegularExpression anyEntry(QStringLiteral("^\\s*-"));
    const QStringList lines = help.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!gainEntry.match(lines.at(i)).hasMatch())
            continue;
        for (qsizetype j = i; j < lines.size(); ++j) {
            const QString& line = lines.at(j);
            if (j > i && (line.trimmed().isEmpty() || anyEntry.match(line).hasMatch()))
                break;
            if (line.contains(QLatin1String("auto"), Qt::CaseInsensitive))
                return true;
        }
    }
    return false;
}

QStringList DecoderGain::passedArguments(const QStringList& arguments, bool decoderReadsAutoGain)
{
    if (decoderReadsAutoGain)
        return arguments;
    QStringList passed = arguments;
    for (qsizetype i = 0; i < passed.size(); ++i) {
        if (passed.at(i) == QLatin1String("--gain=auto")) {
            passed[i] = QStringLiteral("--gain=") + tunerAgc;
        } else if (passed.at(i) == QLatin1String("--gain") && i + 1 < passed.size()) {
            if (passed.at(i + 1) == QLatin1String("auto"))
                passed[i + 1] = tunerAgc;
            ++i; // the value is never an option of its own
        }
    }
    return passed;
}

} // namespace vireon
