#pragma once

#include <QString>

class QFrame;
class QLabel;
class QPushButton;
class QWidget;

namespace vireon {

// The text styles and dividers the onboarding pages share. Colours come from the palette, so light
// and dark themes both read.
struct OnboardingStyle {
    OnboardingStyle() = delete;

    static QLabel* headline(const QString& text, QWidget* parent = nullptr);
    // Dimmed, wrapping body text.
    static QLabel* secondary(const QString& text, QWidget* parent = nullptr);
    // Smaller still, dimmed and wrapping.
    static QLabel* smallSecondary(const QString& text, QWidget* parent = nullptr);
    static QFrame* divider(QWidget* parent = nullptr);
    static void makeSmall(QWidget* widget);
    // A push button with room around its text, named for tests.
    static QPushButton* button(const QString& text, const QString& objectName, QWidget* parent = nullptr);
};

} // namespace vireon
