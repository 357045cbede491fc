#pragma once

#include "presentation/panel/PanelModel.h"

#include <QWidget>
#include <optional>

class QLabel;
class QPushButton;
class QHBoxLayout;

namespace vireon {

class AppState;
class NoteLabel;
class PanelActions;
class Sparkline;
class StatusDot;

// The panel under the tray icon: status with its coloured dot, how well the station hears, what to
// do about a failure, start or stop, the network's pages, settings and quit. It shows what PanelModel says
// for the current state and hands every click to PanelActions; while open it follows every change of the
// state.
class MenuContentView : public QWidget {
    Q_OBJECT
public:
    static constexpr int width = 280;
    static constexpr int margin = 12;
    static constexpr int spacing = 10;
    static constexpr int dotDiameter = 9;

    MenuContentView(AppState& state, PanelActions& actions, QWidget* parent = nullptr);

    QPushButton* startStopButton() const { return m_startStop; }
    const std::optional<PanelModel>& shownModel() const { return m_shown; }

    // Re-reads the state; called on every change while the panel is on screen and when it appears.
    void refresh();
    // Shows this model; refresh() shows the state's.
    void display(const PanelModel& model);

    // In a window of its own, without a tray, it says why closing the window only minimises it.
    void setShowsNoTrayNote(bool shown);
    // A line under the buttons saying why the last action did not happen.
    void showActionProblem(const QString& text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    // A link or a window took the user elsewhere; a drop-down panel closes like a menu.
    void closeRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QPushButton* makeButton(QWidget* parent, const QString& objectName, const QString& text,
                            PanelAction action);
    void showHintButtons(const QList<PanelModel::Button>& buttons);
    void showOutcome(PanelActionOutcome outcome, QPushButton* button);
    void applyHintColors();

    AppState& m_state;
    PanelActions& m_actions;
    StatusDot* m_dot;
    QLabel* m_status;
    NoteLabel* m_figures;
    NoteLabel* m_hearingHints;
    Sparkline* m_rate;
    NoteLabel* m_positionWarning;
    NoteLabel* m_noTrayNote;
    NoteLabel* m_actionProblem;
    QWidget* m_hint;
    QLabel* m_hintText;
    QHBoxLayout* m_hintButtons;
    QPushButton* m_startStop;
    QPushButton* m_liveMap;
    QPushButton* m_feederPage;
    std::optional<PanelModel> m_shown;
};

// The status line as it fits in `lines` lines of `width` pixels, the last one elided when it does not.
QString fitToLines(const QString& text, const QFont& font, int width, int lines);

} // namespace vireon
