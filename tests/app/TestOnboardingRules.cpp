#include "app/OnboardingRules.h"

#include <QtTest>

using namespace vireon;
using Rules = OnboardingRules;
using Step = OnboardingStep;
using Position = OnboardingRules::Position;
using Icon = StatusIcon::State;

Q_DECLARE_METATYPE(std::optional<Position>)

class TestOnboardingRules : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parsedLocation_data()
    {
        QTest::addColumn<QString>("lat");
        QTest::addColumn<QString>("lon");
        QTest::addColumn<std::optional<Position>>("parsed");
        const std::optional<Position> none;
        QTest::newRow("decimal commas") << "48,5"
                                        << "2,25" << std::optional(Position{48.5, 2.25});
        QTest::newRow("spaces and tabs around") << " \t52.52 "
                                                << "\t13.4\t" << std::optional(Position{52.52, 13.4});
        QTest::newRow("south-west corner") << "-90"
                                           << "180" << std::optional(Position{-90, 180});
        QTest::newRow("latitude just over 90") << "90.0001"
                                               << "0" << none;
        QTest::newRow("longitude just under -180") << "0"
                                                   << "-180.5" << none;
        QTest::newRow("both 0 is the unset position") << "0"
                                                      << "0" << none;
        QTest::newRow("0 and 0.1") << "0"
                                   << "0.1" << std::optional(Position{0, 0.1});
        QTest::newRow("negative zero pair") << "-0"
                                            << "0.0" << none;
        QTest::newRow("empty latitude") << ""
                                        << "2" << none;
        QTest::newRow("a word") << "north"
                                << "2" << none;
        QTest::newRow("a line break at the end") << "48.5\n"
                                                 << "2" << none;
        QTest::newRow("a space inside") << "48 .5"
                                        << "2" << none;
        QTest::newRow("two decimal marks") << "48,5.1"
                                           << "2" << none;
        QTest::newRow("not a number") << "nan"
                                      << "2" << none;
        QTest::newRow("infinity") << "inf"
                                  << "2" << none;
        QTest::newRow("explicit plus, exponent") << "+4.85e1"
                                                 << "2" << std::optional(Position{48.5, 2});
        QTest::newRow("unrounded") << "48.1234567891"
                                   << "2" << std::optional(Position{48.1234567891, 2});
    }
    void parsedLocation()
    {
        QFETCH(QString, lat);
        QFETCH(QString, lon);
        QFETCH(std::optional<Position>, parsed);
        QCOMPARE(Rules::parsedLocation(lat, lon), parsed);
    }

    void prefillUsesSixDecimalsAndLeavesTheUnsetPosition()
    {
        const auto filled = Rules::prefill(52.5078125, -0.5);
        QVERIFY(filled);
        QCOMPARE(filled->first, QStringLiteral("52.507812")); // printf's round-half-even on the binary tie
        QCOMPARE(filled->second, QStringLiteral("-0.500000"));
        QVERIFY(!Rules::prefill(0, 0));
        QCOMPARE(Rules::prefill(0, 7)->first, QStringLiteral("0.000000"));
    }

    void footer_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<bool>("devices");
        QTest::addColumn<bool>("parsed");
        QTest::addColumn<QString>("shown"); // back, continue (+ enabled), continue anyway, finish
        QTest::newRow("device page without a stick")
            << int(Step::device) << false << false << "continue(off) anyway";
        QTest::newRow("device page with a stick") << int(Step::device) << true << false << "continue(on)";
        QTest::newRow("location page, fields unusable")
            << int(Step::location) << true << false << "back continue(off)";
        QTest::newRow("location page, fields usable")
            << int(Step::location) << false << true << "back continue(on)";
        QTest::newRow("done page") << int(Step::done) << false << false << "back finish";
    }
    void footer()
    {
        QFETCH(int, step);
        QFETCH(bool, devices);
        QFETCH(bool, parsed);
        QFETCH(QString, shown);
        const auto f = Rules::footer(Step(step), devices, parsed);
        QStringList buttons;
        if (f.back)
            buttons << QStringLiteral("back");
        if (f.continueShown)
            buttons << (f.continueEnabled ? QStringLiteral("continue(on)") : QStringLiteral("continue(off)"));
        if (f.continueAnyway)
            buttons << QStringLiteral("anyway");
        if (f.finish)
            buttons << QStringLiteral("finish");
        QCOMPARE(buttons.join(QLatin1Char(' ')), shown);
    }

    void stepsAndTheirCounter()
    {
        QCOMPARE(Rules::stepCounter(Step::device), QStringLiteral("Step 1 of 3"));
        QCOMPARE(Rules::stepCounter(Step::done), QStringLiteral("Step 3 of 3"));
        QCOMPARE(Rules::next(Step::device), Step::location);
        QCOMPARE(Rules::next(Step::location), Step::done);
        QCOMPARE(Rules::previous(Step::done), Step::location);
        QCOMPARE(Rules::previous(Step::location), Step::device);
    }

    void devicePageDisplay()
    {
        QCOMPARE(Rules::deviceDisplay(false, false), Rules::DeviceDisplay::looking);
        QCOMPARE(Rules::deviceDisplay(true, false), Rules::DeviceDisplay::noDevice);
        QCOMPARE(Rules::deviceDisplay(true, true), Rules::DeviceDisplay::devices);
        QCOMPARE(Rules::usbIdentifiers(0x0BDA, 0x2838), QStringLiteral("USB 0bda:2838"));
        QCOMPARE(Rules::usbIdentifiers(0x1d50, 0x60a1), QStringLiteral("USB 1d50:60a1"));
        QCOMPARE(Rules::usbIdentifiers(0x5, 0x0), QStringLiteral("USB 0005:0000"));
    }

    void statusDotIsOrangeUnlessFeedingOrFailed_data()
    {
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("dot");
        QTest::newRow("idle") << int(Icon::idle) << int(Icon::warning);
        QTest::newRow("warning") << int(Icon::warning) << int(Icon::warning);
        QTest::newRow("feeding") << int(Icon::feeding) << int(Icon::feeding);
        QTest::newRow("error") << int(Icon::error) << int(Icon::error);
    }
    void statusDotIsOrangeUnlessFeedingOrFailed()
    {
        QFETCH(int, icon);
        QFETCH(int, dot);
        QCOMPARE(int(Rules::statusDot(Icon(icon))), dot);
    }

    void claimLinkAndTexts()
    {
        const QUrl claim(QStringLiteral("https://vireon.network/claim"));
        QVERIFY(!Rules::claimLink(std::nullopt));
        QVERIFY(!Rules::claimLink(FeederConfig::Links{}));
        QCOMPARE(Rules::claimLink(FeederConfig::Links{std::nullopt, std::nullopt, claim}), claim);
        QCOMPARE(Rules::claimLinkLabel(), QStringLiteral("Claim your station on vireon.network \u2192"));
        QCOMPARE(
            Rules::stationKeyHint(),
            QStringLiteral("Press \u201cConnect a receiver\u201d on vireon.network and paste the key here "
                           "\u2014 that's how Vireon knows this feed is yours. You can paste the whole "
                           "connector string; the uuid is extracted automatically."));
    }
};

QTEST_GUILESS_MAIN(TestOnboardingRules)
#include "TestOnboardingRules.moc"
