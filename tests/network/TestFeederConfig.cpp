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

// A document whose ingest is {"h", 30004, "p"}, with the given further members.
QByteArray withIngest(const QByteArray& rest = {})
{
    return json("{'ingest': {'host': 'h', 'port': 30004, 'protocol': 'p'}" +
                (rest.isEmpty() ? "" : ", " + rest) + "}");
}

} // namespace

class TestFeederConfig : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void acceptsDocumentsAsTheyStand_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<FeederConfig>("expected");
        using Presets = QList<FeederConfig::Preset>;
        const FeederConfig::Ingest in{"h", 30004, "p"};

        QTest::newRow("a document with only ingest has no presets and no links")
            << withIngest() << FeederConfig{in, std::nullopt, std::nullopt};
        QTest::newRow("an empty preset list stays present and empty")
            << withIngest("'presets': []") << FeederConfig{in, Presets{}, std::nullopt};
        QTest::newRow("null optional keys are absent like missing ones")
            << withIngest("'presets': [{'id': 'x', 'label': null, 'host': 'h', 'port': 1, 'protocol': 'p',"
                          " 'registrationURL': null}], 'links': {'liveMap': null}")
            << FeederConfig{in, Presets{{"x", std::nullopt, "h", 1, "p", std::nullopt}},
                            FeederConfig::Links{}};
        QTest::newRow(
            "ports out of range or written with a fraction and unknown keys are taken as they stand")
            << withIngest("'future': 1, 'presets': [{'id': 'a', 'label': 'A', 'host': 'h', 'port': 70000.0,"
                          " 'protocol': 'p', 'registrationURL': 'https://a.example/join', 'extra': [1]}],"
                          " 'links': {'liveMap': 'https://map.example/', 'other': 'not checked'}")
            << FeederConfig{in, Presets{{"a", "A", "h", 70000, "p", QUrl("https://a.example/join")}},
                            FeederConfig::Links{QUrl("https://map.example/"), std::nullopt, std::nullopt}};
    }

    void acceptsDocumentsAsTheyStand()
    {
        QFETCH(QByteArray, document);
        QFETCH(FeederConfig, expected);
        QCOMPARE(FeederConfig::decode(document), std::optional(expected));
    }

    void rejectsTheWholeDocument_data()
    {
        QTest::addColumn<QByteArray>("document");
        const auto port = [](const char* port) {
            return json("{'ingest': {'host': 'h', 'port': " + QByteArray(port) + ", 'protocol': 'p'}}");
        };

        QTest::newRow("when it is not JSON") << json("{'ingest': ");
        QTest::newRow("when ingest is missing") << json("{'presets': []}");
        QTest::newRow("when the port is a string") << port("'30004'");
        QTest::newRow("when the port has a fraction") << port("30004.5");
        QTest::newRow("when the port does not fit in 64 bits") << port("1e19");
        QTest::newRow("when the protocol is missing") << json("{'ingest': {'host': 'h', 'port': 1}}");
        QTest::newRow("when one preset among good ones lacks its id")
            << withIngest("'presets': [{'id': 'a', 'host': 'h', 'port': 1, 'protocol': 'p'},"
                          " {'host': 'h', 'port': 1, 'protocol': 'p'}]");
        QTest::newRow("when a registration page is the empty string") << withIngest(
            "'presets': [{'id': 'a', 'host': 'h', 'port': 1, 'protocol': 'p', 'registrationURL': ''}]");
        QTest::newRow("when a link is not a URL") << withIngest("'links': {'liveMap': 'https://a b'}");
    }

    void rejectsTheWholeDocument()
    {
        QFETCH(QByteArray, document);
        QVERIFY(!FeederConfig::decode(document).has_value());
    }
};

QTEST_GUILESS_MAIN(TestFeederConfig)
#include "TestFeederConfig.moc"
