#pragma once

#include <QGroupBox>
#include <functional>
#include <optional>

class QPushButton;

namespace vireon {

class AppState;
class NoteLabel;

// "Advanced": config.json in the file manager, and why the last start of the decoder was refused.
class AdvancedSection : public QGroupBox {
    Q_OBJECT
public:
    // Shows the file in a file manager and says, later, whether anything could.
    using Revealer = std::function<void(const QString& filePath, std::function<void(bool shown)> done)>;

    explicit AdvancedSection(AppState& state, QWidget* parent = nullptr);

    void setRevealer(Revealer revealer) { m_reveal = std::move(revealer); }
    void display(const std::optional<QString>& configError);

private:
    void openConfig();

    AppState& m_state;
    Revealer m_reveal;
    QPushButton* m_open;
    NoteLabel* m_revealProblem;
    NoteLabel* m_configError;
};

} // namespace vireon
