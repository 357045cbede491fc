#include "decoder/KeyTransmission.h"

#include <QtTest>

using namespace vireon;

class TestKeyTransmission : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void warning_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("protocol");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("warning");

        const QString plus = QStringLiteral("beast_reduce_plus_out");
        const QString host = QStringLiteral("feed.vireon.network");
        const QString notSent = QStringLiteral(
            "This key is not sent: the decoder sends only keys of 28 to 36 characters; networks expect a "
            "36-character UUID.");
        const QString padded =
            QStringLiteral("This key is sent padded with \u201cf\u201d to 36 characters; networks expect a "
                           "36-character UUID.");
        const QString cut = QStringLiteral("Only the first 36 characters of this key are sent.");
        const QString noKeyOnBeastOut =
            QStringLiteral("beast_out sends no key; choose beast_reduce_plus_out to be attributed.");

        QTest::newRow("36 characters on beast_reduce_plus_out")
            << QString(36, u'a') << plus << host << QString();
        QTest::newRow("27 characters are not sent") << QString(27, u'a') << plus << host << notSent;
        QTest::newRow("28 characters are padded") << QString(28, u'a') << plus << host << padded;
        QTest::newRow("35 characters are padded") << QString(35, u'a') << plus << host << padded;
        QTest::newRow("37 characters are cut") << QString(37, u'a') << plus << host << cut;
        QTest::newRow("no key, nothing to say") << QString() << plus << host << QString();
        QTest::newRow("beast_out sends no key")
            << QString(36, u'a') << "beast_out" << host << noKeyOnBeastOut;
        QTest::newRow("beast_out to an ADSBExchange feed host sends a short key not")
            << QString(10, u'a') << "beast_out"
            << "feed1.adsbexchange.com" << notSent;
        QTest::newRow("beast_out to an ADSBExchange feed host sends a full key")
            << QString(36, u'a') << "beast_out"
            << "feed.adsbexchange.com" << QString();
        QTest::newRow("beast_out to another ADSBExchange host sends none")
            << QString(36, u'a') << "beast_out"
            << "www.adsbexchange.com" << noKeyOnBeastOut;
        QTest::newRow("an unsupported protocol is for validation to name")
            << QString(36, u'a') << "raw_out" << host << QString();
    }
    void warning()
    {
        QFETCH(QString, key);
        QFETCH(QString, protocol);
        QFETCH(QString, host);
        QFETCH(QString, warning);
        QCOMPARE(KeyTransmission::warning(key, protocol, host).value_or(QString()), warning);
    }

    void aLogLineAtLaunchForEachKeyThatDoesNotArriveAsTyped()
    {
        const QString key = "uuid=0123abcd-0000-4000-8000-000000000001";
        const QStringList arguments =
            QString(
                "--gain auto --net --net-connector feed.vireon.network,30004,beast_reduce_plus_out,uuid=x "
                "--net-connector Other.example,30005,beast_out,%1 --net-connector "
                "fine.example,30006,beast_reduce_plus_out,%1 --net-connector nokey.example,30007,beast_out "
                "--net-bo-port 30005")
                .arg(key)
                .split(u' ');
        const QList<MonitoredConnector> connectors{{"vireon", "Vireon", "feed.vireon.network", 30004, true},
                                                   {"other", "Other", "other.example", 30005, false}};
        const QStringList lines = KeyTransmission::launchLogLines(arguments, connectors);
        QCOMPARE(lines.size(), 2);
        QVERIFY(
            lines[0].startsWith("supervisor: Vireon (feed.vireon.network:30004): This key is not sent: "));
        QVERIFY(lines[1].startsWith("supervisor: Other (Other.example:30005): beast_out sends no key"));
    }
};

QTEST_GUILESS_MAIN(TestKeyTransmission)
#include "TestKeyTransmission.moc"
