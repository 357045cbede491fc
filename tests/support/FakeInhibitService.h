#pragma once

#include <QDBusConnection>
#include <QMutex>
#include <QStringList>
#include <QThread>
#include <atomic>
#include <chrono>

namespace vireon::test {

// Stands in for the desktop portal (session bus) and logind (system bus) on the private test bus, so
// the idle-sleep lock is taken and released for real: a portal lock lasts until its request is closed,
// a logind lock until every copy of its descriptor is closed. It answers on its own thread, so code
// under test may make blocking calls to it.
class FakeInhibitService {
public:
    FakeInhibitService() { m_thread.start(); }
    ~FakeInhibitService();

    // Claim the service's name; false when the bus is missing or the name is taken.
    bool registerPortal() { return claim(QDBusConnection::SessionBus, "org.freedesktop.portal.Desktop"); }
    bool registerLogind() { return claim(QDBusConnection::SystemBus, "org.freedesktop.login1"); }

    // The portal answers Inhibit with an error, as one without an inhibit backend does.
    void setPortalRefuses(bool refuses) { m_portalRefuses = refuses; }
    // The portal grants the lock but never answers, as a hung portal does.
    void setPortalSilent(bool silent) { m_portalSilent = silent; }

    int activeLocks() const;
    // Qt's D-Bus layer lets go of its own copies of a received descriptor on a later turn of the event
    // loop, so a logind lock ends a moment after release(). Runs the event loop until the count is
    // reached; the bound only limits how long a failing test hangs.
    bool waitForActiveLocks(int expected, std::chrono::milliseconds bound = std::chrono::seconds(10)) const;

    // Every call received, in order: "portal Inhibit flags=… reason=…", "portal Close",
    // "logind Inhibit what=… who=… why=… mode=…".
    QStringList calls() const;

private:
    class Endpoint;
    bool claim(QDBusConnection::BusType bus, const QString& service);

    mutable QMutex m_mutex;
    QStringList m_calls;
    QStringList m_openRequests;
    QList<int> m_logindLocks; // read ends of pipes whose write ends went to the callers
    std::atomic<bool> m_portalRefuses = false;
    std::atomic<bool> m_portalSilent = false;
    QList<std::pair<QString, QString>> m_claims; // connection name, service name
    QThread m_thread;
};

} // namespace vireon::test
