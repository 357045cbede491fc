#include "config/StationConfigFile.h"

#include "network/FeederConfig.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QJsonValue>
#include <QVariant>
#include <cmath>

namespace vireon {
namespace {

const QString kSchemaVersion = QStringLiteral("schemaVersion");
const QString kStation = QStringLiteral("station");
const QString kVireon = QStringLiteral("vireon");
const QString kExtraConnectors = QStringLiteral("extraConnectors");
const QString kLocalOutputs = QStringLiteral("localOutputs");
const QString kName = QStringLiteral("name");
const QString kLat = QStringLiteral("lat");
const QString kLon = QStringLiteral("lon");
const QString kGain = QStringLiteral("gain");
const QString kEnabled = QStringLiteral("enabled");
const QString kId = QStringLiteral("id");
const QString kLabel = QStringLiteral("label");
const QString kHost = QStringLiteral("host");
const QString kPort = QStringLiteral("port");
const QString kProtocol = QStringLiteral("protocol");
const QString kUuid = QStringLiteral("uuid");
const QString kBeastPort = QStringLiteral("beastPort");
const QString kJsonDir = QStringLiteral("jsonDir");
const QString kDefaultProtocol = QStringLiteral("beast_reduce_plus_out");
const QString kTemplateId = QStringLiteral("adsb-lol");

std::optional<double> doubleValue(const QJsonValue& value)
{
    if (!value.isDouble())
        return std::nullopt;
    return value.toDouble();
}

// Integers are kept exactly when the file spells them as integers; a fractional number is truncated
// toward zero. A number beyond the 64-bit range has no integer value, so it counts as malformed
// rather than being converted (which would be undefined behaviour).
std::optional<qint64> intValue(const QJsonValue& value)
{
    if (!value.isDouble())
        return std::nullopt;
    const QVariant variant = value.toVariant();
    if (variant.typeId() == QMetaType::LongLong)
        return variant.toLongLong();
    const double number = std::trunc(value.toDouble());
    constexpr double limit = 9223372036854775808.0; // 2^63, exactly representable
    if (!std::isfinite(number) || number < -limit || number >= limit)
        return std::nullopt;
    return static_cast<qint64>(number);
}

std::optional<QString> nonEmptyString(const QJsonValue& value)
{
    if (!value.isString())
        return std::nullopt;
    QString text = value.toString();
    if (text.isEmpty())
        return std::nullopt;
    return text;
}

// Only an array made entirely of objects counts; one stray element disqualifies the whole list.
std::optional<QJsonArray> arrayOfObjects(const QJsonValue& value)
{
    if (!value.isArray())
        return std::nullopt;
    QJsonArray array = value.toArray();
    for (const QJsonValue& element : array) {
        if (!element.isObject())
            return std::nullopt;
    }
    return array;
}

StationConfig::Station parseStation(const QJsonValue& value)
{
    StationConfig::Station station;
    if (!value.isObject())
        return station;
    const QJsonObject object = value.toObject();
    const QJsonValue name = object.value(kName);
    if (name.isString())
        station.name = name.toString();
    station.lat = doubleValue(object.value(kLat)).value_or(0);
    station.lon = doubleValue(object.value(kLon)).value_or(0);
    const QJsonValue gain = object.value(kGain);
    if (gain.isString())
        station.gain = gain.toString();
    else if (gain.isDouble())
        station.gain = QString::number(gain.toDouble(), 'f', 1); // always a full stop, whatever the locale
    return station;
}

StationConfig::Vireon parseVireon(const QJsonValue& value)
{
    StationConfig::Vireon vireon;
    if (!value.isObject())
        return vireon;
    const QJsonObject object = value.toObject();
    const QJsonValue enabled = object.value(kEnabled);
    if (enabled.isBool())
        vireon.enabled = enabled.toBool();
    vireon.host = nonEmptyString(object.value(kHost));
    vireon.port = intValue(object.value(kPort));
    vireon.protocolName = nonEmptyString(object.value(kProtocol));
    vireon.uuid = nonEmptyString(object.value(kUuid));
    return vireon;
}

QList<StationConfig::ExtraConnector> parseExtraConnectors(const QJsonValue& value)
{
    QList<StationConfig::ExtraConnector> connectors;
    const std::optional<QJsonArray> array = arrayOfObjects(value);
    if (!array)
        return connectors;
    for (qsizetype i = 0; i < array->size(); ++i) {
        const QJsonObject object = array->at(i).toObject();
        const std::optional<QString> host = nonEmptyString(object.value(kHost));
        const std::optional<qint64> port = intValue(object.value(kPort));
        if (!host || !port)
            continue;
        StationConfig::ExtraConnector connector;
        connector.id = nonEmptyString(object.value(kId)).value_or(QStringLiteral("connector-%1").arg(i));
        connector.label = nonEmptyString(object.value(kLabel));
        const QJsonValue enabled = object.value(kEnabled);
        connector.enabled = enabled.isBool() && enabled.toBool();
        connector.host = *host;
        connector.port = *port;
        connector.protocolName = nonEmptyString(object.value(kProtocol)).value_or(kDefaultProtocol);
        connector.uuid = nonEmptyString(object.value(kUuid));
        connectors.append(connector);
    }
    return connectors;
}

StationConfig::LocalOutputs parseLocalOutputs(const QJsonValue& value)
{
    StationConfig::LocalOutputs outputs;
    if (!value.isObject())
        return outputs;
    const QJsonObject object = value.toObject();
    outputs.beastPort = intValue(object.value(kBeastPort)).value_or(outputs.beastPort);
    outputs.jsonDir = nonEmptyString(object.value(kJsonDir)).value_or(outputs.jsonDir);
    return outputs;
}

QJsonObject objectOrEmpty(const QJsonValue& value)
{
    return value.isObject() ? value.toObject() : QJsonObject();
}

QJsonValue optionalString(const std::optional<QString>& text)
{
    return text ? QJsonValue(*text) : QJsonValue(QJsonValue::Null);
}

QJsonArray mergeExtraConnectors(const QList<StationConfig::ExtraConnector>& connectors, const QJsonValue& raw)
{
    // Elements are matched by id so that keys we do not know survive on connectors the user kept.
    QHash<QString, QJsonObject> byId;
    if (const std::optional<QJsonArray> array = arrayOfObjects(raw)) {
        for (const QJsonValue& element : *array) {
            const QJsonObject object = element.toObject();
            const QJsonValue id = object.value(kId);
            if (id.isString())
                byId.insert(id.toString(), object);
        }
    }

    QJsonArray merged;
    for (const StationConfig::ExtraConnector& connector : connectors) {
        QJsonObject object = byId.value(connector.id);
        object.insert(kId, connector.id);
        object.insert(kLabel, connector.label.value_or(connector.id));
        object.insert(kEnabled, connector.enabled);
        object.insert(kHost, connector.host);
        object.insert(kPort, connector.port);
        object.insert(kProtocol, connector.protocolName);
        object.insert(kUuid, optionalString(connector.uuid));
        merged.append(object);
    }
    return merged;
}

} // namespace

StationConfig StationConfigFile::parse(const QJsonObject& object)
{
    StationConfig config;
    config.station = parseStation(object.value(kStation));
    config.vireon = parseVireon(object.value(kVireon));
    config.extraConnectors = parseExtraConnectors(object.value(kExtraConnectors));
    config.localOutputs = parseLocalOutputs(object.value(kLocalOutputs));
    return config;
}

QJsonObject StationConfigFile::merge(const StationConfig& config, const QJsonObject& raw)
{
    QJsonObject result = raw;

    if (!result.contains(kSchemaVersion))
        result.insert(kSchemaVersion, 1);

    QJsonObject station = objectOrEmpty(raw.value(kStation));
    station.insert(kName, config.station.name);
    station.insert(kLat, config.station.lat);
    station.insert(kLon, config.station.lon);
    station.insert(kGain, config.station.gain);
    result.insert(kStation, station);

    // host, port and protocol are hand-edit overrides: whatever the file holds stays as it is.
    QJsonObject vireon = objectOrEmpty(raw.value(kVireon));
    vireon.insert(kEnabled, config.vireon.enabled);
    if (config.vireon.uuid)
        vireon.insert(kUuid, *config.vireon.uuid);
    else
        vireon.remove(kUuid);
    result.insert(kVireon, vireon);

    if (!config.extraConnectors.isEmpty() || raw.contains(kExtraConnectors)) {
        result.insert(kExtraConnectors,
                      mergeExtraConnectors(config.extraConnectors, raw.value(kExtraConnectors)));
    } else {
        const QJsonObject& example = templateConnector();
        result.insert(kExtraConnectors, example.isEmpty() ? QJsonArray() : QJsonArray{example});
    }

    // Hand-set local outputs win over the record, so only missing keys are filled in.
    QJsonObject outputs = objectOrEmpty(raw.value(kLocalOutputs));
    if (!outputs.contains(kBeastPort))
        outputs.insert(kBeastPort, config.localOutputs.beastPort);
    if (!outputs.contains(kJsonDir))
        outputs.insert(kJsonDir, config.localOutputs.jsonDir);
    result.insert(kLocalOutputs, outputs);

    return result;
}

const QJsonObject& StationConfigFile::templateConnector()
{
    static const QJsonObject example = [] {
        const FeederConfig::Preset* preset = FeederConfig::builtInPreset(kTemplateId);
        Q_ASSERT(preset);
        if (!preset)
            return QJsonObject();
        return QJsonObject{
            {kId, preset->id},
            {kLabel, preset->label.value_or(preset->id)},
            {kEnabled, false},
            {kHost, preset->host},
            {kPort, preset->port},
            {kProtocol, preset->protocolName},
            {kUuid, QJsonValue(QJsonValue::Null)},
        };
    }();
    return example;
}

std::optional<QJsonObject> StationConfigFile::decode(const QByteArray& bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

QByteArray StationConfigFile::encode(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

} // namespace vireon
