#pragma once

#include <QDBusConnection>
#include <QObject>
#include <chrono>
#include <memory>
#include <optional>

namespace vireon {

// Whether the system clock is kept in step by network time, as systemd's timedated tells: MLAT
// compares arrival times between stations, and a drifting clock spoils them. Asking never waits;
// the answer comes later. No answer (no timedated, no system bus) leaves it unknown.
class ClockSync : public QObject {
    Q_OBJECT
public:
    // Asks timedated over this bus; a bus that is not connected leaves the answer unknown.
    explicit ClockSync(QDBusConnection bus, std::chrono::milliseconds timeout = std::chrono::seconds(2),
                       QObject* parent = nullptr);

    // Asks again; the answer replaces the last one when it comes.
    void refresh();
    const std::optional<bool>& synchronised() const { return m_synchronised; }

    static std::unique_ptr<ClockSync> desktop();

Q_SIGNALS:
    void changed();

private:
    void setSynchronised(std::optional<bool> value);

    QDBusConnection m_bus;
    std::chrono::milliseconds m_timeout;
    std::optional<bool> m_synchronised;
};

} // namespace vireon
