#pragma once

#include "platform/SingleInstance.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

namespace vireon {

class AppState;

// What a running instance answers over its socket, and how the asking side reads that. The tray
// application and the headless one answer alike, apart from the word for how they run.
struct InstanceAnswers {
    InstanceAnswers() = delete;

    // `mode` is "tray" or "headless"; `show` brings the instance's window up, where it has one.
    static SingleInstance::Responder responder(const AppState& state, const QString& mode,
                                               std::function<void()> show = {});

    // The status as `--status` prints it, its exit status on the first line.
    static QByteArray statusAnswer(const AppState& state);
    struct Status {
        int exitCode = 0;
        QString text;
    };
    static std::optional<Status> readStatusAnswer(const QByteArray& answer);

    // A running instance's answer to show or hello ("tray 1234") as a sentence a person can act
    // on: where it runs and how to stop it.
    static QString whoRuns(const QByteArray& answer);
};

} // namespace vireon
