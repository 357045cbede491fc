#include "support/FakeInhibitService.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QDBusVirtualObject>
#include <QDeadlineTimer>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace vireon::test {
namespace {
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
} // namespace

class FakeInhibitService::Endpoint final : public QDBusVirtualObject {
public:
    explicit Endpoint(FakeInhibitService* service) : s(service) {}
    QString introspect(const QString&) const override { return {}; }

    // Unhandled calls are left to Qt, which answers them with an error.
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        QMutexLocker lock(&s->m_mutex);
        const QVariantList args = message.arguments();
        if (message.member() == QLatin1String("Close")) {
            s->m_calls.append(QStringLiteral("portal Close"));
            s->m_openRequests.removeAll(message.path());
            return connection.send(message.createReply());
        }
        if (message.member() != QLatin1String("Inhibit"))
            return false;
        if (message.path() != portalPath) {
            s->m_calls.append(QStringLiteral("logind Inhibit what=%1 who=%2 why=%3 mode=%4")
                                  .arg(args.value(0).toString(), args.value(1).toString(),
                                       args.value(2).toString(), args.value(3).toString()));
            int ends[2];
            if (::pipe2(ends, O_CLOEXEC) != 0)
                return false;
            s->m_logindLocks.append(ends[0]);
            // The reply carries its own duplicate; once sent, the caller's copy is the only one left.
            connection.send(message.createReply(QVariant::fromValue(QDBusUnixFileDescriptor(ends[1]))));
            ::close(ends[1]);
            return true;
        }
        const auto options = qdbus_cast<QVariantMap>(args.value(2));
        s->m_calls.append(QStringLiteral("portal Inhibit flags=%1 reason=%2")
                              .arg(args.value(1).toUInt())
                              .arg(options.value(QStringLiteral("reason")).toString()));
        if (s->m_portalRefuses)
            return connection.send(message.createErrorReply(
                QStringLiteral("org.freedesktop.portal.Error.NotAllowed"), QStringLiteral("no backend")));
        // Where the real portal puts the request, so a caller that missed the reply can still close it.
        const QString request = portalPath + QStringLiteral("/request/") +
                                message.service().mid(1).replace(QLatin1Char('.'), QLatin1Char('_')) +
                                QLatin1Char('/') + options.value(QStringLiteral("handle_token")).toString();
        s->m_openRequests.append(request);
        return s->m_portalSilent ||
               connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
    }

private:
    FakeInhibitService* s;
};

FakeInhibitService::~FakeInhibitService()
{
    for (const auto& [connection, service] : std::as_const(m_claims)) {
        QDBusConnection(connection).unregisterService(service);
        QDBusConnection::disconnectFromBus(connection);
    }
    m_thread.quit();
    m_thread.wait();
    for (const int fd : std::as_const(m_logindLocks))
        ::close(fd);
}

bool FakeInhibitService::claim(QDBusConnection::BusType bus, const QString& service)
{
    static int counter = 0;
    const QString name = QStringLiteral("vireon-fake-inhibit-%1").arg(++counter);
    QDBusConnection connection = QDBusConnection::connectToBus(bus, name);
    auto* endpoint = new Endpoint(this);
    // Every path: the portal's requests are objects of their own.
    const bool registered =
        connection.registerVirtualObject(QStringLiteral("/"), endpoint, QDBusConnection::SubPath);
    endpoint->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, endpoint, &QObject::deleteLater);
    if (!registered || !connection.registerService(service)) {
        QDBusConnection::disconnectFromBus(name);
        return false;
    }
    m_claims.append({name, service});
    return true;
}

int FakeInhibitService::activeLocks() const
{
    QMutexLocker lock(&m_mutex);
    int held = int(m_openRequests.size());
    // With every write end closed, a pipe's read end reports hang-up.
    for (const int fd : std::as_const(m_logindLocks)) {
        pollfd check{fd, POLLIN, 0};
        held += ::poll(&check, 1, 0) == 0;
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
    QMutexLocker lock(&m_mutex);
    return m_calls;
}

} // namespace vireon::test
