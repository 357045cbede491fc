#include "ui/common/CopiedFlash.h"

#include "platform/TimeSource.h"

#include <QAbstractButton>
#include <algorithm>

namespace vireon {

CopiedFlash::CopiedFlash(QAbstractButton* button, TimeSource& time)
    : QObject(button), m_button(button), m_label(button->text()), m_minimumWidth(button->minimumWidth()),
      m_timer(time.createTimer())
{
    // The shorter word must not shrink the button and shift what stands beside it.
    button->setMinimumWidth(std::max(m_minimumWidth, button->sizeHint().width()));
    connect(m_timer.get(), &Timer::timeout, this, &CopiedFlash::restore);
}

CopiedFlash::~CopiedFlash() = default;

void CopiedFlash::show(QAbstractButton* button, TimeSource& time)
{
    auto* flash = button->findChild<CopiedFlash*>(QString(), Qt::FindDirectChildrenOnly);
    if (!flash)
        flash = new CopiedFlash(button, time);
    button->setText(text());
    flash->m_timer->start(shownFor, Timer::Repeat::once);
}

void CopiedFlash::restore()
{
    m_button->setText(m_label);
    m_button->setMinimumWidth(m_minimumWidth);
    // Out of the button's children at once, so a click before the deletion starts a flash of its own.
    setParent(nullptr);
    deleteLater();
}

} // namespace vireon
