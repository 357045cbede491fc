#pragma once

#include <QList>
#include <QProcess>
#include <QTemporaryDir>
#include <memory>

namespace vireon::test {

// The real application as a user starts it, from a temporary folder whose bin/readsb is the
// stand-in decoder (so no real decoder is ever started), with its settings, config.json and
// runtime directory in that folder too. Processes still running at the end are killed.
class ProgramCopy {
public:
    ProgramCopy();
    ~ProgramCopy();

    bool isReady() const { return m_ready; }
    // A valid station in config.json, onboarding done or not, feeding left on or not.
    void writeStation(bool onboarded, bool feedingDesired);
    bool feedingDesired() const;
    QProcess& launch();
    QString socketPath() const { return path(QStringLiteral("run/vireon-feeder.socket")); }
    // Live stand-in decoders started from this copy to feed.
    QList<qint64> decoderPids() const;

private:
    QString path(const QString& relative) const { return m_dir.filePath(relative); }

    QTemporaryDir m_dir;
    bool m_ready = false;
    QList<std::shared_ptr<QProcess>> m_processes;
};

} // namespace vireon::test
