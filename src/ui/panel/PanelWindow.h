#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <optional>

namespace vireon {

class AppState;
class MenuContentView;
class PanelActions;

// Hosts the panel. Under a tray icon it is a frameless dialog that closes as soon as it loses focus,
// like a menu; on a desktop without a tray it is an ordinary window titled "Vireon Feeder", which
// its close button minimises, since it is then the application's only presence on screen.
class PanelWindow : public QDialog {
    Q_OBJECT
public:
    enum class Mode { dropDown, window };

    PanelWindow(AppState& state, PanelActions& actions, Mode mode, QWidget* parent = nullptr);

    Mode mode() const { return m_mode; }
    MenuContentView* content() const { return m_content; }

    // Milliseconds since the panel last closed because it lost focus, if it has.
    std::optional<qint64> msSinceFocusLossClose() const;

    void setVisible(bool visible) override;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    Mode m_mode;
    MenuContentView* m_content;
    QElapsedTimer m_closedByFocusLoss;
    bool m_quitting = false;
    bool m_hiding = false;
};

} // namespace vireon
