#pragma once

#include <QString>
#include <QUrl>
#include <functional>

namespace vireon {

// Shows a file selected in the desktop's file manager, through the freedesktop FileManager1
// interface on the session bus. Without a file manager that answers, its folder is opened instead,
// by whatever opens folders on this desktop (the caller's choice: the core has no desktop services).
// Never waits: the answer comes back on the event loop, and `done` hears whether anything showed
// the file or its folder (the caller keeps its own lifetime in mind: it may be gone by then).
struct FileManagerReveal {
    FileManagerReveal() = delete;

    // Whether the folder could be handed to something that shows it.
    using FolderOpener = std::function<bool(const QUrl& folder)>;
    using Done = std::function<void(bool shown)>;

    static void reveal(const QString& filePath, FolderOpener openFolder, Done done = {});
};

} // namespace vireon
