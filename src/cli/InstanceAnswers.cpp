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
    const QString mode = QString::fromUtf8(answer.trimmed()).section(u' ', 0, 0);
    const QString pid = QString::fromUtf8(answer.trimmed()).section(u' ', 1, 1);
    if (mode == u"headless") {
        return QStringLiteral("Vireon Feeder already runs for this user without windows (pid %1). Stop it "
                              "first: systemctl --user stop vireon-feeder if it runs as the service, or "
                              "kill %1.")
            .arg(pid);
    }
    if (mode == u"tray") {
        return QStringLiteral("Vireon Feeder already runs for this user in the tray (pid %1). Quit it "
                              "first from its menu, or kill %1.")
            .arg(pid);
    }
    return QStringLiteral("Vireon Feeder already runs for this user. Quit it first.");
}

} // namespace vireon
