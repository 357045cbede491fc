#pragma once

#include "decoder/ConnectorHealth.h"
#include "decoder/DecoderLocator.h"
#include "decoder/LogRingBuffer.h"
#include "decoder/MonitoredConnector.h"
#include "decoder/StickProblem.h"
#include "decoder/SupervisorFailure.h"
#include "decoder/SupervisorState.h"
#include "platform/TimeSource.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QProcess;

namespace vireon {

class DecoderHelpProbe;
class DecoderOutputClassifier;

// Runs the decoder as a child process, keeps it running and says how it is doing: restarts it after
// 2, 4, 8, 16, 32, then 60 seconds when it dies, gives up with a named failure when restarting cannot
// help, and judges each outbound connection from the decoder's standard error.
//
// Decoder processes are children of this object. None is ever destroyed while it runs: a replaced
// decoder is kept until it has exited, and destruction waits for every decoder to go.
class ReadsbSupervisor : public QObject {
    Q_OBJECT
public:
    using State = SupervisorState;
    using Failure = SupervisorFailure;
    using BinaryLocator = DecoderLocator;

    static constexpr qint64 logCapacity = 500;

    explicit ReadsbSupervisor(TimeSource& time = TimeSource::system(), QObject* parent = nullptr);
    ~ReadsbSupervisor() override;

    // Runs the decoder with these arguments (without the program name), watching these connections.
    // A decoder from an earlier start is asked to terminate and the new one launches once it has
    // gone; of several starts made meanwhile, only the most recent launches.
    void start(const QStringList& arguments, const QList<MonitoredConnector>& connectors);

    // Asks the decoder to terminate and does not wait; state turns stopped once it has exited.
    void stop();

    // For quitting: stops, then waits up to `grace` for every decoder to exit after SIGTERM, and only
    // then kills what is left (saying so in the log).
    void stopAndWait(std::chrono::milliseconds grace = std::chrono::seconds(5));

    const State& state() const { return m_state; }
    const QHash<QString, ConnectorHealth>& connectorHealth() const;
    const std::optional<QString>& lastConnectorError() const;
    bool vireonConnectorUp() const;
    // The arguments as last passed to the decoder (see DecoderGain), or as given to start until a
    // launch has passed them.
    const QStringList& currentArguments() const { return m_passedArguments; }
    const QList<MonitoredConnector>& monitoredConnectors() const;
    bool desiredRunning() const { return m_desiredRunning; }
    const LogRingBuffer& logBuffer() const { return m_log; }

    // The cause of a stick failure that the current run's output named, if any.
    std::optional<StickProblem> stickProblem() const;
    // The decoder last launched, and the version it named ("readsb version: "), once seen.
    const std::optional<QString>& decoderPath() const { return m_decoderPath; }
    const std::optional<QString>& decoderVersion() const;

    // Where the decoder executable is; asked afresh at every launch. Nothing found means
    // failed(binaryMissing).
    void setBinaryLocator(BinaryLocator locator);

    // The first executable of: bin/readsb beside our executable, ../libexec/vireon-feeder/readsb
    // from there, readsb on PATH.
    static std::optional<QString> defaultBinaryLocation();

    // Where the locator finds the decoder now.
    std::optional<QString> locateDecoder() const
    {
        return m_binaryLocator ? m_binaryLocator() : std::nullopt;
    }

Q_SIGNALS:
    // After any of state, connectorHealth or lastConnectorError was assigned.
    void changed();
    // After every assignment of state, also of an equal value.
    void stateChanged();

private:
    void launch();
    void readStandardError(QProcess* process);
    void processFinished(QProcess* process, int status);
    void handleExit(int status);
    void scheduleRestart(const QDateTime& now);
    void cancelRestart();
    void setState(State state);
    void resetHealth();
    void log(const QString& line);
    enum class KillNotice { logged, silent };
    void terminateAndWait(std::chrono::milliseconds grace, KillNotice notice);
    static void terminateOnce(QProcess* process);
    void armCalmTimer();
    QDateTime flappingClock() const;

    TimeSource& m_time;
    State m_state = supervisor_state::Stopped{};
    LogRingBuffer m_log{logCapacity};
    std::unique_ptr<DecoderOutputClassifier> m_output; // reads the decoder's standard error
    BinaryLocator m_binaryLocator = &ReadsbSupervisor::defaultBinaryLocation;
    QProcess* m_process = nullptr; // the current decoder, from its launch until its exit is handled
    QList<QProcess*> m_replaced;   // decoders replaced by a start, still exiting
    bool m_launchAfterReplaced = false;
    std::unique_ptr<Timer> m_restartTimer;
    // On the clock that is never set, so setting the wall clock neither ends nor stretches the
    // crash-loop window.
    QList<std::chrono::milliseconds> m_exitTimes;
    std::chrono::milliseconds m_runningSince{0};
    qint64 m_restartAttempt = 0;
    QStringList m_arguments;
    QStringList m_passedArguments;
    bool m_desiredRunning = false;
    // Whether "--gain auto" means automatic gain to a decoder file is asked before its first launch;
    // a launch waiting for that answer goes ahead only if no start or stop came meanwhile.
    std::unique_ptr<DecoderHelpProbe> m_helpProbe;
    quint64 m_launchGeneration = 0;
    std::optional<QString> m_decoderPath;
    std::unique_ptr<Timer> m_calmTimer;
};

} // namespace vireon
