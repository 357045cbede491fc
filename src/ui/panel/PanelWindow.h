#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <optional>

namespace vireon {

class AppState;
class MenuContentView;
class PanelActions;

// Hosts the panel. Under a tray icon it is a frameless dialog that closes as soon as it loses focus,
// like a menu; on a desktop without a tray it is an ordinary window titled "Vireon Feeder".
class PanelWindow : public QDialog {
    Q_OBJECT
public:
    enum class Mode { dropDown, window };

    PanelWindow(AppState& state, PanelActions& actions, Mode mode, QWidget* parent = nullptr);

    Mode mode() const { return m_mode; }
    MenuContentView* content() const { return m_content; }

    // Milliseconds since the panel last closed because it lost focus, if it has.
    std::optional<qint64> msSinceFocusLossClose() const;

protected:
    bool event(QEvent* event) override;

private:
    Mode m_mode;
    MenuContentView* m_content;
    QElapsedTimer m_closedByFocusLoss;
};

} // namespace vireon
