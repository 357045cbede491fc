#include "platform/FileManagerReveal.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QFileInfo>

namespace vireon {
namespace {

// A file manager that is started on demand may take a moment; one that never answers must not leave
// the user with nothing for long.
constexpr int answerTimeoutMs = 5000;

} // namespace

void FileManagerReveal::reveal(const QString& filePath, FolderOpener openFolder, Done done)
{
    const QFileInfo file(filePath);
    const QUrl folder = QUrl::fromLocalFile(file.absolutePath());
    if (!done)
        done = [](bool) {};
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        // Answered from the event loop like every other outcome, never inside the call.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [shown = openFolder(folder), done = std::move(done)] { done(shown); }, Qt::QueuedConnection);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(file.absoluteFilePath()).toString()} << QString();
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, answerTimeoutMs));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [folder, openFolder = std::move(openFolder),
                      done = std::move(done)](QDBusPendingCallWatcher* finished) {
                         finished->deleteLater();
                         done(!finished->isError() || openFolder(folder));
                     });
}

} // namespace vireon
