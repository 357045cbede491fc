#pragma once

namespace vireon {

class AppState;
class WindowRouter;

// The application's two lifecycle moments: once the event loop runs after launch, and just before
// the process exits.
class AppDelegate {
public:
    AppDelegate(AppState& state, WindowRouter& router);

    // Onboarding first; then the feed resumes if the user left it on; otherwise idle.
    void applicationDidFinishLaunching();
    // Stops the decoder and releases the sleep lock before the process exits.
    void applicationWillTerminate();

private:
    AppState& m_state;
    WindowRouter& m_router;
    bool m_terminated = false;
};

} // namespace vireon
