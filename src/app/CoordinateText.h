#pragma once

#include <QLocale>
#include <QString>
#include <optional>

namespace vireon {

// Latitude and longitude as the settings fields show and read them: in the user's locale, with up to
// six fraction digits. No range check: the decoder command judges the values.
struct CoordinateText {
    CoordinateText() = delete;

    static constexpr int fractionDigits = 6;

    static QString format(double value, const QLocale& locale = QLocale());
    // Absent for anything that is not one finite number in this locale.
    static std::optional<double> parse(const QString& text, const QLocale& locale = QLocale());
};

} // namespace vireon
