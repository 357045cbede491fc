#include "Outbound.h"

#include "StandardError.h"

#include <QHostAddress>

// Stream framing, as the real decoder has it: on beast_reduce_plus_out the connection starts with the
// key frame 0x1a 0xe4 and 36 characters (a key of 28 to 35 padded with "f", a longer one cut; a
// shorter or missing key is not sent and an error line names the decoder's default key file); then
// come three beast frames, each 0x1a '3' (a long Mode S
// message), a 6-byte timestamp, a signal byte and 14 message bytes, with every 0x1a inside a frame
// doubled as in the beast format.

Outbound::Outbound(QString host, quint16 port, QString protocol, std::optional<QString> uuid, int retryMs,
                   QObject* parent)
    : QObject(parent), m_host(std::move(host)), m_port(port), m_protocol(std::move(protocol)),
      m_uuid(std::move(uuid))
{
    m_retry.setSingleShot(true);
    m_retry.setInterval(retryMs);
    connect(&m_retry, &QTimer::timeout, this, &Outbound::connectNow);
    connect(&m_socket, &QTcpSocket::connected, this, &Outbound::onConnected);
    connect(&m_socket, &QTcpSocket::disconnected, this, &Outbound::onDisconnected);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &Outbound::onError);
}

QByteArray Outbound::demoFrames()
{
    static const char* const messages[] = {"8D4840D6202CC371C32CE0576098", "8D40621D58C382D690C8AC2863A7",
                                           "8D485020994409940838175B284F"};
    QByteArray stream;
    for (const char* hex : messages) {
        QByteArray payload =
            QByteArray::fromHex("00001a2b3c4d") + QByteArray(1, char(0x80)) + QByteArray::fromHex(hex);
        payload.replace("\x1a", 1, "\x1a\x1a", 2);
        stream += QByteArray("\x1a\x33", 2) + payload; // escape byte, then type '3'
    }
    return stream;
}

void Outbound::connectNow()
{
    m_socket.abort();
    m_socket.connectToHost(m_host, m_port);
}

QString Outbound::prefix() const
{
    return m_protocol == QLatin1String("beast_out") ? QStringLiteral("Beast TCP output: ")
                                                    : QStringLiteral("BeastReduce TCP output: ");
}

QString Outbound::endpoint() const
{
    return QStringLiteral("%1 port %2").arg(m_host).arg(m_port);
}

void Outbound::onConnected()
{
    m_established = true;
    m_failures = 0;
    const QString peer = m_socket.peerAddress().toString();
    const QString named =
        QHostAddress(m_host).isNull() ? QStringLiteral("%1 (%2)").arg(m_host, peer) : m_host;
    writeLine(prefix() + QStringLiteral("Connection established: %1 port %2").arg(named).arg(m_port));
    QByteArray stream;
    if (m_protocol == QLatin1String("beast_reduce_plus_out")) {
        const QByteArray key = m_uuid.value_or(QString()).toUtf8();
        if (key.size() >= 28)
            stream += QByteArray("\x1a\xe4", 2) + key.leftJustified(36, 'f', true);
        else
            writeLine(QStringLiteral("ERROR: Not a valid UUID: /usr/local/share/adsbexchange/adsbx-uuid"));
    }
    m_socket.write(stream + demoFrames());
}

void Outbound::onDisconnected()
{
    if (!m_established)
        return;
    m_established = false;
    // The real decoder reports an orderly close but says nothing of a reset (RST) unless its network
    // debugging is on; Qt reports both alike, so a test says which one its listener does.
    static const bool resetsGoUnreported = qEnvironmentVariableIsSet("FAKE_READSB_CLOSE_IS_RESET");
    if (resetsGoUnreported) {
        retryLater();
        return;
    }
    writeLine(prefix() + QStringLiteral("Remote server disconnected: %1 (fd %2, SendQ 0, RecvQ 0)")
                             .arg(endpoint())
                             .arg(m_socket.socketDescriptor()));
    retryLater();
}

void Outbound::onError(QAbstractSocket::SocketError error)
{
    if (m_established)
        return; // a closed peer is reported by onDisconnected
    ++m_failures;
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        writeLine(prefix() + QStringLiteral("Connection to %1 failed (%2): 111 (Connection refused)")
                                 .arg(endpoint())
                                 .arg(m_failures));
        break;
    case QAbstractSocket::HostNotFoundError:
        writeLine(prefix() +
                  QStringLiteral("Name resolution for %1 failed: Name or service not known").arg(m_host));
        break;
    case QAbstractSocket::SocketTimeoutError:
        writeLine(prefix() + QStringLiteral("Connection to %1 timed out.").arg(endpoint()));
        break;
    default:
        writeLine(prefix() + QStringLiteral("Connection to %1 failed (%2): %3")
                                 .arg(endpoint())
                                 .arg(m_failures)
                                 .arg(m_socket.errorString()));
        break;
    }
    retryLater();
}

void Outbound::retryLater()
{
    if (!m_retry.isActive())
        m_retry.start();
}
