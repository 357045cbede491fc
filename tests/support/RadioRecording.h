#pragma once

#include <QString>

namespace vireon::test {

// The radio recording in the test data (unsigned 8-bit I/Q at 2.0 MHz, one aircraft) made playable
// by readsb, which demodulates 2.4 MHz only.
struct RadioRecording {
    RadioRecording() = delete;

    static QString source();
    // Writes the recording resampled to 2.4 MHz, `copies` times over (0.36 s of air each), to
    // `target`; false when either file cannot be used.
    static bool writePlayable(const QString& target, int copies);
};

} // namespace vireon::test
