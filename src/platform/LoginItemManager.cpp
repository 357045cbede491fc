#include "platform/LoginItemManager.h"

#include "platform/UserConfigDirectory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>
#include <algorithm>
#include <optional>

namespace vireon {
namespace {

struct EntryState {
    bool startsAtLogin = false;
    QString exec;
};

bool isTrue(const QString& value)
{
    return value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || value == QLatin1String("1");
}

bool isFalse(const QString& value)
{
    return value.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0 || value == QLatin1String("0");
}

// Reads only what decides whether the session starts the entry; a missing or unreadable file, or one
// that is not a regular file, is no entry.
std::optional<EntryState> readEntry(const QString& path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;

    EntryState state;
    bool hidden = false;
    bool gnomeDisabled = false;
    bool inMainGroup = false;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!inMainGroup || equals < 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == QLatin1String("Hidden"))
            hidden = isTrue(value);
        else if (key == QLatin1String("X-GNOME-Autostart-enabled"))
            gnomeDisabled = isFalse(value);
        else if (key == QLatin1String("Exec"))
            state.exec = value;
    }
    state.startsAtLogin = !hidden && !gnomeDisabled;
    return state;
}

void warn(const char* action, const QString& description)
{
    qWarning("LoginItemManager: failed to %s: %s", action, qUtf8Printable(description));
}

bool writeEntry(const QString& directory, const QString& path, const QString& exec)
{
    if (!QDir().mkpath(directory)) {
        warn("register", QStringLiteral("cannot create the directory %1").arg(directory));
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        warn("register", QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
        return false;
    }
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Version=1.4\n"
                                         "Name=Vireon Feeder\n"
                                         "Comment=Feed ADS-B data from an RTL-SDR receiver\n"
                                         "Exec=%1\n"
                                         "Icon=vireon-feeder\n"
                                         "Terminal=false\n"
                                         "X-GNOME-Autostart-enabled=true\n")
                              .arg(exec);
    file.write(entry.toUtf8());
    if (!file.commit()) {
        warn("register", QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
        return false;
    }
    return true;
}

} // namespace

QString LoginItemManager::defaultAutostartDirectory()
{
    return UserConfigDirectory::path() + QStringLiteral("/autostart");
}

bool LoginItemManager::isEnabled(const QString& autostartDirectory)
{
    const auto entry = readEntry(QDir(autostartDirectory).filePath(entryFileName()));
    return entry && entry->startsAtLogin;
}

bool LoginItemManager::setEnabled(bool enabled)
{
    return setEnabled(enabled, defaultAutostartDirectory(), QCoreApplication::applicationFilePath());
}

bool LoginItemManager::setEnabled(bool enabled, const QString& autostartDirectory,
                                  const QString& executablePath)
{
    const QString path = QDir(autostartDirectory).filePath(entryFileName());
    const auto entry = readEntry(path);

    if (!enabled) {
        if (!entry || !entry->startsAtLogin)
            return true;
        QFile file(path);
        if (!file.remove()) {
            warn("unregister", QStringLiteral("cannot remove %1: %2").arg(path, file.errorString()));
            return false;
        }
        return true;
    }

    if (executablePath.isEmpty()) {
        warn("register", QStringLiteral("the application's executable path is unknown"));
        return false;
    }
    const QString exec = execValue(QFileInfo(executablePath).absoluteFilePath());
    // An entry that starts some other copy of the program (the application was moved or reinstalled
    // elsewhere) is rewritten: leaving it would report success while nothing starts at login.
    if (entry && entry->startsAtLogin && entry->exec == exec)
        return true;
    return writeEntry(autostartDirectory, path, exec);
}

QString LoginItemManager::execValue(const QString& executablePath)
{
    // Field codes come first: a literal percent sign is doubled wherever it stands.
    QString argument = executablePath;
    argument.replace(QLatin1Char('%'), QLatin1String("%%"));

    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    const bool needsQuotes =
        std::any_of(argument.cbegin(), argument.cend(), [](QChar c) { return reserved.contains(c); });
    if (needsQuotes) {
        QString quoted = QStringLiteral("\"");
        for (const QChar c : std::as_const(argument)) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                c == QLatin1Char('\\'))
                quoted += QLatin1Char('\\');
            quoted += c;
        }
        quoted += QLatin1Char('"');
        argument = quoted;
    }

    // Then the escapes every string value of a desktop entry goes through, so a backslash inside the
    // quotes ends up written four times.
    QString value;
    for (const QChar c : std::as_const(argument)) {
        if (c == QLatin1Char('\\'))
            value += QLatin1String("\\\\");
        else if (c == QLatin1Char('\n'))
            value += QLatin1String("\\n");
        else if (c == QLatin1Char('\t'))
            value += QLatin1String("\\t");
        else if (c == QLatin1Char('\r'))
            value += QLatin1String("\\r");
        else
            value += c;
    }
    return value;
}

} // namespace vireon
