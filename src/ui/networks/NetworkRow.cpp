#include "ui/networks/NetworkRow.h"

#include "app/AppState.h"
#include "app/ConnectorHealthLine.h"
#include "app/Diagnostics.h"
#include "app/KeyWarnings.h"
#include "config/StationConfigStore.h"
#include "decoder/ReadsbCommand.h"
#include "decoder/ReadsbSupervisor.h"
#include "ui/common/ToneColors.h"
#include "ui/common/WidgetText.h"
#include "ui/networks/HealthBadge.h"
#include "ui/settings/NoteLabel.h"

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

NetworkRow::NetworkRow(AppState& state, const NetworkList::Row& row, QWidget* parent)
    : QWidget(parent), m_state(state), m_row(row)
{
    setObjectName(QStringLiteral("networkRow_") + row.key());
    m_enabled = new QCheckBox(this);
    m_enabled->setObjectName(QStringLiteral("enabled"));
    m_health = new HealthBadge(this);
    m_health->setObjectName(QStringLiteral("health"));
    m_health->setContentsMargins(indent, 0, 0, 0);
    m_site = new QLabel(this);
    m_site->setObjectName(QStringLiteral("siteLink"));
    m_site->setTextFormat(Qt::RichText);
    m_site->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    m_site->setOpenExternalLinks(true);

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
    m_generate->setAccessibleName(QStringLiteral("Generate"));
    paintRemoveAsDestructive();

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

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 4);
    layout->addLayout(header);
    layout->addWidget(m_health);
    layout->addWidget(m_details);

    connect(m_enabled, &QCheckBox::clicked, this,
            [this](bool on) { store(NetworkList::withEnabled(m_state.configStore().config(), m_row, on)); });
    connect(m_uuid, &QLineEdit::textEdited, this, &NetworkRow::storeUuid);
    connect(m_generate, &QPushButton::clicked, this, [this] { storeUuid(NetworkList::generatedUuid()); });
    connect(m_remove, &QPushButton::clicked, this,
            [this] { store(NetworkList::withoutConnector(m_state.configStore().config(), m_row.key())); });
    redraw();
}

void NetworkRow::setRow(const NetworkList::Row& row)
{
    m_row = row;
    redraw();
}

QList<QWidget*> NetworkRow::focusChain() const
{
    return {m_enabled, m_site, m_uuid, m_generate, m_remove};
}

void NetworkRow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // A rich-text link takes its colour when its text is set, and setting the same text again is
    // ignored.
    if (event->type() == QEvent::PaletteChange) {
        m_site->clear();
        paintRemoveAsDestructive();
        redraw();
    }
}

void NetworkRow::paintRemoveAsDestructive()
{
    // Removing a network takes its key with it; the button says so in the danger colour.
    QPalette danger = m_remove->palette();
    danger.setColor(QPalette::ButtonText, toneColor(Tone::error, palette()));
    m_remove->setPalette(danger);
}

void NetworkRow::store(const StationConfig& config)
{
    StationConfigStore& store = m_state.configStore();
    store.setConfig(config); // may replace this row; nothing of it is touched afterwards
    store.save();            // a failing write is ignored
}

void NetworkRow::storeUuid(const QString& text)
{
    if (const auto changed = NetworkList::withUuid(m_state.configStore().config(), m_row.key(), text))
        store(*changed);
}

void NetworkRow::redraw()
{
    const QString title = m_row.title();
    // The name is the user's (or the network's) own text, shown as it is written.
    m_enabled->setText(literalWidgetText(title));
    m_enabled->setChecked(m_row.isEnabled());
    const std::optional<QUrl> site = m_row.siteURL();
    m_site->setVisible(site.has_value());
    if (site) {
        m_site->setText(QStringLiteral("<a href=\"%1\">Their site \u2197</a>")
                            .arg(site->toString(QUrl::FullyEncoded).toHtmlEscaped()));
        m_site->setAccessibleName(QStringLiteral("Their site \u2197"));
    }

    m_details->setVisible(m_row.isEnabled());
    const StationConfig& config = m_state.configStore().config();
    m_health->display(m_row.isEnabled()
                          ? ConnectorHealthLine::make(m_state.isFeedingActive(),
                                                      m_state.supervisor().connectorHealth(), m_row.key(),
                                                      Diagnostics::stationKeys(config))
                          : std::nullopt);
    if (!m_row.connector)
        return;
    const StationConfig::ExtraConnector& connector = *m_row.connector;
    const QString uuid = connector.uuid.value_or(QString());
    // Only a different value is written into the field, so the cursor stays put while typing.
    if (m_uuid->text() != uuid) {
        m_uuid->setText(uuid);
        if (!m_uuid->hasFocus())
            m_uuid->setCursorPosition(0); // a key set from elsewhere is read from its start
    }
    const bool validUuid = connector.uuid && ReadsbCommand::isValidUUID(*connector.uuid);
    const std::optional<QString> keyWarning = validUuid ? KeyWarnings::extra(connector) : std::nullopt;
    if (!connector.uuid) {
        m_uuidNote->setText(
            QStringLiteral("Without a UUID the network still accepts data, but can't attribute it to you."));
        m_uuidNote->setTone(NoteLabel::Tone::secondary);
    } else if (!ReadsbCommand::isValidUUID(*connector.uuid)) {
        m_uuidNote->setText(
            QStringLiteral("Invalid UUID \u2014 letters, digits and dashes only. The feed won't "
                           "start until this is fixed."));
        m_uuidNote->setTone(NoteLabel::Tone::error);
    } else if (keyWarning) {
        m_uuidNote->setText(*keyWarning);
        m_uuidNote->setTone(NoteLabel::Tone::warning);
    }
    m_uuidNote->setVisible(!validUuid || keyWarning);
    m_endpoint->setText(connector.host + QLatin1Char(':') + QString::number(connector.port));
    m_remove->setVisible(!m_row.preset);
    // Every row has these controls; the network's name tells them apart.
    m_uuid->setAccessibleDescription(title);
    m_generate->setAccessibleDescription(title);
    m_remove->setAccessibleDescription(title);
}

} // namespace vireon
