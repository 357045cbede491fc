#include "decoder/ReadsbSupervisor.h"

#include "decoder/DecoderGain.h"
#include "decoder/DecoderHelpProbe.h"
#include "decoder/DecoderOutputClassifier.h"
#include "decoder/KeyTransmission.h"
#include "decoder/RestartPolicy.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace vireon {
namespace {

using namespace std::chrono_literals;

constexpr qint64 crashWindowMs = RestartPolicy::crashWindowMs;
constexpr qsizetype crashLoopExits = RestartPolicy::crashLoopExits;

QString seconds(std::chrono::milliseconds duration)
{
    return QString::number(double(duration.count()) / 1000.0, 'g', 12);
}

} // namespace

ReadsbSupervisor::ReadsbSupervisor(TimeSource& time, QObject* parent)
    : QObject(parent), m_time(time), m_output(std::make_unique<DecoderOutputClassifier>(m_log)),
      m_helpProbe(std::make_unique<DecoderHelpProbe>(time))
{
    m_output->setClock([this] { return flappingClock(); });
}

// The flapping window is timed on the clock nobody sets, given to the classifier as a date: on the
// wall clock, set back an hour, a flapping connection stayed marked for that hour.
QDateTime ReadsbSupervisor::flappingClock() const
{
    return QDateTime::fromMSecsSinceEpoch(m_time.elapsed().count(), Qt::UTC);
}

ReadsbSupervisor::~ReadsbSupervisor()
{
    // Nobody may hear from a half-destroyed supervisor; the decoders still get their orderly end.
    const QSignalBlocker blocker(this);
    m_desiredRunning = false;
    cancelRestart();
    terminateAndWait(5s, KillNotice::silent);
}

const QHash<QString, ConnectorHealth>& ReadsbSupervisor::connectorHealth() const
{
    return m_output->health();
}

const std::optional<QString>& ReadsbSupervisor::lastConnectorError() const
{
    return m_output->lastConnectorError();
}

bool ReadsbSupervisor::vireonConnectorUp() const
{
    return m_output->vireonConnectorUp();
}

std::optional<StickProblem> ReadsbSupervisor::stickProblem() const
{
    return m_output->stickProblem();
}

const std::optional<QString>& ReadsbSupervisor::decoderVersion() const
{
    return m_output->decoderVersion();
}

const QList<MonitoredConnector>& ReadsbSupervisor::monitoredConnectors() const
{
    return m_output->connectors();
}

void ReadsbSupervisor::setBinaryLocator(BinaryLocator locator)
{
    m_binaryLocator = std::move(locator);
}

std::optional<QString> ReadsbSupervisor::defaultBinaryLocation()
{
    // Without an application object there is no "beside the executable", only the PATH.
    const QString appDir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    if (!appDir.isEmpty()) {
        for (const QString& candidate : {appDir + QStringLiteral("/bin/readsb"),
                                         appDir + QStringLiteral("/../libexec/vireon-feeder/readsb")}) {
            const QFileInfo info(candidate);
            if (info.isFile() && info.isExecutable())
                return info.absoluteFilePath();
        }
    }
    const QString onPath = QStandardPaths::findExecutable(QStringLiteral("readsb"));
    if (!onPath.isEmpty())
        return onPath;
    return std::nullopt;
}

void ReadsbSupervisor::start(const QStringList& arguments, const QList<MonitoredConnector>& connectors)
{
    m_arguments = arguments;
    m_passedArguments = arguments;
    ++m_launchGeneration;
    m_output->setConnectors(connectors);
    m_desiredRunning = true;
    m_exitTimes.clear();
    m_restartAttempt = 0;
    m_output->clearPendingFailure();
    cancelRestart();

    if (m_process && m_process->state() != QProcess::NotRunning) {
        // Its exit will not be handled as a decoder exit; its output still counts until it ends.
        m_replaced.append(m_process);
        terminateOnce(m_process);
        m_process = nullptr;
    }
    if (!m_replaced.isEmpty()) {
        // Two decoders would fight over the stick and the local port: launch only when every
        // replaced one has gone, and only once however many starts arrive meanwhile.
        m_launchAfterReplaced = true;
        setState(supervisor_state::Launching{});
        return;
    }
    launch();
}

void ReadsbSupervisor::stop()
{
    m_desiredRunning = false;
    m_launchAfterReplaced = false;
    ++m_launchGeneration;
    cancelRestart();
    resetHealth();
    if (m_process && m_process->state() != QProcess::NotRunning)
        terminateOnce(m_process);
    else
        setState(supervisor_state::Stopped{});
}

void ReadsbSupervisor::stopAndWait(std::chrono::milliseconds grace)
{
    stop();
    terminateAndWait(grace, KillNotice::logged);
}

void ReadsbSupervisor::terminateAndWait(std::chrono::milliseconds grace, KillNotice notice)
{
    QList<QPointer<QProcess>> live;
    for (QProcess* process : findChildren<QProcess*>(Qt::FindDirectChildrenOnly)) {
        if (process->state() != QProcess::NotRunning) {
            terminateOnce(process);
            live.append(process);
        }
    }
    // Waiting delivers each decoder's last output and its exit through the usual handlers.
    const QDeadlineTimer deadline(grace);
    for (const QPointer<QProcess>& process : live) {
        if (process && process->state() != QProcess::NotRunning)
            process->waitForFinished(int(std::max<qint64>(deadline.remainingTime(), 0)));
    }
    for (const QPointer<QProcess>& process : live) {
        if (!process || process->state() == QProcess::NotRunning)
            continue;
        if (notice == KillNotice::logged) {
            log(QStringLiteral("supervisor: readsb (pid %1) did not exit within %2s of SIGTERM; killing it")
                    .arg(process->processId())
                    .arg(seconds(grace)));
        }
        process->kill();
        process->waitForFinished(5000);
    }
}

void ReadsbSupervisor::terminateOnce(QProcess* process)
{
    // A second SIGTERM can cut short the decoder's own orderly exit.
    static const char* const signalled = "vireonTerminated";
    if (process->property(signalled).toBool())
        return;
    process->setProperty(signalled, true);
    process->terminate();
}

void ReadsbSupervisor::launch()
{
    if (!m_desiredRunning)
        return;
    const std::optional<QString> binary = m_binaryLocator ? m_binaryLocator() : std::nullopt;
    if (!binary) {
        setState(supervisor_state::Failed{Failure::binaryMissing});
        return;
    }
    setState(supervisor_state::Launching{});
    resetHealth();
    m_output->clearPendingFailure();

    const std::optional<bool> readsAutoGain = m_helpProbe->known(*binary);
    if (!readsAutoGain) {
        // Asked once per decoder file, without waiting here; the launch resumes with the answer
        // (at most 2 s later) unless a start or stop has come meanwhile.
        const quint64 generation = m_launchGeneration;
        m_helpProbe->ask(*binary, [this, generation](bool) {
            if (generation == m_launchGeneration)
                launch();
        });
        return;
    }
    if (m_decoderPath != *binary)
        m_output->forgetDecoderVersion();
    m_decoderPath = *binary;
    m_passedArguments = DecoderGain::passedArguments(m_arguments, *readsAutoGain);

    auto* process = new QProcess(this);
    process->setProgram(*binary);
    process->setArguments(m_passedArguments);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::SeparateChannels);
    const pid_t parent = ::getpid();
    process->setChildProcessModifier([parent] {
        // Runs in the child before exec: a crashed application must leave no decoder behind, also
        // when it died before this line.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::raise(SIGTERM);
    });
    connect(process, &QProcess::readyReadStandardError, this,
            [this, process] { readStandardError(process); });
    connect(process, &QProcess::finished, this,
            [this, process](int exitCode, QProcess::ExitStatus) { processFinished(process, exitCode); });

    // The launch is over when the process says it started (or that it could not); the GUI thread
    // does not wait for either.
    connect(process, &QProcess::started, this, [this, process] {
        if (process != m_process)
            return;
        m_runningSince = m_time.elapsed();
        setState(supervisor_state::Running{m_time.now()});
        log(QStringLiteral("supervisor: launched readsb (pid %1)").arg(process->processId()));
        for (const QString& line :
             KeyTransmission::launchLogLines(process->arguments(), m_output->connectors()))
            log(line);
    });
    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        process->deleteLater();
        m_replaced.removeOne(process);
        if (process != m_process)
            return;
        m_process = nullptr;
        log(QStringLiteral("supervisor: failed to launch readsb: ") + process->errorString());
        setState(supervisor_state::Failed{Failure::binaryMissing});
    });

    m_process = process;
    process->start();
}

void ReadsbSupervisor::readStandardError(QProcess* process)
{
    const QByteArray bytes = process->readAllStandardError();
    if (!bytes.isEmpty() && m_output->feed(bytes))
        Q_EMIT changed();
    armCalmTimer();
}

// A flapping connection is judged again when a minute has passed since its last established report.
void ReadsbSupervisor::armCalmTimer()
{
    if (m_calmTimer) {
        // Possibly the very timer that fired: stopped now, deleted once its signal is done.
        m_calmTimer->stop();
        m_calmTimer.release()->deleteLater();
    }
    const std::optional<QDateTime> due = m_output->nextCalm();
    if (!due)
        return;
    m_calmTimer = m_time.createTimer();
    connect(m_calmTimer.get(), &Timer::timeout, this, [this] {
        if (m_output->calm())
            Q_EMIT changed();
        armCalmTimer();
    });
    m_calmTimer->start(std::chrono::milliseconds(std::max<qint64>(flappingClock().msecsTo(*due), 0)),
                       Timer::Repeat::once);
}

void ReadsbSupervisor::processFinished(QProcess* process, int status)
{
    // The last output may still sit in the pipe; it often says why the decoder ended.
    readStandardError(process);
    process->deleteLater();
    if (process == m_process) {
        handleExit(status);
    } else if (m_replaced.removeOne(process) && m_replaced.isEmpty() && m_launchAfterReplaced) {
        m_launchAfterReplaced = false;
        launch();
    }
}

void ReadsbSupervisor::handleExit(int status)
{
    const QDateTime now = m_time.now();
    const std::chrono::milliseconds elapsed = m_time.elapsed();
    const bool running = std::holds_alternative<supervisor_state::Running>(m_state);
    const qint64 uptimeMs = running ? (elapsed - m_runningSince).count() : 0;

    m_process = nullptr;
    resetHealth();
    log(QStringLiteral("supervisor: readsb exited with status %1 after %2s")
            .arg(status)
            .arg(uptimeMs / 1000));

    if (!m_desiredRunning) {
        setState(supervisor_state::Stopped{});
        return;
    }
    if (const auto failure = m_output->pendingFailure()) {
        setState(supervisor_state::Failed{*failure});
        return;
    }
    if (uptimeMs >= crashWindowMs) {
        m_restartAttempt = 0;
        m_exitTimes.clear();
    }
    m_exitTimes.append(elapsed);
    m_exitTimes.removeIf(
        [&elapsed](std::chrono::milliseconds exit) { return (elapsed - exit).count() > crashWindowMs; });
    if (m_exitTimes.size() >= crashLoopExits) {
        setState(supervisor_state::Failed{Failure::crashLoop});
        return;
    }
    scheduleRestart(now);
}

void ReadsbSupervisor::scheduleRestart(const QDateTime& now)
{
    const qint64 delay = RestartPolicy::delaySeconds(m_restartAttempt);
    ++m_restartAttempt;
    setState(supervisor_state::Backoff{now.addSecs(delay), m_restartAttempt});
    log(QStringLiteral("supervisor: restarting in %1s (attempt %2)").arg(delay).arg(m_restartAttempt));

    m_restartTimer = m_time.createTimer();
    connect(m_restartTimer.get(), &Timer::timeout, this, [this] { launch(); });
    m_restartTimer->start(std::chrono::seconds(delay), Timer::Repeat::once);
}

void ReadsbSupervisor::cancelRestart()
{
    m_restartTimer.reset();
}

void ReadsbSupervisor::setState(State state)
{
    m_state = std::move(state);
    Q_EMIT stateChanged();
    Q_EMIT changed();
}

void ReadsbSupervisor::resetHealth()
{
    const auto before = m_output->health();
    m_output->resetHealth();
    m_calmTimer.reset();
    if (m_output->health() != before)
        Q_EMIT changed();
}

void ReadsbSupervisor::log(const QString& line)
{
    m_log.append(line);
}

} // namespace vireon
