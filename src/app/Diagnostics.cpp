#include "app/Diagnostics.h"

#include "BuildInfo.h"
#include "app/AppState.h"
#include "app/Overloaded.h"
#include "app/Redaction.h"
#include "config/StationConfigStore.h"
#include "decoder/MlatSupervisor.h"
#include "decoder/RTLDeviceProbe.h"
#include "decoder/ReadsbCommand.h"
#include "decoder/ReadsbSupervisor.h"
#include "platform/CNumber.h"
#include "platform/TimeSource.h"
#include "stats/StatsReader.h"

#include <QRegularExpression>
#include <QSysInfo>
#include <algorithm>
#include <cmath>

namespace vireon {
namespace {

QString versionOrUnknown(const QString& text)
{
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

QString renderHealth(const Diagnostics::Inputs& in, const QString& id)
{
    const QHash<QString, ConnectorHealth>& health = in.connectorHealth;
    const auto it = health.constFind(id);
    if (it == health.constEnd())
        return QStringLiteral("not started");
    // What the last decoder said of a connection is no news of it once no decoder runs.
    if (std::holds_alternative<supervisor_state::Stopped>(in.supervisorState) ||
        std::holds_alternative<supervisor_state::Failed>(in.supervisorState))
        return QStringLiteral("not running");
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

QString connectorSection(const Diagnostics::Inputs& in, const QStringList& uuids)
{
    const StationConfig& station = in.station;
    QStringList lines;
    for (const auto& connector : ReadsbCommand::connectors(station, in.ingest)) {
        QString line = QStringLiteral("  [%1] %2:%3 %4")
                           .arg(connector.label, connector.host)
                           .arg(connector.port)
                           .arg(connector.protocolName);
        if (connector.uuid)
            line += QStringLiteral(" uuid=") + Redaction::shortenedUuid(*connector.uuid);
        line += QStringLiteral(" \u2014 ") + Redaction::redacted(renderHealth(in, connector.id), uuids);
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

QString deviceSection(const QList<RTLDeviceProbe::Device>& devices)
{
    QStringList lines;
    for (const auto& device : devices) {
        lines.append(QStringLiteral("  %1:%2 %3")
                         .arg(device.vendorID, 4, 16, QLatin1Char('0'))
                         .arg(device.productID, 4, 16, QLatin1Char('0'))
                         .arg(device.name));
    }
    return lines.isEmpty() ? QStringLiteral("  (none found)") : lines.join(QLatin1Char('\n'));
}

QString renderLink(const MlatLink& link)
{
    switch (link.phase) {
    case MlatLink::Phase::starting:
        return QStringLiteral("starting");
    case MlatLink::Phase::connecting:
        return QStringLiteral("connecting");
    case MlatLink::Phase::connected:
        return QStringLiteral("connected");
    case MlatLink::Phase::refused:
        return QStringLiteral("refused: ") + link.refusal.join(QLatin1Char(' '));
    }
    return {};
}

QString mlatSection(const Diagnostics::Inputs& in, const QStringList& uuids)
{
    QString text;
    for (const MlatClientStatus& status : in.mlatClients) {
        text +=
            QStringLiteral("  [%1] %2 uuid=%3 \u2014 %4, %5")
                .arg(status.client.label, status.client.server, Redaction::shortenedUuid(status.client.uuid),
                     renderState(status.state), Redaction::redacted(renderLink(status.link), uuids));
        if (const auto& stats = status.stats) {
            const auto percent = [](const std::optional<double>& value) {
                return value ? CNumber::format("%.0f", *value) + u'%' : QStringLiteral("?");
            };
            text += QStringLiteral("; %1 peers, good sync %2, bad sync %3, outliers %4, bad-sync timeout %5s")
                        .arg(stats->peers)
                        .arg(percent(stats->goodSyncPercent), percent(stats->badSyncPercent),
                             percent(stats->outlierPercent))
                        .arg(stats->badSyncTimeout);
            if (stats->written)
                text += QStringLiteral(" (written %1)").arg(moment(*stats->written));
        }
        text += u'\n';
    }
    return text;
}

} // namespace

QString Diagnostics::report(const AppState& state)
{
    const ReadsbSupervisor& supervisor = state.supervisor();
    Inputs in;
    in.shortVersion = QString::fromUtf8(buildinfo::shortVersion);
    in.buildVersion = QString::fromUtf8(buildinfo::buildVersion);
    in.systemName = platformLabel();
    in.systemVersion = QSysInfo::prettyProductName();
    in.now = state.timeSource().now();
    in.supervisorState = supervisor.state();
    in.stickProblem = supervisor.stickProblem();
    in.lastConnectorError = supervisor.lastConnectorError();
    in.connectorHealth = supervisor.connectorHealth();
    in.logLines = supervisor.logBuffer().lines();
    in.station = state.configStore().config();
    const QStringList& arguments = supervisor.currentArguments();
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--gain"));
        at >= 0 && at + 1 < arguments.size())
        in.passedGain = arguments.at(at + 1);
    in.decoderPath = supervisor.decoderPath() ? supervisor.decoderPath() : supervisor.locateDecoder();
    if (supervisor.decoderPath())
        in.decoderVersion = supervisor.decoderVersion();
    in.ingest = state.remoteConfig().ingest;
    in.snapshot = state.stats().snapshot();
    in.devices = RTLDeviceProbe::findDevices(state.usbRoot());
    in.mlatClients = state.mlat().clients();
    for (const MlatClientStatus& client : std::as_const(in.mlatClients)) {
        const LogRingBuffer* log = state.mlat().log(client.client.id);
        in.mlatLogs.append(log ? log->lines() : QStringList());
    }
    return report(in);
}

QString Diagnostics::report(const Inputs& in)
{
    const StationConfig& station = in.station;
    const QStringList uuids = Redaction::stationKeys(station);

    QString report;
    report += QStringLiteral("Vireon Feeder diagnostics\n=========================\nApp version: ");
    report += versionOrUnknown(in.shortVersion) + QStringLiteral(" (") + versionOrUnknown(in.buildVersion) +
              QStringLiteral(")\n") + in.systemName + QStringLiteral(": ");
    report += in.systemVersion + QStringLiteral("\nDate: ");
    report += in.now.toUTC().toString(Qt::ISODate);
    report += QStringLiteral("\n\nSupervisor state: ") + renderState(in.supervisorState);
    if (in.stickProblem)
        report += QStringLiteral("\nStick problem: ") + StickProblems::cause(*in.stickProblem);
    report += QStringLiteral("\nLast Vireon connector error: ") +
              (in.lastConnectorError ? Redaction::redacted(*in.lastConnectorError, uuids)
                                     : QStringLiteral("(none)"));
    report += QStringLiteral("\n\nConnectors (UUIDs redacted):\n") + connectorSection(in, uuids);
    report += QStringLiteral("\nLocal beast output port: ") + QString::number(station.localOutputs.beastPort);
    if (!in.mlatClients.isEmpty())
        report += QStringLiteral("\n\nMLAT clients (UUIDs redacted):\n") + mlatSection(in, uuids).chopped(1);
    report += QStringLiteral("\n\nStation name: ") +
              (station.station.name.isEmpty() ? QStringLiteral("(not set)") : station.station.name);
    report += QStringLiteral("\nLocation (rounded): ");
    if (station.station.lat == 0 && station.station.lon == 0) {
        report += QStringLiteral("(not set)");
    } else {
        report += CNumber::format("%.2f", station.station.lat) + QStringLiteral(", ") +
                  CNumber::format("%.2f", station.station.lon);
    }
    // To the nearest 10 m, like the position: enough to judge MLAT, too coarse to find the roof.
    report += QStringLiteral("\nAltitude: ") +
              (station.station.alt ? CNumber::format("%.0f", std::round(*station.station.alt / 10) * 10) +
                                         QStringLiteral(" m")
                                   : QStringLiteral("(not set)"));
    report += QStringLiteral("\nGain: ") + station.station.gain;
    // The decoder may be handed another gain than the one stored (readsb 3.14 gets -10 for "auto").
    if (in.passedGain && *in.passedGain != station.station.gain)
        report += QStringLiteral(" (passed to the decoder as ") + *in.passedGain + u')';
    report += QStringLiteral("\nDecoder: ");
    if (in.decoderPath)
        report += *in.decoderPath + QStringLiteral(" (readsb ") +
                  in.decoderVersion.value_or(QStringLiteral("?")) + u')';
    else
        report += QStringLiteral("(not found)");
    report += QStringLiteral("\n\nAircraft: ") + QString::number(in.snapshot.aircraftCount);
    report += QStringLiteral("\nMessage rate: ") + CNumber::format("%.1f", in.snapshot.messageRate);
    report += QStringLiteral(" msg/s\n\nUSB devices (known RTL2832U IDs):\n") + deviceSection(in.devices);
    report += QStringLiteral("\n\nreadsb log (last lines)\n-----------------------\n");
    if (in.logLines.isEmpty()) {
        report += QStringLiteral("(no log output captured)");
    } else {
        QStringList shown;
        shown.reserve(in.logLines.size());
        for (const QString& line : in.logLines)
            shown.append(Redaction::redacted(line, uuids));
        report += shown.join(QLatin1Char('\n'));
    }
    for (qsizetype i = 0; i < in.mlatClients.size() && i < in.mlatLogs.size(); ++i) {
        const QString prefix = QLatin1Char('[') + in.mlatClients[i].client.label + QStringLiteral("] ");
        for (const QString& line : in.mlatLogs[i])
            report += u'\n' + prefix + Redaction::redacted(line, uuids);
    }
    return report;
}

} // namespace vireon
