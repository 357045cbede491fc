// The real decoder hearing real and made-up air traffic, and the whole application judging it: the
// radio recording in the test data played as if from a stick, and a Beast stream of aircraft around
// a chosen point fed to the decoder's Beast input. Skips, saying so, where no decoder was built,
// unless the test command built one (VIREON_REQUIRE_REAL_DECODER).
#include "app/AppState.h"
#include "presentation/panel/PanelModel.h"
#include "stats/StatsReader.h"
#include "support/BeastGenerator.h"
#include "support/RadioRecording.h"
#include "support/StationHarness.h"

#include <QFileInfo>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QtTest>

using namespace vireon;
using vireon::test::BeastGenerator;
using vireon::test::RadioRecording;
using vireon::test::StationHarness;

namespace {

// The decoder writes stats.json ten seconds after it starts, and a minute's figures need some air.
constexpr int decoderWaitMs = 60'000;

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

// A station on the real decoder at the given position, its manual clock following the wall clock
// so that the decoder's files read as fresh and the state's timers run.
struct RealStation {
    StationHarness harness;
    QTimer follow;
    QList<AircraftPosition> heard;

    RealStation(double latitude, double longitude)
    {
        harness.decoder = QStringLiteral(VIREON_TESTS_DIR "/realdecoder/readsb-without-stick");
        harness.writeConfig(StationHarness::defaultConfigWith(
            QStringLiteral("station"),
            QJsonObject{{"name", "Rooftop"}, {"lat", latitude}, {"lon", longitude}, {"gain", "auto"}}));
        const qint64 behind = harness.clock.now().msecsTo(QDateTime::currentDateTimeUtc());
        QObject::connect(&follow, &QTimer::timeout, [this, behind] {
            const qint64 due = harness.clock.now().msecsTo(QDateTime::currentDateTimeUtc()) - behind;
            if (due > 0)
                harness.clock.advance(std::chrono::milliseconds(due));
        });
        follow.start(200);
    }

    AppState& feed()
    {
        AppState& state = harness.launchApplication();
        QObject::connect(&state.stats(), &StatsReader::positionsHeard,
                         [this](const QList<AircraftPosition>& positions) { heard += positions; });
        state.startFeeding();
        return state;
    }

    ReceiverFigures figures() const { return harness.state->stats().snapshot().receiver; }
};

} // namespace

class TestRealRadio : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase()
    {
        const QString decoder = QStringLiteral(VIREON_REAL_READSB);
        if (!QFileInfo(decoder).isExecutable()) {
            if (qEnvironmentVariableIsSet("VIREON_REQUIRE_REAL_DECODER"))
                QFAIL(qPrintable(
                    QStringLiteral("the test command built a decoder, but %1 is missing").arg(decoder)));
            QSKIP(qPrintable(
                QStringLiteral("no decoder at %1: scripts/build-decoder builds one").arg(decoder)));
        }
        qputenv("VIREON_REAL_READSB", decoder.toUtf8());
    }

    void cleanup()
    {
        qunsetenv("VIREON_TEST_RECORDING");
        qunsetenv("VIREON_TEST_DECODER_EXTRA");
    }

    // One aircraft over the Mediterranean is too little to judge a position by, wherever the
    // station is set: nothing is said, whether the decoder placed the aircraft (a station in Sicily,
    // some 740 km away) or threw its positions away as out of its range (a station in Norway).
    void theRecordingShowsTheSignalAndNoPositionWarning()
    {
        // About 21 s of air: enough for the first stats.json, and the decoder still running.
        const QString recording = m_dir.filePath(QStringLiteral("modes1-2.4MHz.bin"));
        QVERIFY(RadioRecording::writePlayable(recording, 60));
        qputenv("VIREON_TEST_RECORDING", recording.toUtf8());

        {
            RealStation sicily(37.5, 15.0);
            AppState& state = sicily.feed();
            QTRY_VERIFY_WITH_TIMEOUT(!sicily.heard.isEmpty() && sicily.figures().signalDbfs, decoderWaitMs);
            QCOMPARE(sicily.heard.first().hex, QStringLiteral("4d2023"));
            const double km = PositionCheck::distanceKm(37.5, 15.0, sicily.heard.first().latitude,
                                                        sicily.heard.first().longitude);
            QVERIFY2(km > PositionCheck::farKm && km < 800, qPrintable(QString::number(km)));

            // The recording's own level, as the decoder measures it.
            const ReceiverFigures figures = sicily.figures();
            QVERIFY2(*figures.signalDbfs > -11 && *figures.signalDbfs < -8,
                     qPrintable(QString::number(*figures.signalDbfs)));
            QVERIFY(figures.noiseDbfs && *figures.noiseDbfs > -21 && *figures.noiseDbfs < -17);
            const PanelModel panel = PanelModel::of(state);
            QVERIFY2(
                panel.hearing.figuresLine &&
                    QRegularExpression(
                        QStringLiteral("^Signal \u22129\\.\\d dBFS \u00b7 noise \u2212(19|18|20)\\.\\d$"))
                        .match(*panel.hearing.figuresLine)
                        .hasMatch(),
                qPrintable(panel.hearing.figuresLine.value_or(QStringLiteral("(none)"))));
            QVERIFY(!panel.positionWarning);
        }
        {
            RealStation norway(60.0, 10.0);
            AppState& state = norway.feed();
            QTRY_VERIFY_WITH_TIMEOUT(norway.figures().positionsOutOfRange.value_or(0) > 0, decoderWaitMs);
            QVERIFY(norway.heard.isEmpty());
            QCOMPARE(norway.figures().aircraftWithoutPosition, 1);
            QVERIFY(!PanelModel::of(state).positionWarning);
        }
    }

    // A dozen aircraft around Munich: quiet for a station among them, and for one set 1,000 km north
    // (beyond the decoder's range, so it throws every position away) a warning that it is far off.
    void madeUpTrafficTellsAStationSetFarFromIt()
    {
        const quint16 port = freePort();
        qputenv("VIREON_TEST_DECODER_EXTRA", "--net-bi-port " + QByteArray::number(port));
        BeastGenerator traffic(48.5, 11.0, 12);
        QTcpSocket air;
        QTimer send;
        QObject::connect(&send, &QTimer::timeout, [&] {
            if (air.state() == QAbstractSocket::UnconnectedState)
                air.connectToHost(QHostAddress::LocalHost, port);
            else if (air.state() == QAbstractSocket::ConnectedState)
                air.write(traffic.round());
        });
        send.start(300);

        {
            RealStation near(48.6, 11.2);
            AppState& state = near.feed();
            QTRY_VERIFY_WITH_TIMEOUT(near.heard.size() >= PositionCheck::evidenceNeeded &&
                                         near.figures().positionsDecoded,
                                     decoderWaitMs);
            QVERIFY(!PanelModel::of(state).positionWarning);
            QCOMPARE(near.figures().positionsOutOfRange, 0);
            air.abort();
        }
        {
            RealStation far(57.5, 11.0);
            AppState& state = far.feed();
            QTRY_VERIFY_WITH_TIMEOUT(PanelModel::of(state).positionWarning, decoderWaitMs);
            QVERIFY(far.heard.isEmpty());
            QCOMPARE(state.positionVerdict()->beyondDecoderRange, true);
            QCOMPARE(*PanelModel::of(state).positionWarning,
                     PositionCheck::warning(*state.positionVerdict()));
        }
    }
};

QTEST_MAIN(TestRealRadio)
#include "TestRealRadio.moc"
