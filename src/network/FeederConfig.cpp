#include "network/FeederConfig.h"

namespace vireon {
namespace {

const QString kFeedHost = QStringLiteral("feed.vireon.network");
const QString kBeastReduce = QStringLiteral("beast_reduce_plus_out");

FeederConfig::Preset preset(const char* id, const char* label, const char* host, const char* url)
{
    return FeederConfig::Preset{QString::fromLatin1(id),
                                QString::fromLatin1(label),
                                QString::fromLatin1(host),
                                30004,
                                kBeastReduce,
                                QUrl(QString::fromLatin1(url))};
}

} // namespace

const QList<FeederConfig::Preset>& FeederConfig::builtInPresets()
{
    static const QList<Preset> presets{
        preset("adsb-lol", "adsb.lol", "feed.adsb.lol", "https://adsb.lol"),
        preset("airplanes-live", "airplanes.live", "feed.airplanes.live", "https://airplanes.live/myfeed/"),
        preset("adsb-fi", "adsb.fi", "feed.adsb.fi", "https://adsb.fi"),
        preset("adsbexchange", "ADSBExchange", "feed1.adsbexchange.com",
               "https://www.adsbexchange.com/feed/"),
    };
    return presets;
}

const FeederConfig::Preset* FeederConfig::builtInPreset(const QString& id)
{
    for (const Preset& p : builtInPresets()) {
        if (p.id == id)
            return &p;
    }
    return nullptr;
}

const FeederConfig& FeederConfig::fallback()
{
    static const FeederConfig config{
        Ingest{kFeedHost, 30004, kBeastReduce},
        builtInPresets(),
        Links{QUrl(QStringLiteral("https://") + kFeedHost + QStringLiteral("/tar1090/")),
              QUrl(QStringLiteral("https://") + kFeedHost), QUrl(QStringLiteral("https://") + kFeedHost)},
    };
    return config;
}

} // namespace vireon
