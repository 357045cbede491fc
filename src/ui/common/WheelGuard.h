#pragma once

#include <QObject>

class QWidget;

namespace vireon {

// A value control in a scrolled form (a combo box, a slider, a spin box) takes the mouse wheel only
// once the user has given it keyboard focus. An unfocused wheel turn scrolls the form instead: people
// scroll a long form with the pointer wherever it happens to be, and a wheel turn that changed the
// setting under the pointer would rewrite config.json without anyone noticing.
class WheelGuard : public QObject {
    Q_OBJECT
public:
    // Gives the control strong focus (a click or Tab, never the wheel) and guards it.
    static void protect(QWidget* control);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit WheelGuard(QWidget* control);
};

} // namespace vireon
