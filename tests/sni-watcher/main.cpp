// The test's StatusNotifierItem watcher as a program of its own, for running the application on a
// private bus by hand or from a script: it claims the watcher's name on the session bus and prints
// each item that registers ("<bus name> <object path>"), one line each, until it is ended.
#include "support/FakeStatusNotifierWatcher.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    vireon::test::FakeStatusNotifierWatcher watcher;
    if (!watcher.registerWatcher()) {
        std::fprintf(stderr, "sni-watcher: org.kde.StatusNotifierWatcher cannot be claimed on this bus\n");
        return 1;
    }
    qsizetype printed = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const auto items = watcher.registrations();
        for (; printed < items.size(); ++printed) {
            std::printf("%s %s\n", qPrintable(items.at(printed).service), qPrintable(items.at(printed).path));
            std::fflush(stdout);
        }
    });
    poll.start(50);
    return QCoreApplication::exec();
}
