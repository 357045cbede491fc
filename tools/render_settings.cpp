// Renders the settings form and the "Add a network" sheet to PNG files, in a light and a dark palette,
// so they can be looked at without a desktop:
//   render_settings <outdir>
// gives settings-window-{light,dark}.png (the window as it opens on this screen: run it with
// QT_QPA_PLATFORM=offscreen:configfile=<file> to choose the screen, see tools/screen-1280x800.json),
// settings-feeding-{light,dark}.png (the decoder running, with each network's live connection),
// settings-hearing-{light,dark}.png (what a loud, lossy stick hears, with the position swapped),
// settings-config-error-{light,dark}.png (the decoder refused, the primary network switched off, a bad
// feeder UUID), settings-mlat-{light,dark}.png (each network's MLAT: synchronised, refused,
// connecting, lacking a UUID, switched off), settings-mlat-needs-{light,dark}.png (a station without
// an altitude and with a coarse position) and sheet-problem-{light,dark}.png. The decoder and
// mlat-client are small shell scripts that speak in the real programs' words, so the health comes
// through the real supervisors.

#include "app/AppSettings.h"
#include "app/AppState.h"
#include "config/StationConfigStore.h"
#include "ui/WindowRouter.h"
#include "ui/networks/CustomConnectorSheet.h"
#include "ui/networks/HealthBadge.h"
#include "ui/networks/OtherNetworksSection.h"
#include "ui/settings/SettingsView.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QScreen>
#include <QSettings>
#include <QStyle>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTextStream>

using namespace vireon;

namespace {

const char* decoderScript = R"sh(#!/bin/sh
# Reports one refused and one silent connection; every other one comes up. With a folder "heard"
# beside it, its JSON files are what the decoder writes, stamped with the time of the launch.
json=
previous=
for argument in "$@"; do
    [ "$previous" = "--write-json" ] && json=$argument
    previous=$argument
    case "$argument" in
    *,*,beast*)
        host=${argument%%,*}
        rest=${argument#*,}
        port=${rest%%,*}
        case "$host" in
        feed.airplanes.live) echo "BeastReduce TCP output: Connection to $host:$port failed (3): 111 (Connection refused)" >&2 ;;
        club.example.org) ;;
        *) echo "BeastReduce TCP output: Connection established: $host port $port" >&2 ;;
        esac ;;
    esac
done
heard=$(dirname "$0")/heard
if [ -n "$json" ] && [ -d "$heard" ]; then
    mkdir -p "$json"
    now=$(date +%s)
    for file in aircraft.json stats.json; do
        sed "s/NOW/$now/g" "$heard/$file" > "$json/$file.tmp" && mv "$json/$file.tmp" "$json/$file"
    done
fi
exec sleep 600
)sh";

// Handshakes as mlat-client reports them: the adsb.lol key is accepted and synchronised, the
// airplanes.live key refused, every other one left handshaking.
const char* mlatClientScript = R"sh(#!/bin/sh
uuid=
stats=
server=
previous=
for argument in "$@"; do
    case "$previous" in
    --uuid) uuid=$argument ;;
    --stats-json) stats=$argument ;;
    --server) server=$argument ;;
    esac
    previous=$argument
done
echo "mlat-client 0.4.2 starting up" >&2
echo "Connected to multilateration server at $server, handshaking" >&2
case "$uuid" in
0123abcd-*)
    echo "Handshake complete: Compression zlib2, UDP transport disabled, Split sync disabled" >&2
    echo "{\"now\": $(date +%s), \"peer_count\": 14, \"good_sync_percentage_last_hour\": 92, \"bad_sync_percentage_last_hour\": 1, \"bad_sync_timeout\": 0, \"outlier_percent\": 1.2}" > "$stats" ;;
feedfeed-*)
    echo "Server explicitly rejected our connection, saying:" >&2
    echo "  Unknown UUID: register this feeder on the network's site first" >&2 ;;
esac
exec sleep 600
)sh";

// A dozen aircraft around Munich, heard by a stick that is too loud and loses samples.
const char* heardAircraft = R"json({"now": NOW, "aircraft": [
  {"hex": "3c6581", "type": "adsb_icao", "lat": 48.35, "lon": 11.78, "seen_pos": 0.8},
  {"hex": "3c4b2e", "type": "adsb_icao", "lat": 47.91, "lon": 11.42, "seen_pos": 1.1},
  {"hex": "4ca7b9", "type": "adsb_icao", "lat": 48.02, "lon": 11.21, "seen_pos": 2.4},
  {"hex": "440c2f", "type": "adsb_icao", "lat": 48.57, "lon": 12.03, "seen_pos": 0.3},
  {"hex": "3c70d2", "type": "adsb_icao", "lat": 48.11, "lon": 11.60, "seen_pos": 5.0},
  {"hex": "406b91", "type": "adsb_icao", "lat": 47.66, "lon": 10.95, "seen_pos": 0.6},
  {"hex": "3c66b3", "type": "adsb_icao", "lat": 48.24, "lon": 11.66, "seen_pos": 1.9},
  {"hex": "4b1803", "type": "adsb_icao", "lat": 47.98, "lon": 11.90, "seen_pos": 3.2},
  {"hex": "3c5ee7", "type": "adsb_icao", "lat": 48.42, "lon": 11.31, "seen_pos": 0.2},
  {"hex": "471f4a", "type": "adsb_icao", "lat": 48.09, "lon": 11.55, "seen_pos": 7.7},
  {"hex": "3c49d1", "type": "adsb_icao", "lat": 48.77, "lon": 11.12, "seen_pos": 1.4},
  {"hex": "4ca9f0", "type": "adsb_icao", "lat": 47.83, "lon": 12.20, "seen_pos": 0.9}
]})json";

const char* heardStats = R"json({"now": NOW, "gain_db": 49.6, "last1min": {"start": 0, "end": 60,
  "messages": 31000, "messages_valid": 30412, "max_distance": 187200,
  "local": {"signal": -2.4, "noise": -19.8, "peak_signal": -0.3, "strong_signals": 2791,
            "samples_dropped": 0, "samples_lost": 524288}}})json";

const char* feedingConfig = R"json({
  "station": {"name": "Rooftop", "lat": 52.520008, "lon": 13.404954, "gain": "38.6"},
  "vireon": {"enabled": true, "uuid": "0123abcd-0000-4000-8000-000000000001"},
  "extraConnectors": [
    {"id": "adsb-lol", "label": "adsb.lol", "enabled": true, "host": "feed.adsb.lol", "port": 30004,
     "protocol": "beast_reduce_plus_out", "uuid": "0123abcd-0000-4000-8000-000000000001"},
    {"id": "airplanes-live", "label": "airplanes.live", "enabled": true, "host": "feed.airplanes.live",
     "port": 30004, "protocol": "beast_reduce_plus_out"},
    {"id": "custom-club.example.org-30004", "label": "Radio club", "enabled": true, "host": "club.example.org",
     "port": 30004, "protocol": "beast_out", "uuid": "club-station-7"}
  ]
})json";

const char* mlatConfig = R"json({
  "station": {"name": "Rooftop", "lat": 52.520008, "lon": 13.404954, "alt": 48, "gain": "38.6"},
  "vireon": {"enabled": true, "uuid": "0123abcd-0000-4000-8000-000000000001"},
  "extraConnectors": [
    {"id": "adsb-lol", "label": "adsb.lol", "enabled": true, "host": "feed.adsb.lol", "port": 30004,
     "protocol": "beast_reduce_plus_out", "uuid": "0123abcd-0000-4000-8000-000000000001"},
    {"id": "airplanes-live", "label": "airplanes.live", "enabled": true, "host": "feed.airplanes.live",
     "port": 30004, "protocol": "beast_reduce_plus_out", "uuid": "feedfeed-1111-4000-8000-000000000002",
     "mlatPrivacy": true},
    {"id": "adsb-fi", "label": "adsb.fi", "enabled": true, "host": "feed.adsb.fi", "port": 30004,
     "protocol": "beast_reduce_plus_out"},
    {"id": "adsbexchange", "label": "ADSBExchange", "enabled": true, "host": "feed1.adsbexchange.com",
     "port": 30004, "protocol": "beast_reduce_plus_out", "uuid": "cafecafe-2222-4000-8000-000000000003",
     "mlat": false},
    {"id": "custom-club.example.org-30004", "label": "Radio club", "enabled": true, "host": "club.example.org",
     "port": 30004, "protocol": "beast_out", "uuid": "club-station-7",
     "mlatServer": {"host": "club.example.org", "port": 40900}}
  ]
})json";

const char* mlatNeedsConfig = R"json({
  "station": {"name": "Rooftop", "lat": 52.52, "lon": 13.4, "gain": "38.6"},
  "vireon": {"enabled": true, "uuid": "0123abcd-0000-4000-8000-000000000001"},
  "extraConnectors": [
    {"id": "adsb-lol", "label": "adsb.lol", "enabled": true, "host": "feed.adsb.lol", "port": 30004,
     "protocol": "beast_reduce_plus_out", "uuid": "0123abcd-0000-4000-8000-000000000001"}
  ]
})json";

const char* brokenConfig = R"json({
  "station": {"name": "Rooftop", "lat": 52.520008, "lon": 13.404954, "gain": "loud"},
  "vireon": {"enabled": false},
  "extraConnectors": [
    {"id": "adsb-fi", "label": "adsb.fi", "enabled": true, "host": "feed.adsb.fi", "port": 30004,
     "protocol": "beast_reduce_plus_out", "uuid": "not a key!"},
    {"id": "custom-old.example.net-30005", "label": "Old server", "enabled": false,
     "host": "old.example.net", "port": 30005, "protocol": "beast_out"}
  ]
})json";

QPalette darkPalette()
{
    QPalette p;
    p.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2d));
    p.setColor(QPalette::WindowText, QColor(0xe6, 0xe6, 0xe6));
    p.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x20));
    p.setColor(QPalette::AlternateBase, QColor(0x33, 0x33, 0x36));
    p.setColor(QPalette::Text, QColor(0xe6, 0xe6, 0xe6));
    p.setColor(QPalette::PlaceholderText, QColor(0x8a, 0x8a, 0x8e));
    p.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3d));
    p.setColor(QPalette::ButtonText, QColor(0xe6, 0xe6, 0xe6));
    p.setColor(QPalette::Highlight, QColor(0x2f, 0x6f, 0xd6));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, QColor(0x6c, 0xa8, 0xff));
    p.setColor(QPalette::ToolTipBase, QColor(0x3a, 0x3a, 0x3d));
    p.setColor(QPalette::ToolTipText, QColor(0xe6, 0xe6, 0xe6));
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, QColor(0x7a, 0x7a, 0x7e));
    return p;
}

struct Palettes {
    QString name;
    QPalette palette;
};

void settle(int milliseconds = 50)
{
    QDeadlineTimer until(milliseconds);
    while (!until.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

// One installation: its own config.json, user defaults and decoder, in a folder of its own.
class Station {
public:
    Station(const QTemporaryDir& dir, const QString& name, const char* config, bool hears = false)
        : m_root(dir.filePath(name)), m_defaults(m_root + "/defaults.ini", QSettings::IniFormat),
          m_settings(m_defaults)
    {
        QDir().mkpath(m_root + "/VireonFeeder");
        if (hears) {
            QDir().mkpath(m_root + "/heard");
            write(m_root + "/heard/aircraft.json", heardAircraft);
            write(m_root + "/heard/stats.json", heardStats);
        }
        write(m_root + "/VireonFeeder/config.json", config);
        write(m_root + "/readsb", decoderScript);
        write(m_root + "/mlat-client", mlatClientScript);
        for (const char* program : {"/readsb", "/mlat-client"})
            QFile::setPermissions(m_root + program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_store = std::make_unique<StationConfigStore>(m_root + "/VireonFeeder/config.json");
        AppEnvironment env;
        env.defaults = &m_defaults;
        env.decoderLocator = [decoder = m_root + "/readsb"] { return std::optional<QString>(decoder); };
        env.mlatClientLocator = [client = m_root + "/mlat-client"] { return std::optional<QString>(client); };
        // Nothing listens there: the built-in document stays, and nothing leaves the machine.
        env.remoteUrl = QUrl("http://127.0.0.1:1/feeder-config.json");
        env.remoteTimeout = std::chrono::milliseconds(500);
        state = std::make_unique<AppState>(&m_settings, m_store.get(), env);
    }
    ~Station()
    {
        state->shutdown();
        state.reset();
    }

    std::unique_ptr<AppState> state;

private:
    static void write(const QString& path, const char* text)
    {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(text);
    }

    QString m_root;
    QSettings m_defaults;
    AppSettings m_settings;
    std::unique_ptr<StationConfigStore> m_store;
};

bool renderEachPalette(QWidget& widget, const QList<Palettes>& palettes, const QDir& out, const QString& stem)
{
    bool ok = true;
    for (const Palettes& p : palettes) {
        QApplication::setPalette(p.palette);
        settle();
        // Not adjustSize(): that keeps a window within two thirds of the screen, and the whole form is
        // wanted.
        widget.resize(widget.sizeHint());
        settle();
        ok &= widget.grab().save(out.filePath(stem + "-" + p.name + ".png"));
    }
    return ok;
}

} // namespace

int main(int argc, char* argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    QTextStream err(stderr);
    if (argc != 2) {
        err << "usage: render_settings <outdir>\n";
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QTemporaryDir dir;
    if (!QDir().mkpath(out.path()) || !dir.isValid()) {
        err << "cannot create " << out.path() << " or a temporary folder\n";
        return 1;
    }
    const QList<Palettes> palettes{{"light", QApplication::style()->standardPalette()},
                                   {"dark", darkPalette()}};
    bool ok = true;

    {
        // The window as the application opens it: its width and height are the router's, not ours.
        Station feeding(dir, "window", feedingConfig);
        feeding.state->startFeeding();
        WindowRouter router([](QWidget* window) { return new QWidget(window); },
                            [&feeding](QWidget* window) { return new SettingsView(*feeding.state, window); });
        router.showSettings();
        QWidget* window = router.settingsWindow();
        for (const Palettes& p : palettes) {
            QApplication::setPalette(p.palette);
            settle(300);
            ok &= window->grab().save(out.filePath("settings-window-" + p.name + ".png"));
        }
        QTextStream(stdout) << "settings window " << window->width() << " x " << window->height()
                            << " on a screen of " << window->screen()->availableGeometry().width() << " x "
                            << window->screen()->availableGeometry().height() << "\n";
    }
    {
        Station feeding(dir, "feeding", feedingConfig);
        feeding.state->startFeeding();
        SettingsView view(*feeding.state);
        view.show();
        QDeadlineTimer bound(10'000);
        while (!bound.hasExpired() && view.findChild<HealthBadge*>("vireonHealth")->text() != "Connected")
            settle(20);
        settle(300);
        ok &= renderEachPalette(view, palettes, out, "settings-feeding");
    }
    {
        // The figures a person changing the gain sees, and a position with latitude and longitude
        // swapped.
        QByteArray swapped(feedingConfig);
        swapped.replace("\"lat\": 52.520008, \"lon\": 13.404954", "\"lat\": 11.6, \"lon\": 48.1");
        Station hearing(dir, "hearing", swapped.constData(), true);
        hearing.state->startFeeding();
        SettingsView view(*hearing.state);
        view.show();
        QDeadlineTimer bound(15'000);
        while (!bound.hasExpired() && view.findChild<QWidget*>("positionWarning")->isHidden())
            settle(20);
        settle(300);
        ok &= renderEachPalette(view, palettes, out, "settings-hearing");
    }
    {
        Station mlat(dir, "mlat", mlatConfig);
        mlat.state->startFeeding();
        SettingsView view(*mlat.state);
        view.show();
        // The stats file is read every 5 seconds.
        QDeadlineTimer bound(15'000);
        const auto synchronised = [&view] {
            for (const HealthBadge* badge : view.findChildren<HealthBadge*>("mlatLine")) {
                if (badge->text().startsWith("MLAT: synchronised"))
                    return true;
            }
            return false;
        };
        while (!bound.hasExpired() && !synchronised())
            settle(20);
        settle(300);
        ok &= renderEachPalette(view, palettes, out, "settings-mlat");
    }
    {
        Station needs(dir, "mlat-needs", mlatNeedsConfig);
        SettingsView view(*needs.state);
        view.show();
        settle(300);
        ok &= renderEachPalette(view, palettes, out, "settings-mlat-needs");
    }
    {
        Station broken(dir, "broken", brokenConfig);
        broken.state->startFeeding(); // refused: the gain is no number
        SettingsView view(*broken.state);
        view.show();
        ok &= renderEachPalette(view, palettes, out, "settings-config-error");

        view.networksSection()->showCustomSheet();
        CustomConnectorSheet* sheet = view.networksSection()->customSheet();
        sheet->findChild<QLineEdit*>("name")->setText("My club");
        sheet->findChild<QLineEdit*>("host")->setText("club_server.example.org");
        ok &= renderEachPalette(*sheet, palettes, out, "sheet-problem");
    }
    if (!ok) {
        err << "could not write every image to " << out.path() << "\n";
        return 1;
    }
    QTextStream(stdout) << "wrote the settings renders to " << out.absolutePath() << "\n";
    return 0;
}
