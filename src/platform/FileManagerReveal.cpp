#include "platform/FileManagerReveal.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileInfo>

namespace vireon {
namespace {

// A file manager that is started on demand may take a moment; one that never answers must not leave
// the user with nothing for long.
constexpr int answerTimeoutMs = 5000;

} // namespace

void FileManagerReveal::reveal(const QString& filePath)
{
    reveal(filePath, [](const QUrl& folder) { QDesktopServices::openUrl(folder); });
}

void FileManagerReveal::reveal(const QString& filePath, FolderOpener openFolder)
{
    const QFileInfo file(filePath);
    const QUrl folder = QUrl::fromLocalFile(file.absolutePath());
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openFolder(folder);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(file.absoluteFilePath()).toString()} << QString();
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, answerTimeoutMs));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [folder, openFolder = std::move(openFolder)](QDBusPendingCallWatcher* finished) {
                         if (finished->isError())
                             openFolder(folder);
                         finished->deleteLater();
                     });
}

} // namespace vireon
