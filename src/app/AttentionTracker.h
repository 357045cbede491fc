#pragma once

#include "decoder/ConnectorHealth.h"
#include "decoder/SupervisorState.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <chrono>
#include <optional>

namespace vireon {

// Decides when the person at the computer should hear that feeding needs them, from readings of the
// station taken over time: feeding stopped by itself, the stick went, the decoder stopped delivering
// data, a network has not connected for five minutes; and once, when everything that was told has
// recovered, that all is well again. It remembers what it told and when, so the same thing is not
// told again within half an hour, and never speaks while the user does not want to feed. It times
// everything on the clock nobody sets, so a wall clock set back or forward neither silences it for
// hours nor makes the decoder's data look an hour or a day old.
class AttentionTracker {
public:
    static constexpr std::chrono::minutes networkPatience{5};
    static constexpr std::chrono::seconds launchGrace{60};
    static constexpr std::chrono::seconds staleAfter{60};
    static constexpr std::chrono::minutes quietPeriod{30};

    struct Network {
        QString id;
        QString label;
        ConnectorHealth health;
        bool operator==(const Network&) const = default;
    };

    using Elapsed = std::chrono::milliseconds;

    struct Reading {
        // When the reading is taken, on the time source's monotonic clock.
        Elapsed now{0};
        bool feedingDesired = false;
        // A run's start time tells one run from the next; nothing is timed by it.
        SupervisorState supervisorState = supervisor_state::Stopped{};
        // The connections the running decoder is watched for, with their health.
        QList<Network> networks;
        // Since when (on the same clock) the decoder's files have carried the time stamp they carry
        // now, and whether they show live data.
        std::optional<Elapsed> dataUnchangedSince;
        bool liveData = false;
        // The system said the stick went; the decoder has yet to notice.
        bool stickUnplugged = false;
    };

    struct Notice {
        QString condition; // "stopped", "stick", "stale", "network:<id>" or "recovered"
        QString summary;
        QString body;
        bool operator==(const Notice&) const = default;
    };

    // What to tell now, in the order it happened.
    QList<Notice> observe(const Reading& reading);
    // The next moment a reading could tell something new without anything else changing (a
    // network's five minutes running out, live data turning stale).
    std::optional<Elapsed> nextDeadline() const { return m_nextDeadline; }

private:
    std::optional<Notice> tell(const QString& condition, const QString& summary, const QString& body,
                               Elapsed now);
    bool toldWithinQuietPeriod(const QString& condition, Elapsed now) const;

    // The current run of the decoder, when it was first seen running, and whether it has delivered
    // live data.
    std::optional<QDateTime> m_runSince;
    Elapsed m_runSeenAt{0};
    bool m_liveThisRun = false;
    // When each network began retrying without a connected moment, counted from the end of the grace.
    QHash<QString, Elapsed> m_retryingSince;
    // Conditions told and not yet recovered.
    QSet<QString> m_told;
    QHash<QString, Elapsed> m_lastTold;
    std::optional<Elapsed> m_nextDeadline;
};

} // namespace vireon
