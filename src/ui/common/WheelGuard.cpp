#include "ui/common/WheelGuard.h"

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QWheelEvent>
#include <QWidget>

namespace vireon {
namespace {

QAbstractScrollArea* enclosingScrollArea(QWidget* widget)
{
    for (QWidget* w = widget->parentWidget(); w; w = w->parentWidget()) {
        if (auto* area = qobject_cast<QAbstractScrollArea*>(w))
            return area;
    }
    return nullptr;
}

} // namespace

WheelGuard::WheelGuard(QWidget* control) : QObject(control) {}

void WheelGuard::protect(QWidget* control)
{
    control->setFocusPolicy(Qt::StrongFocus);
    control->installEventFilter(new WheelGuard(control));
}

bool WheelGuard::eventFilter(QObject* watched, QEvent* event)
{
    auto* control = qobject_cast<QWidget*>(watched);
    if (event->type() != QEvent::Wheel || !control || control->hasFocus())
        return QObject::eventFilter(watched, event);
    auto* wheel = static_cast<QWheelEvent*>(event);
    if (QAbstractScrollArea* area = enclosingScrollArea(control)) {
        // Handed to the form's viewport directly: Qt passes a wheel event on to the parent only when
        // it came from the window system, and the form must scroll however the event arrived.
        QWidget* viewport = area->viewport();
        const QPointF at = viewport->mapFromGlobal(wheel->globalPosition());
        QWheelEvent scroll(at, wheel->globalPosition(), wheel->pixelDelta(), wheel->angleDelta(),
                           wheel->buttons(), wheel->modifiers(), wheel->phase(), wheel->inverted(),
                           wheel->source(), wheel->pointingDevice());
        QCoreApplication::sendEvent(viewport, &scroll);
        return true;
    }
    // Not in a scrolled form: the wheel is nobody's here, so it travels on to the parent.
    event->ignore();
    return true;
}

} // namespace vireon
