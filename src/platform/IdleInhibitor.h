#pragma once

#include <QString>
#include <memory>

namespace vireon {

// One lock that keeps the machine from suspending on its own while the user is away. It must not
// stop the user's own suspend and must not keep the screen on.
class IdleInhibitor {
public:
    virtual ~IdleInhibitor() = default;

    // True when a lock is now held (also when it already was; a second call takes no second lock).
    virtual bool acquire(const QString& reason) = 0;
    virtual void release() = 0;
    virtual bool isHeld() const = 0;

    // The desktop portal on the session bus, else logind on the system bus; when neither answers,
    // acquire() returns false and nothing else happens.
    static std::unique_ptr<IdleInhibitor> desktop();
};

} // namespace vireon
