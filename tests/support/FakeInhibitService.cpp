#include "support/FakeInhibitService.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QDBusVirtualObject>
#include <QDeadlineTimer>
#include <QMutex>
#include <QSet>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace vireon::test {

struct FakeInhibitService::State {
    mutable QMutex mutex;
    QStringList calls;
    QSet<QString> openRequests;
    QList<int> logindLocks; // read ends of pipes whose write ends went to the callers
    bool portalRefuses = false;
    bool portalSilent = false;
    int requestCounter = 0;

    ~State()
    {
        for (const int fd : std::as_const(logindLocks))
            ::close(fd);
    }
};

namespace {

const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString loginPath = QStringLiteral("/org/freedesktop/login1");

class InhibitEndpoint final : public QDBusVirtualObject {
public:
    InhibitEndpoint(std::shared_ptr<FakeInhibitService::State> state, bool portal)
        : m_state(std::move(state)), m_portal(portal)
    {}

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        QMutexLocker lock(&m_state->mutex);
        const QString member = message.member();
        if (m_portal && message.path() == portalPath && member == QLatin1String("Inhibit"))
            return portalInhibit(message, connection);
        if (m_portal && member == QLatin1String("Close")) {
            m_state->calls.append(QStringLiteral("portal Close"));
            m_state->openRequests.remove(message.path());
            connection.send(message.createReply());
            return true;
        }
        if (!m_portal && member == QLatin1String("Inhibit"))
            return logindInhibit(message, connection);
        connection.send(message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
                                                 QStringLiteral("not faked: ") + member));
        return true;
    }

private:
    bool portalInhibit(const QDBusMessage& message, const QDBusConnection& connection)
    {
        const QVariantList args = message.arguments();
        const QVariantMap options = args.size() == 3 ? qdbus_cast<QVariantMap>(args[2]) : QVariantMap();
        m_state->calls.append(QStringLiteral("portal Inhibit flags=%1 reason=%2")
                                  .arg(args.value(1).toUInt())
                                  .arg(options.value(QStringLiteral("reason")).toString()));
        if (m_state->portalRefuses) {
            connection.send(
                message.createErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotAllowed"),
                                         QStringLiteral("no inhibit backend")));
            return true;
        }
        QString token = options.value(QStringLiteral("handle_token")).toString();
        if (token.isEmpty())
            token = QStringLiteral("t%1").arg(++m_state->requestCounter);
        QString sender = message.service().mid(1);
        sender.replace(QLatin1Char('.'), QLatin1Char('_'));
        const QString request = portalPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
        m_state->openRequests.insert(request);
        if (!m_state->portalSilent)
            connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
        return true;
    }

    bool logindInhibit(const QDBusMessage& message, const QDBusConnection& connection)
    {
        const QVariantList args = message.arguments();
        QStringList text;
        for (const QVariant& arg : args)
            text.append(arg.toString());
        m_state->calls.append(QStringLiteral("logind Inhibit what=%1 who=%2 why=%3 mode=%4")
                                  .arg(text.value(0), text.value(1), text.value(2), text.value(3)));
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) {
            connection.send(message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.Failed"),
                                                     QStringLiteral("pipe")));
            return true;
        }
        m_state->logindLocks.append(ends[0]);
        {
            // The reply carries its own duplicate; once sent, the caller's copy is the only one left.
            const QDBusUnixFileDescriptor handed(ends[1]);
            connection.send(message.createReply(QVariant::fromValue(handed)));
        }
        ::close(ends[1]);
        return true;
    }

    std::shared_ptr<FakeInhibitService::State> m_state;
    bool m_portal;
};

} // namespace

FakeInhibitService::FakeInhibitService() : m_state(std::make_shared<State>())
{
    m_thread.setObjectName(QStringLiteral("fake inhibit service"));
    m_thread.start();
}

FakeInhibitService::~FakeInhibitService()
{
    for (const Registration& r : std::as_const(m_registrations)) {
        QDBusConnection connection(r.connectionName);
        connection.unregisterObject(r.path, QDBusConnection::UnregisterTree);
        connection.unregisterService(r.service);
        QDBusConnection::disconnectFromBus(r.connectionName);
    }
    m_thread.quit();
    m_thread.wait();
}

bool FakeInhibitService::claim(QDBusConnection::BusType bus, const QString& service, const QString& path,
                               bool subtree)
{
    static int counter = 0;
    const QString name = QStringLiteral("vireon-fake-inhibit-%1").arg(++counter);
    QDBusConnection connection = QDBusConnection::connectToBus(bus, name);
    auto* endpoint = new InhibitEndpoint(m_state, service.contains(QLatin1String("portal")));
    const auto option = subtree ? QDBusConnection::SubPath : QDBusConnection::SingleNode;
    // Registered before it moves, so the helpers the bus attaches to it move along with it.
    const bool registered =
        connection.isConnected() && connection.registerVirtualObject(path, endpoint, option);
    endpoint->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, endpoint, &QObject::deleteLater);
    if (!registered || !connection.registerService(service)) {
        connection.unregisterObject(path, QDBusConnection::UnregisterTree);
        QDBusConnection::disconnectFromBus(name);
        return false;
    }
    m_registrations.append({name, service, path});
    return true;
}

bool FakeInhibitService::registerPortal()
{
    return claim(QDBusConnection::SessionBus, QStringLiteral("org.freedesktop.portal.Desktop"), portalPath,
                 true);
}

bool FakeInhibitService::registerLogind()
{
    return claim(QDBusConnection::SystemBus, QStringLiteral("org.freedesktop.login1"), loginPath, false);
}

void FakeInhibitService::setPortalRefuses(bool refuses)
{
    QMutexLocker lock(&m_state->mutex);
    m_state->portalRefuses = refuses;
}

void FakeInhibitService::setPortalSilent(bool silent)
{
    QMutexLocker lock(&m_state->mutex);
    m_state->portalSilent = silent;
}

int FakeInhibitService::activeLocks() const
{
    QMutexLocker lock(&m_state->mutex);
    int held = int(m_state->openRequests.size());
    for (const int fd : std::as_const(m_state->logindLocks)) {
        pollfd check{fd, POLLIN, 0};
        // With every write end closed, the read end reports hang-up.
        if (::poll(&check, 1, 0) == 0)
            ++held;
    }
    return held;
}

bool FakeInhibitService::waitForActiveLocks(int expected, std::chrono::milliseconds bound) const
{
    QDeadlineTimer deadline(bound);
    while (activeLocks() != expected) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QThread::msleep(1);
    }
    return true;
}

QStringList FakeInhibitService::calls() const
{
    QMutexLocker lock(&m_state->mutex);
    return m_state->calls;
}

} // namespace vireon::test
