#include "network/FeederConfig.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QVariant>
#include <cmath>

namespace vireon {
namespace {

const QString feedHost = QStringLiteral("feed.vireon.network");
const QString beastReduceProtocol = QStringLiteral("beast_reduce_plus_out");

// Every built-in network runs its MLAT server on 31090, at the host its own feeder set-up names.
FeederConfig::Preset preset(const char* id, const char* label, const char* host, const char* url,
                            const char* mlatHost)
{
    return FeederConfig::Preset{QString::fromLatin1(id),
                                QString::fromLatin1(label),
                                QString::fromLatin1(host),
                                30004,
                                beastReduceProtocol,
                                QUrl(QString::fromLatin1(url)),
                                FeederConfig::MlatServer{QString::fromLatin1(mlatHost), 31090}};
}

bool isAbsent(const QJsonValue& value)
{
    return value.isUndefined() || value.isNull();
}

bool readString(const QJsonValue& value, QString& out)
{
    if (!value.isString())
        return false;
    out = value.toString();
    return true;
}

bool readInteger(const QJsonValue& value, qint64& out)
{
    if (!value.isDouble())
        return false;
    // The parser keeps whole numbers that fit in 64 bits exactly; everything else is a double,
    // which still counts when its value is whole and in range (converting it otherwise is UB).
    const QVariant exact = value.toVariant();
    if (exact.typeId() == QMetaType::LongLong) {
        out = exact.toLongLong();
        return true;
    }
    const double number = value.toDouble();
    constexpr double twoToThe63 = 9223372036854775808.0;
    if (!std::isfinite(number) || std::trunc(number) != number || number < -twoToThe63 ||
        number >= twoToThe63)
        return false;
    out = static_cast<qint64>(number);
    return true;
}

bool readOptionalString(const QJsonValue& value, std::optional<QString>& out)
{
    out.reset();
    if (isAbsent(value))
        return true;
    QString text;
    if (!readString(value, text))
        return false;
    out = text;
    return true;
}

// Strict parsing: a tolerant QUrl would percent-encode blanks and stray characters into something
// that merely looks valid, so text that is not a URL would turn into a link to nowhere.
bool readOptionalUrl(const QJsonValue& value, std::optional<QUrl>& out)
{
    out.reset();
    if (isAbsent(value))
        return true;
    QString text;
    if (!readString(value, text) || text.isEmpty())
        return false;
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid())
        return false;
    out = url;
    return true;
}

bool readMlat(const QJsonValue& value, std::optional<FeederConfig::MlatServer>& out)
{
    out.reset();
    if (isAbsent(value))
        return true;
    if (!value.isObject())
        return false;
    const QJsonObject object = value.toObject();
    FeederConfig::MlatServer server;
    if (!readString(object.value(QLatin1String("host")), server.host) ||
        !readInteger(object.value(QLatin1String("port")), server.port))
        return false;
    out = server;
    return true;
}

bool readIngest(const QJsonValue& value, FeederConfig::Ingest& out)
{
    if (!value.isObject())
        return false;
    const QJsonObject object = value.toObject();
    return readString(object.value(QLatin1String("host")), out.host) &&
           readInteger(object.value(QLatin1String("port")), out.port) &&
           readString(object.value(QLatin1String("protocol")), out.protocolName) &&
           readMlat(object.value(QLatin1String("mlat")), out.mlat);
}

bool readPreset(const QJsonValue& value, FeederConfig::Preset& out)
{
    if (!value.isObject())
        return false;
    const QJsonObject object = value.toObject();
    return readString(object.value(QLatin1String("id")), out.id) &&
           readOptionalString(object.value(QLatin1String("label")), out.label) &&
           readString(object.value(QLatin1String("host")), out.host) &&
           readInteger(object.value(QLatin1String("port")), out.port) &&
           readString(object.value(QLatin1String("protocol")), out.protocolName) &&
           readOptionalUrl(object.value(QLatin1String("registrationURL")), out.registrationUrl) &&
           readMlat(object.value(QLatin1String("mlat")), out.mlat);
}

bool readPresets(const QJsonValue& value, std::optional<QList<FeederConfig::Preset>>& out)
{
    out.reset();
    if (isAbsent(value))
        return true;
    if (!value.isArray())
        return false;
    const QJsonArray array = value.toArray();
    QList<FeederConfig::Preset> presets;
    presets.reserve(array.size());
    for (const QJsonValue& element : array) {
        FeederConfig::Preset preset;
        if (!readPreset(element, preset))
            return false;
        presets.append(preset);
    }
    out = presets;
    return true;
}

bool readLinks(const QJsonValue& value, std::optional<FeederConfig::Links>& out)
{
    out.reset();
    if (isAbsent(value))
        return true;
    if (!value.isObject())
        return false;
    const QJsonObject object = value.toObject();
    FeederConfig::Links links;
    if (!readOptionalUrl(object.value(QLatin1String("liveMap")), links.liveMap) ||
        !readOptionalUrl(object.value(QLatin1String("feederPage")), links.feederPage) ||
        !readOptionalUrl(object.value(QLatin1String("claimStation")), links.claimStation))
        return false;
    out = links;
    return true;
}

} // namespace

std::optional<FeederConfig> FeederConfig::decode(const QByteArray& document)
{
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(document, &error);
    if (error.error != QJsonParseError::NoError || !json.isObject())
        return std::nullopt;
    const QJsonObject object = json.object();
    FeederConfig config;
    if (!readIngest(object.value(QLatin1String("ingest")), config.ingest) ||
        !readPresets(object.value(QLatin1String("presets")), config.presets) ||
        !readLinks(object.value(QLatin1String("links")), config.links))
        return std::nullopt;
    return config;
}

const QList<FeederConfig::Preset>& FeederConfig::builtInPresets()
{
    static const QList<Preset> presets{
        preset("adsb-lol", "adsb.lol", "feed.adsb.lol", "https://adsb.lol", "feed.adsb.lol"),
        preset("airplanes-live", "airplanes.live", "feed.airplanes.live", "https://airplanes.live/myfeed/",
               "feed.airplanes.live"),
        preset("adsb-fi", "adsb.fi", "feed.adsb.fi", "https://adsb.fi", "feed.adsb.fi"),
        preset("adsbexchange", "ADSBExchange", "feed1.adsbexchange.com", "https://www.adsbexchange.com/feed/",
               "feed.adsbexchange.com"),
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
    // No MLAT server of the primary network's own is known until its document names one.
    static const FeederConfig config{
        Ingest{feedHost, 30004, beastReduceProtocol},
        builtInPresets(),
        Links{QUrl(QStringLiteral("https://") + feedHost + QStringLiteral("/tar1090/")),
              QUrl(QStringLiteral("https://") + feedHost), QUrl(QStringLiteral("https://") + feedHost)},
    };
    return config;
}

} // namespace vireon
