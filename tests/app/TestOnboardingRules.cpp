#include "app/OnboardingRules.h"

#include <QtTest>

using namespace vireon;
using Rules = OnboardingRules;
using Step = OnboardingStep;
using Position = OnboardingRules::Position;
using Footer = OnboardingRules::Footer;
using Icon = StatusIcon::State;

class TestOnboardingRules : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parsedLocation_data()
    {
        QTest::addColumn<QString>("typed"); // latitude and longitude, split at the bar
        QTest::addColumn<std::optional<Position>>("parsed");
        const std::optional<Position> none;
        QTest::newRow("decimal commas") << "48,5|2,25" << std::optional(Position{48.5, 2.25});
        QTest::newRow("spaces and tabs around")
            << " \t52.52 |\t13.4\t" << std::optional(Position{52.52, 13.4});
        QTest::newRow("south pole, date line") << "-90|180" << std::optional(Position{-90, 180});
        QTest::newRow("latitude past 90") << "90.0001|0" << none;
        QTest::newRow("longitude past -180") << "0|-180.5" << none;
        QTest::newRow("both 0 is the unset position") << "0|-0.0" << none;
        QTest::newRow("0 and 0.1") << "0|0.1" << std::optional(Position{0, 0.1});
        QTest::newRow("empty") << "|2" << none;
        QTest::newRow("a word") << "north|2" << none;
        QTest::newRow("a line break at the end") << "48.5\n|2" << none;
        QTest::newRow("a space inside") << "48 .5|2" << none;
        QTest::newRow("two decimal marks") << "48,5.1|2" << none;
        QTest::newRow("not a number") << "nan|2" << none;
        QTest::newRow("infinity") << "2|inf" << none;
        QTest::newRow("plus sign and exponent") << "+4.85e1|2" << std::optional(Position{48.5, 2});
        QTest::newRow("unrounded") << "48.1234567891|2" << std::optional(Position{48.1234567891, 2});
    }
    void parsedLocation()
    {
        QFETCH(QString, typed);
        QFETCH(std::optional<Position>, parsed);
        QCOMPARE(Rules::parsedLocation(typed.section(u'|', 0, 0), typed.section(u'|', 1)), parsed);
    }

    void prefillUsesPrintfsSixDecimalsAndSkipsTheUnsetPosition()
    {
        QCOMPARE(Rules::prefill(52.5078125, -0.5),
                 std::pair(QStringLiteral("52.507812"), QStringLiteral("-0.500000")));
        QCOMPARE(Rules::prefill(0, 7)->first, QStringLiteral("0.000000"));
        QVERIFY(!Rules::prefill(0, 0));
    }

    void footerButtons()
    {
        // back, continue shown, continue enabled, continue anyway, finish
        QVERIFY(Rules::footer(Step::device, false, true) == (Footer{false, true, false, true, false}));
        QVERIFY(Rules::footer(Step::device, true, false) == (Footer{false, true, true, false, false}));
        QVERIFY(Rules::footer(Step::location, true, false) == (Footer{true, true, false, false, false}));
        QVERIFY(Rules::footer(Step::location, false, true) == (Footer{true, true, true, false, false}));
        QVERIFY(Rules::footer(Step::done, false, false) == (Footer{true, false, false, false, true}));
    }

    void valuesShownOnThePages()
    {
        QCOMPARE(Rules::usbIdentifiers(0x0BDA, 0x2838), QStringLiteral("USB 0bda:2838"));
        QCOMPARE(Rules::usbIdentifiers(0x5, 0x0), QStringLiteral("USB 0005:0000"));
        QCOMPARE(Rules::statusDot(Icon::idle), Icon::warning);
        QCOMPARE(Rules::statusDot(Icon::warning), Icon::warning);
        QCOMPARE(Rules::statusDot(Icon::feeding), Icon::feeding);
        QCOMPARE(Rules::statusDot(Icon::error), Icon::error);
        const QUrl claim(QStringLiteral("https://vireon.network/claim"));
        QVERIFY(!Rules::claimLink(std::nullopt));
        QVERIFY(!Rules::claimLink(FeederConfig::Links{}));
        QCOMPARE(Rules::claimLink(FeederConfig::Links{std::nullopt, std::nullopt, claim}), claim);
    }
};

QTEST_GUILESS_MAIN(TestOnboardingRules)
#include "TestOnboardingRules.moc"
