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

const QString schemaVersionKey = QStringLiteral("schemaVersion");
const QString stationKey = QStringLiteral("station");
const QString vireonKey = QStringLiteral("vireon");
const QString extraConnectorsKey = QStringLiteral("extraConnectors");
const QString localOutputsKey = QStringLiteral("localOutputs");
const QString nameKey = QStringLiteral("name");
const QString latKey = QStringLiteral("lat");
const QString lonKey = QStringLiteral("lon");
const QString gainKey = QStringLiteral("gain");
const QString altKey = QStringLiteral("alt");
const QString mlatKey = QStringLiteral("mlat");
const QString mlatPrivacyKey = QStringLiteral("mlatPrivacy");
const QString mlatServerKey = QStringLiteral("mlatServer");
const QString enabledKey = QStringLiteral("enabled");
const QString idKey = QStringLiteral("id");
const QString labelKey = QStringLiteral("label");
const QString hostKey = QStringLiteral("host");
const QString portKey = QStringLiteral("port");
const QString protocolKey = QStringLiteral("protocol");
const QString uuidKey = QStringLiteral("uuid");
const QString beastPortKey = QStringLiteral("beastPort");
const QString jsonDirKey = QStringLiteral("jsonDir");
const QString defaultProtocol = QStringLiteral("beast_reduce_plus_out");
const QString templateId = QStringLiteral("adsb-lol");

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

bool boolOr(const QJsonValue& value, bool fallback)
{
    return value.isBool() ? value.toBool() : fallback;
}

// The altitude as mlat-client takes it: a finite number of metres; anything else is "not set".
std::optional<double> altitudeValue(const QJsonValue& value)
{
    const std::optional<double> metres = doubleValue(value);
    if (!metres || !std::isfinite(*metres))
        return std::nullopt;
    return metres;
}

std::optional<FeederConfig::MlatServer> mlatServerValue(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const std::optional<QString> host = nonEmptyString(object.value(hostKey));
    const std::optional<qint64> port = intValue(object.value(portKey));
    if (!host || !port)
        return std::nullopt;
    return FeederConfig::MlatServer{*host, *port};
}

StationConfig::Station parseStation(const QJsonValue& value)
{
    StationConfig::Station station;
    if (!value.isObject())
        return station;
    const QJsonObject object = value.toObject();
    const QJsonValue name = object.value(nameKey);
    if (name.isString())
        station.name = name.toString();
    station.lat = doubleValue(object.value(latKey)).value_or(0);
    station.lon = doubleValue(object.value(lonKey)).value_or(0);
    const QJsonValue gain = object.value(gainKey);
    if (gain.isString())
        station.gain = gain.toString();
    else if (gain.isDouble())
        station.gain = QString::number(gain.toDouble(), 'f', 1); // always a full stop, whatever the locale
    station.alt = altitudeValue(object.value(altKey));
    return station;
}

StationConfig::Vireon parseVireon(const QJsonValue& value)
{
    StationConfig::Vireon vireon;
    if (!value.isObject())
        return vireon;
    const QJsonObject object = value.toObject();
    const QJsonValue enabled = object.value(enabledKey);
    if (enabled.isBool())
        vireon.enabled = enabled.toBool();
    vireon.host = nonEmptyString(object.value(hostKey));
    vireon.port = intValue(object.value(portKey));
    vireon.protocolName = nonEmptyString(object.value(protocolKey));
    vireon.uuid = nonEmptyString(object.value(uuidKey));
    vireon.mlat = boolOr(object.value(mlatKey), vireon.mlat);
    vireon.mlatPrivacy = boolOr(object.value(mlatPrivacyKey), vireon.mlatPrivacy);
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
        const std::optional<QString> host = nonEmptyString(object.value(hostKey));
        const std::optional<qint64> port = intValue(object.value(portKey));
        if (!host || !port)
            continue;
        StationConfig::ExtraConnector connector;
        connector.id = nonEmptyString(object.value(idKey)).value_or(QStringLiteral("connector-%1").arg(i));
        connector.label = nonEmptyString(object.value(labelKey));
        const QJsonValue enabled = object.value(enabledKey);
        connector.enabled = enabled.isBool() && enabled.toBool();
        connector.host = *host;
        connector.port = *port;
        connector.protocolName = nonEmptyString(object.value(protocolKey)).value_or(defaultProtocol);
        connector.uuid = nonEmptyString(object.value(uuidKey));
        connector.mlat = boolOr(object.value(mlatKey), connector.mlat);
        connector.mlatPrivacy = boolOr(object.value(mlatPrivacyKey), connector.mlatPrivacy);
        connector.mlatServer = mlatServerValue(object.value(mlatServerKey));
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
    outputs.beastPort = intValue(object.value(beastPortKey)).value_or(outputs.beastPort);
    outputs.jsonDir = nonEmptyString(object.value(jsonDirKey)).value_or(outputs.jsonDir);
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

// A switch at its default is written only where the file already names it, so files stay as small
// as they were, and a hand-written value the user has since changed back is still replaced.
void insertSwitch(QJsonObject& object, const QString& key, bool value, bool byDefault)
{
    if (value != byDefault || object.contains(key))
        object.insert(key, value);
}

QJsonArray mergeExtraConnectors(const QList<StationConfig::ExtraConnector>& connectors, const QJsonValue& raw)
{
    // Elements are matched by id so that keys we do not know survive on connectors the user kept.
    QHash<QString, QJsonObject> byId;
    if (const std::optional<QJsonArray> array = arrayOfObjects(raw)) {
        for (const QJsonValue& element : *array) {
            const QJsonObject object = element.toObject();
            const QJsonValue id = object.value(idKey);
            if (id.isString())
                byId.insert(id.toString(), object);
        }
    }

    QJsonArray merged;
    for (const StationConfig::ExtraConnector& connector : connectors) {
        QJsonObject object = byId.value(connector.id);
        object.insert(idKey, connector.id);
        object.insert(labelKey, connector.label.value_or(connector.id));
        object.insert(enabledKey, connector.enabled);
        object.insert(hostKey, connector.host);
        object.insert(portKey, connector.port);
        object.insert(protocolKey, connector.protocolName);
        object.insert(uuidKey, optionalString(connector.uuid));
        insertSwitch(object, mlatKey, connector.mlat, true);
        insertSwitch(object, mlatPrivacyKey, connector.mlatPrivacy, false);
        if (connector.mlatServer)
            object.insert(mlatServerKey, QJsonObject{{hostKey, connector.mlatServer->host},
                                                     {portKey, connector.mlatServer->port}});
        else
            object.remove(mlatServerKey);
        merged.append(object);
    }
    return merged;
}

} // namespace

StationConfig StationConfigFile::parse(const QJsonObject& object)
{
    StationConfig config;
    config.station = parseStation(object.value(stationKey));
    config.vireon = parseVireon(object.value(vireonKey));
    config.extraConnectors = parseExtraConnectors(object.value(extraConnectorsKey));
    config.localOutputs = parseLocalOutputs(object.value(localOutputsKey));
    return config;
}

QJsonObject StationConfigFile::merge(const StationConfig& config, const QJsonObject& raw)
{
    QJsonObject result = raw;

    if (!result.contains(schemaVersionKey))
        result.insert(schemaVersionKey, 1);

    QJsonObject station = objectOrEmpty(raw.value(stationKey));
    station.insert(nameKey, config.station.name);
    station.insert(latKey, config.station.lat);
    station.insert(lonKey, config.station.lon);
    station.insert(gainKey, config.station.gain);
    if (config.station.alt)
        station.insert(altKey, *config.station.alt);
    else
        station.remove(altKey);
    result.insert(stationKey, station);

    // host, port and protocol are hand-edit overrides: whatever the file holds stays as it is.
    QJsonObject vireon = objectOrEmpty(raw.value(vireonKey));
    vireon.insert(enabledKey, config.vireon.enabled);
    insertSwitch(vireon, mlatKey, config.vireon.mlat, true);
    insertSwitch(vireon, mlatPrivacyKey, config.vireon.mlatPrivacy, false);
    if (config.vireon.uuid)
        vireon.insert(uuidKey, *config.vireon.uuid);
    else
        vireon.remove(uuidKey);
    result.insert(vireonKey, vireon);

    if (!config.extraConnectors.isEmpty() || raw.contains(extraConnectorsKey)) {
        result.insert(extraConnectorsKey,
                      mergeExtraConnectors(config.extraConnectors, raw.value(extraConnectorsKey)));
    } else {
        const QJsonObject& example = templateConnector();
        result.insert(extraConnectorsKey, example.isEmpty() ? QJsonArray() : QJsonArray{example});
    }

    // Hand-set local outputs win over the record, so only missing keys are filled in.
    QJsonObject outputs = objectOrEmpty(raw.value(localOutputsKey));
    if (!outputs.contains(beastPortKey))
        outputs.insert(beastPortKey, config.localOutputs.beastPort);
    if (!outputs.contains(jsonDirKey))
        outputs.insert(jsonDirKey, config.localOutputs.jsonDir);
    result.insert(localOutputsKey, outputs);

    return result;
}

const QJsonObject& StationConfigFile::templateConnector()
{
    static const QJsonObject example = [] {
        const FeederConfig::Preset* preset = FeederConfig::builtInPreset(templateId);
        Q_ASSERT(preset);
        if (!preset)
            return QJsonObject();
        return QJsonObject{
            {idKey, preset->id},
            {labelKey, preset->label.value_or(preset->id)},
            {enabledKey, false},
            {hostKey, preset->host},
            {portKey, preset->port},
            {protocolKey, preset->protocolName},
            {uuidKey, QJsonValue(QJsonValue::Null)},
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
