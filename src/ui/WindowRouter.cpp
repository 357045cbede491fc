#include "ui/WindowRouter.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

namespace vireon {

const WindowRouter::Frame& WindowRouter::onboardingFrame()
{
    static const Frame frame{QStringLiteral("Welcome to Vireon Feeder"), QSize(520, 440), false};
    return frame;
}

const WindowRouter::Frame& WindowRouter::settingsFrame()
{
    // Wider than its nominal 420 when the form needs it, and resizable: a form of this length is
    // scrolled, and on a small screen the user decides how much of it to see at once.
    static const Frame frame{QStringLiteral("Vireon Feeder Settings"), QSize(420, 380), true, true};
    return frame;
}

WindowRouter::WindowRouter(ContentFactory onboarding, ContentFactory settings, QObject* parent)
    : QObject(parent), m_onboardingFactory(std::move(onboarding)), m_settingsFactory(std::move(settings))
{}

WindowRouter::~WindowRouter()
{
    // Top-level windows have no parent to take them along.
    delete m_onboarding;
    delete m_settings;
}

void WindowRouter::showOnboarding()
{
    show(m_onboarding, onboardingFrame(), m_onboardingFactory);
}

void WindowRouter::showSettings()
{
    show(m_settings, settingsFrame(), m_settingsFactory);
}

void WindowRouter::size(QWidget* window, const Frame& frame, const QRect& available)
{
    if (!frame.resizable) {
        // The content may need a little more than the window's nominal size; it grows, never shrinks.
        window->setFixedSize(frame.contentSize.expandedTo(window->minimumSizeHint()));
        return;
    }
    const int minimumWidth = std::max(frame.contentSize.width(), window->minimumSizeHint().width());
    const int minimumHeight = frame.contentSize.height();
    window->setMinimumSize(minimumWidth, minimumHeight);
    const QSize wanted = window->sizeHint();
    const int tallest = available.isValid() ? available.height() * 4 / 5 : wanted.height();
    window->resize(std::max(wanted.width(), minimumWidth),
                   std::max(minimumHeight, std::min(wanted.height(), tallest)));
}

void WindowRouter::show(QPointer<QWidget>& slot, const Frame& frame, const ContentFactory& factory)
{
    if (!slot) {
        Qt::WindowFlags flags =
            Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
        if (frame.minimisable)
            flags |= Qt::WindowMinimizeButtonHint;
        auto* window = new QWidget(nullptr, flags);
        window->setWindowTitle(frame.title);
        window->setAccessibleName(frame.title);
        auto* layout = new QVBoxLayout(window);
        layout->setContentsMargins(0, 0, 0, 0);
        QWidget* content = factory(window);
        layout->addWidget(content);
        if (content->metaObject()->indexOfSignal("closeRequested()") >= 0)
            connect(content, SIGNAL(closeRequested()), window, SLOT(close()));
        // Sized once, when made: a window the user resized keeps that size when it comes back.
        const QScreen* screen = QGuiApplication::primaryScreen();
        size(window, frame, screen ? screen->availableGeometry() : QRect());
        slot = window;
    }
    QWidget* window = slot;
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        window->setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window->size(),
                                                screen->availableGeometry()));
    }
    window->showNormal();
    window->raise();
    window->activateWindow();
}

} // namespace vireon
