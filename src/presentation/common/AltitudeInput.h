#pragma once

#include <QLocale>
#include <QString>
#include <optional>

namespace vireon {

// The antenna's altitude as the settings field shows and reads it: metres above sea level, in the
// user's locale.
struct AltitudeInput {
    AltitudeInput() = delete;

    // The shore of the Dead Sea to above the highest town: anything outside is a slip, feet typed as
    // metres most often, which would spoil MLAT without a word.
    static constexpr double lowest = -420;
    static constexpr double highest = 5100;

    struct Reading {
        bool accepted = false;
        std::optional<double> metres; // absent for a blank field: the altitude is cleared
        bool operator==(const Reading&) const = default;
    };

    // A blank field clears the altitude; a number in range is taken to a tenth of a metre; anything
    // else is refused.
    static Reading parse(const QString& text, const QLocale& locale = QLocale());
    static QString format(const std::optional<double>& metres, const QLocale& locale = QLocale());
    static bool inRange(double metres) { return metres >= lowest && metres <= highest; }
    static QString problem();
};

} // namespace vireon
