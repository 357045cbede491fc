#include "support/StationHarness.h"

#include "app/AppSettings.h"
#include "app/AppState.h"
#include "config/StationConfigStore.h"
#include "decoder/ReadsbSupervisor.h"
#include "platform/ClockSync.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTest>

namespace vireon::test {

StationHarness::StationHarness() : clock(QDateTime::currentDateTimeUtc().addSecs(-30))
{
    qputenv("XDG_CONFIG_HOME", path(QStringLiteral("xdg")).toUtf8());
    QDir().mkpath(path(QStringLiteral("xdg/VireonFeeder")));
    ingest.listen();
    http.listen();
    publishIngestPort(ingest.port());
    plugStick();
    setScenario({});
    qputenv("FAKE_READSB_STICK", (usb.root() + QLatin1Char('/') + QLatin1String(stickEntry)).toUtf8());
    qputenv("FAKE_READSB_ARGS_FILE", path(QStringLiteral("decoder-args")).toUtf8());
    qputenv("FAKE_READSB_RETRY_MS", "100");
    qputenv("FAKE_MLAT_ARGS_DIR", path(QStringLiteral(".")).toUtf8());
    setMlatScenario({QStringLiteral("connect"), QStringLiteral("run")});
    writeConfig(defaultConfig());
}

StationHarness::~StationHarness()
{
    quitApplication();
    for (const char* name : {"FAKE_READSB_STICK", "FAKE_READSB_ARGS_FILE", "FAKE_READSB_SCENARIO",
                             "FAKE_READSB_RETRY_MS", "FAKE_MLAT_ARGS_DIR", "FAKE_MLAT_SCENARIO"})
        qunsetenv(name);
}

QJsonObject StationHarness::defaultConfig()
{
    return QJsonDocument::fromJson(R"({"station": {"name": "Rooftop", "lat": 52.520008, "lon": 13.404954,
        "gain": "auto"}, "vireon": {"enabled": true, "uuid": ")" +
                                   QByteArray(stationKey) + R"("}, "extraConnectors": []})")
        .object();
}

QJsonObject StationHarness::defaultConfigWith(const QString& section, const QJsonValue& content)
{
    QJsonObject config = defaultConfig();
    config.insert(section, content);
    return config;
}

QJsonObject StationHarness::savedConfig() const
{
    QFile file(path(QStringLiteral("xdg/VireonFeeder/config.json")));
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object() : QJsonObject();
}

void StationHarness::writeConfig(const QJsonObject& config)
{
    QFile file(path(QStringLiteral("xdg/VireonFeeder/config.json")));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QJsonDocument(config).toJson());
}

void StationHarness::publishIngestPort(quint16 port, const QString& presetLabel,
                                       std::optional<quint16> mlatPort)
{
    const QString mlat = mlatPort
                             ? QStringLiteral(R"(, "mlat": {"host": "127.0.0.1", "port": %1})").arg(*mlatPort)
                             : QString();
    http.respond(200, QStringLiteral(R"({"ingest": {"host": "127.0.0.1", "port": %1,
        "protocol": "beast_reduce_plus_out"%3}, "presets": [{"id": "adsb-lol", "label": "%2",
        "host": "feed.adsb.lol", "port": 30004, "protocol": "beast_reduce_plus_out"}]})")
                          .arg(port)
                          .arg(presetLabel, mlat)
                          .toUtf8());
}

void StationHarness::setMlatScenario(const QStringList& steps)
{
    QFile out(path(QStringLiteral("mlat-scenario")));
    QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(steps.join(QLatin1Char('\n')).toUtf8());
    qputenv("FAKE_MLAT_SCENARIO", out.fileName().toUtf8());
}

QStringList StationHarness::lastMlatArguments(const QString& uuid) const
{
    QFile file(path(uuid + QStringLiteral(".args")));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)
                                          : QStringList();
}

void StationHarness::setScenario(const QStringList& steps)
{
    QFile out(path(QStringLiteral("scenario")));
    QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(steps.join(QLatin1Char('\n')).toUtf8());
    if (steps.isEmpty())
        qunsetenv("FAKE_READSB_SCENARIO");
    else
        qputenv("FAKE_READSB_SCENARIO", out.fileName().toUtf8());
}

void StationHarness::unplugStick()
{
    QVERIFY(usb.removeDevice(QLatin1String(stickEntry)));
}

void StationHarness::plugStick()
{
    QVERIFY(usb.addDevice(QLatin1String(stickEntry), 0x0bda, 0x2838));
}

AppEnvironment StationHarness::environment()
{
    AppEnvironment env;
    env.time = &clock;
    env.defaults = defaults.get();
    env.alerts = &alerts;
    if (countingInhibitor) {
        env.makeInhibitor = [counters = locks]() -> std::unique_ptr<IdleInhibitor> {
            return std::make_unique<CountingInhibitor>(counters);
        };
    } else {
        // The desktop's own inhibitor, with a time-out short enough for a test to see it pass.
        env.makeInhibitor = [] { return IdleInhibitor::desktop(std::chrono::milliseconds(300)); };
    }
    env.decoderLocator = [this] { return std::optional<QString>(decoder); };
    env.mlatClientLocator = [] { return std::optional<QString>(QStringLiteral(VIREON_FAKE_MLAT_CLIENT)); };
    // The machine's own clock state would make the settings' MLAT notes differ from one host to another.
    env.makeClockSync = [] { return std::unique_ptr<ClockSync>(); };
    env.usbRoot = usb.root();
    env.makeUsbMonitor = [this]() -> std::unique_ptr<UsbMonitor> {
        auto monitor = std::make_unique<FakeUsbMonitor>();
        usbEvents = monitor.get();
        return monitor;
    };
    env.remoteUrl = http.url(QStringLiteral("/feeder-config.json"));
    env.remoteTimeout = std::chrono::milliseconds(2000);
    env.beginActivity = [this](const QString&) { return quint64(++activitiesBegun); };
    env.endActivity = [this](quint64) { ++activitiesEnded; };
    return env;
}

AppState& StationHarness::launchApplication(bool waitForDocument)
{
    quitApplication();
    const int requests = http.requestCount();
    defaults = std::make_unique<QSettings>(path(QStringLiteral("defaults.ini")), QSettings::IniFormat);
    settings = std::make_unique<AppSettings>(*defaults);
    store = std::make_unique<StationConfigStore>();
    state = std::make_unique<AppState>(settings.get(), store.get(), environment());
    if (waitForDocument)
        awaitStartupDocument(requests);
    return *state;
}

void StationHarness::awaitStartupDocument(int requestsBefore)
{
    QTRY_VERIFY_WITH_TIMEOUT(http.requestCount() > requestsBefore, 20'000);
    QTRY_COMPARE_WITH_TIMEOUT(state->remoteConfig().ingest.host, QStringLiteral("127.0.0.1"), 20'000);
}

void StationHarness::quitApplication()
{
    if (state)
        state->shutdown();
    state.reset();
    store.reset();
    settings.reset();
    defaults.reset();
}

QStringList StationHarness::lastDecoderArguments() const
{
    QFile file(path(QStringLiteral("decoder-args")));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)
                                          : QStringList();
}

int StationHarness::decoderLaunches() const
{
    return state ? int(state->supervisor()
                           .logBuffer()
                           .lines()
                           .filter(QStringLiteral("supervisor: launched readsb"))
                           .size())
                 : 0;
}

} // namespace vireon::test
