#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/HeadlessService.h"
#include "cli/InstanceAnswers.h"
#include "location/LocationProvider.h"
#include "platform/QtLocationService.h"
#include "platform/QuitSignals.h"
#include "platform/SingleInstance.h"
#include "platform/TimeSource.h"
#include "ui/MessageBoxAlertPresenter.h"
#include "ui/VireonFeederApp.h"
#include "ui/onboarding/OnboardingView.h"
#include "ui/settings/SettingsView.h"

#include <QApplication>
#include <cstdio>
#include <memory>

using namespace vireon;

namespace {

int runTray(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // Qt has taken its own options (-platform, -style, ...) out of the arguments by now.
    if (const CommandLine command = CommandLine::parse(QApplication::arguments()); !command.error.isEmpty())
        return Commands::run(command);
    QApplication::setDesktopFileName(QStringLiteral("vireon-feeder"));
    // The tray icon is the application; closing a window only puts it away.
    QApplication::setQuitOnLastWindowClosed(false);

    QuitSignals quitSignals;
    QObject::connect(&quitSignals, &QuitSignals::received, &app, &QCoreApplication::quit);

    // Declared in this order so the windows go before the location service they use.
    std::unique_ptr<LocationProvider> location;
    std::unique_ptr<VireonFeederApp> shell;
    MessageBoxAlertPresenter alerts;
    SingleInstance instance;
    QObject::connect(&instance, &SingleInstance::handedOver, &app, [&alerts](const QByteArray& answer) {
        // A tray instance has shown its panel; one without windows can show nothing, so say where
        // the station runs instead of vanishing without a word.
        if (!answer.startsWith("headless")) {
            QCoreApplication::exit(0);
            return;
        }
        const QString text = InstanceAnswers::whoRuns(answer);
        std::fprintf(stderr, "vireon-feeder: %s\n", qPrintable(text));
        alerts.showInformational(QStringLiteral("Vireon Feeder is already feeding"), text,
                                 [] { QCoreApplication::exit(0); });
    });
    QObject::connect(&instance, &SingleInstance::primary, &app, [&] {
        location =
            std::make_unique<LocationProvider>(std::make_unique<QtLocationService>(), TimeSource::system());
        shell = std::make_unique<VireonFeederApp>(
            [&location](AppState& state, QWidget* window) {
                return new OnboardingView(state, *location, window);
            },
            [](AppState& state, QWidget* window) { return new SettingsView(state, window); });
        instance.setResponder(InstanceAnswers::responder(shell->state(), QStringLiteral("tray"),
                                                         [&shell] { shell->showYourself(); }));
        shell->start();
    });
    instance.claim(SingleInstance::Request::show);

    const int status = QApplication::exec();
    shell.reset();
    return status;
}

} // namespace

int main(int argc, char* argv[])
{
    CommandLine::nameApplication();
    const CommandLine command = CommandLine::parse(CommandLine::fromArgv(argc, argv));
    // Arguments that do not read may be Qt's own, which only a QApplication takes out.
    if (command.mode == CommandLine::Mode::tray && CommandLine::displayNamed())
        return runTray(argc, argv);
    // Everything else runs without a display.
    QCoreApplication app(argc, argv);
    if (command.mode != CommandLine::Mode::headless || !command.error.isEmpty())
        return Commands::run(command);
    HeadlessService service;
    service.start();
    return QCoreApplication::exec();
}
