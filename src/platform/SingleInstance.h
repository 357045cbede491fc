#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <chrono>
#include <functional>
#include <optional>
#include <sys/types.h>
#include <unistd.h>

class QLocalServer;
class QLocalSocket;

namespace vireon {

// One running application per user. The first launch listens on a per-user local socket; a later
// launch connects to it, makes its request (show yourself, who are you, your status, your report),
// reads the answer and exits. A socket file left behind by a crashed instance answers nobody, so it
// is removed and taken over.
//
// The socket lives in a directory only this user can enter, and both ends check who is at the other
// end: a socket some other user put in our way is never handed over to, and never asked.
//
// The serving side is asynchronous and bounded: nothing here waits on the other process, and a
// client that neither asks nor reads is dropped after a few seconds.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Request { show, hello, status, report };
    // What this (primary) instance answers; called on the event loop, it must not wait on anything.
    using Responder = std::function<QByteArray(Request)>;

    // Where the socket goes, or, when no place is safe, why not (socketPath is then empty).
    struct Place {
        QString socketPath;
        QString problem;
    };

    // $XDG_RUNTIME_DIR/vireon-feeder.socket when that directory is private to `user`, else
    // vireon-feeder.socket in a private directory of our own in the temporary directory.
    static Place defaultPlace(uid_t user = ::getuid());
    // Makes `path` a directory only `user` can enter, or says why it is not one. One already there
    // is used only if it is a real directory (not a link), belongs to `user` and is closed to
    // everybody else: otherwise another user could have put a socket of theirs in it.
    static std::optional<QString> ensurePrivateDirectory(const QString& path, uid_t user);

    // `user` is who the other end must be.
    explicit SingleInstance(Place place = defaultPlace(), uid_t user = ::getuid(), QObject* parent = nullptr);
    ~SingleInstance() override;

    void setResponder(Responder responder) { m_responder = std::move(responder); }

    // Makes `request` of a running instance, or becomes the one. Emits exactly one of primary() or
    // handedOver().
    void claim(Request request = Request::show);

    bool isListening() const;
    const QString& socketPath() const { return m_place.socketPath; }

    // For a command-line client, which has no event loop to keep responsive: asks the running
    // instance and waits at most `timeout` for the whole answer.
    struct Answer {
        enum class Outcome {
            answered,
            nobodyRuns,  // no socket, or one that nobody listens on
            stranger,    // the socket belongs to another user's process; not asked
            unsafePlace, // there is no safe place for the socket; see problem
            noAnswer,    // connected, but no whole answer in time
        };
        Outcome outcome = Outcome::nobodyRuns;
        QByteArray text;
        QString problem;
    };
    static Answer ask(const Place& place, Request request, std::chrono::milliseconds timeout,
                      uid_t user = ::getuid());

    static QByteArray requestName(Request request);
    static std::optional<Request> parseRequest(const QByteArray& line);

Q_SIGNALS:
    // This process is the one instance (listening, or on its own when the socket cannot be used).
    void primary();
    // A running instance took the request; `answer` is what it said (empty if it said nothing in
    // time). This process has nothing more to do.
    void handedOver(const QByteArray& answer);

private:
    void tryConnect(Request request);
    void becomePrimary();
    void acceptConnections();
    void serve(QLocalSocket* peer);

    Place m_place;
    uid_t m_user;
    Responder m_responder;
    QLocalServer* m_server = nullptr;
    QLocalSocket* m_client = nullptr;
    Request m_request = Request::show;
    int m_attempts = 0;
};

} // namespace vireon
