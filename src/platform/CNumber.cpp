#include "platform/CNumber.h"

#include <array>
#include <clocale>
#include <cstdio>
#include <locale.h>

namespace vireon {
namespace {

// The C locale as an object of its own, so formatting never depends on (or changes) the locale the
// application set for itself.
locale_t cLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return locale;
}

} // namespace

QString CNumber::format(const char* printfFormat, double value)
{
    const locale_t previous = uselocale(cLocale());
    std::array<char, 64> small{};
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    const int length = std::snprintf(small.data(), small.size(), printfFormat, value);
    QString result;
    if (length >= 0 && size_t(length) < small.size()) {
        result = QString::fromLatin1(small.data(), length);
    } else if (length > 0) {
        QByteArray large(length + 1, '\0');
        std::snprintf(large.data(), large.size(), printfFormat, value);
        result = QString::fromLatin1(large.constData(), length);
    }
#pragma GCC diagnostic pop
    uselocale(previous);
    return result;
}

} // namespace vireon
