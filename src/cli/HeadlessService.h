#pragma once

#include <QObject>
#include <memory>

namespace vireon {

class HeadlessFeeder;
class QuitSignals;
class SingleInstance;

// `vireon-feeder --headless` around its event loop: the one-instance claim, the feeder once this
// process is the one, and an orderly stop on SIGTERM, SIGINT and SIGHUP.
class HeadlessService : public QObject {
    Q_OBJECT
public:
    // The exit status of a start refused because an instance already runs; the service unit does not
    // restart on it.
    static constexpr int alreadyRunning = 4;

    HeadlessService();
    ~HeadlessService() override;

    // Claims the one instance; the event loop then either feeds or ends with alreadyRunning.
    void start();

private:
    std::unique_ptr<QuitSignals> m_quitSignals;
    std::unique_ptr<SingleInstance> m_instance;
    // Last, so it goes first: the instance's answers read its state.
    std::unique_ptr<HeadlessFeeder> m_feeder;
};

} // namespace vireon
