#pragma once

#include "app/PanelContent.h"

#include <QWidget>
#include <optional>

class QLabel;
class QPushButton;
class QHBoxLayout;

namespace vireon {

class AppState;
class PanelActions;
class StatusDot;

// The panel under the tray icon: status with its coloured dot, what to do about a failure, start or
// stop, the network's pages, settings and quit. It shows what PanelContent says for the current
// state and hands every click to PanelActions; while open it follows every change of the state.
class MenuContentView : public QWidget {
    Q_OBJECT
public:
    static constexpr int width = 280;
    static constexpr int margin = 12;
    static constexpr int spacing = 10;

    MenuContentView(AppState& state, PanelActions& actions, QWidget* parent = nullptr);

    QPushButton* startStopButton() const { return m_startStop; }
    const std::optional<PanelContent>& shownContent() const { return m_shown; }

    // Re-reads the state; called on every change while the panel is on screen and when it appears.
    void refresh();
    // Shows this content; refresh() shows the state's.
    void display(const PanelContent& content);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QPushButton* makeButton(QWidget* parent, const QString& objectName, const QString& text,
                            PanelAction action);
    void showHintButtons(const QList<PanelContent::Button>& buttons);
    void applyHintColors();

    AppState& m_state;
    PanelActions& m_actions;
    StatusDot* m_dot;
    QLabel* m_status;
    QWidget* m_hint;
    QLabel* m_hintText;
    QHBoxLayout* m_hintButtons;
    QPushButton* m_startStop;
    QPushButton* m_liveMap;
    QPushButton* m_feederPage;
    std::optional<PanelContent> m_shown;
};

// The status line as it fits in `lines` lines of `width` pixels, the last one elided when it does not.
QString fitToLines(const QString& text, const QFont& font, int width, int lines);

} // namespace vireon
