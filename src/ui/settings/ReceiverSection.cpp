#include "ui/settings/ReceiverSection.h"

#include "app/AppState.h"
#include "ui/common/NoteLabel.h"
#include "ui/common/WheelGuard.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>
#include <cmath>

namespace vireon {
namespace {

void storeGain(AppState& state, const QString& gain)
{
    state.editStation([&gain](StationConfig& c) { c.station.gain = gain; });
}

} // namespace

ReceiverSection::ReceiverSection(AppState& state, QWidget* parent)
    : QGroupBox(QStringLiteral("Receiver"), parent), m_state(state)
{
    m_choice = new QComboBox(this);
    m_choice->setObjectName(QStringLiteral("gainChoice"));
    m_choice->addItems({QStringLiteral("Automatic"), QStringLiteral("Manual")});
    m_choice->setAccessibleName(QStringLiteral("Tuner gain"));
    m_gainLabel = new QLabel(this);
    m_gainLabel->setObjectName(QStringLiteral("gainLabel"));
    m_gainLabel->setTextFormat(Qt::PlainText);
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
    m_figures = new NoteLabel({}, this);
    m_figures->setObjectName(QStringLiteral("receiverFigures"));
    m_form->addRow(m_figures);
    m_hints = new NoteLabel({}, this);
    m_hints->setObjectName(QStringLiteral("receiverHints"));
    m_hints->setTone(Tone::warning);
    m_form->addRow(m_hints);

    connect(m_choice, &QComboBox::activated, this, [this](int index) {
        const bool automatic = index == 0;
        // Choosing "Manual" again would reset a manual gain to its starting value.
        if (automatic != GainInput::isAuto(m_state.stationConfig().station.gain))
            storeGain(m_state, GainInput::forChoice(automatic));
    });
    // Every step writes, also while dragging: the configuration is the slider's only memory.
    connect(m_slider, &QSlider::valueChanged, this,
            [this](int tenths) { storeGain(m_state, GainInput::forManual(tenths / 10.0)); });
}

void ReceiverSection::display(const SettingsModel::Receiver& model)
{
    m_choice->setCurrentIndex(model.automatic ? 0 : 1);
    m_gainLabel->setText(model.gainLabel);
    m_form->setRowVisible(m_slider, !model.automatic);
    m_figures->setText(model.hearing.figuresLine.value_or(QString()));
    m_form->setRowVisible(m_figures, model.hearing.figuresLine.has_value());
    m_hints->setText(model.hearing.hints.join(QLatin1Char('\n')));
    m_form->setRowVisible(m_hints, !model.hearing.hints.isEmpty());
    // Shown, not stored: an unreadable gain stays in the file until the user moves the slider.
    const QSignalBlocker quiet(m_slider);
    m_slider->setValue(int(std::lround(std::clamp(model.manualGain, 0.0, GainInput::sliderMaximum) * 10)));
}

} // namespace vireon
