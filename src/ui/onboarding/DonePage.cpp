#include "ui/onboarding/DonePage.h"

#include "app/AppSettings.h"
#include "app/AppState.h"
#include "app/KeyWarnings.h"
#include "app/OnboardingRules.h"
#include "config/StationConfigStore.h"
#include "ui/common/StationKeyField.h"
#include "ui/onboarding/OnboardingIcons.h"
#include "ui/onboarding/OnboardingStyle.h"
#include "ui/settings/NoteLabel.h"

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
    m_dot = new QLabel;
    m_dot->setObjectName(QStringLiteral("statusDot"));
    m_dot->setFixedSize(dotSize, dotSize);
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
    m_feedingCaption = OnboardingStyle::smallSecondary(
        QStringLiteral("The tray antenna turns green once data is flowing to Vireon."));
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
    connect(m_stationKey, &StationKeyField::keyEdited, this, &DonePage::stationKeyEdited);
    layout->addWidget(m_stationKey);
    m_keyWarning = new NoteLabel;
    m_keyWarning->setObjectName(QStringLiteral("stationKeyWarning"));
    m_keyWarning->setTone(NoteLabel::Tone::warning);
    m_keyWarning->setVisible(false);
    layout->addWidget(m_keyWarning);
    layout->addWidget(OnboardingStyle::smallSecondary(OnboardingRules::stationKeyHint()));
    layout->addStretch(1);

    connect(&state, &AppState::changed, this, &DonePage::refresh);
    connect(&state, &AppState::presentationChanged, this, &DonePage::refresh);
    connect(&state.settings(), &AppSettings::changed, this, &DonePage::refresh);
    connect(&state.configStore(), &StationConfigStore::changed, this, &DonePage::refresh);
    refresh();
}

void DonePage::appear()
{
    m_state.settings().setHasCompletedOnboarding(true);
    refresh();
}

void DonePage::startFeeding()
{
    m_state.settings().setHasCompletedOnboarding(true);
    m_state.startFeeding();
}

void DonePage::stationKeyEdited(const QString& key)
{
    StationConfigStore& store = m_state.configStore();
    StationConfig config = store.config();
    config.vireon.uuid = key.isEmpty() ? std::nullopt : std::optional<QString>(key);
    store.setConfig(config);
    (void)store.save(); // a failed save is the store's concern
}

void DonePage::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        refresh();
}

void DonePage::refresh()
{
    const StatusIcon::State dot = OnboardingRules::statusDot(m_state.iconState());
    m_dot->setPixmap(OnboardingIcons::dot(StatusIcon::color(dot), dotSize, devicePixelRatioF()));
    m_dot->setProperty("state", int(dot));
    m_statusLine->setText(m_state.statusLine());

    // Waiting for the stick counts as feeding here too: the feed resumes by itself.
    const bool feeding = m_state.isFeedingOrAwaitingStick();
    m_startFeeding->setVisible(!feeding);
    m_feedingCaption->setVisible(feeding);
    m_launchAtLogin->setChecked(m_state.settings().launchAtLogin());

    const auto claim = OnboardingRules::claimLink(m_state.config().links);
    m_claimLink->setVisible(claim.has_value());
    if (claim) {
        const QColor link = palette().color(QPalette::Link);
        m_claimLink->setText(QStringLiteral("<a href=\"%1\" style=\"color:%2; text-decoration:none\">%3</a>")
                                 .arg(claim->toString(QUrl::FullyEncoded).toHtmlEscaped(), link.name(),
                                      OnboardingRules::claimLinkLabel().toHtmlEscaped()));
    }

    const StationConfig& config = m_state.configStore().config();
    m_stationKey->showKey(config.vireon.uuid.value_or(QString()));
    const std::optional<QString> warning = KeyWarnings::primary(config, m_state.config().ingest);
    m_keyWarning->setText(warning.value_or(QString()));
    m_keyWarning->setVisible(warning.has_value());
}

} // namespace vireon
