#include "presentation/networks/MlatRowModel.h"

#include "app/Redaction.h"

namespace vireon {
namespace {

using Tone = ConnectorHealthLine::Tone;

ConnectorHealthLine says(Tone tone, const QString& text, const QString& toolTip = {})
{
    return ConnectorHealthLine{tone, QStringLiteral("MLAT: ") + text, toolTip};
}

QString figures(const MlatStats& stats)
{
    const auto percent = [](const std::optional<double>& value) {
        return value ? QString::number(*value, 'f', 0) + QLatin1Char('%') : QStringLiteral("–");
    };
    return QStringLiteral("%1 peers · good sync %2 · bad sync %3 in the last hour")
        .arg(stats.peers)
        .arg(percent(stats.goodSyncPercent), percent(stats.badSyncPercent));
}

std::optional<ConnectorHealthLine> fromClient(const MlatRowModel::Inputs& in, const MlatClientStatus& client)
{
    if (const auto* failed = std::get_if<supervisor_state::Failed>(&client.state)) {
        if (failed->failure == SupervisorFailure::binaryMissing)
            return says(Tone::retrying,
                        QStringLiteral("mlat-client not found \u2014 reinstall Vireon Feeder"));
        return says(Tone::retrying, QStringLiteral("mlat-client keeps stopping \u2014 see the report"));
    }
    if (std::holds_alternative<supervisor_state::Backoff>(client.state))
        return says(Tone::retrying, QStringLiteral("mlat-client stopped, restarting\u2026"));
    if (!std::holds_alternative<supervisor_state::Running>(client.state))
        return says(Tone::connecting, QStringLiteral("connecting\u2026"));

    if (client.link.phase == MlatLink::Phase::refused) {
        // A server may quote the key it refused; the row shows keys as the report does.
        const QStringList keys = in.network.uuid ? QStringList{*in.network.uuid} : QStringList{};
        const QString reason = client.link.refusal.isEmpty()
                                   ? QStringLiteral("no reason given")
                                   : Redaction::redacted(client.link.refusal.join(QLatin1Char(' ')), keys);
        // A long reason is cut to one line of the form, as the decoder's are; the tooltip has it whole.
        QString shown = reason.simplified();
        if (shown.size() > ConnectorHealthLine::maximumReasonLength)
            shown = shown.left(ConnectorHealthLine::maximumReasonLength - 1) + QChar(0x2026);
        return says(Tone::retrying, QStringLiteral("refused \u2014 ") + shown, reason);
    }
    const std::optional<MlatStats>& stats = client.stats;
    const bool fresh =
        stats && stats->written && stats->written->secsTo(in.now) <= MlatRowModel::staleAfterSeconds;
    if (stats && !fresh)
        return says(Tone::connecting, QStringLiteral("connecting\u2026"));
    if (fresh) {
        const double good = stats->goodSyncPercent.value_or(0);
        const double bad = stats->badSyncPercent.value_or(0);
        if (bad > 15 || stats->badSyncTimeout > 0)
            return says(Tone::retrying, QStringLiteral("poor sync \u2014 ") + in.readiness.likeliestCause(),
                        figures(*stats));
        if (good > 10 && bad <= 5)
            return says(Tone::connected,
                        QStringLiteral("synchronised with %1 %2")
                            .arg(stats->peers)
                            .arg(stats->peers == 1 ? QStringLiteral("peer") : QStringLiteral("peers")),
                        figures(*stats));
        return says(Tone::connecting, QStringLiteral("connected, not yet synchronised"), figures(*stats));
    }
    if (client.link.phase == MlatLink::Phase::connected)
        return says(Tone::connecting, QStringLiteral("connected, not yet synchronised"));
    return says(Tone::connecting, QStringLiteral("connecting\u2026"));
}

std::optional<ConnectorHealthLine> lineFor(const MlatRowModel::Inputs& in)
{
    const std::optional<MlatCommand::Blocker> blocker = MlatCommand::blocker(in.network, in.station);
    if (blocker == MlatCommand::Blocker::networkOff || blocker == MlatCommand::Blocker::mlatOff)
        return std::nullopt;
    if (blocker == MlatCommand::Blocker::noPosition)
        return says(Tone::connecting, QStringLiteral("needs your antenna's position"));
    if (blocker == MlatCommand::Blocker::noAltitude)
        return says(Tone::connecting, QStringLiteral("needs your antenna's altitude"));
    if (blocker == MlatCommand::Blocker::noUuid)
        return says(Tone::connecting, QStringLiteral("needs this network's feeder UUID"));
    if (!in.feedingActive)
        return says(Tone::off, QStringLiteral("off"));
    // Set up since the feed started: the next start brings the client.
    if (!in.planned)
        return says(Tone::off, QStringLiteral("starts when the feed restarts"));
    // Planned, and waiting for the decoder to run.
    if (!in.client)
        return says(Tone::connecting, QStringLiteral("connecting\u2026"));
    return fromClient(in, *in.client);
}

} // namespace

MlatRowModel MlatRowModel::make(const Inputs& in)
{
    return MlatRowModel{in.network.mlat, in.network.privacy, lineFor(in)};
}

} // namespace vireon
