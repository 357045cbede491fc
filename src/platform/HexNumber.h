#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vireon {

// The value of a run of hexadecimal digits (either case), as sysfs identifiers and JSON "\u" escapes
// write them; none when the run is empty, holds anything else, or is longer than 8 digits.
inline std::optional<std::uint32_t> parseHexNumber(std::string_view digits)
{
    if (digits.empty() || digits.size() > 8)
        return std::nullopt;
    std::uint32_t value = 0;
    for (const char c : digits) {
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + std::uint32_t(digit);
    }
    return value;
}

} // namespace vireon
