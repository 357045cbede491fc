#include "decoder/MlatSupervisor.h"

#include "decoder/MlatClientRunner.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>

namespace vireon {
namespace {

using namespace std::chrono_literals;
constexpr auto statsInterval = 5s;

} // namespace

MlatSupervisor::MlatSupervisor(TimeSource& time, QObject* parent) : QObject(parent), m_time(time) {}

MlatSupervisor::~MlatSupervisor()
{
    const QSignalBlocker blocker(this);
    for (MlatClientRunner* runner : std::as_const(m_runners)) {
        const QSignalBlocker runnerBlocker(runner);
        runner->stop();
    }
    terminateAndWait(5s, false);
}

std::optional<QString> MlatSupervisor::defaultBinaryLocation()
{
    const QString appDir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    if (!appDir.isEmpty()) {
        for (const QString& candidate :
             {appDir + QStringLiteral("/bin/mlat-client"),
              appDir + QStringLiteral("/../libexec/vireon-feeder/mlat-client/mlat-client")}) {
            const QFileInfo info(candidate);
            if (info.isFile() && info.isExecutable())
                return info.absoluteFilePath();
        }
    }
    const QString onPath = QStandardPaths::findExecutable(QStringLiteral("mlat-client"));
    if (!onPath.isEmpty())
        return onPath;
    return std::nullopt;
}

MlatClientRunner* MlatSupervisor::runner(const QString& id) const
{
    for (MlatClientRunner* runner : m_runners) {
        if (runner->status().client.id == id)
            return runner;
    }
    return nullptr;
}

void MlatSupervisor::start(const QList<MlatCommand::Client>& clients)
{
    m_order.clear();
    for (const MlatCommand::Client& client : clients)
        m_order.append(client.id);
    for (MlatClientRunner* runner : std::as_const(m_runners)) {
        if (!m_order.contains(runner->status().client.id))
            runner->stop();
    }
    for (const MlatCommand::Client& client : clients) {
        MlatClientRunner* found = runner(client.id);
        if (!found) {
            // The locator is asked through the supervisor at each launch, so a later change counts.
            found = new MlatClientRunner(
                m_time, [this] { return m_locator ? m_locator() : std::nullopt; }, this);
            connect(found, &MlatClientRunner::changed, this, &MlatSupervisor::changed);
            m_runners.append(found);
        }
        found->start(client);
    }
    if (clients.isEmpty()) {
        m_statsTimer.reset();
    } else if (!m_statsTimer) {
        m_statsTimer = m_time.createTimer();
        connect(m_statsTimer.get(), &Timer::timeout, this, [this] {
            for (MlatClientRunner* runner : std::as_const(m_runners))
                runner->readStats();
        });
        m_statsTimer->start(statsInterval, Timer::Repeat::repeating);
    }
    Q_EMIT changed();
}

void MlatSupervisor::stop()
{
    m_statsTimer.reset();
    for (MlatClientRunner* runner : std::as_const(m_runners))
        runner->stop();
}

void MlatSupervisor::stopAndWait(std::chrono::milliseconds grace)
{
    stop();
    terminateAndWait(grace, true);
}

void MlatSupervisor::terminateAndWait(std::chrono::milliseconds grace, bool logKills)
{
    // Every client gets SIGTERM at once and they share the one grace period.
    QList<QPointer<QProcess>> live;
    for (QProcess* process : findChildren<QProcess*>()) {
        if (process->state() != QProcess::NotRunning) {
            if (!process->property("vireonTerminated").toBool()) {
                process->setProperty("vireonTerminated", true);
                process->terminate();
            }
            live.append(process);
        }
    }
    const QDeadlineTimer deadline(grace);
    for (const QPointer<QProcess>& process : live) {
        if (process && process->state() != QProcess::NotRunning)
            process->waitForFinished(int(std::max<qint64>(deadline.remainingTime(), 0)));
    }
    for (const QPointer<QProcess>& process : live) {
        if (!process || process->state() == QProcess::NotRunning)
            continue;
        auto* owner = qobject_cast<MlatClientRunner*>(process->parent());
        if (logKills && owner) {
            owner->note(QStringLiteral("supervisor: mlat-client (pid %1) did not exit within %2s of SIGTERM; "
                                       "killing it")
                            .arg(process->processId())
                            .arg(double(grace.count()) / 1000.0));
        }
        process->kill();
        process->waitForFinished(5000);
    }
}

bool MlatSupervisor::desiredRunning() const
{
    for (const MlatClientRunner* runner : m_runners) {
        if (runner->desiredRunning())
            return true;
    }
    return false;
}

QList<MlatClientStatus> MlatSupervisor::clients() const
{
    QList<MlatClientStatus> statuses;
    for (const QString& id : m_order) {
        if (const MlatClientRunner* found = runner(id))
            statuses.append(found->status());
    }
    return statuses;
}

std::optional<MlatClientStatus> MlatSupervisor::client(const QString& id) const
{
    if (!m_order.contains(id))
        return std::nullopt;
    const MlatClientRunner* found = runner(id);
    return found ? std::optional(found->status()) : std::nullopt;
}

const LogRingBuffer* MlatSupervisor::log(const QString& id) const
{
    const MlatClientRunner* found = runner(id);
    return found ? &found->log() : nullptr;
}

} // namespace vireon
