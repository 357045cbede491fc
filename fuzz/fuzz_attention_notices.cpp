// Arbitrary histories of the station through the tracker that decides the desktop notifications,
// with network ids and labels as config.json and the feeder document can bring them, runs of the
// decoder told apart by start times from a wall clock that may jump either way. Whatever happens:
// nothing is told while the user does not want to feed; a condition is told only while it holds (a
// failure, a stick gone, stale data of a running decoder, a network of the running decoder that has
// been retrying for its five minutes after the grace); nothing is told twice within half an hour;
// "recovered" comes alone and only after something was told; a network's notice names it by its
// label; and the next deadline lies ahead.
//
// Input layout: a run of steps of five bytes, then NUL-separated texts used as network ids and
// labels. A step: the monotonic clock's move (byte 0, in minutes or, with bit 7 of byte 1, in
// seconds; the same byte moves the wall clock, signed), what the user and the decoder do (byte 1),
// since when the data is unchanged (byte 2), and two networks (bytes 3 and 4: each picks an id and
// a label from the texts and a health).

#include "FuzzRequire.h"
#include "app/AttentionTracker.h"

#include <QHash>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace vireon;
using namespace vireon::supervisor_state;

using vireon::fuzz::require;

namespace {

constexpr size_t stepSize = 5;
// Two dozen readings reach every condition, its recovery and a second telling half an hour on (a
// step moves the clock up to two hours); with 64 the Qt containers' bookkeeping at each reading held
// the target to 2,000 inputs a second.
constexpr size_t maxSteps = 24;
const QDateTime origin(QDate(2026, 12, 7), QTime(8, 0), Qt::UTC);
using Elapsed = AttentionTracker::Elapsed;

SupervisorState stateFrom(uint8_t bits, const QDateTime& runSince)
{
    switch ((bits >> 1) & 0x7) {
    case 0:
    case 1:
    case 2:
        return Running{runSince};
    case 3:
        return Failed{SupervisorFailure((bits >> 4) & 0x3)};
    case 4:
        return Backoff{runSince.addSecs(5), 1};
    case 5:
        return Launching{};
    default:
        return Stopped{};
    }
}

ConnectorHealth healthFrom(uint8_t bits)
{
    switch (bits & 0x3) {
    case 0:
        return ConnectorHealth::connected();
    case 1:
        return ConnectorHealth::connecting();
    default:
        return ConnectorHealth::retrying(QStringLiteral("Connection refused"));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const size_t steps = std::min(size / stepSize, maxSteps);
    const QList<QByteArray> pieces =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data + steps * stepSize),
                                qsizetype(size - steps * stepSize))
            .split('\0');
    QStringList texts;
    for (const QByteArray& piece : pieces)
        texts.append(QString::fromUtf8(piece));
    const auto text = [&](int i) { return texts.at(i % texts.size()); };

    AttentionTracker tracker;
    Elapsed now{0};
    QDateTime wallClock = origin;
    QDateTime runSince = origin;
    // When each condition was last told, and when each run was first seen running.
    QHash<QString, Elapsed> lastTold;
    QHash<QDateTime, Elapsed> runFirstSeen;
    bool anythingUnrecovered = false;
    for (size_t step = 0; step < steps; ++step) {
        const uint8_t* s = data + step * stepSize;
        const qint64 unit = (s[1] & 0x80) ? 1 : 60;
        now += std::chrono::seconds(qint64(s[0]) * unit);
        wallClock = wallClock.addSecs(qint64(int8_t(s[0])) * unit);
        if (s[1] & 0x40)
            runSince = wallClock; // a fresh run of the decoder, maybe "earlier" than the last

        AttentionTracker::Reading in;
        in.now = now;
        in.feedingDesired = s[1] & 0x01;
        in.supervisorState = stateFrom(s[1], runSince);
        in.stickUnplugged = (s[1] & 0x30) == 0x30;
        in.liveData = s[2] & 0x80;
        if (s[2] & 0x40)
            in.dataUnchangedSince = now - std::chrono::seconds(qint64(s[2] & 0x3f) * 4);
        for (const uint8_t n : {s[3], s[4]}) {
            if (n & 0x80)
                continue;
            in.networks.append({text((n >> 2) & 0x3), text(((n >> 4) & 0x7) + 1), healthFrom(n)});
        }

        const QList<AttentionTracker::Notice> notices = tracker.observe(in);
        if (!in.feedingDesired) {
            require(notices.isEmpty(), "nothing is told while the user does not want to feed");
            anythingUnrecovered = false;
        }
        const auto* running = std::get_if<Running>(&in.supervisorState);
        const auto* failed = std::get_if<Failed>(&in.supervisorState);
        if (running && in.feedingDesired && !runFirstSeen.contains(running->since))
            runFirstSeen.insert(running->since, now);
        QSet<QString> conditions;
        for (const AttentionTracker::Notice& notice : notices) {
            require(!notice.summary.isEmpty() && !notice.body.isEmpty(), "a notice says something");
            require(!conditions.contains(notice.condition), "a condition is told once at a time");
            conditions.insert(notice.condition);
            if (notice.condition == QLatin1String("recovered")) {
                require(notices.size() == 1 && anythingUnrecovered,
                        "recovery is told alone, after something was told");
                anythingUnrecovered = false;
                continue;
            }
            const auto last = lastTold.constFind(notice.condition);
            require(last == lastTold.constEnd() || now - *last >= std::chrono::minutes(30),
                    "nothing is told twice within half an hour");
            lastTold.insert(notice.condition, now);
            anythingUnrecovered = true;
            if (notice.condition == QLatin1String("stick") || notice.condition == QLatin1String("stopped")) {
                require(failed || in.stickUnplugged, "feeding stopped is told only when it did");
            } else if (notice.condition == QLatin1String("stale")) {
                require(running && in.dataUnchangedSince &&
                            now - *in.dataUnchangedSince >= std::chrono::seconds(60),
                        "stale data is told only of a running decoder's old files");
            } else {
                require(notice.condition.startsWith(QLatin1String("network:")), "a condition is one of ours");
                require(running &&
                            now >= runFirstSeen.value(running->since) + std::chrono::seconds(60 + 5 * 60),
                        "a network is told of only after the grace and its five minutes");
                const QString id = notice.condition.sliced(8);
                bool retrying = false;
                for (const AttentionTracker::Network& network : in.networks) {
                    if (network.id == id && network.health.kind == ConnectorHealth::Kind::retrying &&
                        notice.summary.startsWith(network.label))
                        retrying = true;
                }
                require(retrying, "a network's notice names a retrying network by its label");
            }
        }
        if (const std::optional<Elapsed> next = tracker.nextDeadline())
            require(*next > now, "the next deadline lies ahead");
    }
    return 0;
}
