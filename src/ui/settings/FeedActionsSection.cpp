#include "ui/settings/FeedActionsSection.h"

#include "app/AppState.h"
#include "app/Diagnostics.h"
#include "ui/common/CopiedFlash.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPushButton>
#include <QVBoxLayout>

namespace vireon {

FeedActionsSection::FeedActionsSection(AppState& state, QWidget* parent) : QWidget(parent), m_state(state)
{
    m_apply = new QPushButton(QStringLiteral("Apply to Running Feed"), this);
    m_apply->setObjectName(QStringLiteral("applyToRunningFeed"));
    m_copy = new QPushButton(QStringLiteral("Copy Diagnostics"), this);
    m_copy->setObjectName(QStringLiteral("copyDiagnostics"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_apply, 0, Qt::AlignLeft);
    layout->addWidget(m_copy, 0, Qt::AlignLeft);

    connect(m_apply, &QPushButton::clicked, this, [&state] { state.applySettingsToRunningFeed(); });
    connect(m_copy, &QPushButton::clicked, this, &FeedActionsSection::copyDiagnostics);
}

void FeedActionsSection::display(bool applyEnabled)
{
    m_apply->setEnabled(applyEnabled);
}

void FeedActionsSection::copyDiagnostics()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(Diagnostics::report(m_state));
    CopiedFlash::show(m_copy, m_state.timeSource());
}

} // namespace vireon
