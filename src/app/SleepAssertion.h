#pragma once

#include "platform/IdleInhibitor.h"

#include <QObject>
#include <memory>

namespace vireon {

// Keeps the machine from suspending on idle while feeding. Holds at most one lock and never waits
// for the desktop: isActive() follows when the desktop answers, and a lock granted after feeding
// stopped is given back at once. When the desktop offers none, isActive() stays false and feeding
// goes on without it.
class SleepAssertion : public QObject {
    Q_OBJECT
public:
    explicit SleepAssertion(std::unique_ptr<IdleInhibitor> inhibitor = IdleInhibitor::desktop(),
                            QObject* parent = nullptr);
    ~SleepAssertion() override;

    void activate();
    void deactivate();
    bool isActive() const { return m_active; }
    // A request was made and its answer has not come yet.
    bool isPending() const { return m_pending; }

    static QString reason();

Q_SIGNALS:
    // After isActive() changed.
    void changed();

private:
    void answered(bool held);

    std::unique_ptr<IdleInhibitor> m_inhibitor;
    bool m_wanted = false;
    bool m_pending = false;
    bool m_active = false;
};

} // namespace vireon
