#pragma once

#include "platform/IdleInhibitor.h"

#include <vector>

namespace vireon {

// Asks its inhibitors in order and holds the lock of the first one that grants it.
class IdleInhibitorChain final : public IdleInhibitor {
public:
    explicit IdleInhibitorChain(std::vector<std::unique_ptr<IdleInhibitor>> candidates);
    ~IdleInhibitorChain() override;

    void acquire(const QString& reason, Answer answer) override;
    void release() override;
    bool isHeld() const override;

private:
    void askFrom(size_t index, const QString& reason, Answer answer);

    std::vector<std::unique_ptr<IdleInhibitor>> m_candidates;
    IdleInhibitor* m_holder = nullptr;
};

} // namespace vireon
