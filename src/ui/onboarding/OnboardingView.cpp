#include "ui/onboarding/OnboardingView.h"

#include "app/AppState.h"
#include "presentation/onboarding/DonePageModel.h"
#include "ui/onboarding/DevicePage.h"
#include "ui/onboarding/DonePage.h"
#include "ui/onboarding/LocationPage.h"
#include "ui/onboarding/OnboardingIcons.h"
#include "ui/onboarding/OnboardingStyle.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>

namespace vireon {
namespace {

constexpr int iconSize = 28;

} // namespace

OnboardingView::OnboardingView(AppState& state, LocationProvider& location, QWidget* parent)
    : QWidget(parent), m_state(state)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* header = new QVBoxLayout;
    header->setContentsMargins(16, 16, 16, 16);
    header->setSpacing(4);
    m_icon = new QLabel;
    m_icon->setFixedSize(iconSize, iconSize);
    header->addWidget(m_icon, 0, Qt::AlignHCenter);
    auto* title = new QLabel(QStringLiteral("Welcome to Vireon Feeder"));
    title->setTextFormat(Qt::PlainText);
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.45);
    titleFont.setWeight(QFont::DemiBold);
    title->setFont(titleFont);
    header->addWidget(title, 0, Qt::AlignHCenter);
    m_counter = OnboardingStyle::smallSecondary(QString());
    m_counter->setObjectName(QStringLiteral("stepCounter"));
    m_counter->setWordWrap(false);
    header->addWidget(m_counter, 0, Qt::AlignHCenter);
    layout->addLayout(header);
    layout->addWidget(OnboardingStyle::divider());

    m_devicePage = new DevicePage(state);
    m_locationPage = new LocationPage(state, location);
    m_donePage = new DonePage(state);
    m_pages = new QStackedWidget;
    m_pages->setContentsMargins(20, 20, 20, 20);
    m_pages->addWidget(m_devicePage);
    m_pages->addWidget(m_locationPage);
    m_pages->addWidget(m_donePage);
    layout->addWidget(m_pages, 1);
    layout->addWidget(OnboardingStyle::divider());

    auto* footer = new QHBoxLayout;
    footer->setContentsMargins(16, 16, 16, 16);
    footer->setSpacing(8);
    m_back = OnboardingStyle::button(QStringLiteral("Back"), QStringLiteral("backButton"));
    m_continue = OnboardingStyle::button(QStringLiteral("Continue"), QStringLiteral("continueButton"));
    m_continueAnyway =
        OnboardingStyle::button(QStringLiteral("Continue Anyway"), QStringLiteral("continueAnywayButton"));
    m_finish = OnboardingStyle::button(QStringLiteral("Finish"), QStringLiteral("finishButton"));
    for (QPushButton* b : {m_continue, m_finish})
        b->setDefault(true);
    footer->addWidget(m_back);
    footer->addStretch(1);
    footer->addWidget(m_continue);
    footer->addWidget(m_continueAnyway);
    footer->addWidget(m_finish);
    layout->addLayout(footer);

    connect(m_back, &QPushButton::clicked, this, [this] { setStep(OnboardingModel::previous(m_step)); });
    connect(m_continue, &QPushButton::clicked, this, &OnboardingView::goForward);
    connect(m_continueAnyway, &QPushButton::clicked, this, [this] { setStep(Step::location); });
    connect(m_finish, &QPushButton::clicked, this, &OnboardingView::finish);
    connect(m_devicePage, &DevicePage::devicesChanged, this, &OnboardingView::refreshFooter);
    connect(m_locationPage, &LocationPage::inputChanged, this, &OnboardingView::refreshFooter);

    refreshHeader();
    refresh();
    // A closed window costs nothing while the feed runs; it catches up when it is shown.
    connect(&m_state, &AppState::changed, this, [this] {
        if (isVisible())
            refresh();
    });
}

OnboardingView::~OnboardingView() = default;

void OnboardingView::refresh()
{
    refreshFooter();
    if (m_step == Step::done)
        m_donePage->display(DonePageModel::of(m_state));
}

void OnboardingView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // A window brought back from the task bar is not the content coming on screen again, but it may
    // have missed changes while it was away.
    if (event->spontaneous())
        refresh();
    else
        pageAppeared();
}

void OnboardingView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        QWidget::keyPressEvent(event);
        return;
    }
    // Return presses the footer's default button: "Continue", or "Finish" on the last page.
    QPushButton* target = m_step == Step::done ? m_finish : m_continue;
    if (target->isVisible() && target->isEnabled())
        target->click();
}

void OnboardingView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        refreshHeader();
}

void OnboardingView::setStep(Step step)
{
    m_step = step;
    m_pages->setCurrentIndex(int(step));
    refreshHeader();
    refresh();
    if (isVisible())
        pageAppeared();
}

void OnboardingView::pageAppeared()
{
    switch (m_step) {
    case Step::device:
        m_devicePage->probe();
        break;
    case Step::location:
        m_locationPage->prefill();
        break;
    case Step::done:
        m_donePage->appear();
        break;
    }
    refresh();
}

void OnboardingView::goForward()
{
    if (m_step == Step::location) {
        if (!m_locationPage->parsedLocation())
            return;
        m_locationPage->commitLocation();
    }
    setStep(OnboardingModel::next(m_step));
}

void OnboardingView::finish()
{
    // Makes a key or position changed after "Start Feeding" reach the decoder; never starts feeding.
    if (m_state.isFeedingActive())
        m_state.applySettingsToRunningFeed();
    Q_EMIT closeRequested();
}

void OnboardingView::refreshHeader()
{
    m_icon->setPixmap(
        OnboardingIcons::antenna(palette().color(QPalette::Highlight), iconSize, devicePixelRatioF()));
}

void OnboardingView::refreshFooter()
{
    const OnboardingModel footer = OnboardingModel::make(m_step, m_devicePage->devicesFound(),
                                                         m_locationPage->parsedLocation().has_value());
    m_counter->setText(footer.stepCounter);
    m_back->setVisible(footer.back);
    m_continue->setVisible(footer.continueShown);
    m_continue->setEnabled(footer.continueEnabled);
    m_continueAnyway->setVisible(footer.continueAnyway);
    m_finish->setVisible(footer.finish);
}

} // namespace vireon
