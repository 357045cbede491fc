// What the onboarding pages show and how their position fields read what is typed.
#include "presentation/common/AltitudeInput.h"
#include "presentation/onboarding/DevicePageModel.h"
#include "presentation/onboarding/DonePageModel.h"
#include "presentation/onboarding/LocationInput.h"
#include "presentation/onboarding/OnboardingModel.h"

#include <QtTest>

using namespace vireon;
using Position = LocationInput::Position;
using Step = OnboardingStep;
using Icon = StatusIcon::State;

class TestOnboardingModels : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parsedLocation_data()
    {
        QTest::addColumn<QString>("typed"); // latitude and longitude, split at the bar
        QTest::addColumn<std::optional<Position>>("parsed");
        QTest::addColumn<QString>("said"); // which complaints show under the fields
        const std::optional<Position> none;
        QTest::newRow("decimal commas") << "48,5|2,25" << std::optional(Position{48.5, 2.25}) << "";
        QTest::newRow("spaces and tabs around")
            << " \t52.52 |\t13.4\t" << std::optional(Position{52.52, 13.4}) << "";
        QTest::newRow("south pole, date line") << "-90|180" << std::optional(Position{-90, 180}) << "";
        QTest::newRow("latitude past 90") << "90.0001|0" << none << "latitude";
        QTest::newRow("longitude past -180") << "0|-180.5" << none << "longitude";
        QTest::newRow("both out of range") << "91|181" << none << "latitude longitude";
        QTest::newRow("both 0 is the unset position") << "0|-0.0" << none << "position";
        QTest::newRow("0 and 0.1") << "0|0.1" << std::optional(Position{0, 0.1}) << "";
        QTest::newRow("empty: nothing said yet") << "|2" << none << "";
        QTest::newRow("blanks only") << " \t| " << none << "";
        QTest::newRow("a word") << "north|2" << none << "latitude";
        QTest::newRow("a lone minus") << "-|2" << none << "latitude";
        QTest::newRow("a line break at the end") << "48.5\n|2" << none << "latitude";
        QTest::newRow("a space inside") << "48 .5|2" << none << "latitude";
        QTest::newRow("two decimal marks") << "48,5.1|2" << none << "latitude";
        QTest::newRow("not a number") << "nan|2" << none << "latitude";
        QTest::newRow("infinity") << "2|inf" << none << "longitude";
        QTest::newRow("plus sign and exponent") << "+4.85e1|2" << std::optional(Position{48.5, 2}) << "";
        QTest::newRow("unrounded") << "48.1234567891|2" << std::optional(Position{48.1234567891, 2}) << "";
    }
    void parsedLocation()
    {
        QFETCH(QString, typed);
        const QString latitude = typed.section(u'|', 0, 0);
        const QString longitude = typed.section(u'|', 1);
        QTEST(LocationInput::parsed(latitude, longitude), "parsed");
        const LocationInput::Problems problems = LocationInput::problems(latitude, longitude);
        QStringList said;
        if (problems.latitude)
            said.append("latitude");
        if (problems.longitude)
            said.append("longitude");
        if (problems.position)
            said.append("position");
        QTEST(said.join(u' '), "said");
    }

    // The onboarding field and the settings' field read an altitude alike.
    void altitude_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("read"); // "blank", "refused" or the metres taken
        QTest::newRow("blank: not given") << " \t"
                                          << "blank";
        QTest::newRow("whole metres") << "48"
                                      << "48";
        QTest::newRow("taken to a tenth") << " 48.46 "
                                          << "48.5";
        QTest::newRow("the lowest accepted") << "-420"
                                             << "-420";
        QTest::newRow("below the lowest") << "-420.1"
                                          << "refused";
        QTest::newRow("the highest accepted") << "5100"
                                              << "5100";
        QTest::newRow("feet typed as metres") << "15400"
                                              << "refused";
        QTest::newRow("with its unit") << "48 m"
                                       << "refused";
        QTest::newRow("not a number") << "nan"
                                      << "refused";
        QTest::newRow("just below sea level rounds to 0") << "-0.04"
                                                          << "0";
    }
    void altitude()
    {
        QFETCH(QString, typed);
        QFETCH(QString, read);
        const auto position = LocationInput::parsed("52.5", "13.4", typed);
        const AltitudeInput::Reading setting = AltitudeInput::parse(typed, QLocale::c());
        QCOMPARE(position.has_value(), read != "refused");
        QCOMPARE(setting.accepted, read != "refused");
        QCOMPARE(LocationInput::problems("52.5", "13.4", typed).altitude.has_value(), read == "refused");
        if (read == "refused")
            return;
        QCOMPARE(position->altitude.has_value(), read != "blank");
        QCOMPARE(setting.metres.has_value(), read != "blank");
        if (read == "blank")
            return;
        QCOMPARE(*position->altitude, read.toDouble());
        QCOMPARE(*setting.metres, read.toDouble());
    }

    void theSettingsAltitudeFollowsTheLocale()
    {
        const QLocale german(QLocale::German, QLocale::Germany);
        QCOMPARE(AltitudeInput::parse("48,5", german).metres, std::optional(48.5));
        QVERIFY(!AltitudeInput::parse("1.048", german).accepted); // a thousands mark, not 1.048 m
        QCOMPARE(AltitudeInput::format(1048.0, german), QStringLiteral("1048"));
        QCOMPARE(AltitudeInput::format(48.5, german), QStringLiteral("48,5"));
        QCOMPARE(AltitudeInput::format(std::nullopt, german), QString());
    }

    void positionComplaintsSayWhatIsAccepted()
    {
        const LocationInput::Problems problems = LocationInput::problems("91", "x");
        QCOMPARE(problems.latitude, QStringLiteral("Latitude must be a number between \u221290 and 90."));
        QCOMPARE(problems.longitude, QStringLiteral("Longitude must be a number between \u2212180 and 180."));
        QCOMPARE(LocationInput::problems("0", "0").position,
                 QStringLiteral("0, 0 is in the ocean: enter your antenna's position."));
    }

    void prefillUsesPrintfsSixDecimalsAndSkipsTheUnsetPosition()
    {
        QCOMPARE(LocationInput::prefill(52.5078125, -0.5),
                 std::pair(QStringLiteral("52.507812"), QStringLiteral("-0.500000")));
        QCOMPARE(LocationInput::prefill(0, 7)->first, QStringLiteral("0.000000"));
        QVERIFY(!LocationInput::prefill(0, 0));
    }

    void footerButtons_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<bool>("devicesFound");
        QTest::addColumn<bool>("locationParsed");
        QTest::addColumn<QString>("shown"); // the buttons shown, "Continue" marked when it is enabled
        QTest::newRow("no stick: go on anyway")
            << int(Step::device) << false << true << "Continue, Continue Anyway";
        QTest::newRow("a stick found") << int(Step::device) << true << false << "Continue*";
        QTest::newRow("no position yet") << int(Step::location) << true << false << "Back, Continue";
        QTest::newRow("a position") << int(Step::location) << false << true << "Back, Continue*";
        QTest::newRow("the last page") << int(Step::done) << false << false << "Back, Finish";
    }
    void footerButtons()
    {
        QFETCH(int, step);
        QFETCH(bool, devicesFound);
        QFETCH(bool, locationParsed);
        const OnboardingModel model = OnboardingModel::make(Step(step), devicesFound, locationParsed);
        QStringList shown;
        if (model.back)
            shown.append("Back");
        if (model.continueShown)
            shown.append(model.continueEnabled ? "Continue*" : "Continue");
        if (model.continueAnyway)
            shown.append("Continue Anyway");
        if (model.finish)
            shown.append("Finish");
        QTEST(shown.join(", "), "shown");
        QCOMPARE(model.stepCounter, QStringLiteral("Step %1 of 3").arg(step + 1));
    }

    void whatThePagesShow()
    {
        QCOMPARE(DevicePageModel::make(false, {}).display, DevicePageModel::Display::looking);
        QCOMPARE(DevicePageModel::make(true, {}).display, DevicePageModel::Display::noDevice);
        const DevicePageModel found =
            DevicePageModel::make(true, {{0x0BDA, 0x2838, "RTL2838UHIDIR"}, {0x5, 0x0, "X"}});
        QCOMPARE(found.devices, (QList<DevicePageModel::Device>{{"RTL2838UHIDIR", "USB 0bda:2838"},
                                                                {"X", "USB 0005:0000"}}));
        // The done page's dot: green while feeding, red on an error, orange otherwise.
        QCOMPARE(DonePageModel::statusDotFor(Icon::idle), Icon::warning);
        QCOMPARE(DonePageModel::statusDotFor(Icon::warning), Icon::warning);
        QCOMPARE(DonePageModel::statusDotFor(Icon::feeding), Icon::feeding);
        QCOMPARE(DonePageModel::statusDotFor(Icon::error), Icon::error);
    }
};

QTEST_GUILESS_MAIN(TestOnboardingModels)
#include "TestOnboardingModels.moc"
