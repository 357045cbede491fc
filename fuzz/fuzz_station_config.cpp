// Arbitrary bytes as config.json, read the way the store reads its file but from memory: reading
// never fails, a file the store cannot read is marked to be kept aside before a save replaces it,
// and what a save writes reads back as the record it was written from (up to what the writer
// documents: a missing label is written as the id, and the example network goes into a file that
// never had a network list). The disk side of the store (the copy kept aside, the atomic write, the
// file's mode) is the store suite's: with an fsync per save, going through the disk would hold the
// fuzzer to a few hundred inputs a second.

#include "FuzzRequire.h"
#include "config/StationConfigFile.h"
#include "config/StationConfigStore.h"

#include <QJsonArray>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

using vireon::StationConfig;
using vireon::StationConfigFile;
using vireon::StationConfigStore;

using vireon::fuzz::require;

namespace {

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

// What save() writes, the record merged into the object the file held, reads back as the record and
// is where saving stops changing anything.
void checkSave(const StationConfig& config, const QJsonObject& raw)
{
    const QByteArray out = StationConfigFile::encode(StationConfigFile::merge(config, raw));

    const StationConfigStore::FileContents back = StationConfigStore::read(out);
    require(back.object.has_value() && !back.unreadable, "what we write is a JSON object");
    require(back.config == expectedAfterSave(config, raw), "the written file reads back as the record");
    require(StationConfigFile::encode(StationConfigFile::merge(back.config, *back.object)) == out,
            "saving again after a load changes nothing");
    // Where the record reads back as it was, saving it again is the save just checked.
    const bool templateAdded =
        config.extraConnectors.isEmpty() && !raw.contains(QStringLiteral("extraConnectors"));
    if (back.config != config && !templateAdded)
        require(StationConfigFile::encode(StationConfigFile::merge(config, *back.object)) == out,
                "saving twice without a load changes nothing");
}

void check(const QByteArray& bytes)
{
    const StationConfigStore::FileContents contents = StationConfigStore::read(bytes);
    if (contents.object) {
        checkSave(contents.config, *contents.object);
        return;
    }
    require(contents.unreadable || bytes.isEmpty(),
            "a file that reads as nothing is kept aside before a save replaces it");
    // Anything else saves the defaults into an empty object, the same save every time: most mutated
    // inputs are no JSON at all, and checking that save once keeps the fuzzer on the ones that are.
    static const bool defaultsChecked = (checkSave(StationConfig(), QJsonObject()), true);
    Q_UNUSED(defaultsChecked);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    check(QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    return 0;
}
