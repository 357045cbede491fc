#pragma once

#include "app/AppEnvironment.h"
#include "support/CountingInhibitor.h"
#include "support/FakeUsbMonitor.h"
#include "support/FakeUsbTree.h"
#include "support/IngestListener.h"
#include "support/LoopbackHttpServer.h"
#include "support/ManualTimeSource.h"
#include "support/RecordingAlertPresenter.h"

#include <QJsonObject>
#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>
#include <memory>
#include <optional>

namespace vireon {
class AppSettings;
class AppState;
class StationConfigStore;
} // namespace vireon

namespace vireon::test {

// The named descendant; a control renamed or gone ends the run, since every check after it is moot.
template <typename T = QObject>
T* child(const QObject* parent, const QString& name)
{
    T* found = parent->findChild<T*>(name);
    if (!found)
        qFatal("no control named %s", qPrintable(name));
    return found;
}

// A whole station on this machine for application-level tests: config.json and user defaults in a
// temporary folder, the stand-in decoder, a USB tree with one stick, an ingest listener and an HTTP
// server that publishes the feeder document pointing the primary network at that listener. Time is
// the manual clock, set a little behind the wall clock so the stand-in's fresh files read as fresh.
class StationHarness {
public:
    static constexpr const char* stationKey = "0123abcd-0000-4000-8000-000000000001";
    static constexpr const char* stickEntry = "1-1";

    StationHarness();
    ~StationHarness();

    // config.json as a user would have written it; the station key and a valid position by default.
    void writeConfig(const QJsonObject& config);
    static QJsonObject defaultConfig();
    static QJsonObject defaultConfigWith(const QString& section, const QJsonValue& content);
    // One section of config.json as it is on disk now.
    QJsonObject savedSection(const QString& section) const { return savedConfig().value(section).toObject(); }
    QJsonObject savedConfig() const;
    // The document the HTTP server publishes from now on; with an MLAT server for the primary network
    // on 127.0.0.1 at `mlatPort` when one is given.
    void publishIngestPort(quint16 port, const QString& presetLabel = QStringLiteral("adsb.lol"),
                           std::optional<quint16> mlatPort = std::nullopt);
    // The stand-in decoder's steps for every launch from now on (empty: a healthy decoder).
    void setScenario(const QStringList& steps);

    void unplugStick();
    void plugStick();

    AppEnvironment environment();
    // A fresh settings object, store and state over the same files (a new launch of the application),
    // by default once its start-up refresh has brought the published document.
    AppState& launchApplication(bool waitForDocument = true);
    void quitApplication();
    void awaitStartupDocument(int requestsBefore);

    // The stand-in mlat-client's steps for every client launched from now on.
    void setMlatScenario(const QStringList& steps);
    // Arguments of the most recent mlat-client launch for this station key.
    QStringList lastMlatArguments(const QString& uuid) const;

    // Arguments of the most recent decoder launch, and how many launches there were.
    QStringList lastDecoderArguments() const;
    int decoderLaunches() const;
    QString path(const QString& relative) const { return dir.filePath(relative); }

    QTemporaryDir dir;
    // The decoder program launches run (the stand-in by default).
    QString decoder = QStringLiteral(VIREON_FAKE_READSB);
    ManualTimeSource clock;
    LoopbackHttpServer http;
    IngestListener ingest;
    FakeUsbTree usb;
    RecordingAlertPresenter alerts;
    // The system's USB events as the state of the latest launch hears them.
    QPointer<FakeUsbMonitor> usbEvents;
    std::shared_ptr<CountingInhibitor::Counters> locks = std::make_shared<CountingInhibitor::Counters>();
    int activitiesBegun = 0;
    int activitiesEnded = 0;
    bool countingInhibitor = true;

    std::unique_ptr<QSettings> defaults;
    std::unique_ptr<AppSettings> settings;
    std::unique_ptr<StationConfigStore> store;
    std::unique_ptr<AppState> state;
};

} // namespace vireon::test
