// Renders the onboarding pages to PNG files so they can be looked at outside a desktop session:
//   render_onboarding <outdir>
// gives, in a light and a dark palette (suffix -light / -dark):
//   1-device-no-stick, 2-device-one-stick, 3-location-error, 4-done-stopped, 5-done-feeding
// and icons-x4.png with the pages' symbols magnified four times on both palettes' window colour.
// Everything runs on a throw-away station in a temporary folder: an empty then one-stick USB tree, a
// location service that refuses, and a stand-in decoder that reports its connection so the done page
// shows a feed.

#include "app/AppSettings.h"
#include "app/AppState.h"
#include "config/StationConfigStore.h"
#include "location/LocationProvider.h"
#include "platform/TimeSource.h"
#include "ui/common/StateColors.h"
#include "ui/common/StatusDot.h"
#include "ui/onboarding/OnboardingIcons.h"
#include "ui/onboarding/OnboardingView.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSettings>
#include <QStyle>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

using namespace vireon;

namespace {

// The done page's status dot, as the page draws it.
QPixmap feedingDot()
{
    StatusDot dot(10);
    dot.setColor(stateColor(StatusIcon::State::feeding));
    QPixmap pixmap(dot.size());
    pixmap.fill(Qt::transparent);
    dot.render(&pixmap, QPoint(), QRegion(), QWidget::DrawChildren);
    return pixmap;
}

// A location service whose user always says no.
class RefusingLocationService final : public LocationService {
public:
    void setDesiredAccuracy(double) override {}
    Authorization authorization() const override { return m_status; }
    void requestWhenInUseAuthorization() override {}
    void requestLocation() override
    {
        QTimer::singleShot(0, this, [this] {
            m_status = Authorization::denied;
            Q_EMIT authorizationChanged();
        });
    }

private:
    Authorization m_status = Authorization::authorized;
};

QPalette darkPalette()
{
    QPalette p;
    const QColor window(0x2b, 0x2b, 0x2e);
    const QColor base(0x3a, 0x3a, 0x3e); // fields lighter than the window, as dark desktops draw them
    const QColor text(0xe8, 0xe8, 0xea);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3e));
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::Highlight, QColor(0x3d, 0x8b, 0xf0));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, QColor(0x6c, 0xaa, 0xff));
    p.setColor(QPalette::Light, QColor(0x4a, 0x4a, 0x4e));
    p.setColor(QPalette::Midlight, QColor(0x40, 0x40, 0x44));
    p.setColor(QPalette::Mid, QColor(0x4c, 0x4c, 0x50));
    p.setColor(QPalette::Dark, QColor(0x18, 0x18, 0x1a));
    p.setColor(QPalette::Shadow, Qt::black);
    QColor placeholder = text;
    placeholder.setAlpha(140);
    p.setColor(QPalette::PlaceholderText, placeholder);
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, QColor(0x78, 0x78, 0x7c));
    return p;
}

void settle(int ms = 50)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

bool writeFile(const QString& path, const QByteArray& content, bool executable = false)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size())
        return false;
    file.close();
    return !executable || file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

// One station from nothing to a feed, each page grabbed on the way.
bool renderStation(const QDir& out, const QString& suffix)
{
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("xdg")).toUtf8());
    const QString usb = dir.filePath(QStringLiteral("usb"));
    QDir().mkpath(usb);
    const QString jsonDir = dir.filePath(QStringLiteral("xdg/VireonFeeder/readsb-json"));
    const QString decoder = dir.filePath(QStringLiteral("readsb"));
    bool ok =
        writeFile(dir.filePath(QStringLiteral("xdg/VireonFeeder/config.json")),
                  R"({"station":{"name":"","lat":0,"lon":0,"gain":"auto"},"vireon":{"enabled":true}})") &&
        writeFile(decoder,
                  "#!/bin/sh\necho 'BeastReduce TCP output: Connection established: feed.vireon.network "
                  "port 30004' >&2\nexec sleep 600\n",
                  true);

    QSettings defaults(dir.filePath(QStringLiteral("defaults.ini")), QSettings::IniFormat);
    AppSettings settings(defaults);
    StationConfigStore store;
    AppEnvironment env;
    env.defaults = &defaults;
    env.usbRoot = usb;
    env.decoderLocator = [decoder] { return std::optional<QString>(decoder); };
    env.remoteUrl = QUrl(QStringLiteral("http://127.0.0.1:9/feeder-config.json")); // nothing answers there
    AppState state(&settings, &store, env);
    LocationProvider location(std::make_unique<RefusingLocationService>(), TimeSource::system());

    OnboardingView view(state, location);
    view.resize(view.sizeHint());
    const auto shoot = [&](const QString& name) {
        settle();
        return view.grab().save(out.filePath(name + suffix + QStringLiteral(".png")));
    };
    const auto press = [&](const char* name) { view.findChild<QPushButton*>(QLatin1String(name))->click(); };

    view.show();
    ok &= shoot(QStringLiteral("1-device-no-stick"));

    ok &= writeFile(usb + QStringLiteral("/1-1/idVendor"), "0bda\n") &&
          writeFile(usb + QStringLiteral("/1-1/idProduct"), "2838\n") &&
          writeFile(usb + QStringLiteral("/1-1/product"), "RTL2838UHIDIR\n");
    press("rescanButton");
    ok &= shoot(QStringLiteral("2-device-one-stick"));

    press("continueButton");
    view.findChild<QLineEdit*>(QStringLiteral("latitudeField"))->setText(QStringLiteral("48,1173"));
    view.findChild<QLineEdit*>(QStringLiteral("longitudeField"))->setText(QStringLiteral("11.516667"));
    press("useMyLocationButton");
    ok &= shoot(QStringLiteral("3-location-error"));

    press("continueButton");
    ok &= shoot(QStringLiteral("4-done-stopped"));

    // Fresh figures for the stats reader's first look, so the feed reads as flowing.
    const QString now = QString::number(QDateTime::currentMSecsSinceEpoch() / 1000.0, 'f', 1);
    ok &= writeFile(jsonDir + QStringLiteral("/aircraft.json"),
                    QStringLiteral("{\"now\":%1,\"messages\":1200,\"aircraft\":[{\"hex\":\"400001\"},"
                                   "{\"hex\":\"400002\"},{\"hex\":\"400003\"}]}")
                        .arg(now)
                        .toUtf8()) &&
          writeFile(jsonDir + QStringLiteral("/stats.json"),
                    QStringLiteral("{\"now\":%1,\"aircraft_with_pos\":3,\"aircraft_without_pos\":0,"
                                   "\"last1min\":{\"start\":%2,\"end\":%1,\"messages_valid\":1200,"
                                   "\"messages\":1200}}")
                        .arg(now, QString::number(now.toDouble() - 60, 'f', 1))
                        .toUtf8());
    press("startFeedingButton");
    QElapsedTimer waited;
    waited.start();
    while (state.iconState() != StatusIcon::State::feeding && waited.elapsed() < 5000)
        settle(20);
    ok &= shoot(QStringLiteral("5-done-feeding"));
    if (state.iconState() != StatusIcon::State::feeding)
        QTextStream(stderr) << "the stand-in feed did not turn green: " << state.statusLine() << "\n";

    state.shutdown();
    qunsetenv("XDG_CONFIG_HOME");
    return ok;
}

// Each symbol at its size on the page, four times over, pixel for pixel.
QImage iconSheet(const QList<QPalette>& palettes)
{
    constexpr int zoom = 4;
    constexpr int cell = 28 * zoom + 16;
    QImage sheet(6 * cell, int(palettes.size()) * cell, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&sheet);
    int y = 0;
    for (const QPalette& palette : palettes) {
        painter.fillRect(0, y, sheet.width(), cell, palette.color(QPalette::Window));
        const QColor text = palette.color(QPalette::ButtonText);
        const QList<QPixmap> icons{OnboardingIcons::antenna(palette.color(QPalette::Highlight), 28, 1),
                                   OnboardingIcons::warningTriangle(20, 1),
                                   OnboardingIcons::checkMark(20, 1),
                                   OnboardingIcons::locationArrow(text, 14, 1),
                                   OnboardingIcons::spinner(text, 14, 1, 0),
                                   feedingDot()};
        int x = 0;
        for (const QPixmap& icon : icons) {
            const QImage big =
                icon.toImage().scaled(icon.size() * zoom, Qt::IgnoreAspectRatio, Qt::FastTransformation);
            painter.drawImage(QPoint(x + (cell - big.width()) / 2, y + (cell - big.height()) / 2), big);
            x += cell;
        }
        y += cell;
    }
    return sheet;
}

} // namespace

int main(int argc, char* argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QTextStream err(stderr);
    if (argc != 2) {
        err << "usage: render_onboarding <outdir>\n";
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.path())) {
        err << "cannot create " << out.path() << "\n";
        return 1;
    }

    const QPalette light = QApplication::style()->standardPalette();
    bool ok = true;
    for (const auto& [palette, suffix] :
         {std::pair{light, QStringLiteral("-light")}, std::pair{darkPalette(), QStringLiteral("-dark")}}) {
        QApplication::setPalette(palette);
        ok &= renderStation(out, suffix);
    }
    ok &= iconSheet({light, darkPalette()}).save(out.filePath(QStringLiteral("icons-x4.png")));
    if (!ok) {
        err << "could not render every page to " << out.path() << "\n";
        return 1;
    }
    QTextStream(stdout) << "wrote the onboarding pages to " << out.absolutePath() << "\n";
    return 0;
}
