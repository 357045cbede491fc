#pragma once

#include "platform/LocationService.h"

#include <QPointer>
#include <functional>

class QGeoPositionInfoSource;

namespace vireon {

// The location service over Qt Positioning. On the desktop that is Qt's default source (GeoClue2 on
// Linux), asked for only once the system bus says GeoClue is running or can be started; tests hand in
// any other source, such as an NMEA file replayed in real time.
//
// Linux has no authorisation to read ahead of a request: GeoClue's agent decides when the client
// starts, and Qt reports a refusal only as an access error to the request. So the authorisation reads
// as granted, and an access error from a GeoClue that is present is announced as an authorisation
// change to denied for the length of that announcement; the next request asks GeoClue again, which
// keeps the user's stored choice.
class QtLocationService final : public LocationService {
    Q_OBJECT
public:
    using SourceFactory = std::function<QGeoPositionInfoSource*(QObject* parent)>;

    static constexpr const char* geoClueService = "org.freedesktop.GeoClue2";
    static constexpr const char* desktopId = "vireon-feeder";

    // Qt's default source, behind the GeoClue check on the system bus.
    explicit QtLocationService(QObject* parent = nullptr);
    // The given source, without any check; its access errors count as failures.
    explicit QtLocationService(SourceFactory makeSource, QObject* parent = nullptr);
    ~QtLocationService() override;

    void setDesiredAccuracy(double metres) override;
    Authorization authorization() const override { return m_authorization; }
    void requestWhenInUseAuthorization() override;
    void requestLocation() override;

private:
    void checkGeoClueThenRequest();
    void requestFromSource();
    void sourceFailed(int error);
    void dropSource();
    void failLater();

    SourceFactory m_makeSource;
    bool m_checkGeoClue = false;
    bool m_servicePresent = false;
    bool m_checking = false;
    double m_desiredAccuracy = 100;
    Authorization m_authorization = Authorization::authorized;
    QPointer<QGeoPositionInfoSource> m_source;
    // A request went to m_source and neither a position nor an error has come back.
    bool m_awaitingAnswer = false;
};

} // namespace vireon
