// fake-readsb: a stand-in for the decoder in tests. It takes the real decoder's command line, really
// connects to every --net-connector and reports on standard error in the real decoder's words, and
// otherwise does what a scenario says.
//
// Environment:
//   FAKE_READSB_SCENARIO=<file>   one step a line; without it: connect, write-json aircraft=3
//                                 messages=600, run
//   FAKE_READSB_ARGS_FILE=<file>  record the arguments there, one a line
//   FAKE_READSB_STICK=<path>      the receiver stick: missing at start or removed later, the decoder
//                                 reports no stick and exits 1
//   FAKE_READSB_RETRY_MS=<ms>     delay before reconnecting a failed or closed connection (200)
//   FAKE_READSB_HELP=<file>       what --help prints; without it, a help whose --gain reads "auto"
//                                 as a recent decoder's does
//
// Steps:
//   stderr <text>                 one line
//   stderr-raw <text>             the text without a line feed
//   wait-for-file <path>          wait until the path exists
//   exit <status>                 exit at once with that status
//   ignore-sigterm <ms>           ignore SIGTERM for that long from now
//   connect                       connect every --net-connector and keep them up (retrying)
//   write-json aircraft=<n> messages=<m> window=<s> [lat=<deg> lon=<deg>] [signal=<dBFS> noise=<dBFS>]
//                                 write aircraft.json and stats.json into the --write-json directory;
//                                 with lat and lon the aircraft broadcast positions a few km apart
//                                 around that point, with signal and noise stats.json has a stick's
//                                 local block
//   report-pdeathsig              write "parent-death signal: <n>" (0 for none)
//   claim-stick <path>            hold the stick (a lock on that file) until the end, or, when another
//                                 decoder holds it, say so as librtlsdr does, add a line to
//                                 <path>.refused and exit 1
//   flood <lines>/s <seconds> <text>
//                                 write that line (with \xNN escapes; a number in it counts up) at
//                                 that rate for that long, in bursts every 10 ms
//   run                           keep going until SIGTERM, rewriting the JSON files every second
// A scenario that ends without exit or run exits with status 0; so does SIGTERM, unless ignored.

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QHostAddress>
#include <QSaveFile>
#include <QSocketNotifier>
#include <QTcpSocket>
#include <QTimer>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

int sigtermPipe[2];

// Unbuffered, so each line reaches the pipe as one write, in order; nothing is lost by _exit().
void writeRaw(const QByteArray& bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(STDERR_FILENO, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0)
            done += n;
        else if (errno != EINTR)
            return;
    }
}

void writeLine(const QString& line)
{
    writeRaw(line.toUtf8() + '\n');
}

// The key as readsb 3.14 sends it: on beast_reduce_plus_out only, as 0x1a 0xe4 and 36 characters (a
// key of 28 to 35 padded with "f", a longer one cut); a shorter or missing key is not sent.
QByteArray keyFrame(const QString& protocol, const QString& uuidField)
{
    const QByteArray key = uuidField.mid(5).toUtf8();
    if (protocol != QLatin1String("beast_reduce_plus_out") || key.size() < 28)
        return {};
    return QByteArray("\x1a\xe4", 2) + key.leftJustified(36, 'f', true);
}

// One --net-connector: connects for real, reports as the real decoder does, retries on its own, and
// starts its stream with the key as the real decoder sends it.
void connectOut(const QString& value, int retryMs)
{
    const QStringList parts = value.split(u',');
    const QString host = parts.value(0);
    const quint16 port = quint16(parts.value(1).toUInt());
    const QString uuid = parts.filter(QStringLiteral("uuid=")).value(0);
    const QString prefix = parts.value(2) == QLatin1String("beast_out")
                               ? QStringLiteral("Beast TCP output: ")
                               : QStringLiteral("BeastReduce TCP output: ");
    auto* socket = new QTcpSocket(QCoreApplication::instance());
    const auto failures = std::make_shared<int>(0);
    const auto retry = [=] {
        QTimer::singleShot(retryMs, socket, [=] { socket->connectToHost(host, port); });
    };
    QObject::connect(socket, &QTcpSocket::connected, socket, [=] {
        *failures = 0;
        const QString named = QHostAddress(host).isNull()
                                  ? QStringLiteral("%1 (%2)").arg(host, socket->peerAddress().toString())
                                  : host;
        writeLine(prefix + QStringLiteral("Connection established: %1 port %2").arg(named).arg(port));
        socket->write(keyFrame(parts.value(2), uuid));
    });
    QObject::connect(socket, &QTcpSocket::disconnected, socket, [=] {
        writeLine(prefix + QStringLiteral("Remote server disconnected: %1 port %2 (fd 7, SendQ 0, RecvQ 0)")
                               .arg(host)
                               .arg(port));
        retry();
    });
    QObject::connect(socket, &QTcpSocket::errorOccurred, socket, [=](QAbstractSocket::SocketError error) {
        if (socket->state() == QAbstractSocket::ConnectedState ||
            error == QAbstractSocket::RemoteHostClosedError)
            return; // a closed peer is reported as a disconnection
        writeLine(prefix + QStringLiteral("Connection to %1 port %2 failed (%3): 111 (Connection refused)")
                               .arg(host)
                               .arg(port)
                               .arg(++*failures));
        socket->abort();
        retry();
    });
    socket->connectToHost(host, port);
}

class Decoder {
public:
    explicit Decoder(QStringList argv) : m_argv(std::move(argv))
    {
        for (qsizetype i = 1; i + 1 < m_argv.size(); ++i) {
            if (m_argv[i] == QLatin1String("--net-connector"))
                m_connectors.append(m_argv[i + 1]);
            else if (m_argv[i] == QLatin1String("--write-json"))
                m_jsonDir = m_argv[i + 1];
        }
        const int retryMs = qEnvironmentVariableIntValue("FAKE_READSB_RETRY_MS");
        m_retryMs = retryMs > 0 ? retryMs : 200;
        m_wait.setSingleShot(true);
        QObject::connect(&m_wait, &QTimer::timeout, [this] { runSteps(); });
        QObject::connect(&m_jsonTimer, &QTimer::timeout, [this] { writeJson(); });
        QObject::connect(&m_stickTimer, &QTimer::timeout, [this] { checkStick(); });
        QObject::connect(&m_floodTimer, &QTimer::timeout, [this] { floodBurst(); });
    }

    bool loadScenario(const QString& path)
    {
        if (path.isEmpty()) {
            m_steps = {"connect", "write-json aircraft=3 messages=600", "run"};
            return true;
        }
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        m_steps = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
        return true;
    }

    void begin()
    {
        writeLine(QStringLiteral("invoked by: ") + m_argv.join(u' '));
        writeLine(QStringLiteral("readsb version: 3.14.1642 (test stand-in)"));
        QFile args(qEnvironmentVariable("FAKE_READSB_ARGS_FILE"));
        if (args.open(QIODevice::WriteOnly | QIODevice::Truncate))
            args.write((m_argv.mid(1).join(u'\n') + u'\n').toUtf8());
        if (!m_stick.isEmpty()) {
            checkStick();
            m_stickTimer.start(100);
        }
        runSteps();
    }

    void onSigterm()
    {
        if (!m_ignoreSigterm.isValid() || m_ignoreSigterm.hasExpired(m_ignoreSigtermMs))
            ::_exit(0);
    }

private:
    void runSteps()
    {
        while (m_next < m_steps.size()) {
            const QString step = m_steps[m_next++];
            const QString command = step.section(u' ', 0, 0);
            const QString argument = step.section(u' ', 1);
            if (command == QLatin1String("stderr")) {
                writeLine(argument);
            } else if (command == QLatin1String("stderr-raw")) {
                writeRaw(argument.toUtf8());
            } else if (command == QLatin1String("exit")) {
                ::_exit(argument.toInt());
            } else if (command == QLatin1String("ignore-sigterm")) {
                m_ignoreSigterm.start();
                m_ignoreSigtermMs = argument.toLongLong();
            } else if (command == QLatin1String("wait-for-file")) {
                if (!QFile::exists(argument)) {
                    --m_next;
                    m_wait.start(10);
                    return;
                }
            } else if (command == QLatin1String("connect")) {
                for (const QString& value : std::as_const(m_connectors))
                    connectOut(value, m_retryMs);
            } else if (command == QLatin1String("write-json")) {
                for (const QString& pair : argument.split(u' '))
                    m_figures[pair.section(u'=', 0, 0)] = pair.section(u'=', 1).toDouble();
                writeJson();
            } else if (command == QLatin1String("report-pdeathsig")) {
                int signal = 0;
                ::prctl(PR_GET_PDEATHSIG, &signal);
                writeLine(QStringLiteral("parent-death signal: %1").arg(signal));
            } else if (command == QLatin1String("claim-stick")) {
                // Kept open until exit: the kernel lets go of the lock however the process ends.
                const int fd =
                    ::open(QFile::encodeName(argument).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
                if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
                    QFile refused(argument + QStringLiteral(".refused"));
                    if (refused.open(QIODevice::Append))
                        refused.write(QByteArray::number(::getpid()) + '\n');
                    writeLine(QStringLiteral("usb_claim_interface error -6"));
                    writeLine(
                        QStringLiteral("rtlsdr: error opening the RTLSDR device: Device or resource busy"));
                    ::_exit(1);
                }
            } else if (command == QLatin1String("flood")) {
                if (!startFlood(argument))
                    ::_exit(2);
                return; // resumes with the next step when the flood is over
            } else if (command == QLatin1String("run")) {
                m_jsonTimer.start(1000);
                return; // until SIGTERM
            } else {
                writeLine(QStringLiteral("fake-readsb: unknown scenario step: %1").arg(command));
                ::_exit(2);
            }
        }
        ::_exit(0);
    }

    // Replaced whole, as the real decoder replaces them.
    void writeJson()
    {
        if (m_jsonDir.isEmpty())
            return;
        QDir().mkpath(m_jsonDir);
        const double now = double(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
        const auto save = [this](const char* name, const QString& text) {
            QSaveFile file(m_jsonDir + u'/' + QLatin1String(name));
            if (file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0)
                file.commit();
        };
        QStringList aircraft;
        const bool positioned = m_figures.contains("lat") && m_figures.contains("lon");
        for (int i = 0; i < int(m_figures.value("aircraft")); ++i) {
            const QString hex = QStringLiteral("%1").arg(0x400000 + i, 6, 16);
            if (!positioned) {
                aircraft.append(QStringLiteral(R"({"hex":"%1","seen":0.4})").arg(hex));
                continue;
            }
            aircraft.append(QStringLiteral(R"({"hex":"%1","type":"adsb_icao","lat":%2,"lon":%3,)"
                                           R"("seen_pos":1.2,"seen":0.4})")
                                .arg(hex)
                                .arg(m_figures.value("lat") + 0.05 * (i % 5), 0, 'f', 6)
                                .arg(m_figures.value("lon") + 0.05 * (i / 5), 0, 'f', 6));
        }
        save("aircraft.json",
             QStringLiteral(R"({"now": %1, "aircraft": [%2]})").arg(now, 0, 'f', 3).arg(aircraft.join(u',')));
        const QString local =
            m_figures.contains("signal")
                ? QStringLiteral(R"(, "local": {"signal": %1, "noise": %2, "strong_signals": 0,)"
                                 R"( "samples_lost": 0})")
                      .arg(m_figures.value("signal"))
                      .arg(m_figures.value("noise"))
                : QString();
        save("stats.json",
             QStringLiteral(R"({"now": %1, "last1min": {"start": %2, "end": %1, "messages": %3%4}})")
                 .arg(now, 0, 'f', 3)
                 .arg(now - m_figures.value("window"), 0, 'f', 3)
                 .arg(qint64(m_figures.value("messages")))
                 .arg(local));
    }

    // "<n>/s <seconds> <text>": bursts every 10 ms keep the rate even without a timer per line.
    bool startFlood(const QString& argument)
    {
        const QStringList parts = argument.split(u' ');
        if (parts.size() < 3 || !parts[0].endsWith(QLatin1String("/s")))
            return false;
        m_floodPerBurst = std::max(1, parts[0].chopped(2).toInt() / 100);
        m_floodBursts = parts[1].toInt() * 100;
        m_floodText = unescape(parts.mid(2).join(u' '));
        m_floodTimer.start(10);
        return true;
    }

    void floodBurst()
    {
        QByteArray burst;
        for (int i = 0; i < m_floodPerBurst; ++i)
            burst += QByteArray(m_floodText).replace("#", QByteArray::number(++m_floodLine)) + '\n';
        writeRaw(burst);
        if (--m_floodBursts > 0)
            return;
        m_floodTimer.stop();
        runSteps();
    }

    // Bytes no line of a scenario file can hold as they are: \x00, \xff.
    static QByteArray unescape(const QString& text)
    {
        QByteArray bytes = text.toUtf8();
        for (qsizetype at = bytes.indexOf("\\x"); at >= 0 && at + 3 < bytes.size();
             at = bytes.indexOf("\\x", at + 1))
            bytes.replace(at, 4, QByteArray(1, char(bytes.mid(at + 2, 2).toInt(nullptr, 16))));
        return bytes;
    }

    void checkStick()
    {
        if (QFile::exists(m_stick))
            return;
        writeLine(QStringLiteral("FATAL: rtlsdr: no supported devices found."));
        ::_exit(1);
    }

    QStringList m_argv;
    QStringList m_steps;
    qsizetype m_next = 0;
    QStringList m_connectors;
    QString m_jsonDir;
    QString m_stick = qEnvironmentVariable("FAKE_READSB_STICK");
    int m_retryMs = 200;
    QHash<QString, double> m_figures{{"aircraft", 0}, {"messages", 0}, {"window", 60}};
    QElapsedTimer m_ignoreSigterm;
    qint64 m_ignoreSigtermMs = 0;
    QTimer m_wait, m_jsonTimer, m_stickTimer, m_floodTimer;
    int m_floodPerBurst = 0;
    int m_floodBursts = 0;
    qint64 m_floodLine = 0;
    QByteArray m_floodText;
};

// As recent decoders describe their gain; readsb 3.14's own help is in tests/data.
const char* const recentHelp =
    "Usage: readsb [OPTION...]\n"
    "  --device-type=<type>   Select SDR type\n"
    "  --gain=<db>            Set gain (default: auto gain, possible values for rtl-sdr devices: "
    "auto auto-verbose 0.0 0.9 1.4 ... 49.6 58)\n"
    "  --freq=<hz>            Set frequency (default: 1090 MHz)\n";

int printHelp()
{
    QFile help(qEnvironmentVariable("FAKE_READSB_HELP"));
    const QByteArray text = help.fileName().isEmpty()        ? QByteArray(recentHelp)
                            : help.open(QIODevice::ReadOnly) ? help.readAll()
                                                             : QByteArray();
    [[maybe_unused]] const ssize_t n = ::write(STDOUT_FILENO, text.constData(), size_t(text.size()));
    return 0;
}

} // namespace

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
    action.sa_handler = [](int) { [[maybe_unused]] const ssize_t n = ::write(sigtermPipe[1], "", 1); };
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);

    QCoreApplication app(argc, argv);
    Decoder decoder(app.arguments());
    if (!decoder.loadScenario(qEnvironmentVariable("FAKE_READSB_SCENARIO")))
        return 2;
    QSocketNotifier notifier(sigtermPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [&decoder] {
        char byte;
        [[maybe_unused]] const ssize_t n = ::read(sigtermPipe[0], &byte, 1);
        decoder.onSigterm();
    });
    QTimer::singleShot(0, [&decoder] { decoder.begin(); });
    return app.exec();
}
