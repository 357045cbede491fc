#pragma once

#include "decoder/DecoderLocator.h"
#include "decoder/LogRingBuffer.h"
#include "decoder/MlatClientStatus.h"
#include "decoder/MlatOutputReader.h"
#include "platform/TimeSource.h"

#include <QList>
#include <QObject>
#include <chrono>
#include <memory>

class QProcess;

namespace vireon {

// Keeps one network's mlat-client running, by the decoder's rules: restarted after 2, 4, … 60 s
// when it dies, given up after six exits in five minutes. A client replaced by a new command line
// is asked to end, and the new one starts once it has gone, so two never share one stats file or
// one station key at the server. Processes are children of this object and are never destroyed
// while they run; the owner waits for them at the end.
class MlatClientRunner : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 logCapacity = 200;

    MlatClientRunner(TimeSource& time, DecoderLocator locator, QObject* parent = nullptr);
    ~MlatClientRunner() override;

    void start(const MlatCommand::Client& client);
    void stop();
    bool desiredRunning() const { return m_desiredRunning; }

    // Reads the stats file again; announces a change.
    void readStats();

    const MlatClientStatus& status() const { return m_status; }
    const LogRingBuffer& log() const { return m_log; }
    void note(const QString& line) { m_log.append(line); }

Q_SIGNALS:
    void changed();

private:
    void launch();
    void readStandardError(QProcess* process);
    void processFinished(QProcess* process, int exitCode, bool bySignal);
    void handleExit(int exitCode, bool bySignal);
    void setState(SupervisorState state);

    TimeSource& m_time;
    DecoderLocator m_locator;
    MlatClientStatus m_status;
    LogRingBuffer m_log{logCapacity};
    MlatOutputReader m_output{m_log};
    QProcess* m_process = nullptr;
    QList<QProcess*> m_replaced;
    bool m_launchAfterReplaced = false;
    bool m_desiredRunning = false;
    std::unique_ptr<Timer> m_restartTimer;
    // On the monotonic clock, so setting the time neither hides a crash loop nor invents one.
    QList<std::chrono::milliseconds> m_exitTimes;
    std::chrono::milliseconds m_runningSince{0};
    qint64 m_restartAttempt = 0;
};

} // namespace vireon
