#pragma once

#include <QLocale>
#include <QString>
#include <optional>

namespace vireon {

// Latitude and longitude as the windows show and read them.
struct CoordinateInput {
    CoordinateInput() = delete;

    static constexpr int fractionDigits = 6;

    // The settings fields: the user's locale, up to six fraction digits, no group separators. No range
    // check: the decoder command judges the values.
    static QString format(double value, const QLocale& locale = QLocale());
    // Absent for anything that is not one finite number in this locale.
    static std::optional<double> parse(const QString& text, const QLocale& locale = QLocale());

    // Onboarding's fields and a position from the location service: "%.6f" in the C locale, whatever
    // the user's, so the text is the same number everywhere.
    static QString sixDecimals(double degrees);
};

} // namespace vireon
