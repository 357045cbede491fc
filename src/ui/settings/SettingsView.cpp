#include "ui/settings/SettingsView.h"

#include "ui/networks/OtherNetworksSection.h"
#include "ui/settings/AdvancedSection.h"
#include "ui/settings/BehaviorSection.h"
#include "ui/settings/FeedActionsSection.h"
#include "ui/settings/ReceiverSection.h"
#include "ui/settings/StationSection.h"

#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace vireon {

SettingsView::SettingsView(AppState& state, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("settingsView"));
    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("settingsForm"));
    content->setMinimumWidth(formWidth);
    content->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    // Made in the order they are shown, which is the order Tab walks through them.
    auto* form = new QVBoxLayout(content);
    form->setContentsMargins(20, 20, 20, 20);
    form->setSpacing(14);
    form->addWidget(new StationSection(state, content));
    form->addWidget(new ReceiverSection(state, content));
    form->addWidget(new BehaviorSection(state, content));
    m_networks = new OtherNetworksSection(state, content);
    form->addWidget(m_networks);
    m_advanced = new AdvancedSection(state, content);
    form->addWidget(m_advanced);
    form->addWidget(new FeedActionsSection(state, content));
    form->addStretch();

    m_scroll = new QScrollArea(this);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_scroll->setWidget(content);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_scroll);
}

void SettingsView::setRevealer(std::function<void(const QString& filePath)> revealer)
{
    m_advanced->setRevealer(std::move(revealer));
}

QSize SettingsView::sizeHint() const
{
    // The form's width, as tall as the form is at that width, plus room for a scroll bar should the
    // window come out smaller.
    const QWidget* form = m_scroll->widget();
    const int height =
        form->hasHeightForWidth() ? form->heightForWidth(formWidth) : form->sizeHint().height();
    return {formWidth + m_scroll->verticalScrollBar()->sizeHint().width(), height};
}

} // namespace vireon
