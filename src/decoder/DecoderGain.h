#pragma once

#include <QString>
#include <QStringList>

namespace vireon {

// What "--gain auto" means depends on the decoder: readsb 3.14 reads the word as a number, so "auto"
// would become 0 dB, its lowest gain, while releases from 2025 on read it as their own automatic
// gain. The decoder's --help says which it is.
struct DecoderGain {
    DecoderGain() = delete;

    // The gain that asks readsb 3.14 for the tuner's own automatic gain control.
    static inline const QString tunerAgc = QStringLiteral("-10");

    // Whether the help text's entry for --gain (its line and the lines that continue it) mentions
    // "auto", in any letter case. A help without a --gain entry does not.
    static bool helpOffersAutoGain(const QString& help);

    // The arguments as they are to be passed: a gain of exactly "auto" becomes tunerAgc for a
    // decoder that does not read "auto"; everything else passes unchanged.
    static QStringList passedArguments(const QStringList& arguments, bool decoderReadsAutoGain);
};

} // namespace vireon
