#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QSet>
#include <QString>
#include <chrono>
#include <memory>

namespace vireon {

// Puts a notification on the desktop through the freedesktop notification service on the session
// bus, with the application's icon and a default action that opens the panel. Nothing waits: the
// call is sent and its answer taken when it comes; without a service (or a bus) nothing is shown
// and nothing else happens.
class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    static constexpr const char* service = "org.freedesktop.Notifications";

    explicit DesktopNotifier(QDBusConnection bus = QDBusConnection::sessionBus(),
                             std::chrono::milliseconds timeout = std::chrono::seconds(5),
                             QObject* parent = nullptr);
    ~DesktopNotifier() override;

    // A desktop that shows no notifications makes this do nothing.
    void notify(const QString& summary, const QString& body);

    // The null notifier: for a station without a desktop, and for tests that do not look.
    static std::unique_ptr<DesktopNotifier> silent();

Q_SIGNALS:
    // The person clicked one of our notifications (its default action).
    void activated();

private Q_SLOTS:
    void actionInvoked(uint id, const QString& actionKey);

private:
    QDBusConnection m_bus;
    std::chrono::milliseconds m_timeout;
    // Our notifications the service named; only their actions are ours.
    QSet<uint> m_ids;
};

} // namespace vireon
