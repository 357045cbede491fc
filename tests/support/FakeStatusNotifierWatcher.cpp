#include "support/FakeStatusNotifierWatcher.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QObject>

namespace vireon::test {
namespace {
const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString watcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString connectionName = QStringLiteral("vireon-fake-sni-watcher");
} // namespace

class FakeStatusNotifierWatcher::Endpoint : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredItems)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
public:
    explicit Endpoint(FakeStatusNotifierWatcher* watcher) : w(watcher) {}

    QStringList registeredItems() const
    {
        QStringList names;
        for (const Item& item : w->liveItems())
            names.append(item.service + item.path);
        return names;
    }
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }

public Q_SLOTS:
    // Qt names its bus name here; other toolkits name only the object path, on the caller's
    // connection. Real watchers take both.
    void RegisterStatusNotifierItem(const QString& serviceOrPath, const QDBusMessage& message)
    {
        Item item = serviceOrPath.startsWith(QLatin1Char('/'))
                        ? Item{message.service(), serviceOrPath}
                        : Item{serviceOrPath, QStringLiteral("/StatusNotifierItem")};
        {
            QMutexLocker lock(&w->m_mutex);
            w->m_items.append(item);
        }
        QDBusMessage signal = QDBusMessage::createSignal(watcherPath, watcherService,
                                                         QStringLiteral("StatusNotifierItemRegistered"));
        signal << item.service + item.path;
        QDBusConnection(connectionName).send(signal);
    }
    void RegisterStatusNotifierHost(const QString&) {}

private:
    FakeStatusNotifierWatcher* w;
};

FakeStatusNotifierWatcher::~FakeStatusNotifierWatcher()
{
    if (m_registered) {
        QDBusConnection(connectionName).unregisterService(watcherService);
        QDBusConnection::disconnectFromBus(connectionName);
    }
    m_thread.quit();
    m_thread.wait();
}

bool FakeStatusNotifierWatcher::registerWatcher()
{
    QDBusConnection connection = QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName);
    auto* endpoint = new Endpoint(this);
    endpoint->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, endpoint, &QObject::deleteLater);
    if (!connection.registerObject(watcherPath, endpoint,
                                   QDBusConnection::ExportAllProperties | QDBusConnection::ExportAllSlots) ||
        !connection.registerService(watcherService)) {
        QDBusConnection::disconnectFromBus(connectionName);
        return false;
    }
    m_registered = true;
    return true;
}

QList<FakeStatusNotifierWatcher::Item> FakeStatusNotifierWatcher::registrations() const
{
    QMutexLocker lock(&m_mutex);
    return m_items;
}

QList<FakeStatusNotifierWatcher::Item> FakeStatusNotifierWatcher::liveItems() const
{
    QList<Item> live;
    const QDBusConnection bus(connectionName);
    for (const Item& item : registrations()) {
        if (bus.isConnected() && bus.interface()->isServiceRegistered(item.service))
            live.append(item);
    }
    return live;
}

} // namespace vireon::test

#include "FakeStatusNotifierWatcher.moc"
