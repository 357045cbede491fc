#include "ui/panel/PanelWindow.h"

#include "ui/panel/MenuContentView.h"

#include <QEvent>
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
}

std::optional<qint64> PanelWindow::msSinceFocusLossClose() const
{
    if (!m_closedByFocusLoss.isValid())
        return std::nullopt;
    return m_closedByFocusLoss.elapsed();
}

bool PanelWindow::event(QEvent* event)
{
    if (event->type() == QEvent::WindowDeactivate && m_mode == Mode::dropDown && isVisible()) {
        m_closedByFocusLoss.start();
        hide();
    }
    return QDialog::event(event);
}

} // namespace vireon
