// Renders the tray panel from the real widgets, as the README shows it:
//   render_panel <outdir>
// gives panel-feeding-<palette>.png, panel-no-stick-<palette>.png (the stick pulled while feeding:
// the feed waits for it), panel-no-tray-<palette>.png (the panel as the window it is on a desktop
// without a tray), panel-strong-signals-, panel-losing-samples- and panel-position-<palette>.png (each
// hint the figures can call for, and a position far from the aircraft heard) for a light and a dark
// palette.
// The station's figures are made up; the lines, rows and buttons are the application's own.

#include "app/AppState.h"
#include "app/StatusPresentation.h"
#include "presentation/panel/PanelModel.h"
#include "ui/panel/MenuContentView.h"
#include "ui/panel/PanelActions.h"

#include <QApplication>
#include <QDir>
#include <QPalette>
#include <QSettings>
#include <QStyle>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTextStream>
#include <cmath>

using namespace vireon;

namespace {

QPalette darkPalette()
{
    QPalette palette;
    const QColor window(0x2b, 0x2d, 0x30);
    const QColor text(0xe6, 0xe6, 0xe6);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, QColor(0x1e, 0x1f, 0x22));
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, window);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::Midlight, QColor(0x3c, 0x3f, 0x43));
    palette.setColor(QPalette::Mid, QColor(0x45, 0x48, 0x4c));
    palette.setColor(QPalette::Dark, QColor(0x18, 0x19, 0x1b));
    palette.setColor(QPalette::Light, QColor(0x55, 0x58, 0x5c));
    palette.setColor(QPalette::Highlight, QColor(0x35, 0x84, 0xe4));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    return palette;
}

// What a station on a roof hears over an hour: a daily swell with the noise of a real sky.
struct Hearing {
    ReceiverFigures receiver;
    QList<double> rateHistory;
    std::optional<PositionCheck::Verdict> position;
};

Hearing roofStation()
{
    Hearing hearing;
    hearing.receiver.signalDbfs = -14.2;
    hearing.receiver.noiseDbfs = -32.5;
    hearing.receiver.maxDistanceMetres = 214'300;
    hearing.receiver.messagesValid = 51'840;
    hearing.receiver.strongSignals = 310;
    hearing.receiver.samplesLost = 0;
    // Traffic rising towards the last reading's 86 msg/s, with a sky's minute-to-minute wobble.
    quint32 noise = 12345;
    for (int i = 0; i < 540; ++i) {
        noise = noise * 1103515245u + 12345u;
        const double wobble = double((noise >> 16) % 1000) / 1000.0 - 0.5;
        hearing.rateHistory.append(52 + 34 * (i / 539.0) + 9 * std::sin(i / 45.0) + 10 * wobble);
    }
    return hearing;
}

PanelModel contentFor(const StatusPresentation::Inputs& in, bool feedingActive, const AppState& state,
                      bool awaitingStick = false, const Hearing& hearing = {})
{
    FeederConfig::Links links = state.remoteConfig().links.value_or(FeederConfig::Links{});
    // The pictures show both links, as a station with a published feeder page sees them.
    if (!links.liveMap)
        links.liveMap = QUrl(QStringLiteral("https://map.vireon.network/"));
    if (!links.feederPage)
        links.feederPage = QUrl(QStringLiteral("https://vireon.network/feeder/"));
    return PanelModel::make({StatusPresentation::iconState(in), StatusPresentation::statusLine(in),
                             in.supervisorState, feedingActive, links, std::nullopt, awaitingStick,
                             hearing.receiver, hearing.rateHistory, hearing.position});
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    const QString outDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(outDir);

    // A state of its own, far from the user's settings and the network.
    QTemporaryDir scratch;
    qputenv("XDG_CONFIG_HOME", scratch.filePath(QStringLiteral("xdg")).toUtf8());
    QSettings defaults(scratch.filePath(QStringLiteral("defaults.ini")), QSettings::IniFormat);
    AppEnvironment environment;
    environment.defaults = &defaults;
    environment.remoteUrl = QUrl(QStringLiteral("http://127.0.0.1:9/feeder-config.json"));
    AppState state(nullptr, nullptr, environment);
    PanelActions actions(state, ShellServices{[] {}, [] {}, [] {}, [](const QUrl&) { return true; }});

    const QDateTime now = QDateTime::currentDateTimeUtc();
    StatusPresentation::Inputs feeding;
    feeding.supervisorState = supervisor_state::Running{now.addSecs(-3600)};
    feeding.vireonConnectorUp = true;
    feeding.snapshot = {14, 86.4, now, {}};
    feeding.feedingDesired = true;
    feeding.now = now;
    StatusPresentation::Inputs noStick;
    noStick.supervisorState = supervisor_state::Failed{SupervisorFailure::noDevice};
    noStick.feedingDesired = true;
    noStick.now = now;

    const Hearing roof = roofStation();
    Hearing loud = roof;
    loud.receiver.signalDbfs = -2.1;
    loud.receiver.strongSignals = 6'900;
    Hearing lossy = roof;
    lossy.receiver.samplesLost = 262'144;
    Hearing misplaced = roof;
    misplaced.position = PositionCheck::Verdict{48.1, 11.6, PositionCheck::Verdict::Slip::swapped};

    const QList<QPair<QString, PanelModel>> pictures{
        {QStringLiteral("feeding"), contentFor(feeding, true, state, false, roof)},
        {QStringLiteral("no-stick"), contentFor(noStick, false, state, true)},
        {QStringLiteral("no-tray"), contentFor(feeding, true, state, false, roof)},
        {QStringLiteral("strong-signals"), contentFor(feeding, true, state, false, loud)},
        {QStringLiteral("losing-samples"), contentFor(feeding, true, state, false, lossy)},
        {QStringLiteral("position"), contentFor(feeding, true, state, false, misplaced)}};
    const QList<QPair<QString, QPalette>> palettes{
        {QStringLiteral("light"), QApplication::style()->standardPalette()},
        {QStringLiteral("dark"), darkPalette()}};
    for (const auto& [paletteName, palette] : palettes) {
        QApplication::setPalette(palette);
        for (const auto& [name, content] : pictures) {
            MenuContentView view(state, actions);
            view.setShowsNoTrayNote(name == QStringLiteral("no-tray"));
            view.setAttribute(Qt::WA_DontShowOnScreen);
            view.show();
            view.display(content);
            QCoreApplication::sendPostedEvents();
            view.adjustSize();
            const QString file =
                QDir(outDir).filePath(QStringLiteral("panel-%1-%2.png").arg(name, paletteName));
            if (!view.grab().save(file)) {
                QTextStream(stderr) << "cannot write " << file << '\n';
                return 1;
            }
            QTextStream(stdout) << file << '\n';
        }
    }
    return 0;
}
