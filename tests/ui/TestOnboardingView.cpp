#include "app/AppSettings.h"
#include "app/AppState.h"
#include "config/StationConfigStore.h"
#include "decoder/ReadsbSupervisor.h"
#include "location/LocationProvider.h"
#include "presentation/onboarding/LocationInput.h"
#include "support/FakeLocationService.h"
#include "support/StationHarness.h"
#include "ui/onboarding/OnboardingView.h"

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace vireon;
using Step = OnboardingView::Step;
using vireon::test::StationHarness;

namespace {

constexpr int waitMs = 20'000;
const QString key = QLatin1String(StationHarness::stationKey);
const QJsonObject unsetPosition =
    StationHarness::defaultConfigWith("station", QJsonObject{{"lat", 0}, {"lon", 0}});
const QJsonObject noKey = StationHarness::defaultConfigWith("vireon", QJsonObject{{"enabled", true}});

// The onboarding view on screen over a whole station in a temporary folder, with a location service
// the test answers by hand. What each page shows and which buttons it offers is the models' table;
// here what the pages do with the station.
struct Flow {
    explicit Flow(const QJsonObject& config = StationHarness::defaultConfig(), bool stick = true)
    {
        station.writeConfig(config);
        if (!stick)
            station.unplugStick();
        station.launchApplication(false);
        auto owned = std::make_unique<test::FakeLocationService>();
        location = owned.get();
        provider = std::make_unique<LocationProvider>(std::move(owned), station.clock);
        view = std::make_unique<OnboardingView>(*station.state, *provider);
        view->show();
    }

    template <typename T = QWidget>
    T* get(const char* name) const
    {
        return test::child<T>(view.get(), name);
    }
    // Near the left edge, where a check box has its box and a push button its face.
    void click(const char* name) const
    {
        auto* button = get<QAbstractButton>(name);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
    }
    bool shown(const char* name) const { return get(name)->isVisibleTo(view.get()); }
    bool enabled(const char* name) const { return get(name)->isEnabled(); }
    void type(const char* field, const QString& text) const
    {
        get<QLineEdit>(field)->clear();
        QTest::keyClicks(get(field), text);
    }
    void enter(const char* field) const { QTest::keyClick(get(field), Qt::Key_Return); }
    QString text(const char* field) const { return get<QLineEdit>(field)->text(); }
    bool showsLabel(const QString& text) const
    {
        QCoreApplication::processEvents(); // rows added to a visible page show on the next turn
        const auto labels = view->findChildren<QLabel*>();
        return std::any_of(labels.begin(), labels.end(),
                           [&](QLabel* l) { return l->isVisibleTo(view.get()) && l->text() == text; });
    }
    QString said(const char* problem) const
    {
        return shown(problem) ? get<QLabel>(problem)->text() : QString();
    }
    void paste(const char* field, const QString& text) const
    {
        QGuiApplication::clipboard()->setText(text);
        QTest::keySequence(get(field), QKeySequence::Paste);
    }
    QString decoderCommand() const { return station.lastDecoderArguments().join(QLatin1Char(' ')); }
    void toDonePage() const
    {
        click("continueButton");
        click("continueButton");
        QCOMPARE(view->step(), Step::done);
    }

    StationHarness station;
    test::FakeLocationService* location = nullptr;
    std::unique_ptr<LocationProvider> provider;
    std::unique_ptr<OnboardingView> view;
};

} // namespace

class TestOnboardingView : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void aUserWithoutAStickGoesOnOrRescans()
    {
        Flow flow(StationHarness::defaultConfig(), false);
        QCOMPARE(flow.get<QLabel>("stepCounter")->text(), QStringLiteral("Step 1 of 3"));
        QVERIFY(flow.showsLabel(QStringLiteral("No RTL-SDR device found.")));
        QVERIFY(!flow.enabled("continueButton") && flow.shown("continueAnywayButton"));
        QVERIFY(!flow.shown("backButton"));

        flow.click("continueAnywayButton");
        QCOMPARE(flow.view->step(), Step::location);
        flow.click("backButton");
        QCOMPARE(flow.view->step(), Step::device);

        flow.station.plugStick();
        QVERIFY(!flow.showsLabel(QStringLiteral("USB 0bda:2838")));
        flow.click("rescanButton");
        QVERIFY(flow.showsLabel(QStringLiteral("USB 0bda:2838")));
        QVERIFY(flow.enabled("continueButton") && !flow.shown("continueAnywayButton"));

        // The window closed and opened again: the page probes afresh.
        flow.view->hide();
        flow.station.unplugStick();
        flow.view->show();
        QVERIFY(flow.showsLabel(QStringLiteral("No RTL-SDR device found.")));
    }

    void aPositionTypedByHandIsStoredByTheDefaultButton()
    {
        Flow flow(unsetPosition);
        flow.click("continueButton");
        QCOMPARE(flow.text("latitudeField"), QString()); // the unset position fills nothing in
        flow.type("latitudeField", QStringLiteral("48,5"));
        flow.type("longitudeField", QStringLiteral("2,25"));
        flow.enter("longitudeField");
        QCOMPARE(flow.view->step(), Step::done);
        QCOMPARE(flow.station.savedSection("station")["lat"].toDouble(), 48.5);
        QCOMPARE(flow.station.savedSection("station")["lon"].toDouble(), 2.25);
    }

    void aStoredPositionReplacesTypedTextWhenThePageComesBack()
    {
        Flow flow;
        flow.click("continueButton");
        QCOMPARE(flow.text("latitudeField"), QStringLiteral("52.520008"));
        QCOMPARE(flow.text("longitudeField"), QStringLiteral("13.404954"));
        flow.type("latitudeField", QStringLiteral("1"));
        flow.type("longitudeField", QStringLiteral("2"));
        flow.click("backButton");
        flow.click("continueButton");
        QCOMPARE(flow.text("latitudeField"), QStringLiteral("52.520008"));

        flow.type("latitudeField", QStringLiteral("1"));
        flow.view->hide(); // the window closed and opened again: same step, fields prefilled again
        flow.view->show();
        QCOMPARE(flow.view->step(), Step::location);
        QCOMPARE(flow.text("latitudeField"), QStringLiteral("52.520008"));
    }

    void useMyLocationFillsTheFieldsOrShowsWhyNot()
    {
        Flow flow(unsetPosition);
        flow.click("continueButton");
        flow.click("useMyLocationButton");
        QVERIFY(!flow.enabled("useMyLocationButton"));
        flow.click("useMyLocationButton"); // disabled: no second request
        QCOMPARE(flow.location->locationRequests, 1);

        flow.location->deliver({{48.1173, 11.516667}});
        QCOMPARE(flow.text("latitudeField"), QStringLiteral("48.117300"));
        QCOMPARE(flow.text("longitudeField"), QStringLiteral("11.516667"));
        QCOMPARE(flow.station.store->config().station.lat, 0.0); // nothing saved before "Continue"

        QVERIFY(!flow.shown("locationErrorLabel"));
        flow.click("useMyLocationButton");
        flow.location->fail();
        QVERIFY(flow.shown("locationErrorLabel"));
        QCOMPARE(flow.text("latitudeField"), QStringLiteral("48.117300"));
        QVERIFY(flow.enabled("useMyLocationButton"));

        // Typing takes over from the location service, and its complaint goes.
        QTest::keyClick(flow.get("latitudeField"), Qt::Key_Backspace);
        QVERIFY(!flow.shown("locationErrorLabel"));
    }

    void whatIsWrongWithAPositionIsSaidUnderItsFieldOnceEntered()
    {
        Flow flow(unsetPosition);
        flow.click("continueButton");
        flow.type("latitudeField", QStringLiteral("91"));
        QCOMPARE(flow.said("latitudeProblem"), QString()); // not while the user is still typing
        flow.enter("latitudeField");
        QCOMPARE(flow.said("latitudeProblem"), *LocationInput::problems("91", "").latitude);
        QCOMPARE(flow.said("longitudeProblem"), QString());
        flow.type("latitudeField", QStringLiteral("0")); // right again: the complaint goes as it is typed
        QCOMPARE(flow.said("latitudeProblem"), QString());

        flow.type("longitudeField", QStringLiteral("0"));
        flow.enter("longitudeField");
        QCOMPARE(flow.said("positionProblem"), *LocationInput::problems("0", "0").position);
        QCOMPARE(flow.view->step(), Step::location);
        flow.type("longitudeField", QStringLiteral("0.1"));
        QCOMPARE(flow.said("positionProblem"), QString());
    }

    // How the key is cleaned as it is typed is the table's, and the settings suite types into the
    // same field; here that the last page stores it.
    void theStationKeyFieldKeepsOnlyTheKey()
    {
        Flow flow(noKey);
        flow.toDonePage();
        QCOMPARE(flow.text("stationKeyField"), QString());
        flow.paste("stationKeyField",
                   "feed.vireon.network,30004,beast_reduce_plus_out,uuid=" + key + ",timeout=30");
        QCOMPARE(flow.text("stationKeyField"), key);
        QCOMPARE(flow.station.savedSection("vireon")["uuid"].toString(), key);
        flow.get<QLineEdit>("stationKeyField")->selectAll();
        QTest::keyClick(flow.get("stationKeyField"), Qt::Key_Backspace);
        QCOMPARE(flow.station.savedSection("vireon"), (QJsonObject{{"enabled", true}}));
    }

    void reachingTheLastPageCompletesOnboardingForGood()
    {
        Flow flow;
        flow.click("continueButton");
        QVERIFY(!flow.station.settings->hasCompletedOnboarding());
        flow.click("continueButton");
        QVERIFY(flow.shown("startFeedingButton") && !flow.shown("feedingCaption"));

        flow.click("launchAtLoginToggle");
        QVERIFY(flow.station.settings->launchAtLogin());
        QVERIFY(QFile::exists(flow.station.path(QStringLiteral("xdg/autostart/vireon-feeder.desktop"))));

        // Finish without starting: the window is asked to close, nothing starts.
        QSignalSpy closing(flow.view.get(), &OnboardingView::closeRequested);
        flow.click("finishButton");
        QCOMPARE(closing.count(), 1);
        QVERIFY(!flow.station.state->isFeedingActive() && !flow.station.settings->feedingDesired());

        // Quit, launch again: onboarding does not open.
        flow.view.reset();
        flow.station.launchApplication(false);
        QVERIFY(flow.station.settings->hasCompletedOnboarding());
        QVERIFY(flow.station.settings->launchAtLogin());
    }

    void waitingForTheStickIsNotOfferedAsAStart()
    {
        Flow flow(StationHarness::defaultConfig(), false);
        flow.click("continueAnywayButton");
        flow.click("continueButton");
        flow.click("startFeedingButton");
        QTRY_VERIFY_WITH_TIMEOUT(flow.station.state->isDeviceRecoveryPolling(), waitMs);
        // The feed resumes by itself when the stick comes: "Start Feeding" would say the opposite.
        QTRY_VERIFY(!flow.shown("startFeedingButton"));
        QVERIFY(flow.shown("feedingCaption"));
    }

    void startFeedingThenTheKeyThenFinishRelaunchesTheDecoderWithTheKey()
    {
        Flow flow(noKey);
        flow.station.awaitStartupDocument(0);
        flow.toDonePage();
        flow.click("startFeedingButton");
        QTRY_VERIFY_WITH_TIMEOUT(flow.station.state->supervisor().vireonConnectorUp(), waitMs);
        QVERIFY(flow.shown("feedingCaption") && !flow.shown("startFeedingButton"));
        QVERIFY(!flow.decoderCommand().contains(QStringLiteral("uuid=")));

        flow.paste("stationKeyField", key);
        QSignalSpy closing(flow.view.get(), &OnboardingView::closeRequested);
        flow.click("finishButton");
        QCOMPARE(closing.count(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(flow.decoderCommand().contains(QStringLiteral("uuid=") + key), waitMs);
        QTRY_VERIFY_WITH_TIMEOUT(flow.station.ingest.hasReceivedUuid(key), waitMs);
        QCOMPARE(flow.station.decoderLaunches(), 2);
    }
};

QTEST_MAIN(TestOnboardingView)
#include "TestOnboardingView.moc"
