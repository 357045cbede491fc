// VIREON_TEST_NEEDS_DBUS: the Qt service runs on a private bus that serves as both session and system bus.
#include "location/LocationProvider.h"
#include "platform/QtLocationService.h"
#include "support/FakeLocationService.h"
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
using Authorization = LocationService::Authorization;
using Answer = std::optional<LocationProvider::Result>;

namespace {

const LocationCoordinate berlin{52.520008, 13.404954};
const LocationCoordinate paris{48.8566, 2.3522};

Answer failure(Kind kind)
{
    return LocationError{kind};
}

// One provider over the fake service and the manual clock; answers[i] is what request i got.
struct Rig {
    explicit Rig(Authorization status = Authorization::authorized)
    {
        auto owned = std::make_unique<test::FakeLocationService>();
        service = owned.get();
        service->status = status;
        provider = std::make_unique<LocationProvider>(std::move(owned), clock);
    }
    // Over a real service, with its first request made.
    explicit Rig(std::unique_ptr<LocationService> real)
        : provider(std::make_unique<LocationProvider>(std::move(real), clock))
    {
        request();
    }
    bool answered(int index = 0) const { return answers[index].has_value(); }
    int request()
    {
        answers.append(std::nullopt);
        provider->requestOneShot([this, index = answers.size() - 1](const LocationProvider::Result& result) {
            QVERIFY2(!answers[index], "answered twice");
            answers[index] = result;
        });
        return int(answers.size() - 1);
    }

    test::ManualTimeSource clock;
    test::FakeLocationService* service = nullptr;
    std::unique_ptr<LocationProvider> provider;
    QList<Answer> answers;
};

constexpr int waitMs = 10'000;

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

} // namespace

class TestLocationProvider : public QObject {
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
        Rig rig(std::make_unique<QtLocationService>(replaying(QStringLiteral("nmea-fix.nmea"))));
        QVERIFY(!rig.answered()); // never inside the request itself
        QTRY_VERIFY_WITH_TIMEOUT(rig.answered(), waitMs);
        const auto coordinate = std::get<LocationCoordinate>(*rig.answers[0]);
        QCOMPARE(coordinate.latitude, 48 + 7.038 / 60); // 4807.038,N 01131.000,E
        QCOMPARE(coordinate.longitude, 11 + 31.0 / 60);
    }

    void aReplayWithoutAFixEndsOnlyByTheFixTimeOut()
    {
        Rig rig(std::make_unique<QtLocationService>(replaying(QStringLiteral("nmea-no-fix.nmea"))));
        QTest::qWait(300); // the replay's first sentences are read at once; none carries a fix
        QVERIFY(!rig.answered());
        rig.clock.advance(20s);
        QCOMPARE(rig.answers[0], failure(Kind::fixTimedOut));
    }

    void afterOurOwnFixTimeOutTheNextRequestAsksAFreshSource()
    {
        // Qt's sources ignore a request while their own still runs; the first never finds a fix.
        int made = 0;
        Rig rig(std::make_unique<QtLocationService>([&made](QObject* parent) {
            ++made;
            return replaying(QString::fromLatin1(made == 1 ? "nmea-no-fix.nmea" : "nmea-fix.nmea"))(parent);
        }));
        QTest::qWait(300);
        rig.clock.advance(20s);
        QCOMPARE(rig.answers[0], failure(Kind::fixTimedOut));
        rig.request();
        QTRY_VERIFY_WITH_TIMEOUT(rig.answered(1), waitMs);
        QVERIFY(std::holds_alternative<LocationCoordinate>(*rig.answers[1]));
        QCOMPARE(made, 2);
    }

    void noGeoClueOnTheSystemBusIsUnavailable()
    {
        QVERIFY(QDBusConnection::systemBus().isConnected());
        Rig rig(std::make_unique<QtLocationService>());
        QVERIFY(!rig.answered());
        QTRY_COMPARE_WITH_TIMEOUT(rig.answers[0], failure(Kind::unavailable), waitMs);
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

        Rig rig(std::make_unique<QtLocationService>());
        QTRY_COMPARE_WITH_TIMEOUT(rig.answers[0], failure(Kind::denied), waitMs);
        rig.request(); // asks again rather than remembering the refusal
        QTRY_COMPARE_WITH_TIMEOUT(rig.answers[1], failure(Kind::denied), waitMs);

        bus.unregisterService(QString::fromLatin1(QtLocationService::geoClueService));
        QDBusConnection::disconnectFromBus(QStringLiteral("geoclue"));
        thread.quit();
        thread.wait();
    }

    void aSecondRequestIsBusyAndLeavesTheFirstAlone()
    {
        Rig rig;
        QCOMPARE(rig.service->desiredAccuracy, 100.0);
        rig.request();
        rig.request();
        QCOMPARE(rig.answers, (QList<Answer>{std::nullopt, failure(Kind::busy)}));
        QCOMPARE(rig.service->locationRequests, 1);
        rig.clock.advance(19s); // the first keeps its own 20 s
        rig.service->deliver({berlin});
        QCOMPARE(rig.answers[0], Answer(berlin));
    }

    void anUnansweredPromptTimesOutAfter90Seconds()
    {
        Rig rig(Authorization::notDetermined);
        rig.request();
        QCOMPARE(rig.service->authorizationRequests, 1);
        rig.clock.advance(89s);
        QVERIFY(!rig.answers[0]);
        rig.clock.advance(1s);
        QCOMPARE(rig.answers[0], failure(Kind::promptTimedOut));
    }

    void permissionAt80SecondsGivesTheFixAFresh20Seconds()
    {
        Rig rig(Authorization::notDetermined);
        rig.request();
        rig.clock.advance(80s);
        rig.service->decide(Authorization::authorized);
        QCOMPARE(rig.service->locationRequests, 1);
        rig.clock.advance(19s); // past the prompt's 90 s
        QVERIFY(!rig.answers[0]);
        rig.clock.advance(1s);
        QCOMPARE(rig.answers[0], failure(Kind::fixTimedOut));
    }

    void aLateLocationAfterTheFixTimeOutIsIgnored()
    {
        Rig rig;
        rig.request();
        rig.clock.advance(20s);
        rig.service->deliver({berlin});
        rig.service->fail();
        QCOMPARE(rig.answers[0], failure(Kind::fixTimedOut));
        rig.request(); // idle again: the next request starts at once
        rig.service->deliver({paris});
        QCOMPARE(rig.answers[1], Answer(paris));
    }

    void answersOfTheService()
    {
        Rig rig;
        rig.request();
        rig.service->deliver({berlin, paris});
        rig.request();
        rig.service->deliver({});
        rig.request();
        rig.service->fail();
        QCOMPARE(rig.answers, (QList<Answer>{paris, failure(Kind::unavailable), failure(Kind::unavailable)}));
        QCOMPARE(rig.clock.activeTimerCount(), 0);
    }

    void denialWhileThePromptIsOpenEndsAtOnceAndCancelsTheTimeOut()
    {
        Rig rig(Authorization::notDetermined);
        rig.request();
        rig.clock.advance(30s);
        rig.service->decide(Authorization::denied);
        QCOMPARE(rig.answers[0], failure(Kind::denied));
        QCOMPARE(rig.clock.activeTimerCount(), 0);
    }

    void deniedOrRestrictedBeforehandIsDeniedWithoutAsking()
    {
        for (const auto status : {Authorization::denied, Authorization::restricted}) {
            Rig rig(status);
            rig.request();
            QCOMPARE(rig.answers[0], failure(Kind::denied));
            QCOMPARE(rig.service->locationRequests + rig.service->authorizationRequests, 0);
        }
    }

    void anAuthorisationChangeWithNothingPendingDoesNothing()
    {
        Rig rig(Authorization::notDetermined);
        rig.service->decide(Authorization::authorized);
        QCOMPARE(rig.service->locationRequests, 0);
        QCOMPARE(rig.clock.activeTimerCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestLocationProvider)
#include "TestLocationProvider.moc"
