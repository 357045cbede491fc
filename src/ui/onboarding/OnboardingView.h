#pragma once

#include "presentation/onboarding/OnboardingModel.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QStackedWidget;

namespace vireon {

class AppState;
class DevicePage;
class DonePage;
class LocationPage;
class LocationProvider;

// The first-run guide: find the stick, set the position, start feeding. The content of the onboarding
// window; it keeps its step and fields while hidden, and asks its window to close when finished.
class OnboardingView : public QWidget {
    Q_OBJECT
public:
    using Step = OnboardingStep;

    OnboardingView(AppState& state, LocationProvider& location, QWidget* parent = nullptr);
    ~OnboardingView() override;

    Step step() const { return m_step; }
    QSize sizeHint() const override { return {520, 440}; }

Q_SIGNALS:
    // "Finish": the window that hosts the view closes itself.
    void closeRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void setStep(Step step);
    void pageAppeared();
    void goForward();
    void finish();
    void refresh();
    void refreshHeader();
    void refreshFooter();

    AppState& m_state;
    Step m_step = Step::device;
    QLabel* m_icon = nullptr;
    QLabel* m_counter = nullptr;
    QStackedWidget* m_pages = nullptr;
    DevicePage* m_devicePage = nullptr;
    LocationPage* m_locationPage = nullptr;
    DonePage* m_donePage = nullptr;
    QPushButton* m_back = nullptr;
    QPushButton* m_continue = nullptr;
    QPushButton* m_continueAnyway = nullptr;
    QPushButton* m_finish = nullptr;
};

} // namespace vireon
