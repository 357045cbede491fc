#include "ui/networks/OtherNetworksSection.h"

#include "app/AppState.h"
#include "app/ConnectorHealthLine.h"
#include "app/Diagnostics.h"
#include "app/NetworkList.h"
#include "config/StationConfigStore.h"
#include "decoder/ReadsbSupervisor.h"
#include "ui/networks/CustomConnectorSheet.h"
#include "ui/networks/HealthBadge.h"
#include "ui/networks/NetworkRow.h"
#include "ui/settings/NoteLabel.h"
#include "ui/settings/StateWatch.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace vireon {
namespace {

const QString vireonOnNote = QStringLiteral(
    "The network this app is made for. Turning it off is allowed and free \u2014 the other networks below "
    "keep working, but the tray icon can't go green, because green means the Vireon connector is "
    "healthy.");
const QString vireonOffNote =
    QStringLiteral("Vireon feeding is paused. This station currently feeds only the networks enabled below.");

} // namespace

OtherNetworksSection::OtherNetworksSection(AppState& state, QWidget* parent) : QWidget(parent), m_state(state)
{
    auto* primary = new QGroupBox(QStringLiteral("Where your data goes"), this);
    m_feedVireon = new QCheckBox(QStringLiteral("Feed Vireon"), primary);
    m_feedVireon->setObjectName(QStringLiteral("feedVireon"));
    m_vireonHealth = new HealthBadge(primary);
    m_vireonHealth->setObjectName(QStringLiteral("vireonHealth"));
    m_vireonNote = new NoteLabel({}, primary);
    m_vireonNote->setObjectName(QStringLiteral("vireonNote"));
    m_vireonHealth->setContentsMargins(24, 0, 0, 0);
    auto* primaryLayout = new QVBoxLayout(primary);
    primaryLayout->addWidget(m_feedVireon, 0, Qt::AlignLeft);
    primaryLayout->addWidget(m_vireonHealth);
    primaryLayout->addWidget(m_vireonNote);

    auto* others = new QGroupBox(QStringLiteral("Also feed other networks"), this);
    m_rowsLayout = new QVBoxLayout;
    m_rowsLayout->setSpacing(0);
    m_addCustom = new QPushButton(QStringLiteral("Add custom\u2026"), others);
    m_addCustom->setObjectName(QStringLiteral("addCustom"));
    m_count = new NoteLabel({}, others);
    m_count->setObjectName(QStringLiteral("enabledCount"));
    m_count->setWordWrap(false);
    m_localPort = new NoteLabel({}, others);
    m_localPort->setObjectName(QStringLiteral("localPortNote"));
    auto* addLine = new QHBoxLayout;
    addLine->addWidget(m_addCustom);
    addLine->addWidget(m_count);
    addLine->addStretch();
    auto* othersLayout = new QVBoxLayout(others);
    othersLayout->addWidget(new NoteLabel(
        QStringLiteral("Your receiver can feed these alongside Vireon \u2014 one decode, many destinations. "
                       "Always free, never exclusive. Each network identifies your station by a feeder UUID; "
                       "look it up on their site to claim your stats."),
        others));
    othersLayout->addWidget(new NoteLabel(
        QStringLiteral(
            "You don't need their own feeder client. Those installers exist for Linux boxes with no "
            "decoder \u2014 this app already sends the same stream to the same port. Some networks "
            "(ADSBExchange) still want you to register the station before it counts."),
        others));
    othersLayout->addLayout(m_rowsLayout);
    othersLayout->addLayout(addLine);
    othersLayout->addWidget(
        new NoteLabel(QStringLiteral("Changes apply when the feed restarts \u2014 use "
                                     "\u201cApply to Running Feed\u201d below, or Stop/Start "
                                     "from the menu."),
                      others));
    othersLayout->addWidget(m_localPort);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(primary);
    layout->addWidget(others);

    connect(m_feedVireon, &QCheckBox::clicked, this, [this](bool on) {
        StationConfigStore& store = m_state.configStore();
        StationConfig config = store.config();
        config.vireon.enabled = on;
        store.setConfig(config);
        store.save(); // a failing write is ignored
    });
    connect(m_addCustom, &QPushButton::clicked, this, &OtherNetworksSection::showCustomSheet);
    onStateChange(state, this, [this] { redraw(); });
    redraw();
}

CustomConnectorSheet* OtherNetworksSection::customSheet() const
{
    return m_sheet;
}

void OtherNetworksSection::showCustomSheet()
{
    if (m_sheet) {
        m_sheet->raise();
        return;
    }
    // Over the window the form sits in; a fresh sheet starts from empty fields every time.
    m_sheet = new CustomConnectorSheet(m_state, window());
    m_sheet->open();
}

void OtherNetworksSection::redraw()
{
    const StationConfig& config = m_state.configStore().config();
    m_feedVireon->setChecked(config.vireon.enabled);
    m_vireonHealth->display(
        config.vireon.enabled
            ? ConnectorHealthLine::make(m_state.isFeedingActive(), m_state.supervisor().connectorHealth(),
                                        QStringLiteral("vireon"), Diagnostics::stationKeys(config))
            : std::nullopt);
    m_vireonNote->setText(config.vireon.enabled ? vireonOnNote : vireonOffNote);
    m_vireonNote->setTone(config.vireon.enabled ? NoteLabel::Tone::secondary : NoteLabel::Tone::warning);

    redrawRows();

    const std::optional<QString> count = NetworkList::countText(NetworkList::enabledCount(config));
    m_count->setText(count.value_or(QString()));
    m_count->setVisible(count.has_value());
    m_localPort->setText(
        QStringLiteral("FR24 and RadarBox need their own feeder client; point it at localhost:") +
        QString::number(config.localOutputs.beastPort) +
        QStringLiteral(", which stays open regardless of these settings."));
}

void OtherNetworksSection::redrawRows()
{
    const QList<NetworkList::Row> rows = NetworkList::rows(m_state.configStore().config(), m_state.config());
    bool sameNetworks = rows.size() == m_rows.size();
    for (qsizetype i = 0; sameNetworks && i < rows.size(); ++i)
        sameNetworks =
            rows[i].key() == m_rows[i]->row().key() && bool(rows[i].preset) == bool(m_rows[i]->row().preset);
    if (sameNetworks) {
        for (qsizetype i = 0; i < rows.size(); ++i)
            m_rows[i]->setRow(rows[i]);
        return;
    }
    // The click that changed the list may still be running inside one of these rows.
    for (NetworkRow* row : std::as_const(m_rows)) {
        row->hide();
        row->deleteLater();
    }
    m_rows.clear();
    // New rows come last in the window's tab chain; they belong between the switch and "Add custom…".
    QWidget* previous = m_feedVireon;
    for (const NetworkList::Row& row : rows) {
        auto* widget = new NetworkRow(m_state, row, this);
        m_rowsLayout->addWidget(widget);
        m_rows.append(widget);
        for (QWidget* control : widget->focusChain()) {
            setTabOrder(previous, control);
            previous = control;
        }
    }
    setTabOrder(previous, m_addCustom);
}

} // namespace vireon
