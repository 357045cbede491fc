#pragma once

#include "decoder/DecoderLocator.h"

#include <QString>
#include <QUrl>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QSettings;

namespace vireon {

class AlertPresenter;
class ClockSync;
class DesktopNotifier;
class IdleInhibitor;
class LoginItem;
class TimeSource;
class UsbMonitor;

// The outside world as the application state sees it. Every member has a desktop default, and every
// one can be replaced, so tests never touch the user's machine, block on a dialog or wait on a clock.
struct AppEnvironment {
    TimeSource* time = nullptr;       // null: the wall clock
    QSettings* defaults = nullptr;    // null: the per-user store "VireonFeeder"
    AlertPresenter* alerts = nullptr; // null: the alert's text goes to the log instead
    std::function<std::unique_ptr<IdleInhibitor>()> makeInhibitor;  // empty: the desktop's inhibitor
    std::function<std::unique_ptr<LoginItem>()> makeLoginItem;      // empty: the XDG autostart entry
    std::function<std::unique_ptr<DesktopNotifier>()> makeNotifier; // empty: the desktop's notifications
    std::function<std::unique_ptr<UsbMonitor>()> makeUsbMonitor;    // empty: the system's device events
    DecoderLocator decoderLocator;                                  // empty: the installed decoder
    DecoderLocator mlatClientLocator;                               // empty: the installed mlat-client
    std::function<std::unique_ptr<ClockSync>()> makeClockSync;      // empty: timedated on the system bus
    QString usbRoot;                                                // empty: the system's USB registry
    std::optional<QUrl> remoteUrl;                                  // absent: the primary network's document
    std::optional<std::chrono::milliseconds> remoteTimeout;         // absent: 10 s

    // A long-running activity that keeps the system from throttling the feed. Linux has no such
    // thing, so the desktop default only hands out tokens; the bookkeeping around it is real.
    std::function<quint64(const QString& reason)> beginActivity;
    std::function<void(quint64 token)> endActivity;
};

} // namespace vireon
