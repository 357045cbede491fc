#pragma once

#include "platform/IdleInhibitor.h"

#include <memory>

namespace vireon::test {

// An idle inhibitor that only counts; the shared counters outlive the inhibitor so a test can look
// at them after the state that owned it is gone.
class CountingInhibitor final : public IdleInhibitor {
public:
    struct Counters {
        int acquired = 0;
        int released = 0;
        bool held = false;
    };

    explicit CountingInhibitor(std::shared_ptr<Counters> counters) : m_counters(std::move(counters)) {}

    void acquire(const QString&, Answer answer) override
    {
        if (!m_counters->held)
            ++m_counters->acquired;
        m_counters->held = true;
        answer(true);
    }
    void release() override
    {
        if (!m_counters->held)
            return;
        ++m_counters->released;
        m_counters->held = false;
    }
    bool isHeld() const override { return m_counters->held; }

private:
    std::shared_ptr<Counters> m_counters;
};

} // namespace vireon::test
