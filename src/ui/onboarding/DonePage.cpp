#include "ui/onboarding/DonePage.h"

#include "app/AppState.h"
#include "ui/common/NoteLabel.h"
#include "ui/common/StateColors.h"
#include "ui/common/StationKeyField.h"
#include "ui/common/StatusDot.h"
#include "ui/onboarding/OnboardingStyle.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace vireon {
namespace {
constexpr int dotSize = 10;
} // namespace

DonePage::DonePage(AppState& state, QWidget* parent) : QWidget(parent), m_state(state)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    layout->addWidget(OnboardingStyle::headline(QStringLiteral("You're ready to feed")));

    auto* status = new QHBoxLayout;
    status->setSpacing(8);
    m_dot = new StatusDot(dotSize);
    m_dot->setObjectName(QStringLiteral("statusDot"));
    status->addWidget(m_dot, 0, Qt::AlignVCenter);
    m_statusLine = new QLabel;
    m_statusLine->setTextFormat(Qt::PlainText); // may quote a hand-edited config.json
    m_statusLine->setObjectName(QStringLiteral("statusLine"));
    m_statusLine->setWordWrap(true);
    status->addWidget(m_statusLine, 1);
    layout->addLayout(status);

    m_startFeeding =
        OnboardingStyle::button(QStringLiteral("Start Feeding"), QStringLiteral("startFeedingButton"));
    m_startFeeding->setDefault(true);
    connect(m_startFeeding, &QPushButton::clicked, this, &DonePage::startFeeding);
    layout->addWidget(m_startFeeding, 0, Qt::AlignLeft);
    m_feedingCaption = OnboardingStyle::smallSecondary(DonePageModel::feedingCaption());
    m_feedingCaption->setObjectName(QStringLiteral("feedingCaption"));
    layout->addWidget(m_feedingCaption);

    layout->addWidget(OnboardingStyle::divider());
    m_launchAtLogin = new QCheckBox(QStringLiteral("Start Vireon Feeder at login"));
    m_launchAtLogin->setObjectName(QStringLiteral("launchAtLoginToggle"));
    connect(m_launchAtLogin, &QCheckBox::clicked, this, [this](bool on) { m_state.setLaunchAtLogin(on); });
    layout->addWidget(m_launchAtLogin);
    layout->addWidget(OnboardingStyle::divider());

    m_claimLink = new QLabel;
    m_claimLink->setObjectName(QStringLiteral("claimLink"));
    m_claimLink->setTextFormat(Qt::RichText);
    m_claimLink->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(m_claimLink, &QLabel::linkActivated, this,
            [](const QString& link) { QDesktopServices::openUrl(QUrl(link)); });
    layout->addWidget(m_claimLink);

    m_stationKey = new StationKeyField;
    m_stationKey->setObjectName(QStringLiteral("stationKeyField"));
    m_stationKey->setPlaceholderText(QStringLiteral("Paste your station key (uuid=\u2026)"));
    connect(m_stationKey, &StationKeyField::keyEdited, this, [this](const QString& key) {
        m_state.editStation([&key](StationConfig& c) {
            c.vireon.uuid = key.isEmpty() ? std::nullopt : std::optional<QString>(key);
        });
    });
    layout->addWidget(m_stationKey);
    m_keyWarning = new NoteLabel;
    m_keyWarning->setObjectName(QStringLiteral("stationKeyWarning"));
    m_keyWarning->setTone(Tone::warning);
    m_keyWarning->setVisible(false);
    layout->addWidget(m_keyWarning);
    layout->addWidget(OnboardingStyle::smallSecondary(DonePageModel::stationKeyHint()));
    layout->addStretch(1);
}

void DonePage::appear()
{
    m_state.completeOnboarding();
}

void DonePage::startFeeding()
{
    m_state.completeOnboarding();
    m_state.startFeeding();
}

void DonePage::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // The link takes its colour from the palette when its text is made.
    if (event->type() == QEvent::PaletteChange)
        showClaimLink();
}

void DonePage::display(const DonePageModel& model)
{
    const bool newClaim = model.claimLink != m_model.claimLink;
    m_model = model;
    m_dot->setColor(stateColor(model.statusDot));
    m_statusLine->setText(model.statusLine);
    m_startFeeding->setVisible(model.offersStart);
    m_feedingCaption->setVisible(!model.offersStart);
    m_launchAtLogin->setChecked(model.launchAtLogin);
    if (newClaim || m_claimLink->text().isEmpty())
        showClaimLink();
    m_stationKey->showKey(model.stationKey);
    m_keyWarning->setText(model.keyWarning.value_or(QString()));
    m_keyWarning->setVisible(model.keyWarning.has_value());
}

void DonePage::showClaimLink()
{
    m_claimLink->setVisible(m_model.claimLink.has_value());
    if (!m_model.claimLink) {
        m_claimLink->clear();
        return;
    }
    const QColor link = palette().color(QPalette::Link);
    m_claimLink->setText(QStringLiteral("<a href=\"%1\" style=\"color:%2; text-decoration:none\">%3</a>")
                             .arg(m_model.claimLink->toString(QUrl::FullyEncoded).toHtmlEscaped(),
                                  link.name(), DonePageModel::claimLinkLabel().toHtmlEscaped()));
}

} // namespace vireon
