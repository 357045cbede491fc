#pragma once

#include <QPointer>
#include <QSize>
#include <QString>
#include <QWidget>
#include <functional>

namespace vireon {

// The two auxiliary windows, onboarding and settings. Each is built on first use and then kept for
// the life of the application: closing only hides it, so the next request brings back the same
// window with whatever its content holds (the onboarding step reached, a half-edited field).
class WindowRouter : public QObject {
    Q_OBJECT
public:
    // Builds a window's content; the router makes the window around it. Content with a
    // closeRequested() signal closes its window with it.
    using ContentFactory = std::function<QWidget*(QWidget* window)>;

    struct Frame {
        QString title;
        // A fixed window's size; a resizable one's smallest height.
        QSize contentSize;
        bool minimisable = false;
        // Opens as large as its content asks, up to most of the screen's height, and may be resized.
        bool resizable = false;
    };

    static const Frame& onboardingFrame();
    static const Frame& settingsFrame();

    WindowRouter(ContentFactory onboarding, ContentFactory settings, QObject* parent = nullptr);
    ~WindowRouter() override;

    void showOnboarding();
    void showSettings();

    // Empty until first shown.
    QWidget* onboardingWindow() const { return m_onboarding; }
    QWidget* settingsWindow() const { return m_settings; }

private:
    void show(QPointer<QWidget>& slot, const Frame& frame, const ContentFactory& factory);
    static void size(QWidget* window, const Frame& frame, const QRect& available);

    ContentFactory m_onboardingFactory;
    ContentFactory m_settingsFactory;
    QPointer<QWidget> m_onboarding;
    QPointer<QWidget> m_settings;
};

} // namespace vireon
