#include "support/ProgramCopy.h"

#include "support/StationHarness.h"

#include <QDir>
#include <QJsonDocument>
#include <QSettings>

namespace vireon::test {
namespace {

const QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

bool copyExecutable(const QString& from, const QString& to)
{
    QDir().mkpath(QFileInfo(to).absolutePath());
    return QFile::copy(from, to) && QFile::setPermissions(to, ownerOnly);
}

} // namespace

ProgramCopy::ProgramCopy()
{
    m_ready = m_dir.isValid() &&
              copyExecutable(QStringLiteral(VIREON_APP), path(QStringLiteral("vireon-feeder"))) &&
              copyExecutable(QStringLiteral(VIREON_FAKE_READSB), path(QStringLiteral("bin/readsb"))) &&
              QDir().mkpath(path(QStringLiteral("xdg/VireonFeeder"))) &&
              QDir().mkpath(path(QStringLiteral("run"))) &&
              QFile::setPermissions(path(QStringLiteral("run")), ownerOnly);
}

ProgramCopy::~ProgramCopy()
{
    for (const auto& process : m_processes) {
        process->kill();
        process->waitForFinished(5000);
    }
}

void ProgramCopy::writeStation(bool onboarded, bool feedingDesired, const QJsonObject& config)
{
    QFile file(path(QStringLiteral("xdg/VireonFeeder/config.json")));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(QJsonDocument(config.isEmpty() ? StationHarness::defaultConfig() : config).toJson());
    QSettings defaults(path(QStringLiteral("xdg/VireonFeeder.conf")), QSettings::IniFormat);
    defaults.setValue(QStringLiteral("hasCompletedOnboarding"), onboarded);
    defaults.setValue(QStringLiteral("feedingDesired"), feedingDesired);
}

bool ProgramCopy::feedingDesired() const
{
    QSettings defaults(path(QStringLiteral("xdg/VireonFeeder.conf")), QSettings::IniFormat);
    return defaults.value(QStringLiteral("feedingDesired")).toBool();
}

QProcess& ProgramCopy::launch(const QStringList& arguments, Output output)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("xdg")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), path(QStringLiteral("run")));
    for (const char* name : {"FAKE_READSB_SCENARIO", "FAKE_READSB_ARGS_FILE", "FAKE_READSB_STICK"})
        env.remove(QLatin1String(name));
    auto process = std::make_shared<QProcess>();
    process->setProcessEnvironment(env);
    process->setProcessChannelMode(output == Output::quiet ? QProcess::ForwardedErrorChannel
                                                           : QProcess::SeparateChannels);
    if (output != Output::kept)
        process->setStandardOutputFile(QProcess::nullDevice());
    process->start(path(QStringLiteral("vireon-feeder")), arguments);
    m_processes.append(process);
    return *process;
}

ProgramCopy::Run ProgramCopy::run(const QStringList& arguments)
{
    QProcess& process = launch(arguments, Output::kept);
    Run result;
    if (process.waitForFinished(20'000) && process.exitStatus() == QProcess::NormalExit)
        result.exitCode = process.exitCode();
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

QList<qint64> ProgramCopy::decoderPids() const
{
    const QString decoder = QFileInfo(path(QStringLiteral("bin/readsb"))).canonicalFilePath();
    QList<qint64> pids;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (QFileInfo(QStringLiteral("/proc/%1/exe").arg(entry)).symLinkTarget() != decoder ||
            !stat.open(QIODevice::ReadOnly))
            continue;
        // A zombie has exited; it only waits for its parent to collect it. A decoder asked for its
        // --help text is a short-lived probe of its options, not a feed.
        const QByteArray line = stat.readAll();
        QFile commandLine(QStringLiteral("/proc/%1/cmdline").arg(entry));
        const bool probe = commandLine.open(QIODevice::ReadOnly) && commandLine.readAll().contains("--help");
        if (line.mid(line.lastIndexOf(')') + 2, 1) != "Z" && !probe)
            pids.append(entry.toLongLong());
    }
    return pids;
}

} // namespace vireon::test
