#pragma once

#include <QString>

namespace vireon {

struct UserConfigDirectory {
    UserConfigDirectory() = delete;

    // $XDG_CONFIG_HOME, or ~/.config when it is unset or relative (a relative value is invalid by the
    // XDG rules). The variable is honoured even in Qt's test mode, so tests can point it at a
    // temporary folder; without it, test mode gets Qt's own test folder.
    static QString path();
};

} // namespace vireon
