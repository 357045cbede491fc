#include "cli/CommandLine.h"

#include "BuildInfo.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

namespace vireon {
namespace {

struct Parser {
    QCommandLineParser parser;
    // Not Qt's own help option, which brings --help-all along: Qt's options mean nothing to the modes
    // without a display.
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Print the options and exit.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Print the version and the build and exit.")};
    QCommandLineOption headless{QStringLiteral("headless"),
                                QStringLiteral("Feed without windows or a display, as a service does. Logs "
                                               "each change of the station's status to standard error.")};
    QCommandLineOption status{QStringLiteral("status"),
                              QStringLiteral("Print the running instance's status line and one line per "
                                             "network. Exit status: 0 green, 1 orange, 2 red or grey, 3 "
                                             "not running.")};
    QCommandLineOption report{QStringLiteral("report"),
                              QStringLiteral("Print the diagnostics report: the running instance's, or "
                                             "one made from the files on disk.")};

    Parser()
    {
        parser.setApplicationDescription(
            QStringLiteral("Feeds ADS-B data from an RTL-SDR stick to the Vireon network and any other "
                           "networks you switch on. Without options it runs in the system tray."));
        parser.addOption(help);
        parser.addOption(version);
        parser.addOption(headless);
        parser.addOption(status);
        parser.addOption(report);
    }
};

} // namespace

CommandLine CommandLine::parse(const QStringList& arguments)
{
    Parser p;
    CommandLine result;
    const bool readable = p.parser.parse(arguments);

    QList<Mode> chosen;
    if (p.parser.isSet(p.help))
        chosen.append(Mode::help);
    if (p.parser.isSet(p.version))
        chosen.append(Mode::version);
    if (p.parser.isSet(p.headless))
        chosen.append(Mode::headless);
    if (p.parser.isSet(p.status))
        chosen.append(Mode::status);
    if (p.parser.isSet(p.report))
        chosen.append(Mode::report);
    if (!chosen.isEmpty())
        result.mode = chosen.first();

    if (!readable)
        result.error = p.parser.errorText();
    else if (!p.parser.positionalArguments().isEmpty())
        result.error =
            QStringLiteral("Unexpected argument '%1'.").arg(p.parser.positionalArguments().first());
    else if (chosen.size() > 1)
        result.error = QStringLiteral("Choose one of --help, --version, --headless, --status and --report.");
    return result;
}

QStringList CommandLine::fromArgv(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QFile::decodeName(argv[i]));
    return arguments;
}

QString CommandLine::helpText()
{
    return Parser().parser.helpText();
}

QString CommandLine::versionText()
{
    return QStringLiteral("vireon-feeder %1 (build %2)\n")
        .arg(QString::fromUtf8(buildinfo::shortVersion), QString::fromUtf8(buildinfo::buildVersion));
}

bool CommandLine::displayNamed()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

void CommandLine::nameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("Vireon Feeder"));
    QCoreApplication::setOrganizationName(QStringLiteral("VireonFeeder"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(buildinfo::shortVersion));
}

} // namespace vireon
