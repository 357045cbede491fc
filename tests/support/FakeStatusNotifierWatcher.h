#pragma once

#include <QDBusConnection>
#include <QList>
#include <QMutex>
#include <QString>
#include <QThread>

namespace vireon::test {

// Stands in for the desktop's StatusNotifierItem watcher (what Plasma, GNOME's AppIndicator
// extension, Cinnamon, XFCE and LXQt run) on the private test bus, with a host registered, so Qt
// puts its tray icons on D-Bus instead of into an XEmbed tray. It answers on its own thread: Qt asks
// it, blocking, whether a host is there.
class FakeStatusNotifierWatcher {
public:
    struct Item {
        QString service; // the bus name to call
        QString path;
        bool operator==(const Item&) const = default;
    };

    FakeStatusNotifierWatcher() { m_thread.start(); }
    ~FakeStatusNotifierWatcher();

    // Claims org.kde.StatusNotifierWatcher; false when the bus is missing or the name is taken.
    bool registerWatcher();

    // Every item registered so far, in order, and those whose owner is still on the bus.
    QList<Item> registrations() const;
    QList<Item> liveItems() const;

private:
    class Endpoint;
    friend class Endpoint;

    mutable QMutex m_mutex;
    QList<Item> m_items;
    bool m_registered = false;
    QThread m_thread;
};

} // namespace vireon::test
