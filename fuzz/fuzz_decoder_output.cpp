// Arbitrary standard-error bytes, cut into arbitrary chunks, through the line splitter and handler:
// nothing may crash, the unfinished line and the log stay bounded, and only watched connections
// get a health entry.
//
// Input layout: byte 0 picks how many of the sample connections are watched (0-3); then records of
// one length byte L followed by up to L bytes of output, each record fed as one chunk. A length of
// 255 feeds 64 KiB of the record's first byte instead, to reach the long-line limit quickly.

#include "decoder/DecoderOutputClassifier.h"
#include "decoder/LogRingBuffer.h"

#include <cstdint>
#include <cstdlib>

using namespace vireon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    static const QList<MonitoredConnector> samples{
        {"vireon", "Vireon", "feed.vireon.network", 30004, true},
        {"other", "Other", "127.0.0.1", 30005, false},
        {"named", "Named", "LocalHost", 30006, false},
    };
    LogRingBuffer log(500);
    DecoderOutputClassifier classifier(log);
    const QList<MonitoredConnector> watched = samples.mid(0, data[0] % 4);
    classifier.setConnectors(watched);
    classifier.resetHealth();

    size_t at = 1;
    while (at < size) {
        const size_t declared = data[at++];
        const size_t length = std::min(declared, size - at);
        if (declared == 255 && length > 0)
            classifier.feed(QByteArray(DecoderOutputClassifier::maxLineBytes, char(data[at])));
        else
            classifier.feed(QByteArrayView(reinterpret_cast<const char*>(data + at), qsizetype(length)));
        at += length;

        if (classifier.pendingBytes() >= DecoderOutputClassifier::maxLineBytes || log.lines().size() > 500)
            std::abort();
    }
    for (auto it = classifier.health().begin(); it != classifier.health().end(); ++it) {
        const bool isWatched = std::any_of(watched.begin(), watched.end(),
                                           [&](const MonitoredConnector& c) { return c.id == it.key(); });
        if (!isWatched)
            std::abort();
    }
    return 0;
}
