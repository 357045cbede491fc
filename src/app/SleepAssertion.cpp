#include "app/SleepAssertion.h"

namespace vireon {

SleepAssertion::SleepAssertion(std::unique_ptr<IdleInhibitor> inhibitor) : m_inhibitor(std::move(inhibitor))
{}

SleepAssertion::~SleepAssertion()
{
    deactivate();
}

QString SleepAssertion::reason()
{
    return QStringLiteral("Vireon Feeder is feeding ADS-B data");
}

void SleepAssertion::activate()
{
    if (m_active)
        return;
    m_active = m_inhibitor && m_inhibitor->acquire(reason());
}

void SleepAssertion::deactivate()
{
    if (!m_active)
        return;
    m_inhibitor->release();
    m_active = false;
}

} // namespace vireon
