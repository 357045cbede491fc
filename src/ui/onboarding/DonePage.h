#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;

namespace vireon {

class NoteLabel;
class StationKeyField;

class AppState;

// Step 3: the live status, "Start Feeding", the login item and the station key. Reaching it completes
// onboarding.
class DonePage : public QWidget {
    Q_OBJECT
public:
    explicit DonePage(AppState& state, QWidget* parent = nullptr);

    // Each time the page comes on screen.
    void appear();

    QPushButton* startFeedingButton() const { return m_startFeeding; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void startFeeding();
    void stationKeyEdited(const QString& key);
    void refresh();

    AppState& m_state;
    QLabel* m_dot = nullptr;
    QLabel* m_statusLine = nullptr;
    QPushButton* m_startFeeding = nullptr;
    QLabel* m_feedingCaption = nullptr;
    QCheckBox* m_launchAtLogin = nullptr;
    QLabel* m_claimLink = nullptr;
    StationKeyField* m_stationKey = nullptr;
    NoteLabel* m_keyWarning = nullptr;
};

} // namespace vireon
