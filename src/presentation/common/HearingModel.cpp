#include "presentation/common/HearingModel.h"

#include "platform/CNumber.h"

#include <cmath>

namespace vireon {
namespace {

// One decimal, and a real minus sign: the figures are read, not parsed.
QString decibels(double value)
{
    QString text = CNumber::format("%.1f", value);
    if (text.startsWith(QLatin1Char('-')))
        text.replace(0, 1, QChar(0x2212));
    return text;
}

} // namespace

HearingModel HearingModel::make(const ReceiverFigures& figures)
{
    HearingModel model;
    QStringList parts;
    bool unitGiven = false;
    const auto addLevel = [&](const char* name, const std::optional<double>& level) {
        if (!level)
            return;
        // The unit once, after the first level: the others are read in the same.
        parts.append(QString::fromLatin1(name) + QLatin1Char(' ') + decibels(*level) +
                     (unitGiven ? QString() : QStringLiteral(" dBFS")));
        unitGiven = true;
    };
    addLevel("signal", figures.signalDbfs);
    addLevel("noise", figures.noiseDbfs);
    if (figures.maxDistanceMetres && *figures.maxDistanceMetres > 0)
        parts.append(QStringLiteral("range %1 km").arg(std::lround(*figures.maxDistanceMetres / 1000)));
    if (!parts.isEmpty()) {
        QString line = parts.join(QStringLiteral(" \u00b7 "));
        line[0] = line[0].toUpper();
        model.figuresLine = line;
    }

    if (figures.strongSignals && figures.messagesValid && *figures.messagesValid > 0 &&
        double(*figures.strongSignals) / double(*figures.messagesValid) > strongShare)
        model.hints.append(QStringLiteral("Many very strong signals: the gain may be too high."));
    if (figures.samplesLost && *figures.samplesLost > 0)
        model.hints.append(
            QStringLiteral("The USB connection is losing samples: try another port or a shorter cable."));
    return model;
}

} // namespace vireon
