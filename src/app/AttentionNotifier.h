#pragma once

#include "app/AttentionTracker.h"

#include <QObject>
#include <memory>

namespace vireon {

class AppState;
class DesktopNotifier;
class TimeSource;
class Timer;

// Tells the person at the computer, through desktop notifications, when feeding needs them: it reads
// the state at every change and whenever a condition may have ripened, and asks the tracker what to
// tell. Only while the user wants to be told (on by default).
class AttentionNotifier : public QObject {
    Q_OBJECT
public:
    AttentionNotifier(const AppState& state, std::unique_ptr<DesktopNotifier> notifier, TimeSource& time,
                      QObject* parent = nullptr);
    ~AttentionNotifier() override;

    // Reads the state now; the state calls it after each announcement.
    void observe();

Q_SIGNALS:
    // A notification was clicked: the panel should open.
    void panelRequested();

private:
    AttentionTracker::Reading reading() const;

    const AppState& m_state;
    std::unique_ptr<DesktopNotifier> m_notifier;
    TimeSource& m_time;
    std::unique_ptr<Timer> m_deadline;
    AttentionTracker m_tracker;
};

} // namespace vireon
