#pragma once

#include <QString>

namespace vireon {

// Starts the application at login through an XDG autostart entry. The entry counts as enabled when
// the file exists and the session would start it (not Hidden=true, not switched off for GNOME).
struct LoginItemManager {
    LoginItemManager() = delete;

    static QString entryFileName() { return QStringLiteral("vireon-feeder.desktop"); }

    // autostart in the user's configuration folder.
    static QString defaultAutostartDirectory();

    static bool isEnabled(const QString& autostartDirectory = defaultAutostartDirectory());

    // True when the entry already matched or the change succeeded; a failure writes one warning line.
    static bool setEnabled(bool enabled);
    static bool setEnabled(bool enabled, const QString& autostartDirectory, const QString& executablePath);

    // The executable as one argument of a desktop entry's Exec key, quoted and escaped.
    static QString execValue(const QString& executablePath);
};

} // namespace vireon
