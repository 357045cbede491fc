#pragma once

#include <QObject>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>

namespace vireon {

// One lock that keeps the machine from suspending on its own while the user is away. It must not
// stop the user's own suspend and must not keep the screen on. Asking never blocks: the desktop's
// services answer over D-Bus, and a service that never answers must not freeze the application.
class IdleInhibitor : public QObject {
public:
    using Answer = std::function<void(bool held)>;

    ~IdleInhibitor() override = default;

    // Asks for the lock and returns at once. `answer` runs later, once, with whether the lock is now
    // held, and never after the inhibitor is gone. While the lock is held it answers true at once
    // and takes no second lock.
    virtual void acquire(const QString& reason, Answer answer) = 0;
    virtual void release() = 0;
    virtual bool isHeld() const = 0;

    // The desktop portal on the session bus, else logind on the system bus; when neither grants it,
    // the answer is false and nothing else happens.
    static std::unique_ptr<IdleInhibitor>
    desktop(std::chrono::milliseconds timeout = std::chrono::seconds(2));
};

} // namespace vireon
