#pragma once

#include "app/AppEnvironment.h"
#include "app/StationStatus.h"

#include <QDateTime>
#include <QObject>
#include <functional>
#include <memory>
#include <optional>

class QFileSystemWatcher;

namespace vireon {

class AppState;

// The feeding engine without windows, for a computer without a desktop: feeds as the tray
// application would at launch, except that onboarding is not needed (config.json is written by
// hand), and says in its log what it does and each change of the station's status.
class HeadlessFeeder : public QObject {
    Q_OBJECT
public:
    // Receives each log line, time first; empty writes them to standard error.
    using Log = std::function<void(const QString& line)>;

    explicit HeadlessFeeder(AppEnvironment environment = {}, Log log = {}, QObject* parent = nullptr);
    ~HeadlessFeeder() override;

    // Takes the launch decision once the event loop runs.
    void start();
    // Stops the decoder, waiting a bounded time for it, before the process exits.
    void shutdown();

    AppState& state() const { return *m_state; }

    // A station at 0°, 0° has no position set: the onboarding would not have let it through.
    static bool hasPosition(double lat, double lon) { return lat != 0 || lon != 0; }

    // Figure-only changes of the feeding line (aircraft and message counts move every few seconds)
    // are logged at most this often, so the log shows the station alive without filling the journal.
    static constexpr qint64 figuresLogIntervalMs = 10 * 60 * 1000;

private:
    void decide();
    void configFileChanged();
    void watchConfigFile();
    void logChanges();
    void log(const QString& text);

    std::unique_ptr<AppState> m_state;
    Log m_log;
    QFileSystemWatcher* m_watcher = nullptr;
    bool m_waitingForPosition = false;
    bool m_shutDown = false;
    std::optional<StationStatus::Inputs> m_logged;
    QDateTime m_statusLoggedAt;
};

} // namespace vireon
