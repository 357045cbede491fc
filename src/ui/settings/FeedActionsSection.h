#pragma once

#include <QWidget>

class QPushButton;

namespace vireon {

class AppState;

// The form's last, untitled section: hand the edited settings to the running decoder, and copy the
// support report.
class FeedActionsSection : public QWidget {
    Q_OBJECT
public:
    explicit FeedActionsSection(AppState& state, QWidget* parent = nullptr);

    void display(bool applyEnabled);

private:
    void copyDiagnostics();

    AppState& m_state;
    QPushButton* m_apply;
    QPushButton* m_copy;
};

} // namespace vireon
