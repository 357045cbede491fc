#include "app/StatusPresentation.h"

#include "app/Overloaded.h"

#include <cmath>

namespace vireon {
namespace {

constexpr qint64 freshnessLimitMs = 60'000;

// Whole messages per second, halves away from zero; std::round does exactly that, and printing the
// rounded value with no decimals avoids printf's ties-to-even.
QString roundedRate(double rate)
{
    return QString::number(std::round(rate), 'f', 0);
}

// The stick went while the decoder still runs or restarts: it is named at once, as the decoder's
// own failure would name it a moment later.
bool stickKnownGone(const StatusPresentation::Inputs& in)
{
    return in.stickUnplugged && in.feedingDesired &&
           !std::holds_alternative<supervisor_state::Stopped>(in.supervisorState);
}

} // namespace

bool StatusPresentation::hasLiveData(const Inputs& in)
{
    return liveDataRemaining(in).has_value();
}

std::optional<std::chrono::milliseconds> StatusPresentation::liveDataRemaining(const Inputs& in)
{
    if (!in.vireonConnectorUp || !in.snapshot.updatedAt || in.snapshot.messageRate <= 0)
        return std::nullopt;
    // The decoder stamps its file with the wall clock. Set back, that clock makes every stamp look
    // fresh until it catches up, so how long the stamp has stayed the same is also measured, on the
    // clock nobody sets; a stamp ahead of the wall clock then ages by that measure alone.
    const qint64 byStamp = freshnessLimitMs - in.snapshot.updatedAt->msecsTo(in.now);
    const qint64 unchanged = in.updatedAtFirstRead ? (in.elapsed - *in.updatedAtFirstRead).count() : 0;
    const qint64 remaining = std::min(byStamp, freshnessLimitMs - unchanged);
    if (remaining <= 0)
        return std::nullopt;
    return std::chrono::milliseconds(remaining);
}

StatusIcon::State StatusPresentation::iconState(const Inputs& in)
{
    using Icon = StatusIcon::State;
    if (in.configError || stickKnownGone(in))
        return Icon::error;
    return std::visit(
        Overloaded{
            [](const supervisor_state::Failed&) { return Icon::error; },
            [](const supervisor_state::Stopped&) { return Icon::idle; },
            [&](const supervisor_state::Running&) { return hasLiveData(in) ? Icon::feeding : Icon::warning; },
            [](const auto&) { return Icon::warning; },
        },
        in.supervisorState);
}

QString StatusPresentation::statusLine(const Inputs& in)
{
    if (in.configError)
        return QStringLiteral("Config error: ") + *in.configError;
    if (stickKnownGone(in))
        return QStringLiteral("No RTL-SDR device \u2014 plug it in, feeding resumes automatically");

    return std::visit(
        Overloaded{
            [&](const supervisor_state::Running&) {
                if (!in.vireonEnabled)
                    return QStringLiteral("Feeding third-party networks \u00b7 Vireon paused");
                if (hasLiveData(in)) {
                    return QStringLiteral("Feeding \u00b7 %1 aircraft \u00b7 %2 msg/s")
                        .arg(in.snapshot.aircraftCount)
                        .arg(roundedRate(in.snapshot.messageRate));
                }
                if (in.vireonConnectorUp)
                    return QStringLiteral("Connected \u00b7 waiting for aircraft\u2026");
                return QStringLiteral("Ingest unreachable \u2014 retrying\u2026");
            },
            [](const supervisor_state::Backoff& backoff) {
                return QStringLiteral("Decoder stopped \u2014 restarting (attempt %1)\u2026")
                    .arg(backoff.attempt);
            },
            [&](const supervisor_state::Failed& failed) {
                switch (failed.failure) {
                case SupervisorFailure::binaryMissing:
                    return QStringLiteral("Decoder (readsb) not found");
                case SupervisorFailure::deviceBusy:
                    return QStringLiteral("Device busy \u2014 quit SDR++/CubicSDR and retry");
                case SupervisorFailure::noDevice:
                    return in.feedingDesired
                               ? QStringLiteral(
                                     "No RTL-SDR device \u2014 plug it in, feeding resumes automatically")
                               : QStringLiteral("No RTL-SDR device found");
                case SupervisorFailure::crashLoop:
                    return QStringLiteral("Decoder keeps crashing");
                }
                return QString();
            },
            [](const supervisor_state::Stopped&) { return QStringLiteral("Not feeding"); },
            [](const supervisor_state::Launching&) { return QStringLiteral("Starting decoder\u2026"); },
        },
        in.supervisorState);
}

} // namespace vireon
