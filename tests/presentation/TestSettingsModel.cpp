// What the settings form makes of what is stored and of what the user types.
#include "presentation/common/CoordinateInput.h"
#include "presentation/common/StationKeyInput.h"
#include "presentation/settings/GainInput.h"

#include <QtTest>

using namespace vireon;
using OptionalDouble = std::optional<double>;

Q_DECLARE_METATYPE(OptionalDouble)

class TestSettingsModel : public QObject {
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
        QTEST(GainInput::manualGain(gain), "manual");
        QCOMPARE(GainInput::isAuto(gain), gain == "auto");
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
        QCOMPARE(CoordinateInput::parse(typed, locale), parsed);
        if (parsed)
            QTEST(CoordinateInput::format(*parsed, locale), "shown");
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
        const QString key = "4b1a5c3e-0d2f-4e6a-9b8c-7d6e5f4a3b2c";
        QTest::newRow("line breaks around a key vanish too") << " \n" + key + "\t\r\n" << 41 << key << 36;
        QTest::newRow("the marker with nothing after it gives nothing")
            << "host,1,p,uuid=  " << 16 << "" << 0;
    }
    void stationKey()
    {
        QFETCH(QString, typed);
        QFETCH(int, cursor);
        const StationKeyInput edit = StationKeyInput::normalised(typed, cursor);
        QTEST(edit.text, "text");
        QTEST(int(edit.cursor), "cursorAfter");
    }
};

QTEST_GUILESS_MAIN(TestSettingsModel)
#include "TestSettingsModel.moc"
