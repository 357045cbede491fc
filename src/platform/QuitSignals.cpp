#include "platform/QuitSignals.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace vireon {
namespace {

constexpr int quitSignals[] = {SIGTERM, SIGINT, SIGHUP};
// Written by the handler, read by the notifier: the handler may run at any moment, so it touches
// nothing but this descriptor.
int g_handOver[2] = {-1, -1};

void onSignal(int signalNumber)
{
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(g_handOver[0], &byte, 1);
    errno = savedErrno;
}

} // namespace

QuitSignals::QuitSignals(QObject* parent) : QObject(parent)
{
    if (g_handOver[0] >= 0)
        return; // a second instance would steal the first one's descriptors
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_handOver) != 0) {
        qWarning("vireon: cannot watch for quit signals: %s", strerror(errno));
        g_handOver[0] = g_handOver[1] = -1;
        return;
    }
    m_notifier = new QSocketNotifier(g_handOver[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &QuitSignals::readSignal);

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : quitSignals)
        ::sigaction(signalNumber, &action, nullptr);
}

QuitSignals::~QuitSignals()
{
    if (!m_notifier)
        return;
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : quitSignals)
        ::sigaction(signalNumber, &action, nullptr);
    ::close(g_handOver[0]);
    ::close(g_handOver[1]);
    g_handOver[0] = g_handOver[1] = -1;
}

void QuitSignals::readSignal()
{
    unsigned char byte = 0;
    while (::read(g_handOver[1], &byte, 1) == 1)
        Q_EMIT received(byte);
}

} // namespace vireon
