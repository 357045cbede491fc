#include "presentation/settings/GainInput.h"

#include "decoder/ReadsbCommand.h"
#include "platform/CNumber.h"

#include <QLocale>
#include <cmath>

namespace vireon {

double GainInput::manualGain(const QString& gain)
{
    // The decoder's own acceptance rule: a hand-edited " 40" or "40dB" is not a number here either.
    if (isAuto(gain) || !ReadsbCommand::isValidGain(gain))
        return defaultManual;
    bool ok = false;
    const double value = QLocale::c().toDouble(gain, &ok);
    // "1e999" passes the pattern but is no gain anyone can set.
    return ok && std::isfinite(value) ? value : defaultManual;
}

QString GainInput::forChoice(bool automatic)
{
    return automatic ? QStringLiteral("auto") : QStringLiteral("43.9");
}

QString GainInput::forManual(double decibels)
{
    return CNumber::format("%.1f", decibels);
}

QString GainInput::label(double decibels)
{
    return QStringLiteral("Gain ") + CNumber::format("%.1f", decibels) + QStringLiteral(" dB");
}

} // namespace vireon
