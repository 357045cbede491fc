#include "decoder/DecoderHelpProbe.h"

#include "decoder/DecoderGain.h"

#include <QDateTime>
#include <QFileInfo>
#include <QProcess>

namespace vireon {

DecoderHelpProbe::DecoderHelpProbe(TimeSource& time, QObject* parent) : QObject(parent), m_time(time) {}

DecoderHelpProbe::~DecoderHelpProbe()
{
    // No answer may reach an owner that is going away; a help run still going is simply ended.
    for (const std::shared_ptr<Pending>& pending : std::as_const(m_pending)) {
        pending->answers.clear();
        pending->process->disconnect(this);
        pending->process->kill();
        pending->process->waitForFinished(1000);
    }
}

QString DecoderHelpProbe::keyOf(const QString& path)
{
    const QFileInfo info(path);
    return path + u'\n' + QString::number(info.lastModified().toMSecsSinceEpoch());
}

std::optional<bool> DecoderHelpProbe::known(const QString& path) const
{
    const auto it = m_known.constFind(keyOf(path));
    return it == m_known.constEnd() ? std::nullopt : std::optional<bool>(*it);
}

void DecoderHelpProbe::ask(const QString& path, Answer answer)
{
    const QString key = keyOf(path);
    if (const auto it = m_known.constFind(key); it != m_known.constEnd()) {
        answer(*it);
        return;
    }
    if (const auto it = m_pending.constFind(key); it != m_pending.constEnd()) {
        (*it)->answers.append(std::move(answer));
        return;
    }

    auto pending = std::make_shared<Pending>();
    pending->answers.append(std::move(answer));
    pending->process = new QProcess(this);
    pending->process->setProgram(path);
    pending->process->setArguments({QStringLiteral("--help")});
    pending->process->setStandardInputFile(QProcess::nullDevice());
    pending->process->setProcessChannelMode(QProcess::MergedChannels);
    pending->timeout = m_time.createTimer();
    m_pending.insert(key, pending);

    QProcess* process = pending->process;
    connect(process, &QProcess::finished, this, [this, key, process] {
        settle(key, DecoderGain::helpOffersAutoGain(QString::fromUtf8(process->readAll())));
    });
    connect(process, &QProcess::errorOccurred, this, [this, key](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            settle(key, false);
    });
    connect(pending->timeout.get(), &Timer::timeout, this, [this, key] { settle(key, false); });
    pending->timeout->start(bound, Timer::Repeat::once);
    process->start();
}

void DecoderHelpProbe::settle(const QString& key, bool readsAutoGain)
{
    const std::shared_ptr<Pending> pending = m_pending.take(key);
    if (!pending)
        return;
    m_known.insert(key, readsAutoGain);
    pending->timeout.reset();
    QProcess* process = pending->process;
    process->disconnect(this);
    if (process->state() != QProcess::NotRunning) {
        // A decoder that does not answer --help in time is not left running; its end is awaited
        // by the event loop, not here.
        process->kill();
        connect(process, &QProcess::finished, process, &QObject::deleteLater);
    } else {
        process->deleteLater();
    }
    for (const Answer& answer : std::as_const(pending->answers))
        answer(readsAutoGain);
}

} // namespace vireon
