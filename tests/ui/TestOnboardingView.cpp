#include "app/AppSettings.h"
#include "app/AppState.h"
#include "config/StationConfigStore.h"
#include "decoder/ReadsbSupervisor.h"
#include "location/LocationProvider.h"
#include "support/FakeLocationService.h"
#include "support/StationHarness.h"
#include "ui/onboarding/OnboardingView.h"

#include <QClipboard>
#include <QJsonDocument>
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

// The default config.json with one of its sections replaced.
QJsonObject with(const char* section, const QJsonObject& content)
{
    QJsonObject config = StationHarness::defaultConfig();
    config.insert(QLatin1String(section), content);
    return config;
}
const QJsonObject unsetPosition = with("station", {{"lat", 0}, {"lon", 0}});
const QJsonObject noKey = with("vireon", {{"enabled", true}});

// The onboarding view on screen over a whole station in a temporary folder, with a location service
// the test answers by hand.
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

    template <typename T = QPushButton>
    T* get(const char* name) const
    {
        T* widget = view->findChild<T*>(QLatin1String(name));
        if (!widget)
            qFatal("no widget %s", name);
        return widget;
    }
    // Near the left edge, where a check box has its box and a push button its face.
    void click(const char* name) const
    {
        QAbstractButton* button = get<QAbstractButton>(name);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
    }
    bool shown(const char* name) const { return get<QWidget>(name)->isVisibleTo(view.get()); }
    bool enabled(const char* name) const { return get<QWidget>(name)->isEnabled(); }
    void type(const char* field, const QString& text) const
    {
        get<QLineEdit>(field)->clear();
        QTest::keyClicks(get<QLineEdit>(field), text);
    }
    QString text(const char* field) const { return get<QLineEdit>(field)->text(); }
    bool showsLabel(const QString& text) const
    {
        QCoreApplication::processEvents(); // rows added to a visible page show on the next turn
        const auto labels = view->findChildren<QLabel*>();
        return std::any_of(labels.begin(), labels.end(),
                           [&](QLabel* l) { return l->isVisibleTo(view.get()) && l->text() == text; });
    }
    QJsonObject saved(const QString& section) const
    {
        QFile file(station.path(QStringLiteral("xdg/VireonFeeder/config.json")));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(file.readAll()).object().value(section).toObject();
    }
    void paste(const char* field, const QString& text) const
    {
        QGuiApplication::clipboard()->setText(text);
        QTest::keySequence(get<QLineEdit>(field), QKeySequence::Paste);
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

    void positionsTypedByHand_data()
    {
        // The parsing rules have their own table; here only that the page takes and stores them.
        QTest::addColumn<QString>("typed"); // latitude, a space, longitude
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<double>("storedLat");
        QTest::addColumn<double>("storedLon");
        QTest::newRow("decimal commas") << "48,5 2,25" << true << 48.5 << 2.25;
        QTest::newRow("0 and 0, the unset position") << "0 0" << false << 0.0 << 0.0;
    }
    void positionsTypedByHand()
    {
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        QFETCH(double, storedLat);
        QFETCH(double, storedLon);
        Flow flow(unsetPosition);
        flow.click("continueButton");
        QCOMPARE(flow.text("latitudeField"), QString()); // the unset position fills nothing in
        flow.type("latitudeField", typed.section(QLatin1Char(' '), 0, 0));
        flow.type("longitudeField", typed.section(QLatin1Char(' '), 1, 1));
        QCOMPARE(flow.enabled("continueButton"), accepted);

        QTest::keyClick(flow.get<QLineEdit>("longitudeField"), Qt::Key_Return); // the default button
        QCOMPARE(flow.view->step(), accepted ? Step::done : Step::location);
        const QJsonObject station = flow.saved(QStringLiteral("station"));
        QCOMPARE(station.value(QStringLiteral("lat")).toDouble(), storedLat);
        QCOMPARE(station.value(QStringLiteral("lon")).toDouble(), storedLon);
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
        QTest::keyClick(flow.get<QLineEdit>("latitudeField"), Qt::Key_Backspace);
        QVERIFY(!flow.shown("locationErrorLabel"));
    }

    void whatIsWrongWithAPositionIsSaidUnderItsField()
    {
        Flow flow(unsetPosition);
        flow.click("continueButton");
        const auto said = [&](const char* name) {
            return flow.shown(name) ? flow.get<QLabel>(name)->text() : QString();
        };
        flow.type("latitudeField", QStringLiteral("91"));
        QCOMPARE(said("latitudeProblem"), QString()); // not while the user is still typing
        QTest::keyClick(flow.get<QLineEdit>("latitudeField"), Qt::Key_Return);
        QCOMPARE(said("latitudeProblem"),
                 QStringLiteral("Latitude must be a number between \u221290 and 90."));
        QCOMPARE(said("longitudeProblem"), QString());
        flow.type("latitudeField", QStringLiteral("0")); // right again: the complaint goes as it is typed
        QCOMPARE(said("latitudeProblem"), QString());

        flow.type("longitudeField", QStringLiteral("0"));
        QTest::keyClick(flow.get<QLineEdit>("longitudeField"), Qt::Key_Return);
        QCOMPARE(said("positionProblem"),
                 QStringLiteral("0, 0 is in the ocean: enter your antenna's position."));
        QCOMPARE(flow.view->step(), Step::location);
        flow.type("longitudeField", QStringLiteral("0.1"));
        QCOMPARE(said("positionProblem"), QString());
    }

    void theStationKeyFieldKeepsOnlyTheKey()
    {
        Flow flow(noKey);
        flow.toDonePage();
        QCOMPARE(flow.text("stationKeyField"), QString());
        flow.paste(
            "stationKeyField",
            QStringLiteral("feed.vireon.network,30004,beast_reduce_plus_out,uuid=%1,timeout=30").arg(key));
        QCOMPARE(flow.text("stationKeyField"), key);
        QCOMPARE(flow.saved(QStringLiteral("vireon")).value(QStringLiteral("uuid")).toString(), key);

        // A blank typed at the start vanishes and the cursor stays where the user is typing.
        QLineEdit* field = flow.get<QLineEdit>("stationKeyField");
        field->setCursorPosition(0);
        QTest::keyClick(field, Qt::Key_Space);
        QCOMPARE(field->text(), key);
        QCOMPARE(field->cursorPosition(), 0);

        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QCOMPARE(flow.saved(QStringLiteral("vireon")), (QJsonObject{{"enabled", true}}));
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
        QCOMPARE(flow.get<QLabel>("feedingCaption")->text(),
                 QStringLiteral("The tray antenna turns green once data is flowing to Vireon."));
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
