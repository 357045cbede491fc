#include "app/SleepAssertion.h"

namespace vireon {

SleepAssertion::SleepAssertion(std::unique_ptr<IdleInhibitor> inhibitor, QObject* parent)
    : QObject(parent), m_inhibitor(std::move(inhibitor))
{}

SleepAssertion::~SleepAssertion()
{
    const QSignalBlocker quiet(this);
    deactivate();
}

QString SleepAssertion::reason()
{
    return QStringLiteral("Vireon Feeder is feeding ADS-B data");
}

void SleepAssertion::activate()
{
    m_wanted = true;
    // One request at a time, so there is never more than one lock.
    if (m_active || m_pending || !m_inhibitor)
        return;
    m_pending = true;
    // The inhibitor is owned here: its answer cannot arrive after this object is gone.
    m_inhibitor->acquire(reason(), [this](bool held) { answered(held); });
}

void SleepAssertion::answered(bool held)
{
    m_pending = false;
    if (!m_wanted) {
        if (held)
            m_inhibitor->release();
        return;
    }
    if (held == m_active)
        return;
    m_active = held;
    Q_EMIT changed();
}

void SleepAssertion::deactivate()
{
    m_wanted = false;
    if (!m_active)
        return;
    m_inhibitor->release();
    m_active = false;
    Q_EMIT changed();
}

} // namespace vireon
