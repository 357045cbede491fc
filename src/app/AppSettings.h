#pragma once

#include <QObject>

class QSettings;

namespace vireon {

// The application's own switches, kept in the per-user settings store rather than in config.json.
// Each is read once at construction and written through on every assignment, even of an unchanged
// value, so the store always holds what the user last chose; changed() comes only when a value differs.
class AppSettings : public QObject {
    Q_OBJECT
public:
    explicit AppSettings(QSettings& store, QObject* parent = nullptr);

    bool launchAtLogin() const { return m_launchAtLogin; }
    void setLaunchAtLogin(bool value);

    bool preventSleepWhileFeeding() const { return m_preventSleepWhileFeeding; }
    void setPreventSleepWhileFeeding(bool value);

    bool hasCompletedOnboarding() const { return m_hasCompletedOnboarding; }
    void setHasCompletedOnboarding(bool value);

    bool feedingDesired() const { return m_feedingDesired; }
    void setFeedingDesired(bool value);

    bool vireonPauseWarned() const { return m_vireonPauseWarned; }
    void setVireonPauseWarned(bool value);

    // On unless the user turned it off.
    bool notifyWhenAttentionNeeded() const { return m_notifyWhenAttentionNeeded; }
    void setNotifyWhenAttentionNeeded(bool value);

Q_SIGNALS:
    void changed();

private:
    bool read(const QString& key, bool byDefault = false) const;
    void assign(bool& field, const QString& key, bool value);

    QSettings& m_store;
    bool m_launchAtLogin = false;
    bool m_preventSleepWhileFeeding = false;
    bool m_hasCompletedOnboarding = false;
    bool m_feedingDesired = false;
    bool m_vireonPauseWarned = false;
    bool m_notifyWhenAttentionNeeded = true;
};

} // namespace vireon
