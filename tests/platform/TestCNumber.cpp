#include "platform/CNumber.h"

#include <QtTest>

using vireon::CNumber;

class TestCNumber : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void writesAsPrintfDoesInTheCLocale_data()
    {
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("an exact tie rounds to even, down") << QByteArray("%.6f") << 52.5078125 << "52.507812";
        QTest::newRow("an exact tie rounds to even, up") << QByteArray("%.6f") << 1.0234375 << "1.023438";
        QTest::newRow("a rate of 0.25") << QByteArray("%.1f") << 0.25 << "0.2";
        QTest::newRow("a rate of 0.35 is not a tie in binary") << QByteArray("%.1f") << 0.35 << "0.3";
        QTest::newRow("negative zero keeps its sign as printf does")
            << QByteArray("%.2f") << -0.001 << "-0.00";
        QTest::newRow("a number longer than the short buffer is not cut")
            << QByteArray("%.1f") << 1e80
            << "100000000000000000026609864708367276537402401181200809098131977453489758916313088.0";
    }
    void writesAsPrintfDoesInTheCLocale()
    {
        QFETCH(QByteArray, format);
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(CNumber::format(format.constData(), value), expected);
    }
};

QTEST_GUILESS_MAIN(TestCNumber)
#include "TestCNumber.moc"
