#include "platform/UserConfigDirectory.h"

#include <QDir>
#include <QStandardPaths>

namespace vireon {

QString UserConfigDirectory::path()
{
    const QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!base.isEmpty() && !QDir::isRelativePath(base))
        return base;
    // ~/.config, or Qt's separate test folder when tests have asked for one.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

} // namespace vireon
