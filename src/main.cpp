#include "BuildInfo.h"
#include "location/LocationProvider.h"
#include "platform/QtLocationService.h"
#include "platform/QuitSignals.h"
#include "platform/SingleInstance.h"
#include "platform/TimeSource.h"
#include "ui/VireonFeederApp.h"
#include "ui/onboarding/OnboardingView.h"
#include "ui/settings/SettingsView.h"

#include <QApplication>
#include <memory>

using namespace vireon;

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vireon Feeder"));
    QApplication::setOrganizationName(QStringLiteral("VireonFeeder"));
    QApplication::setApplicationVersion(QString::fromLatin1(buildinfo::shortVersion));
    QApplication::setDesktopFileName(QStringLiteral("vireon-feeder"));
    // The tray icon is the application; closing a window only puts it away.
    QApplication::setQuitOnLastWindowClosed(false);

    QuitSignals quitSignals;
    QObject::connect(&quitSignals, &QuitSignals::received, &app, &QCoreApplication::quit);

    // Declared in this order so the windows go before the location service they use.
    std::unique_ptr<LocationProvider> location;
    std::unique_ptr<VireonFeederApp> shell;
    SingleInstance instance;
    QObject::connect(&instance, &SingleInstance::handedOver, &app, [] { QCoreApplication::exit(0); });
    QObject::connect(&instance, &SingleInstance::primary, &app, [&] {
        location =
            std::make_unique<LocationProvider>(std::make_unique<QtLocationService>(), TimeSource::system());
        shell = std::make_unique<VireonFeederApp>(
            [&location](AppState& state, QWidget* window) {
                return new OnboardingView(state, *location, window);
            },
            [](AppState& state, QWidget* window) { return new SettingsView(state, window); });
        instance.setResponder([&shell](SingleInstance::Request request) {
            if (request == SingleInstance::Request::show)
                shell->showYourself();
            return QByteArray();
        });
        shell->start();
    });
    instance.claim();

    const int status = QApplication::exec();
    shell.reset();
    return status;
}
