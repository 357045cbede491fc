#include "app/ConnectorHealthLine.h"
#include "app/CoordinateText.h"
#include "app/GainSetting.h"
#include "app/OnboardingRules.h"
#include "app/StationKeyEdit.h"

#include <QtTest>

using namespace vireon;
using OptionalDouble = std::optional<double>;
using Rules = OnboardingRules;
using Step = OnboardingStep;
using Position = OnboardingRules::Position;
using Footer = OnboardingRules::Footer;
using Icon = StatusIcon::State;

Q_DECLARE_METATYPE(vireon::ConnectorHealth)
Q_DECLARE_METATYPE(OptionalDouble)

namespace {
const QString sampleKey = "0123abcd-0000-4000-8000-000000000001";
} // namespace

// The rules behind the settings form and the onboarding pages.
class TestFormRules : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void manualGain_data()
    {
        QTest::addColumn<QString>("gain");
        QTest::addColumn<double>("manual");
        QTest::newRow("auto") << "auto" << 43.9;
        QTest::newRow("a number") << "20.7" << 20.7;
        QTest::newRow("Auto is not auto, and no number either") << "Auto" << 43.9;
        QTest::newRow("blank around a number") << " 40" << 43.9;
        QTest::newRow("unit after it") << "40dB" << 43.9;
        QTest::newRow("overflowing exponent") << "1e999" << 43.9;
    }
    void manualGain()
    {
        QFETCH(QString, gain);
        QTEST(GainSetting::manualGain(gain), "manual");
        QCOMPARE(GainSetting::isAuto(gain), gain == "auto");
    }

    void coordinates_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<std::optional<double>>("parsed");
        QTest::addColumn<QString>("shown");
        const QLocale us(QLocale::English, QLocale::UnitedStates);
        const QLocale de(QLocale::German, QLocale::Germany);
        QTest::newRow("no range check") << us << "123" << std::optional(123.0) << "123";
        QTest::newRow("six digits kept") << us << "52.520008" << std::optional(52.520008) << "52.520008";
        QTest::newRow("a seventh rounded away") << us << "-0.0000004" << std::optional(0.0) << "0";
        QTest::newRow("decimal comma") << de << "48,25" << std::optional(48.25) << "48,25";
        QTest::newRow("a full stop is a group separator there")
            << de << "48.25" << std::optional<double>() << "";
        // Read as thousands, a group separator turned a position into another continent.
        QTest::newRow("de: a grouped number is refused") << de << "13.405" << std::optional<double>() << "";
        QTest::newRow("de: decimal comma") << de << "13,405" << std::optional(13.405) << "13,405";
        QTest::newRow("en: a grouped number is refused") << us << "2,250" << std::optional<double>() << "";
        QTest::newRow("en: decimal point") << us << "2.250" << std::optional(2.25) << "2.25";
        QTest::newRow("en: 48.25") << us << "48.25" << std::optional(48.25) << "48.25";
        QTest::newRow("a large value shows without grouping")
            << us << "13405" << std::optional(13405.0) << "13405";
        QTest::newRow("empty") << us << "" << std::optional<double>() << "";
        QTest::newRow("infinity would turn into null in the file")
            << us << "inf" << std::optional<double>() << "";
    }
    void coordinates()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, typed);
        QFETCH(std::optional<double>, parsed);
        QCOMPARE(CoordinateText::parse(typed, locale), parsed);
        if (parsed)
            QTEST(CoordinateText::format(*parsed, locale), "shown");
    }

    void stationKey_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("cursor");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("cursorAfter");
        QTest::newRow("typing inside a key leaves the cursor") << "ab1cd" << 3 << "ab1cd" << 3;
        QTest::newRow("a leading blank vanishes, the cursor moves with the key")
            << " abcd" << 1 << "abcd" << 0;
        QTest::newRow("a trailing blank vanishes") << "abcd " << 5 << "abcd" << 4;
        QTest::newRow("a pasted connector line leaves its key, cursor at the end")
            << "feed.vireon.network,30004,beast_reduce_plus_out,uuid=k-1,x" << 58 << "k-1" << 3;
        QTest::newRow("only blanks: empty") << "  " << 2 << "" << 0;
    }
    void stationKey()
    {
        QFETCH(QString, typed);
        QFETCH(int, cursor);
        const StationKeyEdit edit = StationKeyEdit::normalised(typed, cursor);
        QTEST(edit.text, "text");
        QTEST(int(edit.cursor), "cursorAfter");
    }

    void healthLine_data()
    {
        using Tone = ConnectorHealthLine::Tone;
        QTest::addColumn<bool>("feeding");
        QTest::addColumn<ConnectorHealth>("health");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("tone");
        QTest::addColumn<QString>("toolTip");
        const QString failure =
            "Connection to feed.x:30004 failed (station " + sampleKey + "): 111 (Connection refused)";
        QTest::newRow("connected") << true << ConnectorHealth::connected() << "Connected"
                                   << int(Tone::connected) << "";
        QTest::newRow("connecting") << true << ConnectorHealth::connecting() << "Connecting\u2026"
                                    << int(Tone::connecting) << "";
        QTest::newRow("retrying: one short line, keys shortened")
            << true << ConnectorHealth::retrying(failure + "\nsecond line")
            << "Retrying \u2014 Connection to feed.x:30004 failed (station 0123\u2026" << int(Tone::retrying)
            << "Connection to feed.x:30004 failed (station 0123abcd\u2026): 111 (Connection refused)\nsecond "
               "line";
        QTest::newRow("nothing while feeding is stopped")
            << false << ConnectorHealth::connected() << "" << -1 << "";
    }
    void healthLine()
    {
        QFETCH(bool, feeding);
        QFETCH(ConnectorHealth, health);
        const QHash<QString, ConnectorHealth> map{{"net", health}};
        const auto line = ConnectorHealthLine::make(feeding, map, "net", {sampleKey});
        QTEST(line ? line->text : QString(), "text");
        QTEST(line ? int(line->tone) : -1, "tone");
        QTEST(line ? line->toolTip : QString(), "toolTip");
        QVERIFY(!ConnectorHealthLine::make(true, map, "not watched", {}));
    }

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
        QTEST(Rules::parsedLocation(latitude, longitude), "parsed");
        const Rules::PositionProblems problems = Rules::positionProblems(latitude, longitude);
        QStringList said;
        if (problems.latitude)
            said.append("latitude");
        if (problems.longitude)
            said.append("longitude");
        if (problems.position)
            said.append("position");
        QTEST(said.join(u' '), "said");
    }

    void positionComplaintsSayWhatIsAccepted()
    {
        const Rules::PositionProblems problems = Rules::positionProblems("91", "x");
        QCOMPARE(problems.latitude, QStringLiteral("Latitude must be a number between \u221290 and 90."));
        QCOMPARE(problems.longitude, QStringLiteral("Longitude must be a number between \u2212180 and 180."));
        QCOMPARE(Rules::positionProblems("0", "0").position,
                 QStringLiteral("0, 0 is in the ocean: enter your antenna's position."));
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

QTEST_GUILESS_MAIN(TestFormRules)
#include "TestFormRules.moc"
