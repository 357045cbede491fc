#include "ui/settings/BehaviorSection.h"

#include "app/AppSettings.h"
#include "app/AppState.h"
#include "ui/settings/NoteLabel.h"
#include "ui/settings/StateWatch.h"

#include <QCheckBox>
#include <QVBoxLayout>

namespace vireon {

BehaviorSection::BehaviorSection(AppState& state, QWidget* parent)
    : QGroupBox(QStringLiteral("Behavior"), parent), m_state(state)
{
    m_launchAtLogin = new QCheckBox(QStringLiteral("Launch at login"), this);
    m_launchAtLogin->setObjectName(QStringLiteral("launchAtLogin"));
    m_preventSleep = new QCheckBox(QStringLiteral("Prevent system sleep while feeding"), this);
    m_preventSleep->setObjectName(QStringLiteral("preventSleep"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_launchAtLogin, 0, Qt::AlignLeft);
    layout->addWidget(m_preventSleep, 0, Qt::AlignLeft);
    layout->addWidget(
        new NoteLabel(QStringLiteral("Feeding always stops when the computer sleeps. This keeps an "
                                     "idle computer awake while the feed is running (off by "
                                     "default)."),
                      this));

    // clicked, not toggled: only the user's own change registers or removes the login item.
    connect(m_launchAtLogin, &QCheckBox::clicked, this, [&state](bool on) { state.setLaunchAtLogin(on); });
    // Read at the next decoder launch; nothing else happens now.
    connect(m_preventSleep, &QCheckBox::clicked, this,
            [&state](bool on) { state.settings().setPreventSleepWhileFeeding(on); });
    onStateChange(state, this, [this] { redraw(); });
    redraw();
}

void BehaviorSection::redraw()
{
    m_launchAtLogin->setChecked(m_state.settings().launchAtLogin());
    m_preventSleep->setChecked(m_state.settings().preventSleepWhileFeeding());
}

} // namespace vireon
