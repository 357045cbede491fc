#include "cli/HeadlessFeeder.h"

#include "BuildInfo.h"
#include "app/AppSettings.h"
#include "app/AppState.h"
#include "cli/TerminalText.h"
#include "platform/TimeSource.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSettings>
#include <QTimer>
#include <cstdio>

namespace vireon {

HeadlessFeeder::HeadlessFeeder(AppEnvironment environment, Log log, QObject* parent)
    : QObject(parent), m_state(std::make_unique<AppState>(nullptr, nullptr, std::move(environment))),
      m_log(std::move(log))
{
    if (!m_log) {
        m_log = [](const QString& line) {
            std::fputs(terminalText(line + u'\n').toUtf8().constData(), stderr);
            std::fflush(stderr);
        };
    }
    connect(m_state.get(), &AppState::changed, this, &HeadlessFeeder::logChanges);
}

HeadlessFeeder::~HeadlessFeeder()
{
    shutdown();
}

void HeadlessFeeder::start()
{
    log(QStringLiteral("Vireon Feeder %1 (build %2) without windows; station settings in %3")
            .arg(QString::fromUtf8(buildinfo::shortVersion), QString::fromUtf8(buildinfo::buildVersion),
                 m_state->stationConfigPath()));
    m_watcher = new QFileSystemWatcher(this);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &HeadlessFeeder::configFileChanged);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &HeadlessFeeder::configFileChanged);
    watchConfigFile();
    QTimer::singleShot(0, this, &HeadlessFeeder::decide);
}

void HeadlessFeeder::shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    const bool feeding = m_state->isFeedingOrAwaitingStick();
    m_state->shutdown();
    if (feeding)
        log(QStringLiteral("Stopped feeding; quitting"));
}

// As the tray application decides at launch, with the onboarding taken as done: the onboarding
// ends in feeding, so a station that never went through it feeds too. Only a stop the user chose
// in the tray application holds.
void HeadlessFeeder::decide()
{
    const AppSettings& settings = m_state->settings();
    if (settings.hasCompletedOnboarding() && !settings.feedingDesired()) {
        log(QStringLiteral("Not feeding: feeding was stopped in the tray application. Start it there, or "
                           "set feedingDesired=true in %1, and start again.")
                .arg(QSettings(QStringLiteral("VireonFeeder")).fileName()));
        return;
    }
    m_state->reloadStationConfig();
    const StationConfig::Station& station = m_state->stationConfig().station;
    if (!hasPosition(station.lat, station.lon)) {
        if (!m_waitingForPosition) {
            log(QStringLiteral("No station position in %1: set station.lat and station.lon (decimal "
                               "degrees). Waiting for the file to change.")
                    .arg(m_state->stationConfigPath()));
        }
        m_waitingForPosition = true;
        return;
    }
    m_waitingForPosition = false;
    // Re-reads config.json itself, so the file as it is now is what feeds.
    m_state->startFeeding();
}

void HeadlessFeeder::configFileChanged()
{
    watchConfigFile();
    const StationConfig before = m_state->stationConfig();
    m_state->reloadStationConfig();
    if (m_state->stationConfig() == before || m_shutDown)
        return;
    // Without a settings window the file is where the station is set up, so an edit counts at once.
    if (m_waitingForPosition || m_state->isFeedingOrAwaitingStick()) {
        log(QStringLiteral("%1 changed").arg(QFileInfo(m_state->stationConfigPath()).fileName()));
        decide();
    }
}

// The folder is watched for the file coming, going or being replaced (editors and our own store
// save by renaming a new file over the old one); the file for edits in place.
void HeadlessFeeder::watchConfigFile()
{
    const QString file = m_state->stationConfigPath();
    const QString folder = QFileInfo(file).absolutePath();
    QDir().mkpath(folder);
    if (!m_watcher->directories().contains(folder))
        m_watcher->addPath(folder);
    if (QFileInfo::exists(file) && !m_watcher->files().contains(file))
        m_watcher->addPath(file);
}

void HeadlessFeeder::logChanges()
{
    const StationStatus::Inputs now = StationStatus::inputs(*m_state);
    const QDateTime time = m_state->timeSource().now();
    if (!m_logged || now.statusLine != m_logged->statusLine) {
        const bool figuresOnly = m_logged && m_logged->icon == StatusIcon::State::feeding &&
                                 now.icon == StatusIcon::State::feeding;
        if (!figuresOnly || m_statusLoggedAt.msecsTo(time) >= figuresLogIntervalMs) {
            log(now.statusLine);
            m_statusLoggedAt = time;
        }
    }
    // A network that stays down is retried every few seconds, each failure worded a little
    // differently (the decoder counts them): only a change of health is news.
    for (qsizetype i = 0; i < now.networks.size(); ++i) {
        const StationStatus::Network& network = now.networks.at(i);
        if (!m_logged || i >= m_logged->networks.size() || m_logged->networks.at(i).label != network.label ||
            m_logged->networks.at(i).health != network.health)
            log(StationStatus::networkLine(network));
    }
    m_logged = now;
}

void HeadlessFeeder::log(const QString& text)
{
    m_log(m_state->timeSource().now().toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss ")) + text);
}

} // namespace vireon
