#pragma once

#include "platform/IdleInhibitor.h"

#include <memory>

namespace vireon {

// Keeps the machine from suspending on idle while feeding. Holds at most one lock; when the desktop
// offers none, isActive() stays false and feeding goes on without it.
class SleepAssertion {
public:
    explicit SleepAssertion(std::unique_ptr<IdleInhibitor> inhibitor = IdleInhibitor::desktop());
    ~SleepAssertion();
    SleepAssertion(const SleepAssertion&) = delete;
    SleepAssertion& operator=(const SleepAssertion&) = delete;

    void activate();
    void deactivate();
    bool isActive() const { return m_active; }

    static QString reason();

private:
    std::unique_ptr<IdleInhibitor> m_inhibitor;
    bool m_active = false;
};

} // namespace vireon
