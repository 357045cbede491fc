#include "platform/IdleInhibitorChain.h"

namespace vireon {

IdleInhibitorChain::IdleInhibitorChain(std::vector<std::unique_ptr<IdleInhibitor>> candidates)
    : m_candidates(std::move(candidates))
{}

IdleInhibitorChain::~IdleInhibitorChain()
{
    release();
}

void IdleInhibitorChain::acquire(const QString& reason, Answer answer)
{
    if (isHeld()) {
        answer(true);
        return;
    }
    m_holder = nullptr;
    askFrom(0, reason, std::move(answer));
}

// The candidates are owned here, so none of their answers can outlive the chain.
void IdleInhibitorChain::askFrom(size_t index, const QString& reason, Answer answer)
{
    while (index < m_candidates.size() && !m_candidates[index])
        ++index;
    if (index >= m_candidates.size()) {
        answer(false);
        return;
    }
    IdleInhibitor* candidate = m_candidates[index].get();
    candidate->acquire(reason, [this, index, candidate, reason, answer = std::move(answer)](bool held) {
        if (held) {
            m_holder = candidate;
            answer(true);
        } else {
            askFrom(index + 1, reason, answer);
        }
    });
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
