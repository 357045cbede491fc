#pragma once

#include "support/FakeStatusNotifierWatcher.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QPoint>

namespace vireon::test {

// The other half of a desktop's tray: reads one registered item and clicks it over D-Bus, as a panel
// does. Each call runs the event loop until answered, since the item may answer from this very thread.
class StatusNotifierHost : public QObject {
    Q_OBJECT
public:
    // One entry of the item's exported menu, as com.canonical.dbusmenu's GetLayout gives it.
    struct MenuEntry {
        int id = 0;
        QString label;
        bool enabled = true;
        bool separator = false;
    };

    explicit StatusNotifierHost(FakeStatusNotifierWatcher::Item item);
    ~StatusNotifierHost() override;

    QString title();
    QString toolTipTitle();
    // The largest of the item's pixmaps; a null image when it sends none.
    QImage icon();
    QList<MenuEntry> menu();

    // The calls a host makes on a left click, on a right click, and on a click on a menu entry; each
    // false when the item answered with an error.
    bool activate(QPoint at);
    bool contextMenu(QPoint at);
    bool clickMenuEntry(int id);

    // How often the item announced a change: NewIcon, NewToolTip, LayoutUpdated, ...
    int announced(const QString& signal) const { return m_announced.value(signal); }

private Q_SLOTS:
    void onSignal(const QDBusMessage& message);

private:
    QDBusMessage call(const QString& path, const QString& interface, const QString& method,
                      const QVariantList& arguments);
    QVariant property(const QString& name);
    QString menuPath();

    FakeStatusNotifierWatcher::Item m_item;
    QDBusConnection m_bus;
    QHash<QString, int> m_announced;
};

} // namespace vireon::test
