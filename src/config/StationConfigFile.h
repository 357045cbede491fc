#pragma once

#include "config/StationConfig.h"

#include <QByteArray>
#include <QJsonObject>
#include <optional>

namespace vireon {

// The mapping between StationConfig and the JSON object in config.json. Reading is forgiving: every
// malformed value falls back to its default on its own. Writing merges into the object last read,
// so keys this application does not know, and hand-written overrides it never writes, survive.
class StationConfigFile {
public:
    static StationConfig parse(const QJsonObject& object);
    static QJsonObject merge(const StationConfig& config, const QJsonObject& raw);

    // The disabled example network written when neither the record nor the file has any.
    static const QJsonObject& templateConnector();

    // File bytes to the top-level object; absent when they are not JSON (including invalid UTF-8)
    // or the top-level value is not an object.
    static std::optional<QJsonObject> decode(const QByteArray& bytes);
    // Pretty-printed, keys sorted; locale-independent number formatting.
    static QByteArray encode(const QJsonObject& object);
};

} // namespace vireon
