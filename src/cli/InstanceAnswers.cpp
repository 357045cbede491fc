#include "cli/InstanceAnswers.h"

#include "app/AppState.h"
#include "app/Diagnostics.h"
#include "app/StationStatus.h"

#include <QCoreApplication>

namespace vireon {

SingleInstance::Responder InstanceAnswers::responder(const AppState& state, const QString& mode,
                                                     std::function<void()> show)
{
    const QByteArray identity = mode.toUtf8() + ' ' + QByteArray::number(QCoreApplication::applicationPid());
    return [&state, identity, show = std::move(show)](SingleInstance::Request request) -> QByteArray {
        switch (request) {
        case SingleInstance::Request::show:
            if (show)
                show();
            return identity;
        case SingleInstance::Request::hello:
            return identity;
        case SingleInstance::Request::status:
            return statusAnswer(state);
        case SingleInstance::Request::report:
            return Diagnostics::report(state).toUtf8();
        }
        return QByteArray();
    };
}

QByteArray InstanceAnswers::statusAnswer(const AppState& state)
{
    const StationStatus::Inputs in = StationStatus::inputs(state);
    return QByteArray::number(StationStatus::exitCode(in.icon)) + '\n' + StationStatus::text(in).toUtf8();
}

std::optional<InstanceAnswers::Status> InstanceAnswers::readStatusAnswer(const QByteArray& answer)
{
    const qsizetype end = answer.indexOf('\n');
    bool ok = false;
    const int code = answer.left(end).toInt(&ok);
    if (end < 0 || !ok || code < StationStatus::green || code > StationStatus::redOrGrey)
        return std::nullopt;
    return Status{code, QString::fromUtf8(answer.mid(end + 1))};
}

QString InstanceAnswers::whoRuns(const QByteArray& answer)
{
    const QList<QByteArray> words = answer.trimmed().split(' ');
    const QByteArray& mode = words.constFirst();
    // The sentence tells the person what to type, so it names a process only by a number that can be
    // one: whatever else came over the socket ("-1", a blank, text) never reaches a kill command.
    bool isNumber = false;
    const int pid = words.size() > 1 ? words.at(1).toInt(&isNumber) : 0;
    const bool named = isNumber && pid > 0 && words.at(1) == QByteArray::number(pid);
    if (mode == "headless") {
        if (!named)
            return QStringLiteral("Vireon Feeder already runs for this user without windows. Stop it first: "
                                  "systemctl --user stop vireon-feeder if it runs as the service.");
        return QStringLiteral("Vireon Feeder already runs for this user without windows (pid %1). Stop it "
                              "first: systemctl --user stop vireon-feeder if it runs as the service, or "
                              "kill %1.")
            .arg(pid);
    }
    if (mode == "tray") {
        if (!named)
            return QStringLiteral("Vireon Feeder already runs for this user in the tray. Quit it first from "
                                  "its menu.");
        return QStringLiteral("Vireon Feeder already runs for this user in the tray (pid %1). Quit it "
                              "first from its menu, or kill %1.")
            .arg(pid);
    }
    return QStringLiteral("Vireon Feeder already runs for this user. Quit it first.");
}

} // namespace vireon
