#pragma once

#include <QString>

namespace vireon {

// The receiver gain as the settings show and write it. config.json keeps it as text: exactly "auto", or a
// number of decibels.
struct GainInput {
    GainInput() = delete;

    static constexpr double defaultManual = 43.9;
    static constexpr double sliderMaximum = 49.6;

    static bool isAuto(const QString& gain) { return gain == QLatin1String("auto"); }
    // The text read in full as a decimal number; 43.9 when it is not one (also for "auto").
    static double manualGain(const QString& gain);
    // Choosing "Manual" always starts from 43.9 dB, whatever was stored before.
    static QString forChoice(bool automatic);
    // One decimal with a full stop, in every locale: the decoder reads it with C's strtod.
    static QString forManual(double decibels);
    // "Gain 43.9 dB"
    static QString label(double decibels);
};

} // namespace vireon
