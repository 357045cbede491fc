#pragma once

#include <QColor>
#include <QPixmap>

namespace vireon {

// The few symbols the onboarding pages show, drawn for the screen they land on: the antenna with
// radio waves, the warning triangle, the check mark in a circle, the location arrow and a busy
// spinner. Sizes are logical pixels.
struct OnboardingIcons {
    OnboardingIcons() = delete;

    static QPixmap antenna(const QColor& color, int size, qreal devicePixelRatio);
    static QPixmap warningTriangle(int size, qreal devicePixelRatio);
    static QPixmap checkMark(int size, qreal devicePixelRatio);
    static QPixmap locationArrow(const QColor& color, int size, qreal devicePixelRatio);
    // A three-quarter ring turned by `degrees`.
    static QPixmap spinner(const QColor& color, int size, qreal devicePixelRatio, int degrees);
};

} // namespace vireon
