#include "ui/networks/OtherNetworksSection.h"

#include "app/AppState.h"
#include "ui/common/NoteLabel.h"
#include "ui/networks/CustomConnectorSheet.h"
#include "ui/networks/HealthBadge.h"
#include "ui/networks/MlatControls.h"
#include "ui/networks/NetworkRow.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace vireon {

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
    m_vireonMlatLine = new HealthBadge(primary);
    m_vireonMlatLine->setObjectName(QStringLiteral("vireonMlatLine"));
    m_vireonMlatLine->setContentsMargins(24, 0, 0, 0);
    m_vireonMlat = new MlatControls(
        state, [] { return QStringLiteral("vireon"); }, primary);
    m_vireonMlat->setObjectName(QStringLiteral("vireonMlat"));
    m_vireonMlat->setContentsMargins(24, 0, 0, 0);
    auto* primaryLayout = new QVBoxLayout(primary);
    primaryLayout->addWidget(m_feedVireon, 0, Qt::AlignLeft);
    primaryLayout->addWidget(m_vireonHealth);
    primaryLayout->addWidget(m_vireonMlatLine);
    primaryLayout->addWidget(m_vireonMlat);
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

    connect(m_feedVireon, &QCheckBox::clicked, this,
            [this](bool on) { m_state.editStation([on](StationConfig& c) { c.vireon.enabled = on; }); });
    connect(m_addCustom, &QPushButton::clicked, this, &OtherNetworksSection::showCustomSheet);
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

void OtherNetworksSection::display(const NetworksModel& model)
{
    m_feedVireon->setChecked(model.feedVireon);
    m_vireonHealth->display(model.vireonHealth);
    m_vireonMlat->display(model.vireonMlat);
    m_vireonMlatLine->display(model.vireonMlat ? model.vireonMlat->line : std::nullopt);
    m_vireonNote->setText(model.vireonNote.text);
    m_vireonNote->setTone(model.vireonNote.tone);
    displayRows(model.rows);
    m_count->setText(model.countText.value_or(QString()));
    m_count->setVisible(model.countText.has_value());
    m_localPort->setText(model.localPortNote);
}

void OtherNetworksSection::displayRows(const QList<NetworkRowModel>& rows)
{
    bool sameNetworks = rows.size() == m_rows.size();
    for (qsizetype i = 0; sameNetworks && i < rows.size(); ++i)
        sameNetworks = rows[i].key == m_rows[i]->model().key && rows[i].preset == m_rows[i]->model().preset;
    if (sameNetworks) {
        // The same networks with newer values: the widgets stay, so typing in a key field goes on.
        for (qsizetype i = 0; i < rows.size(); ++i)
            m_rows[i]->display(rows[i]);
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
    for (QWidget* control : m_vireonMlat->focusChain()) {
        setTabOrder(previous, control);
        previous = control;
    }
    for (const NetworkRowModel& model : rows) {
        auto* widget = new NetworkRow(m_state, this);
        widget->display(model);
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
