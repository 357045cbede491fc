#include "location/LocationProvider.h"
#include "support/FakeLocationService.h"
#include "support/ManualTimeSource.h"

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

} // namespace

class TestLocationProvider : public QObject {
    Q_OBJECT
private Q_SLOTS:
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
