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

const QByteArray kPrevious =
    json("{'ingest': {'host': 'previous.example', 'port': 1, 'protocol': 'beast_out'}}");
const char* kKey = FeederConfigProvider::cacheKey;

FeederConfig decoded(const QByteArray& document)
{
    return FeederConfig::decode(document).value_or(FeederConfig{});
}

} // namespace

class TestFeederConfigProvider : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_run = 0;
    std::unique_ptr<QSettings> m_defaults;
    std::unique_ptr<QNetworkAccessManager> m_network;
    std::unique_ptr<LoopbackHttpServer> m_server;
    std::unique_ptr<FeederConfigProvider> m_provider;

    // Waits for the refresh's own answer; the deadline only keeps a broken build from hanging.
    std::optional<FeederConfig> refreshOnce()
    {
        std::optional<FeederConfig> result;
        QEventLoop loop;
        m_provider->refresh(this, [&](const FeederConfig& config) {
            result = config;
            loop.quit();
        });
        QTimer::singleShot(60s, &loop, &QEventLoop::quit);
        loop.exec();
        return result;
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_defaults = std::make_unique<QSettings>(
            m_dir.filePath(QStringLiteral("defaults-%1.ini").arg(++m_run)), QSettings::IniFormat);
        m_network = std::make_unique<QNetworkAccessManager>();
        m_server = std::make_unique<LoopbackHttpServer>();
        QVERIFY(m_server->listen());
        m_provider = std::make_unique<FeederConfigProvider>(*m_defaults, *m_network);
        m_provider->setRemoteURL(m_server->url(QStringLiteral("/feeder-config.json")));
    }

    void cleanup()
    {
        m_provider.reset();
        m_server.reset();
        m_network.reset();
        m_defaults.reset();
    }

    void onlyA200WithADocumentReplacesTheCache_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("replacesCache");

        const QByteArray full =
            json("{\n  'future': true,\n  'ingest': {'host': 'new.example', 'port': 30004,"
                 " 'protocol': 'beast_reduce_plus_out', 'x': 1},\n  'presets': [{'id': 'p',"
                 " 'host': 'p.example', 'port': 30004, 'protocol': 'beast_out'}],\n"
                 "  'links': {'liveMap': 'https://new.example/map/'}\n}\n");
        const QByteArray ingestOnly =
            json("{'ingest':{'host':'new.example','port':30004,'protocol':'beast_out'}}");
        QTest::newRow("a full document is returned and cached byte for byte") << 200 << full << true;
        QTest::newRow("a document with only ingest is cached") << 200 << ingestOnly << true;
        QTest::newRow("a document with no presets is cached")
            << 200 << json("{'presets': [], 'ingest': {'host': 'h', 'port': 2, 'protocol': 'p'}}") << true;
        QTest::newRow("invalid JSON leaves the cache alone") << 200 << json("{'ingest'") << false;
        QTest::newRow("a document without ingest leaves the cache alone")
            << 200 << json("{'presets': []}") << false;
        QTest::newRow("an empty registration page leaves the cache alone")
            << 200
            << json("{'ingest': {'host': 'h', 'port': 2, 'protocol': 'p'}, 'presets': [{'id': 'a',"
                    " 'host': 'h', 'port': 1, 'protocol': 'p', 'registrationURL': ''}]}")
            << false;
        QTest::newRow("a 204 leaves the cache alone") << 204 << QByteArray() << false;
        QTest::newRow("a 304 leaves the cache alone") << 304 << QByteArray() << false;
        QTest::newRow("a 500 with a valid document leaves the cache alone") << 500 << ingestOnly << false;
        QTest::newRow("a 203 with a valid document leaves the cache alone") << 203 << ingestOnly << false;
        QTest::newRow("an oversized document leaves the cache alone")
            << 200
            << json("{'ingest': {'host': 'h', 'port': 2, 'protocol': 'p'}, 'pad': '" +
                    QByteArray(FeederConfigProvider::maximumDocumentBytes, 'x') + "'}")
            << false;
    }

    void onlyA200WithADocumentReplacesTheCache()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, replacesCache);
        m_defaults->setValue(kKey, kPrevious);
        m_server->respond(status, body);

        const std::optional<FeederConfig> result = refreshOnce();

        QVERIFY(result.has_value());
        QCOMPARE(m_server->requestCount(), 1);
        QCOMPARE(m_server->lastPath(), QStringLiteral("/feeder-config.json"));
        const QByteArray expectedCache = replacesCache ? body : kPrevious;
        QCOMPARE(m_defaults->value(kKey).toByteArray(), expectedCache);
        QVERIFY(*result == decoded(expectedCache));
        QVERIFY(m_provider->currentConfig() == *result);
    }

    void unreachableServerGivesTheFallback()
    {
        m_server->close();
        bool calledInline = true;
        m_provider->refresh(this, [&](const FeederConfig&) { calledInline = false; });
        QVERIFY(calledInline);

        const std::optional<FeederConfig> result = refreshOnce();
        QVERIFY(result.has_value());
        QVERIFY(*result == FeederConfig::fallback());
        QCOMPARE(result->presets->size(), 4);
        QVERIFY(result->links->liveMap && result->links->feederPage && result->links->claimStation);
        QVERIFY(!m_defaults->contains(kKey));
    }

    void silentServerTimesOutToTheCache()
    {
        m_defaults->setValue(kKey, kPrevious);
        m_server->setSilent(true);
        m_provider->setTransferTimeout(200ms);

        const std::optional<FeederConfig> result = refreshOnce();

        QVERIFY(result.has_value());
        QCOMPARE(m_server->requestCount(), 1);
        QVERIFY(*result == decoded(kPrevious));
    }

    void requestSkipsALocalCacheThatWouldAnswer()
    {
        auto* cache = new QNetworkDiskCache(m_network.get());
        cache->setCacheDirectory(m_dir.filePath(QStringLiteral("http-cache")));
        m_network->setCache(cache);
        m_server->respond(200, kPrevious, {{"Cache-Control", "max-age=3600"}});
        const QNetworkRequest plain(m_server->url(QStringLiteral("/feeder-config.json")));
        for (int i = 0; i < 2; ++i) {
            QNetworkReply* reply = m_network->get(plain);
            QSignalSpy finished(reply, &QNetworkReply::finished);
            QVERIFY(finished.wait());
            reply->deleteLater();
        }
        QCOMPARE(m_server->requestCount(), 1); // the cache answers an ordinary request

        QVERIFY(refreshOnce().has_value());
        QCOMPARE(m_server->requestCount(), 2);
    }

    void undecodableCacheYieldsTheFallbackAndStays()
    {
        m_defaults->setValue(kKey, QByteArray("{\"ingest\": 1}"));
        QVERIFY(m_provider->currentConfig() == FeederConfig::fallback());
        QCOMPARE(m_defaults->value(kKey).toByteArray(), QByteArray("{\"ingest\": 1}"));
    }

    void destroyedContextDropsTheAnswerButNotTheCache()
    {
        m_server->respond(200, kPrevious);
        QSignalSpy finished(m_network.get(), &QNetworkAccessManager::finished);
        bool called = false;
        auto* context = new QObject;
        m_provider->refresh(context, [&](const FeederConfig&) { called = true; });
        delete context;

        QVERIFY(finished.wait());
        QCoreApplication::processEvents();
        QVERIFY(!called);
        QCOMPARE(m_defaults->value(kKey).toByteArray(), kPrevious);
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

QTEST_GUILESS_MAIN(TestFeederConfigProvider)
#include "TestFeederConfigProvider.moc"
