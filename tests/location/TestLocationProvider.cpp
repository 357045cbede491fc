#include "location/LocationProvider.h"
#include "support/FakeLocationService.h"
#include "support/ManualTimeSource.h"

#include <QtTest>

using namespace std::chrono_literals;
using namespace vireon;
using Kind = LocationError::Kind;
using Authorization = LocationService::Authorization;
using vireon::test::FakeLocationService;

namespace {

const LocationCoordinate berlin{52.520008, 13.404954};
const LocationCoordinate paris{48.8566, 2.3522};

// One provider over the fake service and the manual clock, with every answer its requests got.
struct Rig {
    explicit Rig(Authorization status = Authorization::authorized)
    {
        auto owned = std::make_unique<FakeLocationService>();
        service = owned.get();
        service->status = status;
        provider = std::make_unique<LocationProvider>(std::move(owned), clock);
    }

    // Answers of requests in the order the requests were made; absent while one is unanswered.
    int request()
    {
        const int index = int(answers.size());
        answers.append(std::nullopt);
        provider->requestOneShot([this, index](const LocationProvider::Result& result) {
            QVERIFY2(!answers[index].has_value(), "answered twice");
            answers[index] = result;
        });
        return index;
    }
    std::optional<LocationError> error(int index) const
    {
        if (!answers.value(index) || !std::holds_alternative<LocationError>(*answers[index]))
            return std::nullopt;
        return std::get<LocationError>(*answers[index]);
    }
    std::optional<LocationCoordinate> coordinate(int index) const
    {
        if (!answers.value(index) || !std::holds_alternative<LocationCoordinate>(*answers[index]))
            return std::nullopt;
        return std::get<LocationCoordinate>(*answers[index]);
    }

    test::ManualTimeSource clock;
    FakeLocationService* service = nullptr;
    std::unique_ptr<LocationProvider> provider;
    QList<std::optional<LocationProvider::Result>> answers;
};

} // namespace

class TestLocationProvider : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void messagesAreWordForWord_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("denied") << int(Kind::denied)
                                << QStringLiteral(
                                       "Location access was denied. Enter coordinates manually, or allow "
                                       "access in System Settings \u2192 Privacy & Security \u2192 "
                                       "Location Services.");
        QTest::newRow("unavailable") << int(Kind::unavailable)
                                     << QStringLiteral(
                                            "Couldn't determine your location. Enter coordinates manually.");
        QTest::newRow("prompt timed out")
            << int(Kind::promptTimedOut)
            << QStringLiteral(
                   "macOS never answered the location permission request. Check System Settings \u2192 "
                   "Privacy & Security \u2192 Location Services, or enter coordinates manually.");
        QTest::newRow("fix timed out")
            << int(Kind::fixTimedOut)
            << QStringLiteral("Timed out waiting for a location fix. Enter coordinates "
                              "manually.");
        QTest::newRow("busy") << int(Kind::busy)
                              << QStringLiteral("A location request is already in progress.");
    }
    void messagesAreWordForWord()
    {
        QFETCH(int, kind);
        QFETCH(QString, message);
        QCOMPARE(LocationError{Kind(kind)}.errorDescription(), message);
    }

    void aSecondRequestIsBusyAndLeavesTheFirstAlone()
    {
        Rig rig;
        QCOMPARE(rig.service->desiredAccuracy, 100.0);
        const int first = rig.request();
        const int second = rig.request();
        QCOMPARE(rig.error(second), LocationError{Kind::busy});
        QVERIFY(!rig.answers[first]);
        QCOMPARE(rig.service->locationRequests, 1);

        rig.clock.advance(19s); // the first keeps its own 20 s
        rig.service->deliver({berlin});
        QCOMPARE(rig.coordinate(first), berlin);
        QVERIFY(!rig.provider->isRequestPending());
    }

    void anUnansweredPromptTimesOutAfter90Seconds()
    {
        Rig rig(Authorization::notDetermined);
        const int request = rig.request();
        QCOMPARE(rig.service->authorizationRequests, 1);
        QCOMPARE(rig.service->locationRequests, 0);
        rig.clock.advance(89s);
        QVERIFY(!rig.answers[request]);
        rig.clock.advance(1s);
        QCOMPARE(rig.error(request), LocationError{Kind::promptTimedOut});
    }

    void permissionAt80SecondsGivesTheFixAFresh20Seconds()
    {
        Rig rig(Authorization::notDetermined);
        const int request = rig.request();
        rig.clock.advance(80s);
        rig.service->decide(Authorization::authorized);
        QCOMPARE(rig.service->locationRequests, 1);
        rig.clock.advance(19s); // past the prompt's 90 s
        QVERIFY(!rig.answers[request]);
        rig.clock.advance(1s);
        QCOMPARE(rig.error(request), LocationError{Kind::fixTimedOut});
        QCOMPARE(rig.clock.activeTimerCount(), 0);
    }

    void aLateLocationAfterTheFixTimeOutIsIgnored()
    {
        Rig rig;
        const int request = rig.request();
        rig.clock.advance(20s);
        QCOMPARE(rig.error(request), LocationError{Kind::fixTimedOut});
        rig.service->deliver({berlin});
        rig.service->fail();
        QCOMPARE(rig.error(request), LocationError{Kind::fixTimedOut});

        const int next = rig.request(); // back to idle: a new request starts at once
        rig.service->deliver({paris});
        QCOMPARE(rig.coordinate(next), paris);
    }

    void answersOfTheService_data()
    {
        QTest::addColumn<int>("answer"); // 0: several locations, 1: empty list, 2: an error
        QTest::addColumn<std::optional<LocationCoordinate>>("coordinate");
        QTest::newRow("several locations give the last") << 0 << std::optional(paris);
        QTest::newRow("an empty list is unavailable") << 1 << std::optional<LocationCoordinate>();
        QTest::newRow("a service error is unavailable") << 2 << std::optional<LocationCoordinate>();
    }
    void answersOfTheService()
    {
        QFETCH(int, answer);
        QFETCH(std::optional<LocationCoordinate>, coordinate);
        Rig rig;
        const int request = rig.request();
        if (answer == 0)
            rig.service->deliver({berlin, paris});
        else if (answer == 1)
            rig.service->deliver({});
        else
            rig.service->fail();
        QCOMPARE(rig.coordinate(request), coordinate);
        if (!coordinate)
            QCOMPARE(rig.error(request), LocationError{Kind::unavailable});
        QCOMPARE(rig.clock.activeTimerCount(), 0);
    }

    void denialWhileThePromptIsOpenEndsAtOnceAndCancelsTheTimeOut()
    {
        Rig rig(Authorization::notDetermined);
        const int request = rig.request();
        rig.clock.advance(30s);
        rig.service->decide(Authorization::denied);
        QCOMPARE(rig.error(request), LocationError{Kind::denied});
        QCOMPARE(rig.clock.activeTimerCount(), 0);
        rig.clock.advance(120s);
        QCOMPARE(rig.answers.size(), 1);
        QCOMPARE(rig.error(request), LocationError{Kind::denied});
    }

    void alreadyDeniedOrRestrictedIsDeniedWithoutAsking_data()
    {
        QTest::addColumn<int>("status");
        QTest::newRow("denied") << int(Authorization::denied);
        QTest::newRow("restricted") << int(Authorization::restricted);
    }
    void alreadyDeniedOrRestrictedIsDeniedWithoutAsking()
    {
        QFETCH(int, status);
        Rig rig{Authorization(status)};
        const int request = rig.request();
        QCOMPARE(rig.error(request), LocationError{Kind::denied});
        QCOMPARE(rig.service->locationRequests + rig.service->authorizationRequests, 0);
    }

    void anAuthorisationChangeWithNothingPendingDoesNothing()
    {
        Rig rig(Authorization::notDetermined);
        rig.service->decide(Authorization::authorized);
        QCOMPARE(rig.service->locationRequests, 0);
        QCOMPARE(rig.clock.activeTimerCount(), 0);
        QVERIFY(rig.answers.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestLocationProvider)
#include "TestLocationProvider.moc"
