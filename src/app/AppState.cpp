#include "app/AppState.h"

#include "app/AppSettings.h"
#include "app/AttentionNotifier.h"
#include "app/NetworkEdits.h"
#include "app/SleepAssertion.h"
#include "app/StatusPresentation.h"
#include "config/StationConfigStore.h"
#include "decoder/MlatSupervisor.h"
#include "decoder/RTLDeviceProbe.h"
#include "decoder/ReadsbCommand.h"
#include "decoder/ReadsbSupervisor.h"
#include "network/FeederConfigProvider.h"
#include "platform/AlertPresenter.h"
#include "platform/ClockSync.h"
#include "platform/DesktopNotifier.h"
#include "platform/IdleInhibitor.h"
#include "platform/LoginItem.h"
#include "platform/TimeSource.h"
#include "platform/UsbMonitor.h"
#include "stats/StatsReader.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QSettings>

using namespace std::chrono_literals;

namespace vireon {
namespace {

constexpr auto deviceRecoveryInterval = 5s;
const QString activityReason = QStringLiteral("Feeding ADS-B data to Vireon");
const QString pausedMessage = QStringLiteral("Vireon feeding is paused");
const QString pausedInformative =
    QStringLiteral("vireon.enabled is set to false in config.json, so this station currently feeds only "
                   "third-party networks. That\u2019s fine \u2014 feeding other networks is always supported "
                   "\u2014 but the tray icon won\u2019t turn green until Vireon feeding is re-enabled.");

bool sameEndpoint(const FeederConfig::Ingest& a, const FeederConfig::Ingest& b)
{
    return a.host == b.host && a.port == b.port && a.protocolName == b.protocolName;
}

} // namespace

AppState::AppState(AppSettings* settings, StationConfigStore* configStore, AppEnvironment environment,
                   QObject* parent)
    : QObject(parent), m_env(std::move(environment)), m_time(m_env.time ? m_env.time : &TimeSource::system())
{
    if (m_env.defaults) {
        m_defaults = m_env.defaults;
    } else {
        m_ownedDefaults = std::make_unique<QSettings>(QStringLiteral("VireonFeeder"));
        m_defaults = m_ownedDefaults.get();
    }
    if (!m_env.beginActivity) {
        m_env.beginActivity = [next = quint64(0)](const QString&) mutable { return ++next; };
    }
    if (!m_env.endActivity)
        m_env.endActivity = [](quint64) {};
    m_usbRoot = m_env.usbRoot.isEmpty() ? RTLDeviceProbe::defaultUsbRoot() : m_env.usbRoot;

    m_supervisor = std::make_unique<ReadsbSupervisor>(*m_time);
    if (m_env.decoderLocator)
        m_supervisor->setBinaryLocator(m_env.decoderLocator);
    m_mlat = std::make_unique<MlatSupervisor>(*m_time);
    if (m_env.mlatClientLocator)
        m_mlat->setBinaryLocator(m_env.mlatClientLocator);
    m_clockSync = m_env.makeClockSync ? m_env.makeClockSync() : ClockSync::desktop();
    m_stats = std::make_unique<StatsReader>(*m_time);
    m_network = std::make_unique<QNetworkAccessManager>();
    m_configProvider = std::make_unique<FeederConfigProvider>(*m_defaults, *m_network);
    if (m_env.remoteUrl)
        m_configProvider->setRemoteUrl(*m_env.remoteUrl);
    if (m_env.remoteTimeout)
        m_configProvider->setTransferTimeout(*m_env.remoteTimeout);
    m_loginItem = m_env.makeLoginItem ? m_env.makeLoginItem() : LoginItem::desktop();
    m_sleepAssertion = std::make_unique<SleepAssertion>(m_env.makeInhibitor ? m_env.makeInhibitor()
                                                                            : IdleInhibitor::desktop());

    if (settings) {
        m_settings = settings;
    } else {
        m_ownedSettings = std::make_unique<AppSettings>(*m_defaults);
        m_settings = m_ownedSettings.get();
    }
    if (configStore) {
        m_configStore = configStore;
    } else {
        m_ownedStore = std::make_unique<StationConfigStore>();
        m_configStore = m_ownedStore.get();
    }

    m_config = m_configProvider->currentConfig();

    m_attention = std::make_unique<AttentionNotifier>(
        *this, m_env.makeNotifier ? m_env.makeNotifier() : std::make_unique<DesktopNotifier>(), *m_time);
    connect(m_attention.get(), &AttentionNotifier::panelRequested, this, &AppState::panelRequested);
    m_usbMonitor = m_env.makeUsbMonitor ? m_env.makeUsbMonitor() : UsbMonitor::desktop();
    connect(m_usbMonitor.get(), &UsbMonitor::deviceChanged, this, &AppState::usbDeviceChanged);

    // Re-announced from the event loop, after the announcing code has finished, so observers of the
    // state always see the new values of the part that changed, and see them once however many
    // parts changed in that turn.
    connect(m_supervisor.get(), &ReadsbSupervisor::changed, this, &AppState::scheduleAnnouncement);
    connect(m_mlat.get(), &MlatSupervisor::changed, this, &AppState::scheduleAnnouncement);
    if (m_clockSync) {
        connect(m_clockSync.get(), &ClockSync::changed, this, &AppState::scheduleAnnouncement);
        m_clockSync->refresh();
    }
    connect(m_stats.get(), &StatsReader::changed, this, &AppState::scheduleAnnouncement);
    connect(m_stats.get(), &StatsReader::positionsHeard, this, &AppState::positionsHeard);
    connect(m_settings, &AppSettings::changed, this, &AppState::scheduleAnnouncement);
    connect(m_configStore, &StationConfigStore::changed, this, &AppState::scheduleAnnouncement);
    connect(m_sleepAssertion.get(), &SleepAssertion::changed, this, &AppState::scheduleAnnouncement);
    connect(m_supervisor.get(), &ReadsbSupervisor::stateChanged, this, &AppState::reactToSupervisorState,
            Qt::QueuedConnection);
    QMetaObject::invokeMethod(this, &AppState::reactToSupervisorState, Qt::QueuedConnection);

    // The start-up refresh only updates the document; it never relaunches.
    m_configProvider->refresh(this, [this](const FeederConfig& fresh) { setConfig(fresh); });
}

AppState::~AppState()
{
    // A decoder must not outlive the state that started it.
    cancelLaunchAwaitingAlert();
    stopDeviceRecoveryPolling();
    if (m_supervisor && m_supervisor->desiredRunning()) {
        m_mlat->stop();
        m_supervisor->stopAndWait();
    }
}

bool AppState::isDeviceRecoveryPolling() const
{
    return m_deviceRecoveryTimer != nullptr;
}

bool AppState::isFeedingActive() const
{
    const auto& state = m_supervisor->state();
    return std::holds_alternative<supervisor_state::Running>(state) ||
           std::holds_alternative<supervisor_state::Backoff>(state) ||
           std::holds_alternative<supervisor_state::Launching>(state);
}

void AppState::setConfig(const FeederConfig& config)
{
    if (m_config == config)
        return;
    m_config = config;
    scheduleAnnouncement();
}

void AppState::setConfigError(const std::optional<QString>& error)
{
    if (m_configError == error)
        return;
    m_configError = error;
    scheduleAnnouncement();
}

void AppState::startFeeding()
{
    m_settings->setFeedingDesired(true);
    m_configStore->reloadFromDisk();
    launchSupervisor(m_config);
}

void AppState::launchSupervisor(const FeederConfig& remote)
{
    // A newer launch replaces one still waiting for the alert.
    cancelLaunchAwaitingAlert();
    setConfigError(std::nullopt);
    setStickUnplugged(false);

    const StationConfig station = m_configStore->config();
    const QString jsonDirectory = m_configStore->jsonDirectory();

    auto built = ReadsbCommand::arguments(station, remote.ingest, jsonDirectory);
    if (const auto* error = std::get_if<ReadsbCommand::ValidationError>(&built)) {
        setConfigError(error->errorDescription());
        m_supervisor->stop();
        m_stats->stop();
        return;
    }
    const QStringList arguments = std::get<QStringList>(built);

    if (holdLaunchForPausedAlert(station))
        return;

    QDir().mkpath(jsonDirectory);

    // The clients follow the decoder: they stop now and start again once it runs.
    m_mlatClients = MlatCommand::clients(station, remote, jsonDirectory);
    m_mlatFollowsRun = false;
    m_mlat->stop();
    if (m_clockSync)
        m_clockSync->refresh();
    m_supervisor->start(arguments,
                        ReadsbCommand::monitored(ReadsbCommand::connectors(station, remote.ingest)));
    m_launchedIngest = remote.ingest;
    m_launchedPosition = std::pair(station.station.lat, station.station.lon);
    m_stats->start(jsonDirectory);

    // Feeding does not wait for the desktop's answer; the lock's state follows when it comes.
    if (m_settings->preventSleepWhileFeeding())
        m_sleepAssertion->activate();
    if (!m_activity)
        m_activity = m_env.beginActivity(activityReason);

    refreshAfterLaunch();
}

void AppState::refreshAfterLaunch()
{
    m_configProvider->refresh(this, [this](const FeederConfig& fresh) {
        setConfig(fresh);
        // Compared with what the decoder was started with, not with the document held now: the
        // start-up refresh may have brought the new endpoint after this launch without relaunching.
        if (m_launchedIngest && !sameEndpoint(*m_launchedIngest, fresh.ingest) &&
            m_supervisor->desiredRunning())
            launchSupervisor(fresh);
    });
}

void AppState::reactToSupervisorState()
{
    followDecoderWithMlat();
    const auto* failed = std::get_if<supervisor_state::Failed>(&m_supervisor->state());
    if (failed && failed->failure == SupervisorFailure::noDevice && m_settings->feedingDesired())
        startDeviceRecoveryPolling();
    else
        stopDeviceRecoveryPolling();
}

// mlat-client reads the decoder's Beast output: it runs while the decoder runs, and starts afresh
// with each of its runs, so a relaunch with new settings brings new clients too.
void AppState::followDecoderWithMlat()
{
    const bool running = std::holds_alternative<supervisor_state::Running>(m_supervisor->state()) &&
                         m_supervisor->desiredRunning();
    if (running && !m_mlatFollowsRun) {
        m_mlatFollowsRun = true;
        m_mlat->start(m_mlatClients);
    } else if (!running && m_mlatFollowsRun) {
        m_mlatFollowsRun = false;
        m_mlat->stop();
    }
}

void AppState::startDeviceRecoveryPolling()
{
    if (m_deviceRecoveryTimer)
        return;
    m_deviceRecoveryTimer = m_time->createTimer();
    connect(m_deviceRecoveryTimer.get(), &Timer::timeout, this, &AppState::deviceRecoveryTick);
    m_deviceRecoveryTimer->start(deviceRecoveryInterval, Timer::Repeat::repeating);
    scheduleAnnouncement(); // the panel now offers to stop the wait
}

void AppState::stopDeviceRecoveryPolling()
{
    if (!m_deviceRecoveryTimer)
        return;
    m_deviceRecoveryTimer->stop();
    // The tick may be the one running right now; let the timer go once it has returned.
    m_deviceRecoveryTimer.release()->deleteLater();
    scheduleAnnouncement();
}

void AppState::deviceRecoveryTick()
{
    const auto* failed = std::get_if<supervisor_state::Failed>(&m_supervisor->state());
    if (!failed || failed->failure != SupervisorFailure::noDevice || !m_settings->feedingDesired()) {
        stopDeviceRecoveryPolling();
        return;
    }
    if (RTLDeviceProbe::findDevices(m_usbRoot).isEmpty())
        return;
    stopDeviceRecoveryPolling();
    // The command line of the last launch, not one rebuilt from a config.json that may have changed.
    if (std::holds_alternative<supervisor_state::Failed>(m_supervisor->state()))
        m_supervisor->start(m_supervisor->currentArguments(), m_supervisor->monitoredConnectors());
}

// The first launch with the primary network switched off explains why the icon will not turn green.
// The flag is stored before the alert shows, so the user sees it once. The launch goes on when the
// alert is dismissed, from the configuration as it is then; a stop, a quit or a newer launch made
// meanwhile cancels it. Returns true when the launch now waits for the alert.
bool AppState::holdLaunchForPausedAlert(const StationConfig& station)
{
    if (station.vireon.enabled || m_settings->vireonPauseWarned())
        return false;
    m_settings->setVireonPauseWarned(true);
    if (!m_env.alerts) {
        qWarning().noquote() << pausedMessage + QStringLiteral(": ") + pausedInformative;
        return false;
    }
    const quint64 generation = ++m_launchGeneration;
    m_launchAwaitingAlert = generation;
    m_env.alerts->showInformational(pausedMessage, pausedInformative, [self = QPointer(this), generation] {
        if (!self || self->m_launchAwaitingAlert != generation)
            return;
        self->m_launchAwaitingAlert = 0;
        self->launchSupervisor(self->m_config);
    });
    return true;
}

void AppState::cancelLaunchAwaitingAlert()
{
    m_launchAwaitingAlert = 0;
}

void AppState::endBackgroundActivity()
{
    if (!m_activity)
        return;
    m_env.endActivity(*m_activity);
    m_activity.reset();
}

void AppState::stopFeeding()
{
    cancelLaunchAwaitingAlert();
    setStickUnplugged(false);
    m_settings->setFeedingDesired(false);
    stopDeviceRecoveryPolling();
    m_mlatFollowsRun = false;
    m_mlat->stop();
    m_supervisor->stop();
    m_stats->stop();
    // What was heard says where the antenna was; a stopped station shows nothing of what it hears.
    m_positionEvidence.clear();
    m_sleepAssertion->deactivate();
    endBackgroundActivity();
}

void AppState::positionsHeard(const QList<AircraftPosition>& positions)
{
    m_positionEvidence.add(m_time->now(), positions);
    scheduleAnnouncement();
}

std::optional<PositionCheck::Verdict> AppState::positionVerdict() const
{
    if (!isFeedingActive())
        return std::nullopt;
    const StationConfig& station = stationConfig();
    if (auto verdict = PositionCheck::judge(station.station.lat, station.station.lon,
                                            m_positionEvidence.positions(m_time->now())))
        return verdict;
    // The decoder checks against the position it was started with: once the user has set another,
    // its complaints are about the old one.
    if (m_launchedPosition != std::pair(station.station.lat, station.station.lon))
        return std::nullopt;
    return PositionCheck::judgeDecoderRange(m_stats->snapshot().receiver);
}

void AppState::applySettingsToRunningFeed()
{
    if (isFeedingActive())
        launchSupervisor(m_config);
}

void AppState::shutdown()
{
    cancelLaunchAwaitingAlert();
    stopDeviceRecoveryPolling();
    // The process is about to exit: the decoder and every mlat-client get SIGTERM at once and share
    // the decoder's few seconds, then anything left is killed.
    const QDeadlineTimer deadline(std::chrono::seconds(5));
    m_mlatFollowsRun = false;
    m_mlat->stop();
    m_supervisor->stopAndWait();
    m_mlat->stopAndWait(std::chrono::milliseconds(std::max<qint64>(deadline.remainingTime(), 0)));
    m_stats->stop();
    m_sleepAssertion->deactivate();
}

void AppState::scheduleAnnouncement()
{
    if (m_announcementScheduled)
        return;
    m_announcementScheduled = true;
    QMetaObject::invokeMethod(this, &AppState::announce, Qt::QueuedConnection);
}

void AppState::announce()
{
    m_announcementScheduled = false;
    const StatusPresentation::Inputs in = presentationInputs();
    watchLiveDataExpiry(in);
    Q_EMIT changed();
    m_attention->observe();
    const StatusPresentation::Shown current = StatusPresentation::shown(in);
    if (m_announcedPresentation == current)
        return;
    m_announcedPresentation = current;
    Q_EMIT presentationChanged(current.iconState, current.statusLine);
}

// A decoder that hangs stops writing its files and announces nothing, so the moment its data turns
// stale is an event of its own.
void AppState::watchLiveDataExpiry(const StatusPresentation::Inputs& in)
{
    const std::optional<std::chrono::milliseconds> remaining = StatusPresentation::liveDataRemaining(in);
    if (!remaining) {
        m_liveDataExpiryTimer.reset();
        return;
    }
    if (!m_liveDataExpiryTimer) {
        m_liveDataExpiryTimer = m_time->createTimer();
        connect(m_liveDataExpiryTimer.get(), &Timer::timeout, this, &AppState::scheduleAnnouncement);
    }
    m_liveDataExpiryTimer->start(*remaining, Timer::Repeat::once);
}

void AppState::retry()
{
    if (std::holds_alternative<supervisor_state::Failed>(m_supervisor->state()))
        m_supervisor->start(m_supervisor->currentArguments(), m_supervisor->monitoredConnectors());
}

void AppState::setLaunchAtLogin(bool enabled)
{
    m_settings->setLaunchAtLogin(enabled);
    m_loginItem->setEnabled(enabled);
}

void AppState::setPreventSleep(bool enabled)
{
    m_settings->setPreventSleepWhileFeeding(enabled);
}

void AppState::setNotifyWhenAttentionNeeded(bool enabled)
{
    m_settings->setNotifyWhenAttentionNeeded(enabled);
}

// The system told of a USB device: a stick the state waits for is looked for now, not at the next
// poll, and a stick pulled out while feeding is named now, not when the decoder notices.
void AppState::usbDeviceChanged(bool added)
{
    if (added) {
        setStickUnplugged(false);
        if (m_deviceRecoveryTimer)
            deviceRecoveryTick();
        return;
    }
    if (m_settings->feedingDesired() && isFeedingActive() && RTLDeviceProbe::findDevices(m_usbRoot).isEmpty())
        setStickUnplugged(true);
}

void AppState::setStickUnplugged(bool unplugged)
{
    if (m_stickUnplugged == unplugged)
        return;
    m_stickUnplugged = unplugged;
    scheduleAnnouncement();
}

void AppState::completeOnboarding()
{
    m_settings->setHasCompletedOnboarding(true);
}

const StationConfig& AppState::stationConfig() const
{
    return m_configStore->config();
}

void AppState::editStation(const std::function<void(StationConfig&)>& edit)
{
    StationConfig config = m_configStore->config();
    edit(config);
    // Written back and saved even when nothing changed, so the file always holds what is shown.
    m_configStore->setConfig(config);
    writeStationConfig();
}

void AppState::setNetworkEnabled(const QString& key, bool enabled)
{
    editStation([&](StationConfig& config) {
        config = NetworkEdits::withEnabled(config, key, m_config.offeredPresets(), enabled);
    });
}

void AppState::setNetworkUuid(const QString& key, const QString& text)
{
    // A network without a connector has no key to hold; nothing is written for it.
    if (const auto changed = NetworkEdits::withUuid(m_configStore->config(), key, text))
        editStation([&](StationConfig& config) { config = *changed; });
}

void AppState::setNetworkMlat(const QString& key, bool enabled)
{
    editStation([&](StationConfig& config) { config = NetworkEdits::withMlat(config, key, enabled); });
}

void AppState::setNetworkMlatPrivacy(const QString& key, bool hidden)
{
    editStation([&](StationConfig& config) { config = NetworkEdits::withMlatPrivacy(config, key, hidden); });
}

std::optional<bool> AppState::clockSynchronised() const
{
    return m_clockSync ? m_clockSync->synchronised() : std::nullopt;
}

void AppState::addCustomNetwork(const StationConfig::ExtraConnector& connector)
{
    editStation([&](StationConfig& config) { config = NetworkEdits::withAdded(config, connector); });
}

void AppState::removeNetwork(const QString& key)
{
    editStation([&](StationConfig& config) { config = NetworkEdits::without(config, key); });
}

void AppState::saveStationConfig()
{
    writeStationConfig();
}

void AppState::writeStationConfig()
{
    // A replaced link stays told of after later saves, which find a file of our own: the user may
    // look only later for why the other file no longer changes. A save that works ends a failure.
    std::optional<ConfigFileNote> note = m_configFileNote;
    if (const auto error = m_configStore->save())
        note = ConfigFileNote{ConfigFileNote::Kind::saveFailed, error->message};
    else if (const auto& target = m_configStore->replacedLinkTarget())
        note = ConfigFileNote{ConfigFileNote::Kind::linkReplaced, *target};
    else if (note && note->kind == ConfigFileNote::Kind::saveFailed)
        note.reset();
    if (note == m_configFileNote)
        return;
    m_configFileNote = note;
    scheduleAnnouncement();
}

void AppState::reloadStationConfig()
{
    m_configStore->reloadFromDisk();
}

QString AppState::stationConfigPath() const
{
    return m_configStore->filePath();
}

StatusPresentation::Inputs AppState::presentationInputs() const
{
    return StatusPresentation::Inputs{m_configError,
                                      m_supervisor->state(),
                                      m_supervisor->vireonConnectorUp(),
                                      m_stats->snapshot(),
                                      m_configStore->config().vireon.enabled,
                                      m_settings->feedingDesired(),
                                      m_time->now(),
                                      m_time->elapsed(),
                                      m_stats->updatedAtFirstRead(),
                                      m_stickUnplugged};
}

StatusIcon::State AppState::iconState() const
{
    return StatusPresentation::iconState(presentationInputs());
}

StatusPresentation::Shown AppState::presentation() const
{
    return StatusPresentation::shown(presentationInputs());
}

QString AppState::statusLine() const
{
    return StatusPresentation::statusLine(presentationInputs());
}

} // namespace vireon
