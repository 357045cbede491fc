#include "ui/settings/ReceiverSection.h"

#include "app/AppState.h"
#include "app/GainSetting.h"
#include "config/StationConfigStore.h"
#include "ui/common/WheelGuard.h"
#include "ui/settings/StateWatch.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>
#include <cmath>

namespace vireon {

ReceiverSection::ReceiverSection(AppState& state, QWidget* parent)
    : QGroupBox(QStringLiteral("Receiver"), parent), m_state(state)
{
    m_choice = new QComboBox(this);
    m_choice->setObjectName(QStringLiteral("gainChoice"));
    m_choice->addItems({QStringLiteral("Automatic"), QStringLiteral("Manual")});
    m_choice->setAccessibleName(QStringLiteral("Tuner gain"));
    m_gainLabel = new QLabel(this);
    m_gainLabel->setTextFormat(Qt::PlainText);
    m_gainLabel->setObjectName(QStringLiteral("gainLabel"));
    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setObjectName(QStringLiteral("gainSlider"));
    m_slider->setRange(0, sliderSteps);
    m_slider->setPageStep(10);
    m_slider->setAccessibleName(QStringLiteral("Manual gain"));
    WheelGuard::protect(m_choice);
    WheelGuard::protect(m_slider);

    m_form = new QFormLayout(this);
    m_form->addRow(QStringLiteral("Tuner gain"), m_choice);
    m_form->addRow(m_gainLabel, m_slider);

    StationConfigStore& store = state.configStore();
    connect(m_choice, &QComboBox::activated, this, [&store](int index) {
        const bool automatic = index == 0;
        if (automatic != GainSetting::isAuto(store.config().station.gain))
            store.setStationGain(GainSetting::forChoice(automatic));
    });
    // Every step writes, also while dragging: the store is the slider's only memory.
    connect(m_slider, &QSlider::valueChanged, this,
            [&store](int tenths) { store.setStationGain(GainSetting::forManual(tenths / 10.0)); });
    onStateChange(state, this, [this] { redraw(); });
    redraw();
}

void ReceiverSection::redraw()
{
    const QString& gain = m_state.configStore().config().station.gain;
    const bool automatic = GainSetting::isAuto(gain);
    const double manual = GainSetting::manualGain(gain);
    m_choice->setCurrentIndex(automatic ? 0 : 1);
    m_gainLabel->setText(GainSetting::label(manual));
    m_form->setRowVisible(m_slider, !automatic);
    // Shown, not stored: an unreadable gain stays in the file until the user moves the slider.
    const QSignalBlocker quiet(m_slider);
    m_slider->setValue(int(std::lround(std::clamp(manual, 0.0, GainSetting::sliderMaximum) * 10)));
}

} // namespace vireon
