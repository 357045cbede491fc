#include "ui/panel/PanelWindow.h"

#include "ui/panel/MenuContentView.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QScopedValueRollback>
#include <QVBoxLayout>

namespace vireon {

PanelWindow::PanelWindow(AppState& state, PanelActions& actions, Mode mode, QWidget* parent)
    : QDialog(parent), m_mode(mode)
{
    setObjectName(QStringLiteral("panelWindow"));
    setWindowTitle(QStringLiteral("Vireon Feeder"));
    setAccessibleName(QStringLiteral("Vireon Feeder"));
    if (mode == Mode::dropDown)
        setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    else
        setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                       Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // The window follows the panel's height as the failure hint comes and goes.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_content = new MenuContentView(state, actions, this);
    layout->addWidget(m_content);
    connect(m_content, &MenuContentView::closeRequested, this, [this] {
        if (m_mode == Mode::dropDown)
            hide();
    });
    if (mode == Mode::window) {
        m_content->setShowsNoTrayNote(true);
        // Quitting closes every window first, and a window that refuses would stop the quit.
        QCoreApplication::instance()->installEventFilter(this);
    }
}

bool PanelWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit)
        m_quitting = true;
    return QDialog::eventFilter(watched, event);
}

void PanelWindow::closeEvent(QCloseEvent* event)
{
    // Without a tray this window is all there is of the application on screen: closing it would
    // leave a feeding process nobody can see. It goes to the task bar instead; "Quit Vireon Feeder"
    // quits.
    if (m_mode == Mode::window && !m_quitting) {
        event->ignore();
        showMinimized();
        return;
    }
    QDialog::closeEvent(event);
}

void PanelWindow::keyPressEvent(QKeyEvent* event)
{
    // Escape closes a dialog; here it must do what the close button does.
    if (m_mode == Mode::window && event->matches(QKeySequence::Cancel)) {
        showMinimized();
        return;
    }
    QDialog::keyPressEvent(event);
}

std::optional<qint64> PanelWindow::msSinceFocusLossClose() const
{
    if (!m_closedByFocusLoss.isValid())
        return std::nullopt;
    return m_closedByFocusLoss.elapsed();
}

void PanelWindow::setVisible(bool visible)
{
    // Hiding the active window deactivates it on the way; that is our own doing, not the user
    // clicking elsewhere, and must not swallow the next click on the icon.
    const QScopedValueRollback hiding(m_hiding, !visible);
    QDialog::setVisible(visible);
}

bool PanelWindow::event(QEvent* event)
{
    if (event->type() == QEvent::WindowDeactivate && m_mode == Mode::dropDown && isVisible() && !m_hiding) {
        m_closedByFocusLoss.start();
        hide();
    }
    return QDialog::event(event);
}

} // namespace vireon
