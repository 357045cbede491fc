#include "presentation/common/AltitudeInput.h"

#include <cmath>

namespace vireon {

AltitudeInput::Reading AltitudeInput::parse(const QString& text, const QLocale& userLocale)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return Reading{true, std::nullopt};
    QLocale locale = userLocale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = locale.toDouble(trimmed, &ok);
    // NaN fails the range check with everything else that is no altitude.
    if (!ok || !inRange(value))
        return Reading{};
    const double tenths = std::round(value * 10) / 10;
    return Reading{true, tenths == 0 ? 0.0 : tenths};
}

QString AltitudeInput::format(const std::optional<double>& metres, const QLocale& userLocale)
{
    if (!metres)
        return {};
    QLocale locale = userLocale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    // Whole metres without a decimal, a tenth where there is one.
    const bool whole = std::abs(*metres - std::round(*metres)) < 0.05;
    return locale.toString(*metres, 'f', whole ? 0 : 1);
}

QString AltitudeInput::problem()
{
    return QStringLiteral("Altitude must be a number of metres between \u2212420 and 5100.");
}

} // namespace vireon
