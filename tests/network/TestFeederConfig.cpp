// The published feeder document: which documents are taken as they stand and which are refused
// whole, and how the provider fetches it, keeps the last good copy and falls back.
#include "network/FeederConfigProvider.h"
#include "support/LoopbackHttpServer.h"

#include <QNetworkAccessManager>
#include <QNetworkDiskCache>
#include <QNetworkReply>
#include <QSettings>
#include <QtTest>

using namespace std::chrono_literals;
using vireon::FeederConfig;
using vireon::FeederConfigProvider;
using vireon::test::LoopbackHttpServer;

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

const QByteArray previousDocument =
    json("{'ingest': {'host': 'previous.example', 'port': 1, 'protocol': 'p'}}");
const char* stationKey = FeederConfigProvider::cacheKey;

} // namespace

class TestFeederConfig : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_run = 0;
    std::unique_ptr<QSettings> m_defaults;
    std::unique_ptr<QNetworkAccessManager> m_network;
    std::unique_ptr<LoopbackHttpServer> m_server;
    std::unique_ptr<FeederConfigProvider> m_provider;

    // Waits for the refresh's own answer, which must never come from inside refresh() itself; the
    // deadline only keeps a broken build from hanging.
    std::optional<FeederConfig> refreshOnce()
    {
        std::optional<FeederConfig> result;
        m_provider->refresh(this, [&](const FeederConfig& config) { result = config; });
        return !result && QTest::qWaitFor([&] { return result.has_value(); }, 60000) ? result : std::nullopt;
    }

private Q_SLOTS:
    void init()
    {
        m_provider.reset(); // before what it refers to
        m_defaults =
            std::make_unique<QSettings>(m_dir.filePath(QString::number(++m_run)), QSettings::IniFormat);
        m_network = std::make_unique<QNetworkAccessManager>();
        m_server = std::make_unique<LoopbackHttpServer>();
        QVERIFY(m_server->listen());
        m_provider = std::make_unique<FeederConfigProvider>(*m_defaults, *m_network);
        m_provider->setRemoteUrl(m_server->url("/feeder-config.json"));
    }

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
        QTest::newRow("MLAT servers on the ingest and on a preset")
            << json("{'ingest': {'host': 'h', 'port': 30004, 'protocol': 'p', 'mlat': {'host': 'm', 'port': "
                    "31090}},"
                    " 'presets': [{'id': 'a', 'host': 'h', 'port': 1, 'protocol': 'p', 'mlat': {'host': 'ma',"
                    " 'port': 31090}}, {'id': 'b', 'host': 'h', 'port': 1, 'protocol': 'p', 'mlat': null}]}")
            << FeederConfig{FeederConfig::Ingest{"h", 30004, "p", FeederConfig::MlatServer{"m", 31090}},
                            Presets{{"a", std::nullopt, "h", 1, "p", std::nullopt,
                                     FeederConfig::MlatServer{"ma", 31090}},
                                    {"b", std::nullopt, "h", 1, "p", std::nullopt}},
                            std::nullopt};
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
        QTest::newRow("when an MLAT server lacks its port")
            << json("{'ingest': {'host': 'h', 'port': 1, 'protocol': 'p', 'mlat': {'host': 'm'}}}");
        QTest::newRow("when a preset's MLAT server is not an object") << withIngest(
            "'presets': [{'id': 'a', 'host': 'h', 'port': 1, 'protocol': 'p', 'mlat': 'm:31090'}]");
    }

    void rejectsTheWholeDocument()
    {
        QFETCH(QByteArray, document);
        QVERIFY(!FeederConfig::decode(document).has_value());
    }

    void onlyA200WithADocumentReplacesTheCache_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("replacesCache");
        const auto doc = [](const QByteArray& rest) {
            return json("{'ingest': {'host': 'new.example', 'port': 2, 'protocol': 'p'}" + rest + "}");
        };

        QTest::newRow("a full document is returned and cached byte for byte")
            << 200
            << doc(",\n 'future': true, 'presets': [{'id': 'a', 'host': 'h', 'port': 1, 'protocol': 'p'}]\n")
            << true;
        QTest::newRow("invalid JSON leaves the cache alone") << 200 << json("{'ingest'") << false;
        QTest::newRow("a 500 with a valid document leaves the cache alone") << 500 << doc("") << false;
        QTest::newRow("a 203 with a valid document leaves the cache alone") << 203 << doc("") << false;
        const QByteArray pad(FeederConfigProvider::maximumDocumentBytes, 'x');
        QTest::newRow("an oversized document leaves the cache alone")
            << 200 << doc(", 'pad': '" + pad + "'") << false;
    }

    void onlyA200WithADocumentReplacesTheCache()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, replacesCache);
        m_defaults->setValue(stationKey, previousDocument);
        m_server->respond(status, body);

        const std::optional<FeederConfig> result = refreshOnce();
        const QByteArray expectedCache = replacesCache ? body : previousDocument;
        QCOMPARE(m_defaults->value(stationKey).toByteArray(), expectedCache);
        QVERIFY(result && result == FeederConfig::decode(expectedCache));
    }

    void aRefusedConnectionWithAnUndecodableCacheGivesTheFallbackAndKeepsTheCache()
    {
        const QByteArray garbage = json("{'ingest': 1}");
        m_defaults->setValue(stationKey, garbage);
        m_server->close();
        QVERIFY(refreshOnce() == FeederConfig::fallback());
        QCOMPARE(m_defaults->value(stationKey).toByteArray(), garbage);
    }

    void aSilentServerTimesOutToTheCache()
    {
        m_defaults->setValue(stationKey, previousDocument);
        m_server->setSilent(true);
        m_provider->setTransferTimeout(200ms);
        QVERIFY(refreshOnce() == FeederConfig::decode(previousDocument));
        QCOMPARE(m_server->requestCount(), 1);
    }

    void aLocalHttpCacheThatWouldAnswerIsBypassed()
    {
        auto* cache = new QNetworkDiskCache(m_network.get());
        cache->setCacheDirectory(m_dir.filePath("http-cache"));
        m_network->setCache(cache);
        m_server->respond(200, previousDocument, {{"Cache-Control", "max-age=3600"}});
        const QNetworkRequest plain(m_server->url("/feeder-config.json"));
        for (int i = 0; i < 2; ++i) // the replies belong to the manager
            QVERIFY(QSignalSpy(m_network->get(plain), &QNetworkReply::finished).wait());
        QCOMPARE(m_server->requestCount(), 1); // the cache answers an ordinary request

        QVERIFY(refreshOnce());
        QCOMPARE(m_server->requestCount(), 2);
    }

    void aDestroyedContextDropsTheAnswerButNotTheCache()
    {
        m_server->respond(200, previousDocument);
        bool called = false;
        auto context = std::make_unique<QObject>();
        m_provider->refresh(context.get(), [&](const FeederConfig&) { called = true; });
        context.reset();
        QTRY_COMPARE(m_defaults->value(stationKey).toByteArray(), previousDocument);
        QCoreApplication::processEvents();
        QVERIFY(!called);
    }

    void destroyingTheProviderCancelsPendingRefreshes()
    {
        m_server->setSilent(true);
        bool called = false;
        m_provider->refresh(this, [&](const FeederConfig&) { called = true; });
        QTRY_COMPARE(m_server->requestCount(), 1);
        m_provider.reset();
        QCoreApplication::processEvents();
        QVERIFY(!called);
    }
};

QTEST_GUILESS_MAIN(TestFeederConfig)
#include "TestFeederConfig.moc"
