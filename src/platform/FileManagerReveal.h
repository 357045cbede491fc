#pragma once

#include <QString>
#include <QUrl>
#include <functional>

namespace vireon {

// Shows a file selected in the desktop's file manager, through the freedesktop FileManager1
// interface on the session bus. Without a file manager that answers, its folder is opened instead.
// Never waits: the answer comes back on the event loop.
struct FileManagerReveal {
    FileManagerReveal() = delete;

    using FolderOpener = std::function<void(const QUrl& folder)>;

    static void reveal(const QString& filePath);
    // The fallback is a parameter so tests can see it without starting anything.
    static void reveal(const QString& filePath, FolderOpener openFolder);
};

} // namespace vireon
