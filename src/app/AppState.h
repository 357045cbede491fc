#pragma once

#include "app/AppEnvironment.h"
#include "app/PositionCheck.h"
#include "app/StatusIcon.h"
#include "app/StatusPresentation.h"
#include "config/StationConfig.h"
#include "decoder/MlatCommand.h"
#include "network/FeederConfig.h"

#include <QObject>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

class QNetworkAccessManager;
class QSettings;

namespace vireon {

class AppSettings;
class AttentionNotifier;
class ClockSync;
class FeederConfigProvider;
class LoginItem;
class MlatSupervisor;
class ReadsbSupervisor;
class SleepAssertion;
class StationConfigStore;
class StatsReader;
class Timer;
class UsbMonitor;

// The one controller of the application: turns the user's wish to feed into a running decoder,
// stats polling, a held idle-sleep lock and a background activity, and back again. Every view
// observes it; it re-announces the changes of everything it owns, gathered into one announcement
// per turn of the event loop. It is also the one way in for every change a view makes: views read
// the stores through it and change them only through its commands, so it hears of every change.
class AppState : public QObject {
    Q_OBJECT
public:
    // settings and configStore may be null, in which case the state makes its own; given ones stay
    // owned by the caller and must outlive the state.
    explicit AppState(AppSettings* settings = nullptr, StationConfigStore* configStore = nullptr,
                      AppEnvironment environment = {}, QObject* parent = nullptr);
    ~AppState() override;

    const AppSettings& settings() const { return *m_settings; }
    const StationConfigStore& configStore() const { return *m_configStore; }
    const StationConfig& stationConfig() const;
    // Views read these; every action on them goes through the state.
    const ReadsbSupervisor& supervisor() const { return *m_supervisor; }
    // One mlat-client per network the station takes part in MLAT with, run while the decoder runs.
    const MlatSupervisor& mlat() const { return *m_mlat; }
    // The clients the feed's last launch planned; they run while the decoder runs.
    const QList<MlatCommand::Client>& mlatPlan() const { return m_mlatClients; }
    // Whether network time keeps the system clock in step; unknown when nobody could say.
    std::optional<bool> clockSynchronised() const;
    const StatsReader& stats() const { return *m_stats; }
    const FeederConfigProvider& configProvider() const { return *m_configProvider; }
    const SleepAssertion& sleepAssertion() const { return *m_sleepAssertion; }
    TimeSource& timeSource() const { return *m_time; }
    // The "Vireon paused" alert is open and the launch waits for it to be dismissed.
    bool isLaunchAwaitingAlert() const { return m_launchAwaitingAlert != 0; }

    // The primary network's published document: ingest endpoint, presets, links.
    const FeederConfig& remoteConfig() const { return m_config; }
    const std::optional<QString>& configError() const { return m_configError; }
    bool hasBackgroundActivity() const { return m_activity.has_value(); }
    bool isDeviceRecoveryPolling() const;
    const QString& usbRoot() const { return m_usbRoot; }

    bool isFeedingActive() const;
    // Feeding runs, or the stick went and the state waits to resume by itself when it is back: either
    // way the user's choice is "feeding", and stopping is what there is to offer.
    bool isFeedingOrAwaitingStick() const { return isFeedingActive() || isDeviceRecoveryPolling(); }
    void startFeeding();
    void launchSupervisor(const FeederConfig& remote);
    void stopFeeding();
    void applySettingsToRunningFeed();
    void shutdown();

    // The panel's "Retry": relaunches with the last command line, and only after a failure.
    void retry();

    // Records the user's choice and registers or removes the login item to match.
    void setLaunchAtLogin(bool enabled);
    // Read at the next decoder launch; nothing else happens now.
    void setPreventSleep(bool enabled);
    // Desktop notifications when feeding needs the user (on by default).
    void setNotifyWhenAttentionNeeded(bool enabled);
    // Reaching onboarding's last page completes it for good.
    void completeOnboarding();

    // Changes the station configuration and saves config.json at once. A failing write keeps the
    // new value in the form and says why the file was not written; the next save tries again.
    void editStation(const std::function<void(StationConfig&)>& edit);
    // The networks, found by their key (the connector's id, else the preset's).
    void setNetworkEnabled(const QString& key, bool enabled);
    void setNetworkUuid(const QString& key, const QString& text);
    // MLAT and its privacy flag; the key "vireon" is the primary network. Read at the next launch.
    void setNetworkMlat(const QString& key, bool enabled);
    void setNetworkMlatPrivacy(const QString& key, bool hidden);
    void addCustomNetwork(const StationConfig::ExtraConnector& connector);
    void removeNetwork(const QString& key);
    // Writes config.json as the configuration stands, so the file exists and holds what the form shows.
    void saveStationConfig();
    // Takes up hand edits of config.json (the start of feeding does so by itself).
    void reloadStationConfig();
    QString stationConfigPath() const;
    // What the last write of config.json has to say: why it failed, or that it replaced a link.
    struct ConfigFileNote {
        enum class Kind { saveFailed, linkReplaced };
        Kind kind;
        QString detail; // the system's reason, or where the link pointed
        bool operator==(const ConfigFileNote&) const = default;
    };
    const std::optional<ConfigFileNote>& configFileNote() const { return m_configFileNote; }

    StatusIcon::State iconState() const;
    QString statusLine() const;
    // The icon and the status line from one reading of the state.
    StatusPresentation::Shown presentation() const;
    StatusPresentation::Inputs presentationInputs() const;
    // What the aircraft heard say of the station's position, while feeding: absent while it looks
    // right or the evidence is too thin.
    std::optional<PositionCheck::Verdict> positionVerdict() const;

Q_SIGNALS:
    void changed();
    // A notification was clicked: the shell opens the panel.
    void panelRequested();
    // Only when the icon or the status line differ from what was last announced.
    void presentationChanged(vireon::StatusIcon::State iconState, const QString& statusLine);

private:
    void setConfig(const FeederConfig& config);
    void setConfigError(const std::optional<QString>& error);
    void reactToSupervisorState();
    void followDecoderWithMlat();
    void startDeviceRecoveryPolling();
    void stopDeviceRecoveryPolling();
    void deviceRecoveryTick();
    bool holdLaunchForPausedAlert(const StationConfig& station);
    void cancelLaunchAwaitingAlert();
    void refreshAfterLaunch();
    void endBackgroundActivity();
    void scheduleAnnouncement();
    void announce();
    void watchLiveDataExpiry(const StatusPresentation::Inputs& in);
    void usbDeviceChanged(bool added);
    void setStickUnplugged(bool unplugged);
    void positionsHeard(const QList<AircraftPosition>& positions);
    void writeStationConfig();

    AppEnvironment m_env;
    TimeSource* m_time;
    std::unique_ptr<QSettings> m_ownedDefaults;
    QSettings* m_defaults;
    std::unique_ptr<AppSettings> m_ownedSettings;
    AppSettings* m_settings;
    std::unique_ptr<StationConfigStore> m_ownedStore;
    StationConfigStore* m_configStore;
    std::unique_ptr<QNetworkAccessManager> m_network;
    std::unique_ptr<ReadsbSupervisor> m_supervisor;
    std::unique_ptr<MlatSupervisor> m_mlat;
    std::unique_ptr<ClockSync> m_clockSync;
    std::unique_ptr<StatsReader> m_stats;
    std::unique_ptr<FeederConfigProvider> m_configProvider;
    std::unique_ptr<SleepAssertion> m_sleepAssertion;
    std::unique_ptr<LoginItem> m_loginItem;
    std::unique_ptr<UsbMonitor> m_usbMonitor;
    std::unique_ptr<AttentionNotifier> m_attention;
    QString m_usbRoot;

    FeederConfig m_config;
    std::optional<FeederConfig::Ingest> m_launchedIngest;        // the endpoint the decoder last started with
    std::optional<std::pair<double, double>> m_launchedPosition; // and the station's latitude, longitude
    // The clients planned with the decoder's last launch, started each time it comes up running.
    QList<MlatCommand::Client> m_mlatClients;
    bool m_mlatFollowsRun = false;
    std::optional<QString> m_configError;
    std::optional<ConfigFileNote> m_configFileNote;
    std::optional<quint64> m_activity;
    std::unique_ptr<Timer> m_deviceRecoveryTimer;
    std::unique_ptr<Timer> m_liveDataExpiryTimer;
    quint64 m_launchAwaitingAlert = 0; // the generation of the launch the open alert holds, or 0
    quint64 m_launchGeneration = 0;
    bool m_announcementScheduled = false;
    bool m_stickUnplugged = false;
    PositionEvidence m_positionEvidence;
    std::optional<StatusPresentation::Shown> m_announcedPresentation;
};

} // namespace vireon
