#pragma once

#include <QDBusConnection>
#include <QStringList>
#include <QThread>
#include <chrono>
#include <memory>

namespace vireon::test {

// Stands in for the desktop portal (session bus) and logind (system bus) on the private test bus, so
// the idle-sleep lock can be taken and released for real. Each lock handed out is tracked: a portal
// lock until its request is closed, a logind lock until every copy of its descriptor is closed.
// The service answers on its own thread, so code under test may make blocking calls to it.
class FakeInhibitService {
public:
    FakeInhibitService();
    ~FakeInhibitService();
    FakeInhibitService(const FakeInhibitService&) = delete;
    FakeInhibitService& operator=(const FakeInhibitService&) = delete;

    // Claim org.freedesktop.portal.Desktop on the session bus / org.freedesktop.login1 on the
    // system bus; false when the bus is missing or the name is taken.
    bool registerPortal();
    bool registerLogind();

    // The portal answers Inhibit with an error, as one without an inhibit backend does.
    void setPortalRefuses(bool refuses);
    // The portal grants the lock but never answers, as a hung or slow portal does.
    void setPortalSilent(bool silent);

    // Locks handed out and not yet given back.
    int activeLocks() const;

    // Qt's D-Bus layer lets go of its own copies of a received descriptor a moment after the
    // caller has dropped its copy (on a later turn of the event loop), so a logind lock ends shortly
    // after release(). This runs the event loop until the count is reached; the bound only limits
    // how long a failing test hangs. Returns whether the count was reached.
    bool waitForActiveLocks(int expected, std::chrono::milliseconds bound = std::chrono::seconds(10)) const;

    // Every call received, in order, e.g. "portal Inhibit flags=4 reason=…",
    // "portal Close", "logind Inhibit what=idle who=… why=… mode=block".
    QStringList calls() const;

    struct State;

private:
    struct Registration {
        QString connectionName;
        QString service;
        QString path;
    };
    bool claim(QDBusConnection::BusType bus, const QString& service, const QString& path, bool subtree);

    std::shared_ptr<State> m_state;
    QThread m_thread;
    QList<Registration> m_registrations;
};

} // namespace vireon::test
