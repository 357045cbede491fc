#include "cli/Commands.h"

#include "app/AppState.h"
#include "app/Diagnostics.h"
#include "app/StationStatus.h"
#include "cli/InstanceAnswers.h"
#include "cli/TerminalText.h"
#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <cstdio>

namespace vireon {
namespace {

using namespace std::chrono_literals;

void print(FILE* stream, const QString& text)
{
    std::fputs(terminalText(text).toUtf8().constData(), stream);
    std::fflush(stream);
}

void complain(const QString& text)
{
    print(stderr, QStringLiteral("vireon-feeder: ") + text + u'\n');
}

SingleInstance::Answer askRunning(SingleInstance::Request request)
{
    return SingleInstance::ask(SingleInstance::defaultPlace(), request,
                               std::chrono::milliseconds(Commands::answerTimeoutMs));
}

} // namespace

int Commands::run(const CommandLine& command)
{
    if (!command.error.isEmpty()) {
        complain(command.error + QStringLiteral(" Try vireon-feeder --help."));
        return CommandLine::usageError;
    }
    switch (command.mode) {
    case CommandLine::Mode::help:
        print(stdout, CommandLine::helpText());
        return 0;
    case CommandLine::Mode::version:
        print(stdout, CommandLine::versionText());
        return 0;
    case CommandLine::Mode::status:
        return printStatus();
    case CommandLine::Mode::report:
        return printReport();
    case CommandLine::Mode::headless:
        complain(QStringLiteral("--headless runs in main's event loop, not here."));
        return CommandLine::usageError;
    case CommandLine::Mode::tray:
        break;
    }
    complain(QStringLiteral("there is no display for the tray application. On a computer without a "
                            "desktop, run vireon-feeder --headless (see man vireon-feeder)."));
    return CommandLine::usageError;
}

int Commands::printStatus()
{
    using Outcome = SingleInstance::Answer::Outcome;
    const SingleInstance::Answer answer = askRunning(SingleInstance::Request::status);
    switch (answer.outcome) {
    case Outcome::answered:
        if (const auto status = InstanceAnswers::readStatusAnswer(answer.text)) {
            print(stdout, status->text);
            return status->exitCode;
        }
        complain(QStringLiteral("the running instance gave an answer this version cannot read; is it an "
                                "older or newer Vireon Feeder?"));
        return StationStatus::redOrGrey;
    case Outcome::noAnswer:
        // Running but not answering is a station in trouble, not one that is away.
        complain(QStringLiteral("Vireon Feeder runs but did not answer within %1 seconds.")
                     .arg(answerTimeoutMs / 1000));
        return StationStatus::redOrGrey;
    case Outcome::nobodyRuns:
        print(stdout, QStringLiteral("Vireon Feeder is not running\n"));
        return StationStatus::notRunning;
    case Outcome::stranger:
        complain(answer.problem);
        return StationStatus::notRunning;
    case Outcome::unsafePlace:
        complain(QStringLiteral("no running Vireon Feeder can be asked: its socket has no safe place (%1).")
                     .arg(answer.problem));
        return StationStatus::notRunning;
    }
    return StationStatus::notRunning;
}

int Commands::printReport()
{
    const SingleInstance::Answer answer = askRunning(SingleInstance::Request::report);
    if (answer.outcome == SingleInstance::Answer::Outcome::answered && !answer.text.isEmpty()) {
        print(stdout, QString::fromUtf8(answer.text) + u'\n');
        return 0;
    }
    if (!answer.problem.isEmpty())
        complain(answer.problem);
    complain((answer.outcome == SingleInstance::Answer::Outcome::noAnswer
                  ? QStringLiteral("Vireon Feeder runs but did not answer within %1 seconds")
                        .arg(answerTimeoutMs / 1000)
                  : QStringLiteral("Vireon Feeder is not running")) +
             QStringLiteral("; this report is made from the files on disk."));
    // A state that never starts anything: it reads config.json, the settings and the network
    // document cached there, and finds the decoder and the sticks as a launch would.
    AppState state;
    print(stdout, Diagnostics::report(state) + u'\n');
    return 0;
}

} // namespace vireon
