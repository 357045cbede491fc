#pragma once

#include <QObject>

class QSocketNotifier;

namespace vireon {

// Turns SIGTERM, SIGINT and SIGHUP into a call on the event loop, so that `kill`, Ctrl+C and the end
// of a session quit the application the orderly way (decoder stopped, exit status 0) instead of
// killing it mid-operation. The signal handler only writes a byte to a socket pair; everything else
// happens on the GUI thread when the notifier sees that byte.
class QuitSignals : public QObject {
    Q_OBJECT
public:
    // One per process; installs the handlers. Returns without them if the socket pair cannot be made.
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;

    bool isInstalled() const { return m_notifier != nullptr; }

Q_SIGNALS:
    void received(int signalNumber);

private:
    void readSignal();

    QSocketNotifier* m_notifier = nullptr;
};

} // namespace vireon
