// fake-readsb: a stand-in for the decoder in tests. It accepts the real decoder's options, writes the
// real decoder's wording on standard error, really connects to every --net-connector, and otherwise
// does what a scenario says.
//
// Environment:
//   FAKE_READSB_SCENARIO=<file>   the scenario, one step a line (blank lines and # comments skipped);
//                                 without it: connect, write-json aircraft=3 messages=600 window=60, run
//   FAKE_READSB_ARGS_FILE=<file>  record the arguments there, one a line
//   FAKE_READSB_STICK=<path>      the receiver stick: missing at start or removed later, the decoder
//                                 reports no stick and exits 1
//   FAKE_READSB_RETRY_MS=<ms>     delay before reconnecting a failed or closed connection (200)
//   FAKE_READSB_CLOSE_IS_RESET=1  a connection the listener closes is taken as reset: reconnected
//                                 without a word, as the real decoder does
//   FAKE_READSB_HELP=<file>       what --help prints; without it, a help whose --gain reads "auto"
//                                 as a recent decoder's does
//
// Steps:
//   stderr <text>                 one line
//   stderr-raw <text>             bytes without an implied newline; escapes \n \r \t \\ \xNN
//   sleep <ms>                    wait (connections stay alive)
//   wait-for-file <path>          wait until the path exists
//   exit <status>                 exit at once with that status
//   kill <signal>                 die by that signal
//   ignore-sigterm <ms>           ignore SIGTERM for that long from now
//   connect                       connect every --net-connector and keep them up (retrying)
//   write-json aircraft=<n> messages=<m> window=<s>
//                                 write aircraft.json and stats.json into the --write-json directory
//   report-pdeathsig              write "parent-death signal: <n>" (the signal this process gets
//                                 when its parent dies; 0 for none)
//   run                           keep going until SIGTERM, rewriting the JSON files every second
// A scenario that ends without exit or run exits with status 0.
// On SIGTERM (unless ignored): "Caught SIGTERM, shutting down..." and exit 0.

#include "FakeDecoder.h"

#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <unistd.h>

namespace {

int sigtermPipe[2];

void onSigterm(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(sigtermPipe[1], &byte, 1);
}

} // namespace

// As recent decoders describe their gain; readsb 3.14's own help is in tests/data.
const char* const recentHelp =
    "Usage: readsb [OPTION...]\n"
    "  --device-type=<type>   Select SDR type (this needs to be placed on the command line before "
    "any SDR type specific options)\n"
    "  --gain=<db>            Set gain (default: auto gain, possible values for rtl-sdr devices: "
    "auto auto-verbose 0.0 0.9 1.4 ... 49.6 58)\n"
    "  --freq=<hz>            Set frequency (default: 1090 MHz)\n";

static int printHelp()
{
    QFile help(qEnvironmentVariable("FAKE_READSB_HELP"));
    const QByteArray text = help.fileName().isEmpty()        ? QByteArray(recentHelp)
                            : help.open(QIODevice::ReadOnly) ? help.readAll()
                                                             : QByteArray();
    [[maybe_unused]] const ssize_t n = ::write(STDOUT_FILENO, text.constData(), size_t(text.size()));
    return 0;
}

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--help") == 0)
            return printHelp();
    }
    // Before anything else, so a SIGTERM that comes early is not lost.
    if (::pipe(sigtermPipe) != 0)
        return 3;
    struct sigaction action = {};
    action.sa_handler = onSigterm;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);

    QCoreApplication app(argc, argv);
    FakeDecoder decoder(app.arguments());
    if (!decoder.loadScenario(qEnvironmentVariable("FAKE_READSB_SCENARIO")))
        return 2;

    QSocketNotifier notifier(sigtermPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &decoder, [&decoder] {
        char byte;
        [[maybe_unused]] const ssize_t n = ::read(sigtermPipe[0], &byte, 1);
        decoder.onSigterm();
    });
    QTimer::singleShot(0, &decoder, &FakeDecoder::begin);
    return app.exec();
}
