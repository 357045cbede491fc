#include "app/AppSettings.h"

#include <QSettings>

namespace vireon {
namespace {

const QString launchAtLoginKey = QStringLiteral("launchAtLogin");
const QString preventSleepKey = QStringLiteral("preventSleepWhileFeeding");
const QString onboardingKey = QStringLiteral("hasCompletedOnboarding");
const QString feedingDesiredKey = QStringLiteral("feedingDesired");
const QString pauseWarnedKey = QStringLiteral("vireonPauseWarned");
const QString notifyKey = QStringLiteral("notifyWhenAttentionNeeded");

} // namespace

AppSettings::AppSettings(QSettings& store, QObject* parent) : QObject(parent), m_store(store)
{
    m_launchAtLogin = read(launchAtLoginKey);
    m_preventSleepWhileFeeding = read(preventSleepKey);
    m_hasCompletedOnboarding = read(onboardingKey);
    m_feedingDesired = read(feedingDesiredKey);
    m_vireonPauseWarned = read(pauseWarnedKey);
    m_notifyWhenAttentionNeeded = read(notifyKey, true);
}

void AppSettings::setLaunchAtLogin(bool value)
{
    assign(m_launchAtLogin, launchAtLoginKey, value);
}

void AppSettings::setPreventSleepWhileFeeding(bool value)
{
    assign(m_preventSleepWhileFeeding, preventSleepKey, value);
}

void AppSettings::setHasCompletedOnboarding(bool value)
{
    assign(m_hasCompletedOnboarding, onboardingKey, value);
}

void AppSettings::setFeedingDesired(bool value)
{
    assign(m_feedingDesired, feedingDesiredKey, value);
}

void AppSettings::setVireonPauseWarned(bool value)
{
    assign(m_vireonPauseWarned, pauseWarnedKey, value);
}

void AppSettings::setNotifyWhenAttentionNeeded(bool value)
{
    assign(m_notifyWhenAttentionNeeded, notifyKey, value);
}

bool AppSettings::read(const QString& key, bool byDefault) const
{
    if (!m_store.contains(key))
        return byDefault;
    // The store is a text file a user may edit. QVariant would read any non-empty word as true, which
    // would, for example, start feeding or skip onboarding on a typo; only clear yeses count as on.
    const QVariant value = m_store.value(key);
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return value.toLongLong() != 0;
    case QMetaType::QString: {
        const QString text = value.toString().trimmed().toLower();
        return text == QLatin1String("true") || text == QLatin1String("1") || text == QLatin1String("yes");
    }
    default:
        return false;
    }
}

void AppSettings::assign(bool& field, const QString& key, bool value)
{
    const bool differs = field != value;
    field = value;
    m_store.setValue(key, value);
    // Flushed at once: these switches decide what happens at the next launch, and a crash before the
    // store's own lazy write would silently forget a start or a stop.
    m_store.sync();
    if (differs)
        Q_EMIT changed();
}

} // namespace vireon
