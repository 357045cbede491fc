#include "platform/IdleInhibitorChain.h"

namespace vireon {

IdleInhibitorChain::IdleInhibitorChain(std::vector<std::unique_ptr<IdleInhibitor>> candidates)
    : m_candidates(std::move(candidates))
{}

IdleInhibitorChain::~IdleInhibitorChain()
{
    release();
}

bool IdleInhibitorChain::acquire(const QString& reason)
{
    if (isHeld())
        return true;
    m_holder = nullptr;
    for (const auto& candidate : m_candidates) {
        if (candidate && candidate->acquire(reason)) {
            m_holder = candidate.get();
            return true;
        }
    }
    return false;
}

void IdleInhibitorChain::release()
{
    if (m_holder)
        m_holder->release();
    m_holder = nullptr;
}

bool IdleInhibitorChain::isHeld() const
{
    return m_holder && m_holder->isHeld();
}

} // namespace vireon
