// VIREON_TEST_NEEDS_DBUS: runs on a private bus that serves as both session and system bus.
#include "location/LocationProvider.h"
#include "platform/QtLocationService.h"
#include "support/ManualTimeSource.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QFile>
#include <QNmeaPositionInfoSource>
#include <QtTest>

using namespace std::chrono_literals;
using namespace vireon;
using Kind = LocationError::Kind;

namespace {

constexpr int waitMs = 10'000;
using Answer = std::optional<LocationProvider::Result>;

Answer failure(Kind kind)
{
    return LocationError{kind};
}

QtLocationService::SourceFactory replaying(const QString& file)
{
    return [file](QObject* parent) {
        auto* source = new QNmeaPositionInfoSource(QNmeaPositionInfoSource::SimulationMode, parent);
        source->setDevice(new QFile(QStringLiteral(VIREON_TEST_DATA_DIR "/") + file, source));
        return source;
    };
}

// A GeoClue that is there but refuses every client, as it does when the user said no. It answers on
// its own thread, since Qt's plugin makes some blocking calls to the service.
class RefusingGeoClue final : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        return connection.send(message.createErrorReply(
            QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"), QStringLiteral("Agent rejected")));
    }
};

// One request through the provider; the answer lands in `result`.
struct Request {
    Request(std::unique_ptr<LocationService> service) : provider(std::move(service), clock)
    {
        provider.requestOneShot([this](const LocationProvider::Result& r) { result = r; });
    }
    bool answered() const { return result.has_value(); }

    test::ManualTimeSource clock;
    LocationProvider provider;
    Answer result;
};

} // namespace

class TestQtLocationService : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        // Qt Positioning hides its GeoClue plugin from anything run by Qt Test; this test is about
        // that very plugin.
        qunsetenv("QT_QTESTLIB_RUNNING");
    }

    void aReplayedFixArrivesAsTheCoordinate()
    {
        Request request(std::make_unique<QtLocationService>(replaying(QStringLiteral("nmea-fix.nmea"))));
        QVERIFY(!request.answered()); // never inside the request itself
        QTRY_VERIFY_WITH_TIMEOUT(request.answered(), waitMs);
        const auto coordinate = std::get<LocationCoordinate>(*request.result);
        QCOMPARE(coordinate.latitude, 48 + 7.038 / 60); // 4807.038,N 01131.000,E
        QCOMPARE(coordinate.longitude, 11 + 31.0 / 60);
    }

    void aReplayWithoutAFixEndsOnlyByTheFixTimeOut()
    {
        Request request(std::make_unique<QtLocationService>(replaying(QStringLiteral("nmea-no-fix.nmea"))));
        QTest::qWait(300); // the replay's first sentences are read at once; none carries a fix
        QVERIFY(!request.answered());
        request.clock.advance(20s);
        QCOMPARE(request.result, failure(Kind::fixTimedOut));
    }

    void noGeoClueOnTheSystemBusIsUnavailable()
    {
        QVERIFY(QDBusConnection::systemBus().isConnected());
        Request request(std::make_unique<QtLocationService>());
        QVERIFY(!request.answered());
        QTRY_VERIFY_WITH_TIMEOUT(request.answered(), waitMs);
        QCOMPARE(request.result, failure(Kind::unavailable));
    }

    void aGeoClueThatRefusesIsDenied()
    {
        QDBusConnection bus =
            QDBusConnection::connectToBus(QDBusConnection::SystemBus, QStringLiteral("geoclue"));
        QThread thread;
        auto* geoClue = new RefusingGeoClue;
        QVERIFY(bus.registerVirtualObject(QStringLiteral("/"), geoClue, QDBusConnection::SubPath));
        geoClue->moveToThread(&thread);
        connect(&thread, &QThread::finished, geoClue, &QObject::deleteLater);
        thread.start();
        QVERIFY(bus.registerService(QString::fromLatin1(QtLocationService::geoClueService)));

        Request request(std::make_unique<QtLocationService>());
        QTRY_VERIFY_WITH_TIMEOUT(request.answered(), waitMs);
        QCOMPARE(request.result, failure(Kind::denied));

        // The next request asks again rather than remembering the refusal.
        Answer again;
        request.provider.requestOneShot([&again](const LocationProvider::Result& r) { again = r; });
        QTRY_COMPARE_WITH_TIMEOUT(again, failure(Kind::denied), waitMs);

        bus.unregisterService(QString::fromLatin1(QtLocationService::geoClueService));
        QDBusConnection::disconnectFromBus(QStringLiteral("geoclue"));
        thread.quit();
        thread.wait();
    }
};

QTEST_GUILESS_MAIN(TestQtLocationService)
#include "TestQtLocationService.moc"
