#pragma once

#include <QJsonObject>
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
    // A valid station in config.json (or the one given), onboarding done or not, feeding left on or not.
    void writeStation(bool onboarded, bool feedingDesired, const QJsonObject& config = {});
    bool feedingDesired() const;
    // Standard output is dropped and standard error passed through, or either kept for the test to
    // read (then read it, or the program blocks once the pipe is full).
    enum class Output { quiet, errorsKept, kept };
    QProcess& launch(const QStringList& arguments = {}, Output output = Output::quiet);
    // Runs the program to its end and returns what it printed.
    struct Run {
        int exitCode = -1;
        QString out;
        QString err;
    };
    Run run(const QStringList& arguments);
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
