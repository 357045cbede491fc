#pragma once

#include "decoder/DecoderLocator.h"
#include "decoder/MlatClientStatus.h"
#include "decoder/MlatCommand.h"
#include "platform/TimeSource.h"

#include <QList>
#include <QObject>
#include <chrono>
#include <memory>
#include <optional>

namespace vireon {

class LogRingBuffer;
class MlatClientRunner;

// Runs one mlat-client per network that takes part in MLAT, each kept running on its own, and
// re-reads each client's stats file every 5 seconds while they run.
class MlatSupervisor : public QObject {
    Q_OBJECT
public:
    explicit MlatSupervisor(TimeSource& time = TimeSource::system(), QObject* parent = nullptr);
    ~MlatSupervisor() override;

    // Runs exactly these clients: a network's client starts afresh (also when it was running with
    // the same command line, since its input went with the decoder), and clients of networks not
    // named are stopped.
    void start(const QList<MlatCommand::Client>& clients);
    void stop();
    // For quitting: stops, waits up to `grace` for every client to exit after SIGTERM, then kills
    // what is left, saying so in its log.
    void stopAndWait(std::chrono::milliseconds grace);

    bool desiredRunning() const;
    // The clients of the last start, in its order.
    QList<MlatClientStatus> clients() const;
    std::optional<MlatClientStatus> client(const QString& id) const;
    const LogRingBuffer* log(const QString& id) const;

    void setBinaryLocator(DecoderLocator locator) { m_locator = std::move(locator); }
    // The first executable of: bin/mlat-client beside our executable,
    // ../libexec/vireon-feeder/mlat-client/mlat-client from there, mlat-client on PATH.
    static std::optional<QString> defaultBinaryLocation();

Q_SIGNALS:
    void changed();

private:
    MlatClientRunner* runner(const QString& id) const;
    void terminateAndWait(std::chrono::milliseconds grace, bool logKills);

    TimeSource& m_time;
    DecoderLocator m_locator = &MlatSupervisor::defaultBinaryLocation;
    // Every network's runner, kept for the life of the supervisor so none is destroyed while its
    // client exits; the last start's order.
    QList<MlatClientRunner*> m_runners;
    QStringList m_order;
    std::unique_ptr<Timer> m_statsTimer;
};

} // namespace vireon
