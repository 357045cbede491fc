#pragma once

#include <QString>

namespace vireon {

// Numbers written exactly as C's printf writes them in the C locale: a full stop whatever the user's
// locale, and exact binary ties rounded to even (52.5078125 with "%.6f" is 52.507812), which
// QString::number does not do. Use it wherever a format such as "%.1f" or "%.6f" is prescribed.
struct CNumber {
    CNumber() = delete;

    // One double conversion (for example "%.1f"); anything else in the format is copied as printf
    // copies it.
    static QString format(const char* printfFormat, double value);
};

} // namespace vireon
