#pragma once

#include <QObject>
#include <QString>
#include <QTcpSocket>
#include <QTimer>
#include <optional>

// One --net-connector of the stand-in decoder: connects for real, reports like the real decoder on
// standard error, retries on its own, and once connected sends a short stream (see Outbound.cpp).
class Outbound : public QObject {
    Q_OBJECT
public:
    Outbound(QString host, quint16 port, QString protocol, std::optional<QString> uuid, int retryMs,
             QObject* parent = nullptr);

    void connectNow();

    // The stream a connection starts with; also served to clients of the local beast port.
    static QByteArray demoFrames();

private:
    void onConnected();
    void onDisconnected();
    void onError(QAbstractSocket::SocketError error);
    void retryLater();
    QString prefix() const;
    QString endpoint() const;

    QString m_host;
    quint16 m_port;
    QString m_protocol;
    std::optional<QString> m_uuid;
    QTcpSocket m_socket;
    QTimer m_retry;
    int m_failures = 0;
    bool m_established = false;
};
