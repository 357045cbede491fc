#include "ui/settings/BehaviorSection.h"

#include "app/AppState.h"
#include "ui/common/NoteLabel.h"

#include <QCheckBox>
#include <QVBoxLayout>

namespace vireon {

BehaviorSection::BehaviorSection(AppState& state, QWidget* parent)
    : QGroupBox(QStringLiteral("Behavior"), parent)
{
    m_launchAtLogin = new QCheckBox(QStringLiteral("Launch at login"), this);
    m_launchAtLogin->setObjectName(QStringLiteral("launchAtLogin"));
    m_preventSleep = new QCheckBox(QStringLiteral("Prevent system sleep while feeding"), this);
    m_preventSleep->setObjectName(QStringLiteral("preventSleep"));

    m_notify = new QCheckBox(QStringLiteral("Notify me when feeding needs attention"), this);
    m_notify->setObjectName(QStringLiteral("notify"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_launchAtLogin, 0, Qt::AlignLeft);
    layout->addWidget(m_preventSleep, 0, Qt::AlignLeft);
    layout->addWidget(
        new NoteLabel(QStringLiteral("Feeding always stops when the computer sleeps. This keeps an "
                                     "idle computer awake while the feed is running (off by "
                                     "default)."),
                      this));
    layout->addWidget(m_notify, 0, Qt::AlignLeft);

    // clicked, not toggled: only the user's own change registers or removes the login item.
    connect(m_launchAtLogin, &QCheckBox::clicked, this, [&state](bool on) { state.setLaunchAtLogin(on); });
    connect(m_preventSleep, &QCheckBox::clicked, this, [&state](bool on) { state.setPreventSleep(on); });
    connect(m_notify, &QCheckBox::clicked, this,
            [&state](bool on) { state.setNotifyWhenAttentionNeeded(on); });
}

void BehaviorSection::display(const SettingsModel::Behavior& model)
{
    m_launchAtLogin->setChecked(model.launchAtLogin);
    m_preventSleep->setChecked(model.preventSleep);
    m_notify->setChecked(model.notify);
}

} // namespace vireon
