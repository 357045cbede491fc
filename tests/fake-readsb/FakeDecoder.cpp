#include "FakeDecoder.h"

#include "Outbound.h"
#include "StandardError.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTcpSocket>
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

// The options that take a value; every other "--x" stands alone. "--x=value" is accepted too.
const QStringList valueOptions{
    QStringLiteral("--device-type"),
    QStringLiteral("--gain"),
    QStringLiteral("--lat"),
    QStringLiteral("--lon"),
    QStringLiteral("--net-connector"),
    QStringLiteral("--net-bo-port"),
    QStringLiteral("--write-json"),
    QStringLiteral("--write-json-every"),
    QStringLiteral("--json-location-accuracy"),
    QStringLiteral("--stats-every"),
    QStringLiteral("--net-connector-delay"),
};

// Scenario text escapes: \n \r \t \\ and \xNN (any byte, so invalid UTF-8 can be written).
QByteArray unescape(const QString& text)
{
    const QByteArray in = text.toUtf8();
    QByteArray out;
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in[i] != '\\' || i + 1 == in.size()) {
            out += in[i];
            continue;
        }
        const char c = in[++i];
        if (c == 'n')
            out += '\n';
        else if (c == 'r')
            out += '\r';
        else if (c == 't')
            out += '\t';
        else if (c == 'x' && i + 2 < in.size()) {
            out += char(in.mid(i + 1, 2).toInt(nullptr, 16));
            i += 2;
        } else
            out += c;
    }
    return out;
}

} // namespace

FakeDecoder::FakeDecoder(const QStringList& argv, QObject* parent) : QObject(parent), m_argv(argv)
{
    m_started.start();
    parseOptions();
    m_retryMs = qEnvironmentVariableIntValue("FAKE_READSB_RETRY_MS") > 0
                    ? qEnvironmentVariableIntValue("FAKE_READSB_RETRY_MS")
                    : 200;
    m_stickPath = qEnvironmentVariable("FAKE_READSB_STICK");
    connect(&m_jsonTimer, &QTimer::timeout, this, &FakeDecoder::writeJson);
    connect(&m_stickTimer, &QTimer::timeout, this, &FakeDecoder::checkStick);
    m_waitTimer.setSingleShot(true);
    connect(&m_waitTimer, &QTimer::timeout, this, &FakeDecoder::runSteps);
    connect(&m_beastServer, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* client = m_beastServer.nextPendingConnection())
            client->write(Outbound::demoFrames());
    });
}

void FakeDecoder::parseOptions()
{
    for (qsizetype i = 1; i < m_argv.size(); ++i) {
        QString option = m_argv[i];
        QString value;
        if (const qsizetype eq = option.indexOf(u'='); option.startsWith(QLatin1String("--")) && eq > 0) {
            value = option.mid(eq + 1);
            option.truncate(eq);
        } else if (valueOptions.contains(option) && i + 1 < m_argv.size()) {
            value = m_argv[++i];
        }
        if (option == QLatin1String("--net-connector")) {
            const QStringList parts = value.split(u',');
            if (parts.size() < 3)
                continue;
            Connector connector{parts[0], quint16(parts[1].toUInt()), parts[2], std::nullopt};
            for (const QString& extra : parts.mid(3)) {
                if (extra.startsWith(QLatin1String("uuid=")))
                    connector.uuid = extra.mid(5);
            }
            m_connectors.append(connector);
        } else if (option == QLatin1String("--net-bo-port")) {
            m_beastPort = quint16(value.toUInt());
        } else if (option == QLatin1String("--write-json")) {
            m_jsonDir = value;
        } else if (option == QLatin1String("--lat")) {
            m_lat = value;
        } else if (option == QLatin1String("--lon")) {
            m_lon = value;
        }
    }
}

bool FakeDecoder::loadScenario(const QString& path)
{
    if (path.isEmpty()) {
        // A healthy decoder that sees a little traffic.
        m_steps = {QStringLiteral("connect"), QStringLiteral("write-json aircraft=3 messages=600 window=60"),
                   QStringLiteral("run")};
        return true;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        writeLine(QStringLiteral("fake-readsb: cannot read scenario %1").arg(path));
        return false;
    }
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (!line.trimmed().isEmpty() && !line.startsWith(u'#'))
            m_steps.append(line);
    }
    return true;
}

void FakeDecoder::begin()
{
    writeLine(QStringLiteral("invoked by: ") + m_argv.join(u' '));
    const QString argsFile = qEnvironmentVariable("FAKE_READSB_ARGS_FILE");
    if (!argsFile.isEmpty()) {
        QFile file(argsFile);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write((m_argv.mid(1).join(u'\n') + u'\n').toUtf8());
    }
    writeLine(stamped(QStringLiteral("readsb starting up.")));
    writeLine(QStringLiteral("readsb version: 3.14 (test stand-in)"));
    if (!m_lat.isEmpty())
        writeLine(QStringLiteral("Using lat: %1, lon: %2").arg(m_lat, m_lon));
    if (m_beastPort) {
        if (m_beastServer.listen(QHostAddress::LocalHost, *m_beastPort))
            writeLine(QStringLiteral("%1: Beast TCP output port").arg(m_beastServer.serverPort()));
        else
            writeLine(QStringLiteral("fake-readsb: cannot listen on port %1: %2")
                          .arg(*m_beastPort)
                          .arg(m_beastServer.errorString()));
    }
    if (!m_stickPath.isEmpty()) {
        checkStick();
        m_stickTimer.start(100);
    }
    runSteps();
}

void FakeDecoder::runSteps()
{
    while (m_next < m_steps.size()) {
        const QString step = m_steps[m_next++];
        const qsizetype space = step.indexOf(u' ');
        const QString command = space < 0 ? step : step.left(space);
        const QString argument = space < 0 ? QString() : step.mid(space + 1);
        if (!runStep(command, argument))
            return; // the step continues runSteps() itself when it is done
    }
    exitNow(0);
}

// Returns false when the step waits and resumes the scenario later.
bool FakeDecoder::runStep(const QString& command, const QString& argument)
{
    if (command == QLatin1String("stderr")) {
        writeLine(argument);
    } else if (command == QLatin1String("stderr-raw")) {
        writeRaw(unescape(argument));
    } else if (command == QLatin1String("sleep")) {
        m_waitTimer.start(argument.toInt());
        return false;
    } else if (command == QLatin1String("exit")) {
        exitNow(argument.toInt());
    } else if (command == QLatin1String("kill")) {
        const int signal = argument.toInt();
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    } else if (command == QLatin1String("ignore-sigterm")) {
        m_ignoreSigterm.emplace();
        m_ignoreSigterm->start();
        m_ignoreSigtermMs = argument.toLongLong();
    } else if (command == QLatin1String("wait-for-file")) {
        if (!QFile::exists(argument)) {
            --m_next; // look again shortly
            m_waitTimer.start(10);
            return false;
        }
    } else if (command == QLatin1String("connect")) {
        connectAll();
    } else if (command == QLatin1String("write-json")) {
        JsonFigures figures;
        for (const QString& pair : argument.split(u' ', Qt::SkipEmptyParts)) {
            const QString key = pair.section(u'=', 0, 0);
            const QString value = pair.section(u'=', 1);
            if (key == QLatin1String("aircraft"))
                figures.aircraft = value.toInt();
            else if (key == QLatin1String("messages"))
                figures.messages = value.toLongLong();
            else if (key == QLatin1String("window"))
                figures.window = value.toDouble();
        }
        m_figures = figures;
        writeJson();
    } else if (command == QLatin1String("report-pdeathsig")) {
        int signal = 0;
        ::prctl(PR_GET_PDEATHSIG, &signal);
        writeLine(QStringLiteral("parent-death signal: %1").arg(signal));
    } else if (command == QLatin1String("run")) {
        if (!m_jsonDir.isEmpty()) {
            if (!m_figures)
                m_figures = JsonFigures{};
            m_jsonTimer.start(1000);
        }
        return false; // until SIGTERM
    } else {
        writeLine(QStringLiteral("fake-readsb: unknown scenario step: %1").arg(command));
        exitNow(2);
    }
    return true;
}

void FakeDecoder::connectAll()
{
    if (!m_outbound.isEmpty())
        return;
    for (const Connector& c : m_connectors) {
        auto* outbound = new Outbound(c.host, c.port, c.protocol, c.uuid, m_retryMs, this);
        m_outbound.append(outbound);
        outbound->connectNow();
    }
}

void FakeDecoder::writeJson()
{
    if (m_jsonDir.isEmpty() || !m_figures)
        return;
    QDir().mkpath(m_jsonDir);
    const double now = double(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
    const QString nowText = QString::number(now, 'f', 3);

    QStringList aircraft;
    for (int i = 0; i < m_figures->aircraft; ++i) {
        aircraft.append(QStringLiteral("{\"hex\":\"%1\",\"type\":\"adsb_icao\",\"alt_baro\":%2,\"lat\":%3,"
                                       "\"lon\":%4,\"nic\":8,\"version\":2,\"mlat\":[],\"tisb\":[],"
                                       "\"messages\":%5,\"seen\":0.4,\"rssi\":-21.7}")
                            .arg(0x400000 + i, 6, 16, QLatin1Char('0'))
                            .arg(36000 + 100 * i)
                            .arg(52.1 + 0.01 * i, 0, 'f', 6)
                            .arg(4.9 + 0.01 * i, 0, 'f', 6)
                            .arg(10 + i));
    }
    QSaveFile aircraftFile(m_jsonDir + QStringLiteral("/aircraft.json"));
    if (aircraftFile.open(QIODevice::WriteOnly)) {
        aircraftFile.write(
            QStringLiteral("{ \"now\" : %1,\n  \"messages\" : %2,\n  \"aircraft\" : [\n%3\n  ]\n}\n")
                .arg(nowText)
                .arg(m_figures->messages)
                .arg(aircraft.join(QStringLiteral(",\n")))
                .toUtf8());
        aircraftFile.commit();
    }

    QSaveFile statsFile(m_jsonDir + QStringLiteral("/stats.json"));
    if (statsFile.open(QIODevice::WriteOnly)) {
        const QString start = QString::number(now - m_figures->window, 'f', 1);
        statsFile.write(
            QStringLiteral("{ \"now\" : %1,\n\"aircraft_with_pos\": %2, \"aircraft_without_pos\": 0,\n"
                           "\"last1min\":{\"start\":%3,\"end\":%1,\"messages_valid\": %4,"
                           "\"messages\":%4,\"max_distance\":0}\n}\n")
                .arg(nowText)
                .arg(m_figures->aircraft)
                .arg(start)
                .arg(m_figures->messages)
                .toUtf8());
        statsFile.commit();
    }
}

// The stick "unplugged" (its stand-in path gone) ends the decoder the way the real one ends without
// a stick.
void FakeDecoder::checkStick()
{
    if (QFile::exists(m_stickPath))
        return;
    writeLine(QStringLiteral("FATAL: rtlsdr: no supported devices found."));
    writeLine(stamped(QStringLiteral("sdrOpen() failed, exiting!")));
    writeLine(stamped(QStringLiteral("Abnormal exit. uptime: %1").arg(uptime())));
    exitNow(1);
}

void FakeDecoder::onSigterm()
{
    if (m_ignoreSigterm && !m_ignoreSigterm->hasExpired(m_ignoreSigtermMs))
        return;
    writeLine(stamped(QStringLiteral("Caught SIGTERM, shutting down...")));
    writeLine(stamped(QStringLiteral("Normal exit. uptime: %1").arg(uptime())));
    exitNow(0);
}

QString FakeDecoder::uptime() const
{
    const qint64 ms = m_started.elapsed();
    return QStringLiteral("%1d %2h %3m %4s")
        .arg(ms / 86'400'000, 2)
        .arg(ms / 3'600'000 % 24, 2)
        .arg(ms / 60'000 % 60, 2)
        .arg(double(ms % 60'000) / 1000.0, 0, 'f', 3);
}

void FakeDecoder::exitNow(int status)
{
    // Nothing is buffered (standard error is written unbuffered, JSON files are committed), and
    // skipping destructors keeps the exit as abrupt as the real decoder's.
    ::_exit(status);
}
