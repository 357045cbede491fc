#include "platform/QtLocationService.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGeoPositionInfoSource>

namespace vireon {
namespace {

QDBusMessage busCall(const QString& method)
{
    return QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                          QStringLiteral("/org/freedesktop/DBus"),
                                          QStringLiteral("org.freedesktop.DBus"), method);
}

// Calls the bus without waiting and hands the reply to `done` on the main thread; nothing happens
// once `context` is gone.
template <typename Reply>
void askBus(const QDBusConnection& bus, const QDBusMessage& call, QObject* context,
            std::function<void(const QDBusPendingReply<Reply>&)> done)
{
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context, [watcher, done = std::move(done)] {
        watcher->deleteLater();
        done(QDBusPendingReply<Reply>(*watcher));
    });
}

} // namespace

QtLocationService::QtLocationService(QObject* parent)
    : QtLocationService(
          [](QObject* owner) {
              const QVariantMap parameters{
                  {QStringLiteral("desktopId"), QString::fromLatin1(QtLocationService::desktopId)}};
              return QGeoPositionInfoSource::createDefaultSource(parameters, owner);
          },
          parent)
{
    m_checkGeoClue = true;
}

QtLocationService::QtLocationService(SourceFactory makeSource, QObject* parent)
    : LocationService(parent), m_makeSource(std::move(makeSource))
{}

QtLocationService::~QtLocationService() = default;

void QtLocationService::setDesiredAccuracy(double metres)
{
    m_desiredAccuracy = metres;
    // GeoClue has nothing between "street" and "exact": a hundred metres or better asks for its best,
    // which also lets a GPS place the antenna.
    if (m_source) {
        m_source->setPreferredPositioningMethods(
            metres <= 100 ? QGeoPositionInfoSource::AllPositioningMethods
                          : QGeoPositionInfoSource::NonSatellitePositioningMethods);
    }
}

void QtLocationService::requestWhenInUseAuthorization()
{
    // Nothing to ask ahead of a request on Linux (see the class comment); the answer is the same status.
    QMetaObject::invokeMethod(this, &LocationService::authorizationChanged, Qt::QueuedConnection);
}

void QtLocationService::requestLocation()
{
    if (m_checkGeoClue)
        checkGeoClueThenRequest();
    else
        requestFromSource();
}

void QtLocationService::checkGeoClueThenRequest()
{
    if (m_checking)
        return;
    // Without GeoClue, Qt's plugin fails every request with the same access error as a refusal, and
    // without a system bus it never answers at all: ask the bus first.
    const QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        failLater();
        return;
    }
    m_checking = true;
    const QString service = QString::fromLatin1(geoClueService);
    auto conclude = [this](bool present) {
        m_checking = false;
        m_servicePresent = present;
        if (present)
            requestFromSource();
        else
            Q_EMIT failed();
    };
    QDBusMessage running = busCall(QStringLiteral("NameHasOwner"));
    running << service;
    askBus<bool>(bus, running, this, [this, bus, service, conclude](const QDBusPendingReply<bool>& owned) {
        if (owned.isValid() && owned.value()) {
            conclude(true);
            return;
        }
        askBus<QStringList>(bus, busCall(QStringLiteral("ListActivatableNames")), this,
                            [service, conclude](const QDBusPendingReply<QStringList>& names) {
                                conclude(names.isValid() && names.value().contains(service));
                            });
    });
}

void QtLocationService::requestFromSource()
{
    // The provider asks again only once it has given up on the last request (its own fix time-out).
    // Qt's sources ignore a request while one of their own still runs, so the next one goes to a
    // fresh source, as after an error.
    if (m_source && m_awaitingAnswer)
        dropSource();
    if (!m_source) {
        m_source = m_makeSource ? m_makeSource(this) : nullptr;
        if (!m_source) {
            failLater();
            return;
        }
        setDesiredAccuracy(m_desiredAccuracy);
        // Queued, so every answer comes from the event loop even when a source answers inside
        // requestUpdate() (an NMEA file does).
        connect(
            m_source, &QGeoPositionInfoSource::positionUpdated, this,
            [this](const QGeoPositionInfo& info) {
                m_awaitingAnswer = false;
                const QGeoCoordinate c = info.coordinate();
                QList<LocationCoordinate> locations;
                if (c.isValid())
                    locations.append(LocationCoordinate{c.latitude(), c.longitude()});
                Q_EMIT locationsUpdated(locations);
            },
            Qt::QueuedConnection);
        connect(
            m_source, &QGeoPositionInfoSource::errorOccurred, this,
            [this](QGeoPositionInfoSource::Error error) { sourceFailed(int(error)); }, Qt::QueuedConnection);
    }
    // One fix; the time-out that counts is the provider's.
    m_awaitingAnswer = true;
    m_source->requestUpdate(0);
}

void QtLocationService::dropSource()
{
    m_awaitingAnswer = false;
    if (m_source)
        m_source->deleteLater();
    m_source = nullptr;
}

void QtLocationService::sourceFailed(int error)
{
    // A source keeps its own request running after an error and ignores new ones until it ends: start
    // the next request on a fresh one.
    dropSource();
    if (error == QGeoPositionInfoSource::AccessError && m_servicePresent) {
        m_authorization = Authorization::denied;
        Q_EMIT authorizationChanged();
        m_authorization = Authorization::authorized;
        return;
    }
    Q_EMIT failed();
}

void QtLocationService::failLater()
{
    QMetaObject::invokeMethod(this, &LocationService::failed, Qt::QueuedConnection);
}

} // namespace vireon
