#include "app/Diagnostics.h"

#include "BuildInfo.h"
#include "app/AppState.h"
#include "app/Overloaded.h"
#include "config/StationConfigStore.h"
#include "decoder/RTLDeviceProbe.h"
#include "decoder/ReadsbCommand.h"
#include "decoder/ReadsbSupervisor.h"
#include "decoder/StickProblem.h"
#include "platform/TimeSource.h"
#include "stats/StatsReader.h"

#include <QRegularExpression>
#include <QSysInfo>
#include <algorithm>

namespace vireon {
namespace {

constexpr qsizetype kShownUuidLength = 8;

QString versionOrUnknown(const char* value)
{
    const QString text = QString::fromUtf8(value);
    return text.isEmpty() ? QStringLiteral("?") : text;
}

// The report names the platform it runs on; a Linux station says "Linux:", not another system's name.
QString platformLabel()
{
#if defined(Q_OS_MACOS)
    return QStringLiteral("macOS");
#elif defined(Q_OS_LINUX)
    return QStringLiteral("Linux");
#elif defined(Q_OS_WIN)
    return QStringLiteral("Windows");
#else
    return QStringLiteral("OS");
#endif
}

QString moment(const QDateTime& time)
{
    return time.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral(" +0000");
}

QString failureName(SupervisorFailure failure)
{
    switch (failure) {
    case SupervisorFailure::binaryMissing:
        return QStringLiteral("binaryMissing");
    case SupervisorFailure::deviceBusy:
        return QStringLiteral("deviceBusy");
    case SupervisorFailure::noDevice:
        return QStringLiteral("noDevice");
    case SupervisorFailure::crashLoop:
        return QStringLiteral("crashLoop");
    }
    return QStringLiteral("?");
}

QString renderState(const SupervisorState& state)
{
    return std::visit(Overloaded{
                          [](const supervisor_state::Running& s) {
                              return QStringLiteral("running(since: %1)").arg(moment(s.since));
                          },
                          [](const supervisor_state::Backoff& s) {
                              return QStringLiteral("backoff(nextAttempt: %1, attempt: %2)")
                                  .arg(moment(s.nextAttempt))
                                  .arg(s.attempt);
                          },
                          [](const supervisor_state::Failed& s) {
                              return QStringLiteral("failed(%1)").arg(failureName(s.failure));
                          },
                          [](const supervisor_state::Stopped&) { return QStringLiteral("stopped"); },
                          [](const supervisor_state::Launching&) { return QStringLiteral("launching"); },
                      },
                      state);
}

QString renderHealth(const QHash<QString, ConnectorHealth>& health, const QString& id)
{
    const auto it = health.constFind(id);
    if (it == health.constEnd())
        return QStringLiteral("not started");
    switch (it->kind) {
    case ConnectorHealth::Kind::connecting:
        return QStringLiteral("connecting");
    case ConnectorHealth::Kind::connected:
        return QStringLiteral("connected");
    case ConnectorHealth::Kind::retrying:
        return QStringLiteral("retrying (%1)").arg(it->reason);
    }
    return QStringLiteral("?");
}

QStringList configuredUuids(const StationConfig& station)
{
    QStringList uuids;
    if (station.vireon.uuid)
        uuids.append(*station.vireon.uuid);
    for (const auto& extra : station.extraConnectors) {
        if (extra.uuid)
            uuids.append(*extra.uuid);
    }
    return uuids;
}

QString connectorSection(const AppState& state, const QStringList& uuids)
{
    const StationConfig station = state.configStore().config();
    const auto& health = state.supervisor().connectorHealth();
    QStringList lines;
    for (const auto& connector : ReadsbCommand::connectors(station, state.config().ingest)) {
        QString line = QStringLiteral("  [%1] %2:%3 %4")
                           .arg(connector.label, connector.host)
                           .arg(connector.port)
                           .arg(connector.protocolName);
        if (connector.uuid)
            line += QStringLiteral(" uuid=") + Diagnostics::shortenedUuid(*connector.uuid);
        line += QStringLiteral(" \u2014 ") + Diagnostics::redacted(renderHealth(health, connector.id), uuids);
        lines.append(line);
    }
    if (!station.vireon.enabled)
        lines.append(QStringLiteral("  [Vireon] \u2014 disabled in config.json"));
    for (const auto& extra : station.extraConnectors) {
        if (extra.enabled)
            continue;
        lines.append(QStringLiteral("  [%1] %2:%3 \u2014 disabled")
                         .arg(extra.label.value_or(extra.id), extra.host)
                         .arg(extra.port));
    }
    return lines.isEmpty() ? QStringLiteral("  (none)") : lines.join(QLatin1Char('\n'));
}

QString deviceSection(const AppState& state)
{
    QStringList lines;
    for (const auto& device : RTLDeviceProbe::findDevices(state.usbRoot())) {
        lines.append(QStringLiteral("  %1:%2 %3")
                         .arg(device.vendorID, 4, 16, QLatin1Char('0'))
                         .arg(device.productID, 4, 16, QLatin1Char('0'))
                         .arg(device.name));
    }
    return lines.isEmpty() ? QStringLiteral("  (none found)") : lines.join(QLatin1Char('\n'));
}

// The decoder may be handed another gain than the one stored (readsb 3.14 gets -10 for "auto").
QString passedGainNote(const StationConfig& station, const ReadsbSupervisor& supervisor)
{
    const QStringList& arguments = supervisor.currentArguments();
    const qsizetype at = arguments.indexOf(QStringLiteral("--gain"));
    if (at < 0 || at + 1 >= arguments.size() || arguments.at(at + 1) == station.station.gain)
        return {};
    return QStringLiteral(" (passed to the decoder as ") + arguments.at(at + 1) + u')';
}

} // namespace

QString Diagnostics::decoderLine(const ReadsbSupervisor& supervisor)
{
    const std::optional<QString> path =
        supervisor.decoderPath() ? supervisor.decoderPath() : supervisor.locateDecoder();
    if (!path)
        return QStringLiteral("(not found)");
    const std::optional<QString>& version = supervisor.decoderVersion();
    return *path + QStringLiteral(" (readsb ") +
           (supervisor.decoderPath() && version ? *version : QStringLiteral("?")) + u')';
}

QString Diagnostics::shortenedUuid(const QString& uuid)
{
    if (uuid.size() <= kShownUuidLength)
        return uuid;
    return uuid.left(kShownUuidLength) + QChar(0x2026);
}

QString Diagnostics::redacted(QString text, const QStringList& knownUuids)
{
    // The decoder repeats its whole command line, station key included, as its first line.
    static const QRegularExpression uuidOption(QStringLiteral("(uuid=)([^,\\s]+)"),
                                               QRegularExpression::CaseInsensitiveOption);
    QString result;
    qsizetype from = 0;
    for (auto it = uuidOption.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        result += QStringView(text).mid(from, match.capturedStart(2) - from);
        result += shortenedUuid(match.captured(2));
        from = match.capturedEnd(2);
    }
    result += QStringView(text).mid(from);

    // Longest first, so a key that contains another is not half-shortened.
    QStringList keys = knownUuids;
    std::sort(keys.begin(), keys.end(),
              [](const QString& a, const QString& b) { return a.size() > b.size(); });
    for (const QString& key : keys) {
        if (key.size() > kShownUuidLength)
            result.replace(key, shortenedUuid(key));
    }
    return result;
}

QString Diagnostics::report(const AppState& state)
{
    const StationConfig station = state.configStore().config();
    const QStringList uuids = configuredUuids(station);
    const ReadsbSupervisor& supervisor = state.supervisor();
    const auto& snapshot = state.stats().snapshot();

    QString report;
    report += QStringLiteral("Vireon Feeder diagnostics\n=========================\nApp version: ");
    report += versionOrUnknown(buildinfo::shortVersion) + QStringLiteral(" (") +
              versionOrUnknown(buildinfo::buildVersion) + QStringLiteral(")\n") + platformLabel() +
              QStringLiteral(": ");
    report += QSysInfo::prettyProductName() + QStringLiteral("\nDate: ");
    report += state.timeSource().now().toUTC().toString(Qt::ISODate);
    report += QStringLiteral("\n\nSupervisor state: ") + renderState(supervisor.state());
    if (const auto problem = supervisor.stickProblem())
        report += QStringLiteral("\nStick problem: ") + StickProblems::cause(*problem);
    report += QStringLiteral("\nLast Vireon connector error: ") +
              (supervisor.lastConnectorError() ? redacted(*supervisor.lastConnectorError(), uuids)
                                               : QStringLiteral("(none)"));
    report += QStringLiteral("\n\nConnectors (UUIDs redacted):\n") + connectorSection(state, uuids);
    report += QStringLiteral("\nLocal beast output port: ") + QString::number(station.localOutputs.beastPort);
    report += QStringLiteral("\n\nStation name: ") +
              (station.station.name.isEmpty() ? QStringLiteral("(not set)") : station.station.name);
    report += QStringLiteral("\nLocation (rounded): ");
    if (station.station.lat == 0 && station.station.lon == 0) {
        report += QStringLiteral("(not set)");
    } else {
        report += QString::number(station.station.lat, 'f', 2) + QStringLiteral(", ") +
                  QString::number(station.station.lon, 'f', 2);
    }
    report += QStringLiteral("\nGain: ") + station.station.gain + passedGainNote(station, supervisor);
    report += QStringLiteral("\nDecoder: ") + decoderLine(supervisor);
    report += QStringLiteral("\n\nAircraft: ") + QString::number(snapshot.aircraftCount);
    report += QStringLiteral("\nMessage rate: ") + QString::number(snapshot.messageRate, 'f', 1);
    report += QStringLiteral(" msg/s\n\nUSB devices (known RTL2832U IDs):\n") + deviceSection(state);
    report += QStringLiteral("\n\nreadsb log (last lines)\n-----------------------\n");
    const auto& lines = supervisor.logBuffer().lines();
    if (lines.isEmpty()) {
        report += QStringLiteral("(no log output captured)");
    } else {
        QStringList shown;
        shown.reserve(lines.size());
        for (const QString& line : lines)
            shown.append(redacted(line, uuids));
        report += shown.join(QLatin1Char('\n'));
    }
    return report;
}

} // namespace vireon
