#include "network/FeederConfig.h"

#include <QtTest>

using vireon::FeederConfig;

Q_DECLARE_METATYPE(FeederConfig)

namespace {

// JSON written with single quotes, which keeps the rows legible.
QByteArray json(const QByteArray& text)
{
    return QByteArray(text).replace('\'', '"');
}

QByteArray withIngest(const QByteArray& rest = {})
{
    const QByteArray ingest = "'ingest': {'host': 'in.example', 'port': 30004, 'protocol': 'beast_out'}";
    return json("{" + ingest + (rest.isEmpty() ? QByteArray() : ", " + rest) + "}");
}

FeederConfig ingestOnly()
{
    return FeederConfig{
        {QStringLiteral("in.example"), 30004, QStringLiteral("beast_out")}, std::nullopt, std::nullopt};
}

FeederConfig::Preset preset(const QString& id, std::optional<QString> label, qint64 port,
                            std::optional<QUrl> registration)
{
    return {id, label, QStringLiteral("feed.example"), port, QStringLiteral("beast_out"), registration};
}

} // namespace

class TestFeederConfig : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void acceptsDocumentsAsTheyStand_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<FeederConfig>("expected");

        QTest::newRow("a document with only ingest has no presets and no links")
            << withIngest() << ingestOnly();

        FeederConfig emptyPresets = ingestOnly();
        emptyPresets.presets = QList<FeederConfig::Preset>{};
        QTest::newRow("an empty preset list stays present and empty")
            << withIngest("'presets': []") << emptyPresets;

        FeederConfig bare = ingestOnly();
        bare.presets = QList{preset(QStringLiteral("x"), std::nullopt, 1, std::nullopt)};
        bare.links = FeederConfig::Links{};
        QTest::newRow("null optional keys are absent like missing ones")
            << withIngest(
                   "'presets': [{'id': 'x', 'host': 'feed.example', 'port': 1, 'protocol': 'beast_out',"
                   " 'label': null, 'registrationURL': null}], 'links': {'liveMap': null}")
            << bare;

        FeederConfig full = ingestOnly();
        full.presets = QList{preset(QStringLiteral("a"), QStringLiteral("A"), 0,
                                    QUrl(QStringLiteral("https://a.example/join"))),
                             preset(QStringLiteral("b"), std::nullopt, 70000, std::nullopt)};
        full.links = FeederConfig::Links{QUrl(QStringLiteral("https://map.example/")), std::nullopt,
                                         QUrl(QStringLiteral("https://claim.example"))};
        QTest::newRow("out-of-range ports and unknown keys at every level are taken as they stand")
            << withIngest(
                   "'future': 1, 'presets': ["
                   " {'id': 'a', 'label': 'A', 'host': 'feed.example', 'port': 0, 'protocol': 'beast_out',"
                   " 'registrationURL': 'https://a.example/join', 'extra': [1]},"
                   " {'id': 'b', 'host': 'feed.example', 'port': 70000, 'protocol': 'beast_out'}],"
                   " 'links': {'liveMap': 'https://map.example/', 'claimStation': 'https://claim.example',"
                   " 'other': 'not checked'}")
            << full;

        FeederConfig odd{{QString(), -5, QString()}, std::nullopt, std::nullopt};
        QTest::newRow("an empty host and a negative port are not judged here")
            << json("{'ingest': {'host': '', 'port': -5, 'protocol': ''}}") << odd;

        FeederConfig whole{{QStringLiteral("h"), 30004, QStringLiteral("p")}, std::nullopt, std::nullopt};
        QTest::newRow("a whole port written with a fraction counts as an integer")
            << json("{'ingest': {'host': 'h', 'port': 30004.0, 'protocol': 'p'}}") << whole;
    }

    void acceptsDocumentsAsTheyStand()
    {
        QFETCH(QByteArray, document);
        QFETCH(FeederConfig, expected);
        const std::optional<FeederConfig> decoded = FeederConfig::decode(document);
        QVERIFY(decoded.has_value());
        QVERIFY(*decoded == expected);
    }

    void rejectsTheWholeDocument_data()
    {
        QTest::addColumn<QByteArray>("document");
        const QByteArray good = "{'id': 'a', 'host': 'h', 'port': 1, 'protocol': 'p'}";

        QTest::newRow("when it is not JSON") << json("{'ingest': ");
        QTest::newRow("when it is an array") << QByteArray("[" + withIngest() + "]");
        QTest::newRow("when ingest is missing") << json("{'presets': []}");
        QTest::newRow("when ingest is null") << json("{'ingest': null}");
        QTest::newRow("when ingest is spelled in another case")
            << json("{'Ingest': {'host': 'h', 'port': 1, 'protocol': 'p'}}");
        QTest::newRow("when the port is a string")
            << json("{'ingest': {'host': 'h', 'port': '30004', 'protocol': 'p'}}");
        QTest::newRow("when the port has a fraction")
            << json("{'ingest': {'host': 'h', 'port': 30004.5, 'protocol': 'p'}}");
        QTest::newRow("when the port does not fit in 64 bits")
            << json("{'ingest': {'host': 'h', 'port': 1e19, 'protocol': 'p'}}");
        QTest::newRow("when the host is a number")
            << json("{'ingest': {'host': 5, 'port': 1, 'protocol': 'p'}}");
        QTest::newRow("when the protocol is missing") << json("{'ingest': {'host': 'h', 'port': 1}}");
        QTest::newRow("when presets is an object") << withIngest("'presets': {}");
        QTest::newRow("when one preset lacks its id among good ones")
            << withIngest("'presets': [" + good + ", {'host': 'h', 'port': 1, 'protocol': 'p'}]");
        QTest::newRow("when one preset is null") << withIngest("'presets': [" + good + ", null]");
        QTest::newRow("when a preset label is a number")
            << withIngest("'presets': [{'id': 'a', 'label': 1, 'host': 'h', 'port': 1, 'protocol': 'p'}]");
        QTest::newRow("when a registration page is the empty string") << withIngest(
            "'presets': [{'id': 'a', 'host': 'h', 'port': 1, 'protocol': 'p', 'registrationURL': ''}]");
        QTest::newRow("when a registration page is not a URL")
            << withIngest("'presets': [{'id': 'a', 'host': 'h', 'port': 1, 'protocol': 'p',"
                          " 'registrationURL': 'https://a b'}]");
        QTest::newRow("when links is an array") << withIngest("'links': []");
        QTest::newRow("when a link is the empty string") << withIngest("'links': {'liveMap': ''}");
    }

    void rejectsTheWholeDocument()
    {
        QFETCH(QByteArray, document);
        QVERIFY(!FeederConfig::decode(document).has_value());
    }

    void fallbackPointsAtThePrimaryFeedHost()
    {
        const FeederConfig& fallback = FeederConfig::fallback();
        QCOMPARE(fallback.ingest, (FeederConfig::Ingest{QStringLiteral("feed.vireon.network"), 30004,
                                                        QStringLiteral("beast_reduce_plus_out")}));
        QVERIFY(fallback.links.has_value());
        QCOMPARE(fallback.links->liveMap->toString(), QStringLiteral("https://feed.vireon.network/tar1090/"));
        QCOMPARE(fallback.links->feederPage->toString(), QStringLiteral("https://feed.vireon.network"));
        QCOMPARE(fallback.links->claimStation->toString(), QStringLiteral("https://feed.vireon.network"));
        QVERIFY(fallback.presets == FeederConfig::builtInPresets());

        QStringList ids;
        for (const FeederConfig::Preset& p : FeederConfig::builtInPresets())
            ids << p.id;
        QCOMPARE(ids, (QStringList{"adsb-lol", "airplanes-live", "adsb-fi", "adsbexchange"}));
        QCOMPARE(FeederConfig::builtInPreset(QStringLiteral("adsb-fi")), &FeederConfig::builtInPresets()[2]);
        QCOMPARE(FeederConfig::builtInPreset(QStringLiteral("unknown")), nullptr);
    }
};

QTEST_GUILESS_MAIN(TestFeederConfig)
#include "TestFeederConfig.moc"
