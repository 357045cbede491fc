#include "decoder/MlatClientRunner.h"

#include "decoder/RestartPolicy.h"

#include <QFile>
#include <QProcess>
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace vireon {
namespace {

// Far more than any stats file the client writes; a bigger file is not one of its.
constexpr qint64 largestStatsFile = 64 * 1024;

void terminateOnce(QProcess* process)
{
    static const char* const signalled = "vireonTerminated";
    if (process->property(signalled).toBool())
        return;
    process->setProperty(signalled, true);
    process->terminate();
}

} // namespace

MlatClientRunner::MlatClientRunner(TimeSource& time, DecoderLocator locator, QObject* parent)
    : QObject(parent), m_time(time), m_locator(std::move(locator))
{}

MlatClientRunner::~MlatClientRunner() = default;

void MlatClientRunner::start(const MlatCommand::Client& client)
{
    m_status.client = client;
    m_desiredRunning = true;
    m_exitTimes.clear();
    m_restartAttempt = 0;
    m_restartTimer.reset();
    if (m_process && m_process->state() != QProcess::NotRunning) {
        m_replaced.append(m_process);
        terminateOnce(m_process);
        m_process = nullptr;
    }
    if (!m_replaced.isEmpty()) {
        m_launchAfterReplaced = true;
        setState(supervisor_state::Launching{});
        return;
    }
    launch();
}

void MlatClientRunner::stop()
{
    m_desiredRunning = false;
    m_launchAfterReplaced = false;
    m_restartTimer.reset();
    if (m_process && m_process->state() != QProcess::NotRunning)
        terminateOnce(m_process);
    else
        setState(supervisor_state::Stopped{});
}

void MlatClientRunner::launch()
{
    if (!m_desiredRunning)
        return;
    const std::optional<QString> program = m_locator ? m_locator() : std::nullopt;
    m_output.reset(m_status.client.server);
    m_status.link = m_output.link();
    m_status.stats.reset();
    if (!program) {
        setState(supervisor_state::Failed{SupervisorFailure::binaryMissing});
        return;
    }
    // Figures left by an earlier run would pass for this one's.
    QFile::remove(m_status.client.statsFile);
    setState(supervisor_state::Launching{});

    auto* process = new QProcess(this);
    process->setProgram(*program);
    process->setArguments(m_status.client.arguments);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::SeparateChannels);
    const pid_t parent = ::getpid();
    process->setChildProcessModifier([parent] {
        // A crashed application must leave no client behind, also when it died before this line.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::raise(SIGTERM);
    });
    connect(process, &QProcess::readyReadStandardError, this,
            [this, process] { readStandardError(process); });
    connect(process, &QProcess::finished, this, [this, process](int exitCode, QProcess::ExitStatus status) {
        processFinished(process, exitCode, status == QProcess::CrashExit);
    });
    connect(process, &QProcess::started, this, [this, process] {
        if (process != m_process)
            return;
        m_log.append(QStringLiteral("supervisor: launched mlat-client (pid %1)").arg(process->processId()));
        m_runningSince = m_time.elapsed();
        setState(supervisor_state::Running{m_time.now()});
    });
    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        process->deleteLater();
        m_replaced.removeOne(process);
        if (process != m_process)
            return;
        m_process = nullptr;
        m_log.append(QStringLiteral("supervisor: failed to launch mlat-client: ") + process->errorString());
        setState(supervisor_state::Failed{SupervisorFailure::binaryMissing});
    });
    m_process = process;
    process->start();
}

void MlatClientRunner::readStandardError(QProcess* process)
{
    const QByteArray bytes = process->readAllStandardError();
    // A replaced client's last words still go to the log, but say nothing about the new one's link.
    if (process != m_process) {
        MlatOutputReader replaced(m_log);
        replaced.feed(bytes);
        replaced.flush();
        return;
    }
    if (m_output.feed(bytes)) {
        m_status.link = m_output.link();
        Q_EMIT changed();
    }
}

void MlatClientRunner::processFinished(QProcess* process, int exitCode, bool bySignal)
{
    readStandardError(process);
    process->deleteLater();
    if (process == m_process) {
        if (m_output.flush())
            m_status.link = m_output.link();
        handleExit(exitCode, bySignal);
    } else if (m_replaced.removeOne(process) && m_replaced.isEmpty() && m_launchAfterReplaced) {
        m_launchAfterReplaced = false;
        launch();
    }
}

void MlatClientRunner::handleExit(int exitCode, bool bySignal)
{
    const QDateTime now = m_time.now();
    const std::chrono::milliseconds elapsed = m_time.elapsed();
    const bool running = std::holds_alternative<supervisor_state::Running>(m_status.state);
    const qint64 uptimeMs = running ? (elapsed - m_runningSince).count() : 0;
    m_process = nullptr;
    // The client sets no signal handler: SIGTERM, ours or anyone's, ends it by the signal itself.
    m_log.append(QStringLiteral("supervisor: mlat-client %1 %2 after %3s")
                     .arg(bySignal ? QStringLiteral("ended by signal") : QStringLiteral("exited with status"))
                     .arg(exitCode)
                     .arg(uptimeMs / 1000));
    if (!m_desiredRunning) {
        setState(supervisor_state::Stopped{});
        return;
    }
    if (uptimeMs >= RestartPolicy::crashWindowMs) {
        m_restartAttempt = 0;
        m_exitTimes.clear();
    }
    m_exitTimes.append(elapsed);
    m_exitTimes.removeIf([&elapsed](std::chrono::milliseconds exit) {
        return (elapsed - exit).count() > RestartPolicy::crashWindowMs;
    });
    if (m_exitTimes.size() >= RestartPolicy::crashLoopExits) {
        setState(supervisor_state::Failed{SupervisorFailure::crashLoop});
        return;
    }
    const qint64 delay = RestartPolicy::delaySeconds(m_restartAttempt);
    ++m_restartAttempt;
    m_log.append(
        QStringLiteral("supervisor: restarting in %1s (attempt %2)").arg(delay).arg(m_restartAttempt));
    setState(supervisor_state::Backoff{now.addSecs(delay), m_restartAttempt});
    m_restartTimer = m_time.createTimer();
    connect(m_restartTimer.get(), &Timer::timeout, this, [this] {
        // The timer that fires is let go only once its signal is done.
        m_restartTimer.release()->deleteLater();
        launch();
    });
    m_restartTimer->start(std::chrono::seconds(delay), Timer::Repeat::once);
}

void MlatClientRunner::readStats()
{
    if (!std::holds_alternative<supervisor_state::Running>(m_status.state))
        return;
    QFile file(m_status.client.statsFile);
    std::optional<MlatStats> stats;
    if (file.open(QIODevice::ReadOnly) && file.size() <= largestStatsFile)
        stats = MlatStats::parse(file.read(largestStatsFile));
    // A file being replaced may not read for a moment; the last figures stand until one does.
    if (!stats || stats == m_status.stats)
        return;
    m_status.stats = stats;
    Q_EMIT changed();
}

void MlatClientRunner::setState(SupervisorState state)
{
    m_status.state = std::move(state);
    Q_EMIT changed();
}

} // namespace vireon
