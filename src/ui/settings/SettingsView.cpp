#include "ui/settings/SettingsView.h"

#include "app/AppState.h"
#include "presentation/settings/SettingsModel.h"
#include "ui/common/NoteLabel.h"
#include "ui/networks/OtherNetworksSection.h"
#include "ui/settings/AdvancedSection.h"
#include "ui/settings/BehaviorSection.h"
#include "ui/settings/FeedActionsSection.h"
#include "ui/settings/ReceiverSection.h"
#include "ui/settings/StationSection.h"

#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

namespace vireon {

SettingsView::SettingsView(AppState& state, QWidget* parent) : QWidget(parent), m_state(state)
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
    m_station = new StationSection(state, content);
    form->addWidget(m_station);
    m_receiver = new ReceiverSection(state, content);
    form->addWidget(m_receiver);
    m_behavior = new BehaviorSection(state, content);
    form->addWidget(m_behavior);
    // Once, above the networks: what the station lacks for MLAT concerns every network alike.
    m_mlatReadiness = new NoteLabel({}, content);
    m_mlatReadiness->setObjectName(QStringLiteral("mlatReadiness"));
    m_mlatReadiness->setTone(Tone::warning);
    m_mlatReadiness->hide();
    form->addWidget(m_mlatReadiness);
    m_networks = new OtherNetworksSection(state, content);
    form->addWidget(m_networks);
    m_advanced = new AdvancedSection(state, content);
    form->addWidget(m_advanced);
    m_actions = new FeedActionsSection(state, content);
    form->addWidget(m_actions);
    form->addStretch();

    m_scroll = new QScrollArea(this);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_scroll->setWidget(content);
    // Outside the scrolling form: a failed save is seen whichever field was changed.
    m_fileNote = new NoteLabel({}, this);
    m_fileNote->setObjectName(QStringLiteral("configFileNote"));
    m_fileNote->setContentsMargins(20, 12, 20, 0);
    m_fileNote->hide();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_fileNote);
    layout->addWidget(m_scroll);

    refresh();
    // A closed window costs nothing while the feed runs; it catches up when it is shown.
    connect(&m_state, &AppState::changed, this, [this] {
        if (isVisible())
            refresh();
    });
}

void SettingsView::refresh()
{
    const SettingsModel model = SettingsModel::of(m_state);
    m_fileNote->setVisible(model.fileNote.has_value());
    if (model.fileNote) {
        m_fileNote->setText(model.fileNote->text);
        m_fileNote->setAccessibleName(model.fileNote->text);
        m_fileNote->setTone(model.fileNote->tone);
    }
    m_station->display(model.station);
    m_receiver->display(model.receiver);
    m_behavior->display(model.behavior);
    // Several notes read as a list, one sentence each, rather than as one run-on paragraph.
    QStringList notes = model.mlatReadiness;
    if (notes.size() > 1) {
        for (QString& note : notes)
            note.prepend(QStringLiteral("\u2022 "));
    }
    m_mlatReadiness->setText(notes.join(QLatin1Char('\n')));
    m_mlatReadiness->setVisible(!model.mlatReadiness.isEmpty());
    m_networks->display(model.networks);
    m_advanced->display(model.configError);
    m_actions->display(model.applyEnabled);
}

void SettingsView::showEvent(QShowEvent* event)
{
    refresh();
    QWidget::showEvent(event);
}

void SettingsView::setRevealer(
    std::function<void(const QString& filePath, std::function<void(bool shown)> done)> revealer)
{
    m_advanced->setRevealer(std::move(revealer));
}

int SettingsView::formMinimumWidth() const
{
    // Wider than its nominal width when a row of buttons or a long label asks for more.
    const QWidget* form = m_scroll->widget();
    return std::max({formWidth, form->minimumWidth(), form->minimumSizeHint().width()});
}

QSize SettingsView::sizeHint() const
{
    // The whole form, as tall as it is at its width, with room for the vertical scroll bar the
    // window shows when it is shorter than that: never a horizontal one.
    const QWidget* form = m_scroll->widget();
    const int width = formMinimumWidth();
    const int height = form->hasHeightForWidth() ? form->heightForWidth(width) : form->sizeHint().height();
    return {width + m_scroll->verticalScrollBar()->sizeHint().width(), height};
}

QSize SettingsView::minimumSizeHint() const
{
    // Any height will do, since the form scrolls; no width that would cut off its right edge.
    return {formMinimumWidth() + m_scroll->verticalScrollBar()->sizeHint().width(), 0};
}

} // namespace vireon
