#pragma once

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

namespace vireon {

// One running application per user. The first launch listens on a per-user local socket; a later
// launch connects to it, asks the running one to show itself and is told to exit. A socket file left
// behind by a crashed instance answers nobody, so it is removed and taken over.
//
// Everything is asynchronous: nothing here waits on the other process.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QString socketPath = defaultSocketPath(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // $XDG_RUNTIME_DIR/vireon-feeder.socket; without a runtime directory, a name with the user id in
    // the temporary directory.
    static QString defaultSocketPath();

    // Emits exactly one of primary() or handedOver().
    void claim();

    bool isListening() const;
    const QString& socketPath() const { return m_path; }

Q_SIGNALS:
    // This process is the one instance (listening, or on its own when the socket cannot be made).
    void primary();
    // A running instance has been asked to show itself; this process has nothing more to do.
    void handedOver();
    // Another launch asked this (primary) instance to show itself.
    void showRequested();

private:
    void tryConnect();
    void becomePrimary();
    void acceptConnections();

    QString m_path;
    QLocalServer* m_server = nullptr;
    QLocalSocket* m_client = nullptr;
    int m_attempts = 0;
};

} // namespace vireon
