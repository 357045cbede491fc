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
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("a buffer below capacity keeps everything") << qint64(3) << 2 << QStringList{"1", "2"};
        QTest::newRow("one line over capacity drops the oldest")
            << qint64(3) << 4 << QStringList{"2", "3", "4"};
        QTest::newRow("capacity 0 keeps nothing") << qint64(0) << 5 << QStringList{};
        QTest::newRow("a negative capacity keeps nothing") << qint64(-2) << 5 << QStringList{};
    }
    void keepsTheNewestLinesOldestFirst()
    {
        QFETCH(qint64, capacity);
        QFETCH(int, appends);
        QFETCH(QStringList, expected);
        LogRingBuffer buffer(capacity);
        for (int i = 1; i <= appends; ++i)
            buffer.append(QString::number(i));
        QCOMPARE(buffer.lines(), expected);
    }

    void fullBufferOf500KeepsTheSecondToThe501st()
    {
        LogRingBuffer buffer(500);
        for (int i = 1; i <= 501; ++i)
            buffer.append(QStringLiteral("line %1").arg(i));
        QCOMPARE(buffer.lines().size(), 500);
        QCOMPARE(buffer.lines().first(), QStringLiteral("line 2"));
        QCOMPARE(buffer.lines().last(), QStringLiteral("line 501"));
    }

    void storesLinesExactlyAsGiven()
    {
        LogRingBuffer buffer(10);
        const QStringList lines{QString(), QStringLiteral("  padded\r"), QStringLiteral("twice"),
                                QStringLiteral("twice")};
        for (const QString& line : lines)
            buffer.append(line);
        QCOMPARE(buffer.lines(), lines);
    }
};

QTEST_GUILESS_MAIN(TestLogRingBuffer)
#include "TestLogRingBuffer.moc"
