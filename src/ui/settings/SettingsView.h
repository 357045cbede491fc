#pragma once

#include <QWidget>
#include <functional>

class QScrollArea;

namespace vireon {

class AdvancedSection;
class AppState;
class BehaviorSection;
class FeedActionsSection;
class NoteLabel;
class OtherNetworksSection;
class ReceiverSection;
class StationSection;

// The settings form: station, receiver, behaviour, the networks to feed, and the advanced and feed
// actions. Every change is written at once; there is nothing to confirm. It scrolls when the window
// it sits in is smaller than the form. It follows the state while it is on screen, computing what
// the form shows once per change and handing each section its part.
class SettingsView : public QWidget {
    Q_OBJECT
public:
    explicit SettingsView(AppState& state, QWidget* parent = nullptr);

    static constexpr int formWidth = 440;

    // How "Show config.json in File Manager" shows the file; by default the desktop's file manager.
    void
    setRevealer(std::function<void(const QString& filePath, std::function<void(bool shown)> done)> revealer);

    OtherNetworksSection* networksSection() const { return m_networks; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Re-reads the state; on every change while the form is on screen, and when it appears.
    void refresh();

protected:
    void showEvent(QShowEvent* event) override;

private:
    int formMinimumWidth() const;

    AppState& m_state;
    NoteLabel* m_fileNote;
    QScrollArea* m_scroll;
    StationSection* m_station;
    ReceiverSection* m_receiver;
    BehaviorSection* m_behavior;
    NoteLabel* m_mlatReadiness;
    OtherNetworksSection* m_networks;
    AdvancedSection* m_advanced;
    FeedActionsSection* m_actions;
};

} // namespace vireon
