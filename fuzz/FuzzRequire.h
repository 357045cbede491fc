#pragma once

#include <cstdio>
#include <cstdlib>

namespace vireon::fuzz {

// A property every input must keep; a broken one stops the run like a crash, with what broke.
inline void require(bool condition, const char* what)
{
    if (condition)
        return;
    std::fprintf(stderr, "property violated: %s\n", what);
    std::abort();
}

} // namespace vireon::fuzz
