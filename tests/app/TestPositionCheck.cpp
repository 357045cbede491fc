#include "app/PositionCheck.h"

#include <QtTest>
#include <cmath>

using namespace vireon;
using Slip = PositionCheck::Verdict::Slip;

namespace {

// `count` aircraft spread symmetrically around a point (so the point is their median), up to `spread`
// degrees away, with longitudes that run across the date line where the point is near it.
QList<AircraftPosition> skyAround(double lat, double lon, int count, double spread = 1.0)
{
    QList<AircraftPosition> sky;
    const int pairs = count / 2;
    for (int k = 0; k < pairs; ++k) {
        const double d = spread * (k + 1) / pairs;
        for (int side : {1, -1}) {
            sky.append({QString::number(sky.size()), std::clamp(lat + side * d, -90.0, 90.0),
                        std::remainder(lon - side * d * 0.7, 360.0)});
        }
    }
    if (count % 2)
        sky.append({QStringLiteral("centre"), lat, lon});
    return sky;
}

} // namespace

class TestPositionCheck : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void judgesTheSetPositionByTheAircraftHeard_data()
    {
        QTest::addColumn<double>("lat");
        QTest::addColumn<double>("lon");
        QTest::addColumn<QList<AircraftPosition>>("sky");
        QTest::addColumn<std::optional<Slip>>("verdict");
        const std::optional<Slip> quiet;
        const auto munich = skyAround(48.1, 11.6, 12);

        QTest::newRow("among its aircraft") << 48.3 << 11.2 << munich << quiet;
        QTest::newRow("far: Hamburg") << 53.55 << 10.0 << munich << std::optional(Slip::none);
        QTest::newRow("far, but nine aircraft are not evidence enough")
            << 53.55 << 10.0 << skyAround(48.1, 11.6, 9) << quiet;
        QTest::newRow("never set: one aircraft is enough")
            << 0.0 << 0.0 << skyAround(48.1, 11.6, 1) << std::optional(Slip::none);
        QTest::newRow("nothing heard, nothing said") << 0.0 << 0.0 << QList<AircraftPosition>{} << quiet;
        QTest::newRow("swapped") << 11.6 << 48.1 << munich << std::optional(Slip::swapped);
        QTest::newRow("southern latitude") << -48.1 << 11.6 << munich << std::optional(Slip::latitudeSign);
        QTest::newRow("eastern longitude: Madrid")
            << 40.4 << 3.7 << skyAround(40.4, -3.7, 12) << std::optional(Slip::longitudeSign);
        QTest::newRow("both signs: Sydney")
            << 33.9 << -151.2 << skyAround(-33.9, 151.2, 12) << std::optional(Slip::bothSigns);
        QTest::newRow("across the date line is near")
            << -17.8 << -179.9 << skyAround(-17.8, 179.9, 12) << quiet;
        QTest::newRow("the north pole: every longitude is near")
            << 89.9 << -120.0 << skyAround(89.5, 0, 12, 0.4) << quiet;
        QTest::newRow("the south pole for the north")
            << -89.5 << 0.0 << skyAround(89.5, 0, 12, 0.4) << std::optional(Slip::latitudeSign);
    }
    void judgesTheSetPositionByTheAircraftHeard()
    {
        QFETCH(double, lat);
        QFETCH(double, lon);
        QFETCH(QList<AircraftPosition>, sky);
        const auto verdict = PositionCheck::judge(lat, lon, sky);
        QTEST(verdict ? std::optional(verdict->slip) : std::nullopt, "verdict");
    }

    void warningNamesWhereTheAircraftAre()
    {
        const auto far = PositionCheck::judge(53.55, 10.0, skyAround(48.1, 11.6, 12));
        QCOMPARE(PositionCheck::warning(*far),
                 QStringLiteral("Aircraft you receive are around 48.1\u00b0 N, 11.6\u00b0 E, far from the "
                                "position you set. Check your latitude and longitude."));
        const auto swapped = PositionCheck::judge(11.6, 48.1, skyAround(48.1, 11.6, 12));
        QVERIFY(PositionCheck::warning(*swapped).endsWith(
            QStringLiteral("longitude. Latitude and longitude look swapped.")));
        // The middle of a sky across the date line is on the date line, not at the Greenwich meridian.
        const auto fiji = PositionCheck::judge(-36.8, 174.7, skyAround(-17.8, 179.9, 12));
        QVERIFY(PositionCheck::warning(*fiji).contains(QStringLiteral("17.8\u00b0 S, 179.9\u00b0 E")));
        const auto hawaii = PositionCheck::judge(0, 0, skyAround(19.7, -155.5, 3));
        QVERIFY(PositionCheck::warning(*hawaii).contains(QStringLiteral("19.7\u00b0 N, 155.5\u00b0 W")));

        QCOMPARE(std::lround(PositionCheck::distanceKm(52.520, 13.405, 48.137, 11.575)), 504);
        QCOMPARE(std::lround(PositionCheck::distanceKm(0, 179.9, 0, -179.9)), 22);
    }

    void thePositionsTheDecoderThrewAwayTell_data()
    {
        QTest::addColumn<std::optional<qint64>>("kept");
        QTest::addColumn<std::optional<qint64>>("thrownAway");
        QTest::addColumn<std::optional<qint64>>("unplaced");
        QTest::addColumn<bool>("wrong");
        using N = std::optional<qint64>;
        QTest::newRow("a decoder that does not say") << N() << N() << N() << false;
        QTest::newRow("nine thrown away are no evidence") << N(0) << N(9) << N(12) << false;
        QTest::newRow("ten thrown away, none kept") << N(0) << N(10) << N(12) << true;
        QTest::newRow("a few odd ones among many kept") << N(708) << N(30) << N(12) << false;
        QTest::newRow("as many kept as thrown away") << N(40) << N(40) << N(12) << false;
        QTest::newRow("more thrown away than kept") << N(29) << N(30) << N(10) << true;
        QTest::newRow("all from nine aircraft") << N(0) << N(700) << N(9) << false;
    }
    void thePositionsTheDecoderThrewAwayTell()
    {
        QFETCH(std::optional<qint64>, kept);
        QFETCH(std::optional<qint64>, thrownAway);
        QFETCH(std::optional<qint64>, unplaced);
        ReceiverFigures figures;
        figures.positionsDecoded = kept;
        figures.positionsOutOfRange = thrownAway;
        figures.aircraftWithoutPosition = unplaced;
        const auto verdict = PositionCheck::judgeDecoderRange(figures);
        QTEST(verdict.has_value(), "wrong");
        if (verdict)
            QCOMPARE(PositionCheck::warning(*verdict),
                     QStringLiteral("Aircraft you receive are too far from the position you set to be heard "
                                    "there. Check your latitude and longitude."));
    }

    // The evidence is each aircraft's latest position of the last ten minutes.
    void evidenceKeepsTheLatestOfEachAircraftForTenMinutes()
    {
        const QDateTime t0 = QDateTime(QDate(2026, 5, 1), QTime(12, 0), Qt::UTC);
        PositionEvidence evidence;
        evidence.add(t0, {{"a", 1, 1}, {"b", 2, 2}});
        evidence.add(t0.addSecs(300), {{"a", 3, 3}});
        auto held = evidence.positions(t0.addSecs(300));
        std::sort(held.begin(), held.end(), [](const auto& x, const auto& y) { return x.hex < y.hex; });
        QCOMPARE(held, (QList<AircraftPosition>{{"a", 3, 3}, {"b", 2, 2}}));
        QCOMPARE(evidence.positions(t0.addSecs(601)), (QList<AircraftPosition>{{"a", 3, 3}}));
        QVERIFY(evidence.positions(t0.addSecs(901)).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestPositionCheck)
#include "TestPositionCheck.moc"
