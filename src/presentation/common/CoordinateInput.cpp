#include "presentation/common/CoordinateInput.h"

#include "platform/CNumber.h"

#include <cmath>

namespace vireon {

namespace {

// A group separator is never part of a coordinate. Read with the user's locale, "13.405" under
// de_DE would be 13405 and "2,250" under en_US 2250; such text is refused instead, and the field
// shows the stored value again.
QLocale withoutGrouping(QLocale locale)
{
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator |
                            QLocale::RejectGroupSeparator);
    return locale;
}

} // namespace

QString CoordinateInput::format(double value, const QLocale& userLocale)
{
    const QLocale locale = withoutGrouping(userLocale);
    QString text = locale.toString(value, 'f', fractionDigits);
    // Trailing zeros go, and the separator with them when nothing is left after it.
    const QString point = locale.decimalPoint();
    const qsizetype at = text.lastIndexOf(point);
    if (at < 0)
        return text;
    qsizetype end = text.size();
    while (end > at + point.size() && text.at(end - 1) == locale.zeroDigit().front())
        --end;
    if (end == at + point.size())
        end = at;
    text.truncate(end);
    return text;
}

std::optional<double> CoordinateInput::parse(const QString& text, const QLocale& locale)
{
    bool ok = false;
    const double value = withoutGrouping(locale).toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    // What the field can show is what it stores: a seventh digit typed in is rounded away.
    // Beyond 1e15 a double has no fraction digits left to round.
    const double scale = std::pow(10.0, fractionDigits);
    const double rounded = std::abs(value) < 1e15 ? std::round(value * scale) / scale : value;
    // "-0.0000001" rounds to a negative zero, which would be written as "-0".
    return rounded == 0 ? 0.0 : rounded;
}

QString CoordinateInput::sixDecimals(double degrees)
{
    return CNumber::format("%.6f", degrees);
}

} // namespace vireon
