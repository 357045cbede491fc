#include "ui/networks/CustomConnectorSheet.h"

#include "app/AppState.h"
#include "ui/common/NoteLabel.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vireon {
namespace {

QLineEdit* field(const QString& objectName, const QString& accessibleName, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(objectName);
    edit->setAccessibleName(accessibleName);
    return edit;
}

} // namespace

CustomConnectorSheet::CustomConnectorSheet(AppState& state, QWidget* parent) : QDialog(parent), m_state(state)
{
    setWindowTitle(QStringLiteral("Add a network"));
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedWidth(420);

    const CustomNetworkInput initial;
    auto* title = new QLabel(QStringLiteral("Add a network"), this);
    title->setTextFormat(Qt::PlainText);
    QFont headline = title->font();
    headline.setBold(true);
    headline.setPointSizeF(headline.pointSizeF() * 1.15);
    title->setFont(headline);
    m_label = field(QStringLiteral("name"), QStringLiteral("Name"), this);
    m_label->setPlaceholderText(QStringLiteral("e.g. My club's server"));
    m_host = field(QStringLiteral("host"), QStringLiteral("Host"), this);
    m_host->setPlaceholderText(QStringLiteral("feed.example.net"));
    m_port = field(QStringLiteral("port"), QStringLiteral("Port"), this);
    m_port->setText(initial.port);
    m_protocol = new QComboBox(this);
    m_protocol->setObjectName(QStringLiteral("protocol"));
    m_protocol->setAccessibleName(QStringLiteral("Protocol"));
    m_protocol->addItems(CustomNetworkInput::protocolChoices());
    m_protocol->setCurrentText(initial.protocolName);
    m_uuid = field(QStringLiteral("uuid"), QStringLiteral("Feeder UUID (optional)"), this);
    m_mlatServer = field(QStringLiteral("mlatServer"), QStringLiteral("MLAT server (host:port)"), this);
    m_mlatServer->setPlaceholderText(QStringLiteral("optional, e.g. mlat.example.net:31090"));
    m_problem = new NoteLabel({}, this);
    m_problem->setObjectName(QStringLiteral("problem"));
    m_problem->setTone(Tone::error);
    m_keyWarning = new NoteLabel({}, this);
    m_keyWarning->setObjectName(QStringLiteral("keyWarning"));
    m_keyWarning->setTone(Tone::warning);

    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    cancel->setAutoDefault(false);
    m_add = new QPushButton(QStringLiteral("Add"), this);
    m_add->setObjectName(QStringLiteral("add"));
    m_add->setDefault(true);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Name"), m_label);
    form->addRow(QStringLiteral("Host"), m_host);
    form->addRow(QStringLiteral("Port"), m_port);
    form->addRow(QStringLiteral("Protocol"), m_protocol);
    form->addRow(QStringLiteral("Feeder UUID (optional)"), m_uuid);
    form->addRow(QStringLiteral("MLAT server (host:port)"), m_mlatServer);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancel);
    buttons->addWidget(m_add);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->addWidget(title);
    layout->addLayout(form);
    layout->addWidget(m_problem);
    layout->addWidget(m_keyWarning);
    layout->addLayout(buttons);

    for (QLineEdit* edit : {m_label, m_host, m_port, m_uuid, m_mlatServer})
        connect(edit, &QLineEdit::textChanged, this, &CustomConnectorSheet::redraw);
    // The protocol decides whether the decoder sends the key at all.
    connect(m_protocol, &QComboBox::currentIndexChanged, this, &CustomConnectorSheet::redraw);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_add, &QPushButton::clicked, this, &CustomConnectorSheet::add);
    redraw();
}

CustomNetworkInput CustomConnectorSheet::form() const
{
    return CustomNetworkInput{m_label->text(),           m_host->text(), m_port->text(),
                              m_protocol->currentText(), m_uuid->text(), m_mlatServer->text()};
}

void CustomConnectorSheet::redraw()
{
    const CustomNetworkInput entries = form();
    const std::optional<QString> problem = entries.problem();
    m_problem->setText(problem.value_or(QString()));
    m_problem->setVisible(problem.has_value());
    // Only once the entries are right: a key the decoder would not send is still a valid entry.
    const std::optional<QString> keyWarning = entries.keyWarning();
    m_keyWarning->setText(keyWarning.value_or(QString()));
    m_keyWarning->setVisible(keyWarning.has_value());
    m_add->setEnabled(entries.canAdd());
}

void CustomConnectorSheet::add()
{
    // Checked again here: Return reaches this even when nothing has redrawn the button yet.
    const std::optional<StationConfig::ExtraConnector> connector = form().connector();
    if (!connector)
        return;
    m_state.addCustomNetwork(*connector);
    accept();
}

} // namespace vireon
