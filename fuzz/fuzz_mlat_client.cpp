// What mlat-client writes, as arbitrary bytes: its standard error cut into arbitrary chunks through
// the reader, and its stats file through the parser. Nothing may crash, the unfinished line and the
// log stay bounded, a refusal's reasons exist only while refused, and parsed figures are never
// negative percentages or non-finite numbers.
//
// Input layout: byte 0 picks whether the rest is a stats file (odd) or standard error (even); for
// standard error, records of one length byte L followed by up to L bytes, each fed as one chunk.

#include "decoder/LogRingBuffer.h"
#include "decoder/MlatOutputReader.h"
#include "decoder/MlatStats.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

using namespace vireon;

namespace {

void check(const std::optional<double>& percent)
{
    if (percent && (!std::isfinite(*percent) || *percent < 0))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    if (data[0] % 2 == 1) {
        const auto stats =
            MlatStats::parse(QByteArray(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1)));
        if (stats) {
            check(stats->goodSyncPercent);
            check(stats->badSyncPercent);
            check(stats->outlierPercent);
        }
        return 0;
    }

    LogRingBuffer log(200);
    MlatOutputReader reader(log);
    reader.reset(QStringLiteral("feed.example.net:31090"));
    size_t at = 1;
    while (at < size) {
        const size_t declared = data[at++];
        const size_t length = std::min(declared, size - at);
        reader.feed(QByteArray(reinterpret_cast<const char*>(data + at), qsizetype(length)));
        at += length;
        if (log.lines().size() > 200)
            std::abort();
        if (reader.link().phase != MlatLink::Phase::refused && !reader.link().refusal.isEmpty())
            std::abort();
    }
    reader.flush();
    for (const QString& line : log.lines()) {
        if (line.size() > 4096)
            std::abort();
    }
    return 0;
}
