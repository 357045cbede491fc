#include "support/StatusNotifierHost.h"

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QEventLoop>
#include <QtEndian>

namespace vireon::test {
namespace {
const QString itemInterface = QStringLiteral("org.kde.StatusNotifierItem");
const QString menuInterface = QStringLiteral("com.canonical.dbusmenu");
const QString connectionName = QStringLiteral("vireon-test-sni-host");

// a(iiay): ARGB32 pixels in network byte order, one image per size.
QImage largestImage(const QDBusArgument& images)
{
    QImage largest;
    images.beginArray();
    while (!images.atEnd()) {
        int width = 0;
        int height = 0;
        QByteArray pixels;
        images.beginStructure();
        images >> width >> height >> pixels;
        images.endStructure();
        if (width <= 0 || height <= 0 || pixels.size() != qsizetype(width) * height * 4 ||
            width <= largest.width())
            continue;
        QImage image(width, height, QImage::Format_ARGB32);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                image.setPixel(x, y, qFromBigEndian<quint32>(pixels.constData() + 4 * (y * width + x)));
        largest = image;
    }
    images.endArray();
    return largest;
}

} // namespace

StatusNotifierHost::StatusNotifierHost(FakeStatusNotifierWatcher::Item item)
    : m_item(std::move(item)),
      m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName))
{
    for (const char* signal : {"NewIcon", "NewToolTip", "NewTitle", "NewStatus", "NewMenu"})
        m_bus.connect(m_item.service, m_item.path, itemInterface, QLatin1String(signal), this,
                      SLOT(onSignal(QDBusMessage)));
    const QString menu = menuPath();
    for (const char* signal : {"LayoutUpdated", "ItemsPropertiesUpdated"})
        m_bus.connect(m_item.service, menu, menuInterface, QLatin1String(signal), this,
                      SLOT(onSignal(QDBusMessage)));
}

StatusNotifierHost::~StatusNotifierHost()
{
    QDBusConnection::disconnectFromBus(connectionName);
}

void StatusNotifierHost::onSignal(const QDBusMessage& message)
{
    ++m_announced[message.member()];
}

QDBusMessage StatusNotifierHost::call(const QString& path, const QString& interface, const QString& method,
                                      const QVariantList& arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(m_item.service, path, interface, method);
    message.setArguments(arguments);
    QDBusPendingCallWatcher pending(m_bus.asyncCall(message, 10'000));
    if (!pending.isFinished()) {
        QEventLoop loop;
        connect(&pending, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return pending.reply();
}

QVariant StatusNotifierHost::property(const QString& name)
{
    const QDBusMessage reply = call(m_item.path, QStringLiteral("org.freedesktop.DBus.Properties"),
                                    QStringLiteral("Get"), {itemInterface, name});
    return reply.arguments().value(0).value<QDBusVariant>().variant();
}

QString StatusNotifierHost::menuPath()
{
    return property(QStringLiteral("Menu")).value<QDBusObjectPath>().path();
}

QString StatusNotifierHost::title()
{
    return property(QStringLiteral("Title")).toString();
}

QString StatusNotifierHost::toolTipTitle()
{
    // (s a(iiay) s s): icon name, icon pixmaps, title, text.
    const QDBusArgument toolTip = property(QStringLiteral("ToolTip")).value<QDBusArgument>();
    QString iconName;
    QString title;
    QString text;
    toolTip.beginStructure();
    toolTip >> iconName;
    largestImage(toolTip);
    toolTip >> title >> text;
    toolTip.endStructure();
    return title;
}

QImage StatusNotifierHost::icon()
{
    return largestImage(property(QStringLiteral("IconPixmap")).value<QDBusArgument>());
}

QList<StatusNotifierHost::MenuEntry> StatusNotifierHost::menu()
{
    // GetLayout(parent 0, every level, every property) answers (u revision, (i a{sv} av) root).
    const QDBusMessage reply =
        call(menuPath(), menuInterface, QStringLiteral("GetLayout"), {0, -1, QStringList()});
    const QDBusArgument root = reply.arguments().value(1).value<QDBusArgument>();
    QList<MenuEntry> entries;
    int rootId = 0;
    QVariantMap rootProperties;
    root.beginStructure();
    root >> rootId >> rootProperties;
    root.beginArray();
    while (!root.atEnd()) {
        QDBusVariant child;
        root >> child;
        const QDBusArgument node = child.variant().value<QDBusArgument>();
        MenuEntry entry;
        QVariantMap properties;
        node.beginStructure();
        node >> entry.id >> properties;
        node.beginArray();
        while (!node.atEnd()) {
            QDBusVariant grandChild;
            node >> grandChild;
        }
        node.endArray();
        node.endStructure();
        entry.label = properties.value(QStringLiteral("label")).toString();
        entry.enabled = properties.value(QStringLiteral("enabled"), true).toBool();
        entry.separator = properties.value(QStringLiteral("type")).toString() == QLatin1String("separator");
        if (properties.value(QStringLiteral("visible"), true).toBool())
            entries.append(entry);
    }
    root.endArray();
    root.endStructure();
    return entries;
}

bool StatusNotifierHost::activate(QPoint at)
{
    return call(m_item.path, itemInterface, QStringLiteral("Activate"), {at.x(), at.y()}).type() ==
           QDBusMessage::ReplyMessage;
}

bool StatusNotifierHost::contextMenu(QPoint at)
{
    return call(m_item.path, itemInterface, QStringLiteral("ContextMenu"), {at.x(), at.y()}).type() ==
           QDBusMessage::ReplyMessage;
}

bool StatusNotifierHost::clickMenuEntry(int id)
{
    const QVariantList arguments{id, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u};
    return call(menuPath(), menuInterface, QStringLiteral("Event"), arguments).type() ==
           QDBusMessage::ReplyMessage;
}

} // namespace vireon::test
