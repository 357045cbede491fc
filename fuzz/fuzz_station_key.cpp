// Arbitrary text through the station key normaliser. The key field normalises at every keystroke
// and shows the result, so the next keystroke normalises what the last one stored: a second pass
// must leave a key as it is, or the field would change under the user's hands. A key comes back
// trimmed and never empty, text without the marker is its own key, and a key pasted back as the
// whole connector line it came from comes back unchanged.
//
// Input layout: byte 0 says how the rest becomes text: even as UTF-8, odd as raw UTF-16 code units
// (lone surrogates and all, as a paste can bring them).

#include "FuzzRequire.h"
#include "config/StationConfig.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using vireon::StationConfig;

using vireon::fuzz::require;

namespace {

QString textFrom(const uint8_t* data, size_t size)
{
    const auto* bytes = reinterpret_cast<const char*>(data);
    if (data[0] % 2 == 0)
        return QString::fromUtf8(bytes + 1, qsizetype(size - 1));
    QString text((size - 1) / 2, Qt::Uninitialized);
    std::memcpy(text.data(), bytes + 1, size_t(text.size()) * sizeof(char16_t));
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    static const QString marker = QStringLiteral("uuid=");
    const QString text = textFrom(data, size);
    const std::optional<QString> key = StationConfig::normalizeStationKey(text);
    if (!key) {
        if (!text.contains(marker))
            require(text.trimmed().isEmpty(), "text without the marker is its own key unless blank");
        return 0;
    }
    require(!key->isEmpty() && key->trimmed() == *key, "a key is trimmed and never empty");
    if (!text.contains(marker))
        require(*key == text.trimmed(), "text without the marker is its own key");

    // Text that names the marker twice ("uuid=uuid=K") keeps the second one in its key, since the
    // first one is the one looked for; every other key is final.
    if (key->contains(marker))
        return 0;
    require(StationConfig::normalizeStationKey(*key) == key, "normalising a key again keeps it");
    if (!key->contains(QLatin1Char(','))) {
        const QString line = QStringLiteral("feed.example.net,30004,beast_reduce_plus_out,uuid=") + *key +
                             QStringLiteral(",timeout=5");
        require(StationConfig::normalizeStationKey(line) == key,
                "a key pasted as a connector line comes back");
    }
    return 0;
}
