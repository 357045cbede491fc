#pragma once

namespace vireon {

class AppState;
class WindowRouter;

// The application's two moments at either end of its run: once the event loop runs after launch, and
// just before the process exits (the last window closing does not end it; the tray icon is the
// application).
class AppLifecycle {
public:
    AppLifecycle(AppState& state, WindowRouter& router);

    // Onboarding first; then the feed resumes if the user left it on; otherwise idle.
    void launched();
    // Stops the decoder and releases the sleep lock before the process exits. Once only.
    void aboutToQuit();

private:
    AppState& m_state;
    WindowRouter& m_router;
    bool m_quit = false;
};

} // namespace vireon
