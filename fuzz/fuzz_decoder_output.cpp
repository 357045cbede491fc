// Arbitrary standard-error bytes, cut into arbitrary chunks, through the line splitter and handler:
// nothing may crash, the unfinished line and the log stay bounded, only watched connections get a
// health entry, and where the chunks were cut changes nothing: the same bytes in one piece leave
// the same log and the same verdicts.
//
// Input layout: byte 0 picks how many of the sample connections are watched (0-3, its low two
// bits), whether the outcome is compared with the stream fed in one piece (bit 2) and, with its
// four high bits all set, asks for a long line; then records of one length byte L followed by up to
// L bytes of output, each record fed as one chunk. With a long line, the first record of length 255
// reaches the long-line limit instead: '#' repeated up to S bytes short of 64 KiB, where S is its
// first byte, then the rest of the record. What follows the fill lands on the limit, so the fuzzer
// decides which bytes a cut meets (a character split there, a newline just before it), and what
// came before it puts any byte into the long line.
//
// Every line is scanned for every phrase, so the cost of an input is its lines: the comparison
// doubles it and is the fuzzer's choice, as is a long line, which costs fifteen ordinary inputs
// (and fresh pages for 128 KiB buffers). One long line per input at most, and only in one input in
// sixteen: when every length of 255 (a favourite byte of the mutator) made one, long lines took two
// thirds of the time and held the target to 3,000 inputs a second. The fill is a character no
// phrase contains, since a phrase's own letters repeated 64 KiB times make its search crawl a byte
// at a time and find nothing a '#' would not.

#include "FuzzRequire.h"
#include "decoder/DecoderOutputClassifier.h"
#include "decoder/LogRingBuffer.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace vireon;

using vireon::fuzz::require;

namespace {

constexpr qsizetype logCapacity = 500;

// The flapping window counts reports over time; one fixed instant keeps every run reproducible.
QDateTime fixedNow()
{
    static const QDateTime now = QDateTime::fromSecsSinceEpoch(1'800'000'000, Qt::UTC);
    return now;
}

struct Run {
    LogRingBuffer log{logCapacity};
    DecoderOutputClassifier classifier{log};

    explicit Run(const QList<MonitoredConnector>& watched)
    {
        classifier.setClock(fixedNow);
        classifier.setConnectors(watched);
        classifier.resetHealth();
    }
};

bool sameOutcome(const Run& a, const Run& b)
{
    const DecoderOutputClassifier& x = a.classifier;
    const DecoderOutputClassifier& y = b.classifier;
    return a.log == b.log && x.health() == y.health() && x.pendingBytes() == y.pendingBytes() &&
           x.lastConnectorError() == y.lastConnectorError() && x.pendingFailure() == y.pendingFailure() &&
           x.stickProblem() == y.stickProblem() && x.decoderVersion() == y.decoderVersion();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    static const QList<MonitoredConnector> samples{
        {"vireon", "Vireon", "feed.vireon.network", 30004, true},
        {"other", "Other", "127.0.0.1", 30005, false},
        {"named", "Named", "LocalHost", 30006, false},
    };
    const QList<MonitoredConnector> watched = samples.mid(0, data[0] % 4);
    Run chunked(watched);
    const bool compare = data[0] & 0x04;
    const bool longLine = (data[0] & 0xF0) == 0xF0;
    QByteArray stream;
    // Room for the fill only when there is one: a buffer that large comes from fresh pages.
    if (compare)
        stream.reserve(qsizetype(size) + (longLine ? DecoderOutputClassifier::maxLineBytes : 0));

    bool filled = false;
    size_t at = 1;
    while (at < size) {
        const size_t declared = data[at++];
        const size_t length = std::min(declared, size - at);
        QByteArray fill;
        QByteArrayView chunk(data + at, qsizetype(length));
        if (longLine && declared == 255 && length >= 1 && !filled) {
            fill = QByteArray(DecoderOutputClassifier::maxLineBytes - data[at], '#');
            fill.append(chunk.sliced(1));
            chunk = fill;
            filled = true;
        }
        at += length;
        chunked.classifier.feed(chunk);
        if (compare)
            stream.append(chunk);

        require(chunked.classifier.pendingBytes() < DecoderOutputClassifier::maxLineBytes,
                "an unfinished line stays below the limit");
        require(chunked.log.lines().size() <= logCapacity, "the log keeps its capacity");
    }
    for (auto it = chunked.classifier.health().begin(); it != chunked.classifier.health().end(); ++it) {
        const bool isWatched = std::any_of(watched.begin(), watched.end(),
                                           [&](const MonitoredConnector& c) { return c.id == it.key(); });
        require(isWatched, "only watched connections have health");
    }

    if (compare) {
        Run whole(watched);
        whole.classifier.feed(stream);
        require(sameOutcome(chunked, whole), "the chunking of the stream changes nothing");
    }
    return 0;
}
