// Arbitrary bytes as config.json: reading never fails, and what a save writes reads back as the
// record it was written from (up to what the writer documents: a missing label is written as the
// id, and the example network goes into a file that never had a network list).

#include "config/StationConfigFile.h"
#include "config/StationConfigStore.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

using vireon::StationConfig;
using vireon::StationConfigFile;
using vireon::StationConfigStore;

namespace {

void require(bool condition, const char* what)
{
    if (condition)
        return;
    std::fprintf(stderr, "property violated: %s\n", what);
    std::abort();
}

StationConfig expectedAfterSave(const StationConfig& config, const QJsonObject& raw)
{
    StationConfig expected = config;
    for (StationConfig::ExtraConnector& connector : expected.extraConnectors) {
        if (!connector.label)
            connector.label = connector.id;
    }
    if (config.extraConnectors.isEmpty() && !raw.contains(QStringLiteral("extraConnectors"))) {
        const QJsonObject withExample{
            {QStringLiteral("extraConnectors"), QJsonArray{StationConfigFile::templateConnector()}}};
        expected.extraConnectors = StationConfigFile::parse(withExample).extraConnectors;
    }
    return expected;
}

void checkRoundTrip(const QByteArray& bytes)
{
    const std::optional<QJsonObject> decoded = StationConfigFile::decode(bytes);
    const QJsonObject raw = decoded.value_or(QJsonObject());
    const StationConfig config = StationConfigFile::parse(raw);
    const QJsonObject written = StationConfigFile::merge(config, raw);
    const QByteArray out = StationConfigFile::encode(written);

    const std::optional<QJsonObject> back = StationConfigFile::decode(out);
    require(back.has_value(), "what we write is a JSON object");
    const StationConfig reread = StationConfigFile::parse(*back);
    require(reread == expectedAfterSave(config, raw), "the written file reads back as the record");
    require(StationConfigFile::encode(StationConfigFile::merge(reread, *back)) == out,
            "saving again after a load changes nothing");
    if (!config.extraConnectors.isEmpty() || raw.contains(QStringLiteral("extraConnectors")))
        require(StationConfigFile::encode(StationConfigFile::merge(config, *back)) == out,
                "saving twice without a load changes nothing");
}

void checkStore(const QByteArray& bytes)
{
    static QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("config.json"));
    {
        QFile file(path);
        require(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "test file writable");
        file.write(bytes);
    }
    const std::optional<QJsonObject> decoded = StationConfigFile::decode(bytes);
    StationConfigStore store(path);
    require(store.config() == StationConfigFile::parse(decoded.value_or(QJsonObject())),
            "store loads as parse");
    require(!store.save().has_value(), "save succeeds");

    QFile file(path);
    require(file.open(QIODevice::ReadOnly), "saved file readable");
    require(file.readAll() == StationConfigFile::encode(store.rawObject()), "saved bytes are the raw object");
    const QStringList copies =
        QDir(directory.path()).entryList({QStringLiteral("config.json.unreadable-*")}, QDir::Files);
    require(copies.size() == (!decoded && !bytes.isEmpty() ? 1 : 0),
            "exactly one copy of an unreadable file");
    for (const QString& copy : copies) {
        QFile kept(directory.filePath(copy));
        require(kept.open(QIODevice::ReadOnly) && kept.readAll() == bytes,
                "the copy holds the original bytes");
        kept.remove();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    checkRoundTrip(bytes);
    // The store's path is file I/O with an fsync, several times slower than the rest; one input in
    // sixteen (chosen by content, so a crash reproduces) keeps the fuzzer fast.
    if (qHash(bytes) % 16 == 0)
        checkStore(bytes);
    return 0;
}
