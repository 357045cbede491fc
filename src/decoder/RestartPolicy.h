#pragma once

#include <QtGlobal>
#include <algorithm>

namespace vireon {

// When a supervised child that died is started again, and when restarting it stops helping. The
// decoder and every mlat-client follow the same rules, each on its own count.
struct RestartPolicy {
    RestartPolicy() = delete;

    static constexpr qint64 crashWindowMs = 300'000;
    static constexpr qsizetype crashLoopExits = 6;
    static constexpr qint64 longestDelaySeconds = 60;

    // 2, 4, 8, 16, 32, then 60 for good; the cap comes before the shift so no count overflows it.
    static constexpr qint64 delaySeconds(qint64 attemptsBefore)
    {
        return attemptsBefore >= 5 ? longestDelaySeconds
                                   : std::min(qint64(2) << attemptsBefore, longestDelaySeconds);
    }
};

} // namespace vireon
