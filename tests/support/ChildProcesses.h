#pragma once

#include <QList>
#include <QString>
#include <sys/types.h>
#include <unistd.h>

namespace vireon::test {

// The direct children of a process as /proc lists them, whether running or exited and not yet
// reaped (zombies): what a user's process list would show is left behind.
struct ChildProcesses {
    struct Child {
        pid_t pid = 0;
        QString name; // the kernel's short name, at most 15 characters
        bool zombie = false;
    };

    static QList<Child> of(pid_t parent = ::getpid());
    static qsizetype countNamed(const QString& name, pid_t parent = ::getpid());
};

} // namespace vireon::test
