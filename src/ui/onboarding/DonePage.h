#pragma once

#include "presentation/onboarding/DonePageModel.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;

namespace vireon {

class AppState;
class NoteLabel;
class StationKeyField;
class StatusDot;

// Step 3: the live status, "Start Feeding", the login item and the station key. Reaching it completes
// onboarding.
class DonePage : public QWidget {
    Q_OBJECT
public:
    explicit DonePage(AppState& state, QWidget* parent = nullptr);

    // Each time the page comes on screen.
    void appear();
    void display(const DonePageModel& model);

    QPushButton* startFeedingButton() const { return m_startFeeding; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void startFeeding();
    void showClaimLink();

    AppState& m_state;
    DonePageModel m_model;
    StatusDot* m_dot = nullptr;
    QLabel* m_statusLine = nullptr;
    QPushButton* m_startFeeding = nullptr;
    QLabel* m_feedingCaption = nullptr;
    QCheckBox* m_launchAtLogin = nullptr;
    QLabel* m_claimLink = nullptr;
    StationKeyField* m_stationKey = nullptr;
    NoteLabel* m_keyWarning = nullptr;
};

} // namespace vireon
