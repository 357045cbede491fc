#include "ui/panel/MenuContentView.h"

#include "app/AppState.h"
#include "ui/common/CaptionFont.h"
#include "ui/common/CopiedFlash.h"
#include "ui/common/NoteLabel.h"
#include "ui/common/Sparkline.h"
#include "ui/common/StateColors.h"
#include "ui/common/StatusDot.h"
#include "ui/common/WidgetText.h"
#include "ui/panel/PanelActions.h"

#include <QEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTextLayout>
#include <QVBoxLayout>

namespace vireon {
namespace {

constexpr int headerSpacing = 8;
constexpr int hintSpacing = 6;
constexpr int statusLines = 2;
constexpr qreal secondaryAlpha = 0.62;

// Plain buttons: borderless and left-aligned like menu items, highlighted under the pointer.
const QString plainButtons =
    QStringLiteral("QPushButton { text-align: left; border: none; padding: 3px 6px; border-radius: 4px; }"
                   "QPushButton:hover { background: palette(highlight); color: palette(highlighted-text); }"
                   "QPushButton:focus:!hover { background: palette(midlight); }");

QFrame* separator(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

} // namespace

QString fitToLines(const QString& text, const QFont& font, int width, int lines)
{
    QTextLayout layout(text, font);
    layout.beginLayout();
    QStringList fitted;
    int start = 0;
    while (true) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        if (fitted.size() == lines - 1) {
            // The last line allowed takes the rest, elided if it is too long.
            fitted.append(QFontMetrics(font).elidedText(text.mid(start).trimmed(), Qt::ElideRight, width));
            break;
        }
        fitted.append(text.mid(line.textStart(), line.textLength()).trimmed());
        start = line.textStart() + line.textLength();
    }
    layout.endLayout();
    return fitted.join(QLatin1Char('\n'));
}

MenuContentView::MenuContentView(AppState& state, PanelActions& actions, QWidget* parent)
    : QWidget(parent), m_state(state), m_actions(actions)
{
    setObjectName(QStringLiteral("menuContent"));
    setAccessibleName(QStringLiteral("Vireon Feeder"));
    setFixedWidth(width);
    setStyleSheet(plainButtons);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(margin, margin, margin, margin);
    column->setSpacing(spacing);
    column->setAlignment(Qt::AlignTop);

    auto* header = new QHBoxLayout;
    header->setSpacing(headerSpacing);
    m_dot = new StatusDot(dotDiameter, this);
    m_dot->setObjectName(QStringLiteral("statusDot"));
    m_dot->setAccessibleName(QStringLiteral("Status colour"));
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("statusLine"));
    m_status->setTextFormat(Qt::PlainText);
    QFont medium = m_status->font();
    medium.setWeight(QFont::Medium);
    m_status->setFont(medium);
    header->addWidget(m_dot, 0, Qt::AlignVCenter);
    header->addWidget(m_status, 1, Qt::AlignVCenter);
    column->addLayout(header);

    m_figures = new NoteLabel({}, this);
    m_figures->setObjectName(QStringLiteral("figuresLine"));
    column->addWidget(m_figures);
    m_rate = new Sparkline(this);
    m_rate->setObjectName(QStringLiteral("messageRate"));
    m_rate->setAccessibleName(QStringLiteral("Messages per second over the last hour"));
    m_rate->setToolTip(QStringLiteral("Messages per second over the last hour"));
    m_rate->setCapacity(PanelModel::rateHistoryCapacity());
    column->addWidget(m_rate);
    m_hearingHints = new NoteLabel({}, this);
    m_hearingHints->setObjectName(QStringLiteral("hearingHints"));
    m_hearingHints->setTone(Tone::warning);
    column->addWidget(m_hearingHints);
    m_positionWarning = new NoteLabel({}, this);
    m_positionWarning->setObjectName(QStringLiteral("positionWarning"));
    m_positionWarning->setTone(Tone::warning);
    column->addWidget(m_positionWarning);

    m_noTrayNote = new NoteLabel(PanelModel::noTrayText(), this);
    m_noTrayNote->setObjectName(QStringLiteral("noTrayNote"));
    m_noTrayNote->hide();
    column->addWidget(m_noTrayNote);

    m_hint = new QWidget(this);
    m_hint->setObjectName(QStringLiteral("failureHint"));
    auto* hintColumn = new QVBoxLayout(m_hint);
    hintColumn->setContentsMargins(0, 0, 0, 0);
    hintColumn->setSpacing(hintSpacing);
    m_hintText = new QLabel(m_hint);
    m_hintText->setObjectName(QStringLiteral("hintText"));
    m_hintText->setTextFormat(Qt::PlainText);
    m_hintText->setWordWrap(true);
    m_hintText->setFont(captionFont(m_hintText->font()));
    hintColumn->addWidget(m_hintText);
    m_hintButtons = new QHBoxLayout;
    m_hintButtons->setContentsMargins(0, 0, 0, 0);
    m_hintButtons->setAlignment(Qt::AlignLeft);
    hintColumn->addLayout(m_hintButtons);
    m_hint->hide();
    column->addWidget(m_hint);

    column->addWidget(separator(this));
    m_startStop = makeButton(this, QStringLiteral("startStopButton"), QString(), PanelAction::startStop);
    // Return presses it while the panel is open, and only it: no other button becomes the default by
    // having been clicked last time.
    m_startStop->setDefault(true);
    column->addWidget(m_startStop);
    m_liveMap = makeButton(this, QStringLiteral("liveMapButton"), PanelModel::liveMapLabel(),
                           PanelAction::openLiveMap);
    column->addWidget(m_liveMap);
    m_feederPage = makeButton(this, QStringLiteral("feederPageButton"), PanelModel::feederPageLabel(),
                              PanelAction::openFeederPage);
    column->addWidget(m_feederPage);
    column->addWidget(separator(this));
    column->addWidget(makeButton(this, QStringLiteral("settingsButton"), PanelModel::settingsLabel(),
                                 PanelAction::settings));
    column->addWidget(
        makeButton(this, QStringLiteral("quitButton"), PanelModel::quitLabel(), PanelAction::quit));
    m_actionProblem = new NoteLabel({}, this);
    m_actionProblem->setObjectName(QStringLiteral("actionProblem"));
    m_actionProblem->setTone(Tone::error);
    m_actionProblem->hide();
    column->addWidget(m_actionProblem);

    applyHintColors();
    refresh();
    // A closed panel costs nothing while the feed runs; it catches up when it is shown.
    connect(&m_state, &AppState::changed, this, [this] {
        if (isVisible())
            refresh();
    });
}

QPushButton* MenuContentView::makeButton(QWidget* parent, const QString& objectName, const QString& text,
                                         PanelAction action)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    button->setAccessibleName(text);
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this,
            [this, action, button] { showOutcome(m_actions.trigger(action), button); });
    return button;
}

void MenuContentView::showOutcome(PanelActionOutcome outcome, QPushButton* button)
{
    switch (outcome) {
    case PanelActionOutcome::stayOpen:
        break;
    case PanelActionOutcome::closePanel:
        m_actionProblem->hide();
        Q_EMIT closeRequested();
        break;
    case PanelActionOutcome::noBrowser:
        showActionProblem(PanelModel::noBrowserText());
        break;
    case PanelActionOutcome::copied:
        CopiedFlash::show(button, m_state.timeSource());
        break;
    }
}

void MenuContentView::showActionProblem(const QString& text)
{
    m_actionProblem->setText(text);
    m_actionProblem->show();
}

void MenuContentView::setShowsNoTrayNote(bool shown)
{
    m_noTrayNote->setVisible(shown);
}

void MenuContentView::refresh()
{
    display(PanelModel::of(m_state));
}

void MenuContentView::display(const PanelModel& content)
{
    if (m_shown == content)
        return;
    const bool sameButtons = m_shown && m_shown->hintButtons == content.hintButtons;
    m_shown = content;

    m_dot->setColor(stateColor(content.iconState));
    const int textWidth = width - 2 * margin - dotDiameter - headerSpacing;
    m_status->setText(fitToLines(content.statusLine, m_status->font(), textWidth, statusLines));
    m_status->setAccessibleName(content.statusLine);
    m_status->setToolTip(plainToolTip(content.statusLine));
    const auto showNote = [](NoteLabel* label, const std::optional<QString>& text) {
        label->setText(text.value_or(QString()));
        label->setAccessibleName(text.value_or(QString()));
        label->setVisible(text.has_value());
    };
    showNote(m_figures, content.hearing.figuresLine);
    showNote(m_hearingHints, content.hearing.hints.isEmpty()
                                 ? std::nullopt
                                 : std::optional(content.hearing.hints.join(QLatin1Char('\n'))));
    showNote(m_positionWarning, content.positionWarning);
    m_rate->setValues(content.rateHistory);
    m_rate->setColor(stateColor(content.iconState));
    m_rate->setVisible(!content.rateHistory.isEmpty());
    m_hint->setVisible(content.hintText.has_value());
    m_hintText->setText(content.hintText.value_or(QString()));
    m_hintText->setAccessibleName(content.hintText.value_or(QString()));
    if (!sameButtons)
        showHintButtons(content.hintButtons);
    m_startStop->setText(content.startStopLabel);
    m_startStop->setAccessibleName(content.startStopLabel);
    m_liveMap->setVisible(content.liveMap.has_value());
    m_feederPage->setVisible(content.feederPage.has_value());
}

void MenuContentView::showHintButtons(const QList<PanelModel::Button>& buttons)
{
    while (QLayoutItem* item = m_hintButtons->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (const PanelModel::Button& button : buttons) {
        const QString name = button.action == PanelAction::copyDiagnostics
                                 ? QStringLiteral("copyDiagnosticsButton")
                                 : QStringLiteral("retryButton");
        QPushButton* made = makeButton(m_hint, name, button.label, button.action);
        made->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        m_hintButtons->addWidget(made);
        made->show(); // a layout would show it only from the event loop, after a redraw without it
    }
}

void MenuContentView::applyHintColors()
{
    QPalette dimmed = palette();
    QColor secondary = dimmed.color(QPalette::WindowText);
    secondary.setAlphaF(secondaryAlpha);
    dimmed.setColor(QPalette::WindowText, secondary);
    m_hintText->setPalette(dimmed);
}

QSize MenuContentView::sizeHint() const
{
    // Wrapped texts, when shown, decide the height at the panel's one width.
    const int height =
        layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(width) : QWidget::sizeHint().height();
    return {width, height};
}

QSize MenuContentView::minimumSizeHint() const
{
    return sizeHint();
}

void MenuContentView::showEvent(QShowEvent* event)
{
    refresh();
    // Each opening starts afresh: Return presses start/stop, and an old complaint is gone.
    if (!event->spontaneous()) {
        m_actionProblem->hide();
        m_startStop->setFocus(Qt::OtherFocusReason);
    }
    QWidget::showEvent(event);
}

void MenuContentView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange)
        applyHintColors();
    QWidget::changeEvent(event);
}

} // namespace vireon
