#include "ui/networks/NetworkRow.h"

#include "app/AppState.h"
#include "app/NetworkEdits.h"
#include "ui/common/NoteLabel.h"
#include "ui/common/StateColors.h"
#include "ui/common/WidgetText.h"
#include "ui/networks/HealthBadge.h"
#include "ui/networks/MlatControls.h"

#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vireon {
namespace {

// What belongs to a network sits under its switch's label.
constexpr int indent = 24;

} // namespace

NetworkRow::NetworkRow(AppState& state, QWidget* parent) : QWidget(parent), m_state(state)
{
    m_enabled = new QCheckBox(this);
    m_enabled->setObjectName(QStringLiteral("enabled"));
    m_health = new HealthBadge(this);
    m_health->setObjectName(QStringLiteral("health"));
    m_health->setContentsMargins(indent, 0, 0, 0);
    // MLAT's line sits under the connection's: both say how the network is doing.
    m_mlatLine = new HealthBadge(this);
    m_mlatLine->setObjectName(QStringLiteral("mlatLine"));
    m_mlatLine->setContentsMargins(indent, 0, 0, 0);
    m_site = new QLabel(this);
    m_site->setObjectName(QStringLiteral("siteLink"));
    m_site->setTextFormat(Qt::RichText);
    m_site->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    m_site->setOpenExternalLinks(true);
    m_site->setAccessibleName(QStringLiteral("Their site \u2197"));

    auto* header = new QHBoxLayout;
    header->addWidget(m_enabled);
    header->addStretch();
    header->addWidget(m_site);

    m_details = new QWidget(this);
    m_uuid = new QLineEdit(m_details);
    m_uuid->setObjectName(QStringLiteral("uuid"));
    m_uuid->setPlaceholderText(QStringLiteral("required by most networks"));
    m_uuid->setAccessibleName(QStringLiteral("Feeder UUID"));
    m_generate = new QPushButton(QStringLiteral("Generate"), m_details);
    m_generate->setObjectName(QStringLiteral("generate"));
    m_generate->setAccessibleName(QStringLiteral("Generate"));
    m_generate->setToolTip(QStringLiteral(
        "Creates a new random UUID. Reuse the same one across networks so your station is recognisable."));
    m_uuidNote = new NoteLabel({}, m_details);
    m_uuidNote->setObjectName(QStringLiteral("uuidNote"));
    m_endpoint = new NoteLabel({}, m_details);
    m_endpoint->setObjectName(QStringLiteral("endpoint"));
    m_endpoint->setMonospaced();
    m_remove = new QPushButton(QStringLiteral("Remove"), m_details);
    m_remove->setObjectName(QStringLiteral("remove"));
    m_remove->setAccessibleName(QStringLiteral("Remove"));
    paintRemoveAsDestructive();
    m_mlat = new MlatControls(
        m_state, [this] { return m_model.key; }, m_details);

    auto* keyLine = new QHBoxLayout;
    keyLine->setSpacing(6);
    auto* keyLabel = new QLabel(QStringLiteral("Feeder UUID"), m_details);
    keyLabel->setTextFormat(Qt::PlainText);
    keyLabel->setBuddy(m_uuid);
    keyLine->addWidget(keyLabel);
    keyLine->addWidget(m_uuid, 1);
    keyLine->addWidget(m_generate);
    auto* endpointLine = new QHBoxLayout;
    endpointLine->addWidget(m_endpoint, 1);
    endpointLine->addWidget(m_remove);
    auto* details = new QVBoxLayout(m_details);
    details->setContentsMargins(indent, 0, 0, 0);
    details->addLayout(keyLine);
    details->addWidget(m_uuidNote);
    details->addLayout(endpointLine);
    details->addWidget(m_mlat);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 4);
    layout->addLayout(header);
    layout->addWidget(m_health);
    layout->addWidget(m_mlatLine);
    layout->addWidget(m_details);

    // The key is read when the click comes: the row may have been redrawn for another network since.
    connect(m_enabled, &QCheckBox::clicked, this,
            [this](bool on) { m_state.setNetworkEnabled(m_model.key, on); });
    connect(m_uuid, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_state.setNetworkUuid(m_model.key, text); });
    connect(m_generate, &QPushButton::clicked, this,
            [this] { m_state.setNetworkUuid(m_model.key, NetworkEdits::generatedUuid()); });
    connect(m_remove, &QPushButton::clicked, this, [this] { m_state.removeNetwork(m_model.key); });
}

void NetworkRow::display(const NetworkRowModel& model)
{
    const bool newSite = model.siteUrl != m_model.siteUrl;
    m_model = model;
    setObjectName(QStringLiteral("networkRow_") + model.key);
    // The name is the user's (or the network's) own text, shown as it is written.
    m_enabled->setText(literalWidgetText(model.title));
    m_enabled->setChecked(model.enabled);
    m_site->setVisible(model.siteUrl.has_value());
    if (newSite || m_site->text().isEmpty())
        showSiteLink();
    m_health->display(model.health);
    m_details->setVisible(model.showsDetails);
    // Only a different value is written into the field, so the cursor stays put while typing.
    if (m_uuid->text() != model.uuid) {
        m_uuid->setText(model.uuid);
        if (!m_uuid->hasFocus())
            m_uuid->setCursorPosition(0); // a key set from elsewhere is read from its start
    }
    m_uuidNote->setVisible(model.uuidNote.has_value());
    if (model.uuidNote) {
        m_uuidNote->setText(model.uuidNote->text);
        m_uuidNote->setTone(model.uuidNote->tone);
    }
    m_endpoint->setText(model.endpoint);
    m_remove->setVisible(model.removable);
    m_mlat->display(model.mlat);
    m_mlatLine->display(model.mlat ? model.mlat->line : std::nullopt);
    // Every row has these controls; the network's name tells them apart.
    m_uuid->setAccessibleDescription(model.title);
    m_generate->setAccessibleDescription(model.title);
    m_remove->setAccessibleDescription(model.title);
}

QList<QWidget*> NetworkRow::focusChain() const
{
    return QList<QWidget*>{m_enabled, m_site, m_uuid, m_generate, m_remove} + m_mlat->focusChain();
}

void NetworkRow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // A rich-text link takes its colour when its text is set, and setting the same text again is
    // ignored.
    if (event->type() == QEvent::PaletteChange) {
        showSiteLink();
        paintRemoveAsDestructive();
    }
}

void NetworkRow::showSiteLink()
{
    m_site->clear();
    if (m_model.siteUrl) {
        m_site->setText(QStringLiteral("<a href=\"%1\">Their site \u2197</a>")
                            .arg(m_model.siteUrl->toString(QUrl::FullyEncoded).toHtmlEscaped()));
    }
}

void NetworkRow::paintRemoveAsDestructive()
{
    // Removing a network takes its key with it; the button says so in the danger colour.
    QPalette danger = m_remove->palette();
    danger.setColor(QPalette::ButtonText, toneColor(Tone::error, palette()));
    m_remove->setPalette(danger);
}

} // namespace vireon
