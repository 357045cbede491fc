// fake-mlat-client: a stand-in for mlat-client in tests. It takes the real client's command line,
// records it, and does what a scenario says, in the real client's words.
//
// Environment:
//   FAKE_MLAT_SCENARIO=<path>   a scenario file, or a folder holding one file per network named by
//                               the --uuid given (else "default"); without one: connect, run
//   FAKE_MLAT_ARGS_DIR=<dir>    record the arguments in <dir>/<uuid>.args, one a line
//
// Steps:
//   stderr <text>               one line
//   connect                     "Connected to multilateration server at <server>, handshaking"
//   accept                      "Handshake complete: …"
//   deny <reason>               the refusal, as the real client reports it
//   stats peers=<n> good=<p> bad=<p> age=<s>
//                               write the --stats-json file, written <s> seconds ago
//   exit <status>               exit at once with that status
//   ignore-sigterm              ignore SIGTERM from now on
//   report-pdeathsig            write "parent-death signal: <n>" (0 for none)
//   run                         keep going until SIGTERM
// A scenario that ends without exit or run exits with status 0; so does SIGTERM, unless ignored.

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSocketNotifier>
#include <QStringList>
#include <cerrno>
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

int sigtermPipe[2];

void writeLine(const QString& line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(STDERR_FILENO, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0)
            done += n;
        else if (errno != EINTR)
            return;
    }
}

QString option(const QStringList& arguments, const QString& name)
{
    const qsizetype at = arguments.indexOf(name);
    return at >= 0 && at + 1 < arguments.size() ? arguments.at(at + 1) : QString();
}

QHash<QString, QString> fields(const QString& text)
{
    QHash<QString, QString> values;
    for (const QString& pair : text.split(u' ', Qt::SkipEmptyParts)) {
        const qsizetype eq = pair.indexOf(u'=');
        if (eq > 0)
            values.insert(pair.left(eq), pair.mid(eq + 1));
    }
    return values;
}

QStringList scenario(const QString& uuid)
{
    const QString path = qEnvironmentVariable("FAKE_MLAT_SCENARIO");
    if (path.isEmpty())
        return {QStringLiteral("connect"), QStringLiteral("run")};
    QString file = path;
    if (QFileInfo(path).isDir())
        file = QFile::exists(QDir(path).filePath(uuid)) ? QDir(path).filePath(uuid)
                                                        : QDir(path).filePath(QStringLiteral("default"));
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return {QStringLiteral("connect"), QStringLiteral("run")};
    return QString::fromUtf8(in.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    const QString uuid = option(arguments, QStringLiteral("--uuid"));
    const QString server = option(arguments, QStringLiteral("--server"));
    const QString statsFile = option(arguments, QStringLiteral("--stats-json"));

    if (const QString dir = qEnvironmentVariable("FAKE_MLAT_ARGS_DIR"); !dir.isEmpty()) {
        QFile out(QDir(dir).filePath(uuid + QStringLiteral(".args")));
        if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            out.write(arguments.join(u'\n').toUtf8() + '\n');
    }

    if (::pipe(sigtermPipe) != 0)
        return 2;
    std::signal(SIGTERM, [](int) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(sigtermPipe[1], &byte, 1);
    });
    bool ignoreSigterm = false;
    QSocketNotifier notifier(sigtermPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &app, [&] {
        char byte = 0;
        [[maybe_unused]] const ssize_t n = ::read(sigtermPipe[0], &byte, 1);
        if (!ignoreSigterm)
            ::_exit(0);
    });

    writeLine(QStringLiteral("mlat-client 0.4.2 starting up"));
    for (const QString& step : scenario(uuid)) {
        const qsizetype space = step.indexOf(u' ');
        const QString verb = space < 0 ? step : step.left(space);
        const QString rest = space < 0 ? QString() : step.mid(space + 1);
        if (verb == QLatin1String("stderr")) {
            writeLine(rest);
        } else if (verb == QLatin1String("connect")) {
            const qsizetype colon = server.lastIndexOf(u':');
            writeLine(QStringLiteral("Connected to multilateration server at %1:%2, handshaking")
                          .arg(server.left(colon), server.mid(colon + 1)));
        } else if (verb == QLatin1String("accept")) {
            writeLine(
                QStringLiteral("Handshake complete: Compression none, UDP transport disabled, Split sync "
                               "disabled"));
        } else if (verb == QLatin1String("deny")) {
            writeLine(QStringLiteral("Server explicitly rejected our connection, saying:"));
            writeLine(QStringLiteral("  ") + rest);
            writeLine(
                QStringLiteral("Connection to %1 lost: Server rejected our connection attempt").arg(server));
        } else if (verb == QLatin1String("stats")) {
            const QHash<QString, QString> values = fields(rest);
            const qint64 written =
                QDateTime::currentSecsSinceEpoch() - values.value(QStringLiteral("age")).toLongLong();
            const QJsonObject stats{
                {QStringLiteral("now"), written},
                {QStringLiteral("peer_count"), values.value(QStringLiteral("peers")).toInt()},
                {QStringLiteral("good_sync_percentage_last_hour"),
                 values.value(QStringLiteral("good")).toInt()},
                {QStringLiteral("bad_sync_percentage_last_hour"),
                 values.value(QStringLiteral("bad")).toInt()},
                {QStringLiteral("bad_sync_timeout"), 0},
                {QStringLiteral("outlier_percent"), 1.5},
            };
            QSaveFile out(statsFile);
            if (out.open(QIODevice::WriteOnly)) {
                out.write(QJsonDocument(stats).toJson());
                out.commit();
            }
        } else if (verb == QLatin1String("exit")) {
            ::_exit(rest.toInt());
        } else if (verb == QLatin1String("report-pdeathsig")) {
            int signal = 0;
            ::prctl(PR_GET_PDEATHSIG, &signal);
            writeLine(QStringLiteral("parent-death signal: %1").arg(signal));
        } else if (verb == QLatin1String("ignore-sigterm")) {
            ignoreSigterm = true;
        } else if (verb == QLatin1String("run")) {
            return app.exec();
        }
    }
    return 0;
}
