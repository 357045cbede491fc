#include "decoder/LogRingBuffer.h"

#include <QtTest>

using vireon::LogRingBuffer;

class TestLogRingBuffer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void keepsTheNewestLinesOldestFirst_data()
    {
        QTest::addColumn<qint64>("capacity");
        QTest::addColumn<int>("appends");
        QTest::addColumn<int>("firstKept");
        QTest::newRow("a buffer below capacity keeps everything") << qint64(3) << 2 << 1;
        QTest::newRow("a full buffer of 500 keeps the 2nd to the 501st line") << qint64(500) << 501 << 2;
        QTest::newRow("a negative capacity keeps nothing") << qint64(-2) << 5 << 6;
    }
    void keepsTheNewestLinesOldestFirst()
    {
        QFETCH(qint64, capacity);
        QFETCH(int, appends);
        QFETCH(int, firstKept);
        LogRingBuffer buffer(capacity);
        QStringList kept;
        for (int i = 1; i <= appends; ++i) {
            buffer.append(QStringLiteral("line %1").arg(i));
            if (i >= firstKept)
                kept.append(QStringLiteral("line %1").arg(i));
        }
        QCOMPARE(buffer.lines(), kept);
    }
};

QTEST_GUILESS_MAIN(TestLogRingBuffer)
#include "TestLogRingBuffer.moc"
