#pragma once

#include "ui/common/ToneColors.h"

#include <QLabel>

namespace vireon {

// The small explanatory text under a control: dimmed, or in a warning colour that stays legible on
// light and dark palettes.
class NoteLabel : public QLabel {
    Q_OBJECT
public:
    using Tone = vireon::Tone;

    explicit NoteLabel(const QString& text = {}, QWidget* parent = nullptr);

    Tone tone() const { return m_tone; }
    void setTone(Tone tone);
    void setMonospaced();

protected:
    void changeEvent(QEvent* event) override;

private:
    void applyColour();

    Tone m_tone = Tone::secondary;
};

} // namespace vireon
