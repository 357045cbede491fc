#include "app/AttentionTracker.h"

#include <algorithm>

namespace vireon {
namespace {

struct Told {
    QString summary;
    QString body;
};

Told whyFeedingStopped(SupervisorFailure failure)
{
    switch (failure) {
    case SupervisorFailure::crashLoop:
        return {QStringLiteral("Feeding stopped: the decoder keeps crashing"),
                QStringLiteral("Open the panel to copy the diagnostics for a report, then press Retry.")};
    case SupervisorFailure::deviceBusy:
        return {QStringLiteral("Feeding stopped: another program holds the stick"),
                QStringLiteral("Quit the other SDR program, then press Retry in the panel.")};
    case SupervisorFailure::binaryMissing:
        return {QStringLiteral("Feeding stopped: the decoder is missing"),
                QStringLiteral(
                    "readsb was not found beside Vireon Feeder or on the PATH; reinstall Vireon Feeder.")};
    case SupervisorFailure::noDevice:
        break;
    }
    return {QStringLiteral("Feeding paused: the RTL-SDR stick is gone"),
            QStringLiteral("Plug the stick back in; feeding resumes by itself.")};
}

} // namespace

bool AttentionTracker::toldWithinQuietPeriod(const QString& condition, Elapsed now) const
{
    const auto last = m_lastTold.constFind(condition);
    return last != m_lastTold.constEnd() && now - *last < quietPeriod;
}

std::optional<AttentionTracker::Notice>
AttentionTracker::tell(const QString& condition, const QString& summary, const QString& body, Elapsed now)
{
    if (m_told.contains(condition) || toldWithinQuietPeriod(condition, now))
        return std::nullopt;
    m_told.insert(condition);
    m_lastTold.insert(condition, now);
    return Notice{condition, summary, body};
}

QList<AttentionTracker::Notice> AttentionTracker::observe(const Reading& reading)
{
    const Elapsed now = reading.now;
    m_nextDeadline.reset();
    QList<Notice> notices;
    // The user stopped feeding (or never started): nothing to tell, and nothing left to recover from.
    if (!reading.feedingDesired) {
        m_told.clear();
        m_retryingSince.clear();
        m_runSince.reset();
        return notices;
    }

    QSet<QString> active;
    const auto* failed = std::get_if<supervisor_state::Failed>(&reading.supervisorState);
    const auto* running = std::get_if<supervisor_state::Running>(&reading.supervisorState);
    if (failed || reading.stickUnplugged) {
        const SupervisorFailure failure =
            reading.stickUnplugged ? SupervisorFailure::noDevice : failed->failure;
        const QString condition =
            failure == SupervisorFailure::noDevice ? QStringLiteral("stick") : QStringLiteral("stopped");
        active.insert(condition);
        const Told why = whyFeedingStopped(failure);
        if (auto notice = tell(condition, why.summary, why.body, now))
            notices.append(*notice);
    }

    if (running && running->since != m_runSince) {
        // A new run: its connections and its data start afresh.
        m_runSince = running->since;
        m_runSeenAt = now;
        m_liveThisRun = false;
        m_retryingSince.clear();
    } else if (!running) {
        m_runSince.reset();
        m_retryingSince.clear();
        // Between runs nothing is known of the connections and the data: what was told stands.
        for (const QString& condition : std::as_const(m_told)) {
            if (condition.startsWith(QStringLiteral("network:")) || condition == QStringLiteral("stale"))
                active.insert(condition);
        }
    }

    if (running) {
        m_liveThisRun = m_liveThisRun || reading.liveData;
        // A decoder that hangs stops writing its files; one that had no live data yet is only slow.
        if (m_liveThisRun && reading.dataUnchangedSince) {
            const Elapsed staleAt = *reading.dataUnchangedSince + staleAfter;
            if (now >= staleAt) {
                active.insert(QStringLiteral("stale"));
                if (auto notice =
                        tell(QStringLiteral("stale"), QStringLiteral("The decoder stopped delivering data"),
                             QStringLiteral("Stop and start feeding from the panel; if it happens again, "
                                            "copy the diagnostics for a report."),
                             now))
                    notices.append(*notice);
            } else {
                m_nextDeadline = staleAt;
            }
        }

        const Elapsed graceEnds = m_runSeenAt + launchGrace;
        for (const Network& network : reading.networks) {
            const QString condition = QStringLiteral("network:") + network.id;
            if (network.health.kind != ConnectorHealth::Kind::retrying) {
                m_retryingSince.remove(network.id);
                continue;
            }
            // Connections fail for a moment while the decoder starts; that is no one's concern.
            if (!m_retryingSince.contains(network.id))
                m_retryingSince.insert(network.id, std::max(now, graceEnds));
            const Elapsed dueAt = m_retryingSince.value(network.id) + networkPatience;
            if (now < dueAt) {
                m_nextDeadline = m_nextDeadline ? std::min(*m_nextDeadline, dueAt) : dueAt;
                continue;
            }
            active.insert(condition);
            if (auto notice =
                    tell(condition, network.label + QStringLiteral(" has not connected for 5 minutes"),
                         QStringLiteral("Check your internet connection and the network's settings; "
                                        "the other networks are fed meanwhile."),
                         now))
                notices.append(*notice);
        }
    }

    // Whatever was told and is over now has recovered; when nothing told is left, say so once.
    const bool hadTold = !m_told.isEmpty();
    m_told.intersect(active);
    if (hadTold && m_told.isEmpty()) {
        const QString condition = QStringLiteral("recovered");
        if (!toldWithinQuietPeriod(condition, now)) {
            m_lastTold.insert(condition, now);
            notices.append(
                Notice{condition, QStringLiteral("Vireon Feeder is feeding normally again"),
                       QStringLiteral("Everything it told you about has recovered; nothing to do.")});
        }
    }
    return notices;
}

} // namespace vireon
