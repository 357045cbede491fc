#include "decoder/DecoderOutputClassifier.h"
#include "decoder/LogRingBuffer.h"
#include "decoder/StickProblem.h"

#include <QtTest>

using namespace vireon;
using Failure = std::optional<SupervisorFailure>;
using Problem = std::optional<StickProblem>;

// The decoder's transcripts in tests/data carry librtlsdr's and readsb's own wording.
class TestStickProblem : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void namedFromTheDecodersLines_data()
    {
        QTest::addColumn<QString>("transcript");
        QTest::addColumn<Problem>("problem");
        QTest::addColumn<Failure>("failure");

        QTest::newRow("refused by the device permissions: busy, with its cause")
            << "stderr-stick-permission.txt" << Problem(StickProblem::permissionDenied)
            << Failure(SupervisorFailure::deviceBusy);
        QTest::newRow("held by the kernel driver, the message run into the next one")
            << "stderr-stick-kernel-driver.txt" << Problem(StickProblem::kernelDriverHolds)
            << Failure(SupervisorFailure::deviceBusy);
        QTest::newRow("lost while running: a restart finds out what is left")
            << "stderr-stick-lost.txt" << Problem(StickProblem::lostWhileRunning) << Failure();
        QTest::newRow("no stick at all has no cause to add")
            << "stderr-no-stick.txt" << Problem() << Failure(SupervisorFailure::noDevice);
    }
    void namedFromTheDecodersLines()
    {
        QFETCH(QString, transcript);
        QFETCH(Problem, problem);
        QFETCH(Failure, failure);

        QFile file(QStringLiteral(VIREON_TEST_DATA_DIR "/") + transcript);
        QVERIFY(file.open(QIODevice::ReadOnly));
        LogRingBuffer log(500);
        DecoderOutputClassifier classifier(log);
        classifier.feed(file.readAll());
        QCOMPARE(classifier.stickProblem(), problem);
        QCOMPARE(classifier.pendingFailure(), failure);
        QCOMPARE(classifier.decoderVersion(), std::optional<QString>(QStringLiteral("3.14.1642")));

        // A new run starts without the old cause.
        classifier.clearPendingFailure();
        QCOMPARE(classifier.stickProblem(), Problem());
    }

    void theHintGivesTheCauseThenTheRemedy()
    {
        for (StickProblem problem : {StickProblem::permissionDenied, StickProblem::kernelDriverHolds,
                                     StickProblem::lostWhileRunning}) {
            const QString hint = StickProblems::hint(problem);
            QVERIFY(hint.startsWith(StickProblems::cause(problem) + u' '));
            QVERIFY(hint.endsWith(StickProblems::remedy(problem)));
        }
    }
};

QTEST_GUILESS_MAIN(TestStickProblem)
#include "TestStickProblem.moc"
