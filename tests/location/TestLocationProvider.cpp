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

// A column of answers: QList's own ordering would want one of the answers as well.
struct Answers {
    QList<Answer> list;
};

} // namespace

Q_DECLARE_METATYPE(Answers)

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

    // Steps: "request", "+<seconds>" on the clock, the service's "fail" or delivery ("" for none,
    // "berlin", "berlin paris"), or the user's "authorized" or "denied" at the prompt.
    void answersFollowTheServiceThePromptAndTheClock_data()
    {
        QTest::addColumn<Authorization>("status");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<Answers>("answers");
        QTest::addColumn<int>("asked"); // location requests and prompts the service saw
        const auto none = std::nullopt;
        const auto authorized = Authorization::authorized;
        const auto undecided = Authorization::notDetermined;
        QTest::newRow("a second request is busy and leaves the first its own 20 s")
            << authorized << QStringList{"request", "request", "+19", "berlin"}
            << Answers{{berlin, failure(Kind::busy)}} << 1;
        QTest::newRow("the last of several locations, none, or a failure")
            << authorized << QStringList{"request", "berlin paris", "request", "", "request", "fail"}
            << Answers{{paris, failure(Kind::unavailable), failure(Kind::unavailable)}} << 3;
        QTest::newRow("a location after the fix time-out is ignored, and the next request starts at once")
            << authorized << QStringList{"request", "+20", "berlin", "fail", "request", "paris"}
            << Answers{{failure(Kind::fixTimedOut), paris}} << 2;
        QTest::newRow("an unanswered prompt is still open after 89 s")
            << undecided << QStringList{"request", "+89"} << Answers{{none}} << 1;
        QTest::newRow("an unanswered prompt times out after 90 s")
            << undecided << QStringList{"request", "+90"} << Answers{{failure(Kind::promptTimedOut)}} << 1;
        QTest::newRow("permission at 80 s gives the fix a fresh 20 s, not the prompt's last 10")
            << undecided << QStringList{"request", "+80", "authorized", "+19"} << Answers{{none}} << 2;
        QTest::newRow("the fix times out 20 s after the permission")
            << undecided << QStringList{"request", "+80", "authorized", "+20"}
            << Answers{{failure(Kind::fixTimedOut)}} << 2;
        QTest::newRow("denial while the prompt is open ends at once")
            << undecided << QStringList{"request", "+30", "denied"} << Answers{{failure(Kind::denied)}} << 1;
        QTest::newRow("denied beforehand: denied without asking")
            << Authorization::denied << QStringList{"request"} << Answers{{failure(Kind::denied)}} << 0;
        QTest::newRow("restricted beforehand: denied without asking")
            << Authorization::restricted << QStringList{"request"} << Answers{{failure(Kind::denied)}} << 0;
        QTest::newRow("an authorisation with nothing pending does nothing")
            << undecided << QStringList{"authorized"} << Answers{{}} << 0;
    }
    void answersFollowTheServiceThePromptAndTheClock()
    {
        QFETCH(Authorization, status);
        QFETCH(QStringList, steps);
        Rig rig(status);
        QCOMPARE(rig.service->desiredAccuracy, 100.0);
        for (const QString& step : steps) {
            if (step == "request")
                rig.request();
            else if (step.startsWith(u'+'))
                rig.clock.advance(std::chrono::seconds(step.toInt()));
            else if (step == "fail")
                rig.service->fail();
            else if (step == "authorized" || step == "denied")
                rig.service->decide(step == "denied" ? Authorization::denied : Authorization::authorized);
            else {
                QList<LocationCoordinate> delivered;
                for (const QString& name : step.split(u' ', Qt::SkipEmptyParts))
                    delivered.append(name == "berlin" ? berlin : paris);
                rig.service->deliver(delivered);
            }
        }
        QFETCH(Answers, answers);
        QCOMPARE(rig.answers, answers.list);
        QTEST(rig.service->locationRequests + rig.service->authorizationRequests, "asked");
        // Nothing is left waiting once every request is answered.
        if (!rig.answers.contains(std::nullopt))
            QCOMPARE(rig.clock.activeTimerCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestLocationProvider)
#include "TestLocationProvider.moc"
