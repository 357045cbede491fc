#include "ui/networks/MlatControls.h"

#include "app/AppState.h"

#include <QCheckBox>
#include <QVBoxLayout>

namespace vireon {
namespace {

constexpr int indent = 24;

} // namespace

MlatControls::MlatControls(AppState& state, std::function<QString()> key, QWidget* parent) : QWidget(parent)
{
    m_on = new QCheckBox(QStringLiteral("MLAT"), this);
    m_on->setObjectName(QStringLiteral("mlat"));
    m_on->setToolTip(QStringLiteral("Lets the network locate aircraft that send no position, by timing "
                                    "their messages at several stations."));
    m_hidden = new QCheckBox(QStringLiteral("Hide my station on coverage maps"), this);
    m_hidden->setObjectName(QStringLiteral("mlatPrivacy"));

    auto* privacy = new QVBoxLayout;
    privacy->setContentsMargins(indent, 0, 0, 0);
    privacy->addWidget(m_hidden, 0, Qt::AlignLeft);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_on, 0, Qt::AlignLeft);
    layout->addLayout(privacy);

    connect(m_on, &QCheckBox::clicked, this, [&state, key](bool on) { state.setNetworkMlat(key(), on); });
    connect(m_hidden, &QCheckBox::clicked, this,
            [&state, key](bool hidden) { state.setNetworkMlatPrivacy(key(), hidden); });
    hide();
}

void MlatControls::display(const std::optional<MlatRowModel>& model)
{
    setVisible(model.has_value());
    if (!model)
        return;
    m_on->setChecked(model->on);
    m_hidden->setChecked(model->hidden);
    m_hidden->setEnabled(model->on);
}

QList<QWidget*> MlatControls::focusChain() const
{
    return {m_on, m_hidden};
}

} // namespace vireon
