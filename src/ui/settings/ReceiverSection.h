#pragma once

#include "presentation/settings/GainInput.h"
#include "presentation/settings/SettingsModel.h"

#include <QGroupBox>

class QComboBox;
class QFormLayout;
class QLabel;
class QSlider;

namespace vireon {

class AppState;
class NoteLabel;

// "Receiver": automatic or manual tuner gain, and the manual gain on a slider from 0.0 to 49.6 dB;
// under them what the station hears, so a person changing the gain sees what it does.
class ReceiverSection : public QGroupBox {
    Q_OBJECT
public:
    explicit ReceiverSection(AppState& state, QWidget* parent = nullptr);

    // The slider counts tenths of a decibel, the finest step the stored "%.1f" text can hold.
    static constexpr int sliderSteps = 496;
    static_assert(sliderSteps == int(GainInput::sliderMaximum * 10 + 0.5));

    void display(const SettingsModel::Receiver& model);

private:
    AppState& m_state;
    QFormLayout* m_form;
    QComboBox* m_choice;
    QLabel* m_gainLabel;
    QSlider* m_slider;
    NoteLabel* m_figures;
    NoteLabel* m_hints;
};

} // namespace vireon
