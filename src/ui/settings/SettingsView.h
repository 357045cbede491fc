#pragma once

#include <QWidget>
#include <functional>

class QScrollArea;

namespace vireon {

class AdvancedSection;
class AppState;
class OtherNetworksSection;

// The settings form: station, receiver, behaviour, the networks to feed, and the advanced and feed
// actions. Every change is written at once; there is nothing to confirm. It scrolls when the window
// it sits in is smaller than the form.
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

private:
    int formMinimumWidth() const;

    QScrollArea* m_scroll;
    OtherNetworksSection* m_networks;
    AdvancedSection* m_advanced;
};

} // namespace vireon
