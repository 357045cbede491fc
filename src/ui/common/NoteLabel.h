#pragma once

#include "presentation/common/Tone.h"

#include <QLabel>

namespace vireon {

// The small explanatory text under a control: dimmed, or in a warning or error colour that stays
// legible on light and dark palettes. Always plain text: it often quotes a file or the decoder.
class NoteLabel : public QLabel {
    Q_OBJECT
public:
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
