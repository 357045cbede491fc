#include "app/AttentionNotifier.h"

#include "app/AppSettings.h"
#include "app/AppState.h"
#include "decoder/ReadsbSupervisor.h"
#include "platform/DesktopNotifier.h"
#include "platform/TimeSource.h"

namespace vireon {

AttentionNotifier::AttentionNotifier(const AppState& state, std::unique_ptr<DesktopNotifier> notifier,
                                     TimeSource& time, QObject* parent)
    : QObject(parent), m_state(state), m_notifier(std::move(notifier)), m_time(time),
      m_deadline(time.createTimer())
{
    connect(m_notifier.get(), &DesktopNotifier::activated, this, &AttentionNotifier::panelRequested);
    connect(m_deadline.get(), &Timer::timeout, this, &AttentionNotifier::observe);
}

AttentionNotifier::~AttentionNotifier() = default;

AttentionTracker::Reading AttentionNotifier::reading() const
{
    AttentionTracker::Reading in;
    in.now = m_time.elapsed();
    // A user who turned notices off is, for the tracker, a user with nothing to be told.
    in.feedingDesired = m_state.settings().feedingDesired() && m_state.settings().notifyWhenAttentionNeeded();
    const ReadsbSupervisor& supervisor = m_state.supervisor();
    in.supervisorState = supervisor.state();
    for (const MonitoredConnector& connector : supervisor.monitoredConnectors()) {
        in.networks.append({connector.id, connector.label,
                            supervisor.connectorHealth().value(connector.id, ConnectorHealth::connecting())});
    }
    const StatusPresentation::Inputs presented = m_state.presentationInputs();
    in.dataUnchangedSince = presented.updatedAtFirstRead;
    in.liveData = StatusPresentation::hasLiveData(presented);
    in.stickUnplugged = presented.stickUnplugged;
    return in;
}

void AttentionNotifier::observe()
{
    const AttentionTracker::Reading now = reading();
    for (const AttentionTracker::Notice& notice : m_tracker.observe(now))
        m_notifier->notify(notice.summary, notice.body);
    m_deadline->stop();
    if (const std::optional<AttentionTracker::Elapsed> next = m_tracker.nextDeadline())
        m_deadline->start(std::max(*next - now.now, AttentionTracker::Elapsed(0)), Timer::Repeat::once);
}

} // namespace vireon
