#pragma once

#include <QString>
#include <QStringList>

namespace vireon {

// What the program was asked to do on its command line. Read before any application object exists,
// because the tray needs a QApplication (and so a display) and every other mode must run without.
struct CommandLine {
    enum class Mode { tray, headless, status, report, help, version };

    // The exit status for arguments that cannot be read, apart from every status --status uses.
    static constexpr int usageError = 64;

    Mode mode = Mode::tray;
    QString error; // the arguments could not be read; mode says what was recognised anyway

    // `arguments` with the program name first, as QCoreApplication::arguments() has them.
    static CommandLine parse(const QStringList& arguments);
    // The arguments as the C runtime hands them over, before Qt has seen them.
    static QStringList fromArgv(int argc, char* argv[]);

    static QString helpText();
    static QString versionText();

    // Whether a display is named for the tray to show on (X11, Wayland, or a Qt platform chosen by
    // hand). Without one, a QApplication could only abort.
    static bool displayNamed();

    // The names every mode runs under: they decide where the settings file is.
    static void nameApplication();
};

} // namespace vireon
