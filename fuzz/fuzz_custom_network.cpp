// Arbitrary entries in the "Add a network" form. Whatever is typed: "Add" is offered exactly when a
// connector comes out, and exactly for a valid host, a whole port number from 1 to 65535 and an
// empty or valid key; the connector carries what was typed under the documented id
// ("custom-" + host in lower case + "-" + port); the decoder's command line takes it as it is, one
// --net-connector whose fields are the form's; and adding it replaces the first connector with its
// id or joins the end, once, leaving every other connector and setting alone. A key the form warns
// about is one it could add, and the warning is the one the network's row shows once it is added.
//
// Input layout: byte 0 picks the protocol from the form's choices; byte 1 says how many connectors
// with the new one's id the list already holds (0-2, its value mod 3) and where they stand; then
// NUL-separated texts: label, host, port, UUID, then the ids of the connectors already in the list.

#include "FuzzRequire.h"
#include "app/NetworkEdits.h"
#include "decoder/KeyTransmission.h"
#include "decoder/ReadsbCommand.h"
#include "presentation/networks/CustomNetworkInput.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <variant>

using vireon::CustomNetworkInput;
using vireon::FeederConfig;
using vireon::KeyTransmission;
using vireon::NetworkEdits;
using vireon::ReadsbCommand;
using vireon::StationConfig;

using vireon::fuzz::require;

namespace {

// The port rule as the form states it, worked out here digit by digit rather than with its own parser.
std::optional<qint64> wholePort(const QString& text)
{
    qsizetype at = text.startsWith(u'+') || text.startsWith(u'-') ? 1 : 0;
    if (at == text.size())
        return std::nullopt;
    qint64 value = 0;
    for (; at < text.size(); ++at) {
        const char16_t c = text.at(at).unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = std::min<qint64>(value * 10 + (c - u'0'), 1'000'000);
    }
    if (text.startsWith(u'-'))
        value = -value;
    return value >= 1 && value <= 65535 ? std::optional<qint64>(value) : std::nullopt;
}

StationConfig::ExtraConnector existing(const QString& id, qint64 port)
{
    return {id,          id, false, QStringLiteral("existing.example"), port, QStringLiteral("beast_out"),
            std::nullopt};
}

void checkCommandLine(const StationConfig::ExtraConnector& connector)
{
    StationConfig config;
    config.vireon.enabled = false;
    config.extraConnectors = {connector};
    const auto arguments =
        ReadsbCommand::arguments(config, FeederConfig::Ingest(), QStringLiteral("/tmp/json"));
    require(std::holds_alternative<QStringList>(arguments),
            "the decoder's command line takes what the form adds");
    const QStringList& list = std::get<QStringList>(arguments);
    require(list.count(QStringLiteral("--net-connector")) == 1, "one connector on the command line");
    const QStringList fields = list.at(list.indexOf(QStringLiteral("--net-connector")) + 1).split(u',');
    QStringList expected{connector.host, QString::number(connector.port), connector.protocolName};
    if (connector.uuid)
        expected << QStringLiteral("uuid=") + *connector.uuid;
    require(fields == expected, "the connector's fields reach the decoder as typed, one field each");
    const QStringList logged = KeyTransmission::launchLogLines(list, {});
    require(logged.size() == (KeyTransmission::extraWarning(connector) ? 1 : 0),
            "the launch logs the key's warning once, read back from the command line");
}

void checkAdded(const StationConfig& before, const StationConfig::ExtraConnector& connector)
{
    const StationConfig after = NetworkEdits::withAdded(before, connector);
    const QList<StationConfig::ExtraConnector>& old = before.extraConnectors;
    const QList<StationConfig::ExtraConnector>& now = after.extraConnectors;
    qsizetype place = -1;
    for (qsizetype i = 0; i < old.size() && place < 0; ++i) {
        if (old.at(i).id == connector.id)
            place = i;
    }
    require(now.size() == old.size() + (place < 0 ? 1 : 0), "adding replaces or appends one connector");
    if (place < 0)
        place = old.size();
    for (qsizetype i = 0; i < now.size(); ++i)
        require(i == place ? now.at(i) == connector : now.at(i) == old.at(i),
                "the connector takes the first place with its id, every other one stays");
    StationConfig rest = after;
    rest.extraConnectors = before.extraConnectors;
    require(rest == before, "adding a network changes nothing but the list");
    require(NetworkEdits::withAdded(after, connector) == after,
            "adding the same network twice changes nothing");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    static const QStringList protocols = CustomNetworkInput::protocolChoices();
    const QList<QByteArray> texts =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data + 2), qsizetype(size - 2)).split('\0');
    const auto text = [&](qsizetype i) {
        return i < texts.size() ? QString::fromUtf8(texts.at(i)) : QString();
    };

    CustomNetworkInput form;
    form.protocolName = protocols.at(data[0] % protocols.size());
    form.label = text(0);
    form.host = text(1);
    form.port = text(2);
    form.uuid = text(3);

    const std::optional<StationConfig::ExtraConnector> connector = form.connector();
    require(form.canAdd() == connector.has_value(), "Add is offered exactly when there is a connector");
    require(!connector || !form.problem(), "nothing to complain about in what can be added");
    const bool acceptable = ReadsbCommand::isValidHost(form.host) && wholePort(form.port) &&
                            (form.uuid.isEmpty() || ReadsbCommand::isValidUuid(form.uuid));
    require(form.canAdd() == acceptable, "Add is offered exactly for a valid host, port and key");
    require(form.host.isEmpty() || acceptable || form.problem(), "a refused entry says why");
    require(!form.keyWarning() || (!form.problem() && !form.uuid.isEmpty()),
            "only a key that could be added is warned about");
    if (!connector)
        return 0;
    require(form.keyWarning() == KeyTransmission::extraWarning(*connector),
            "the form warns about the key as the network's row will once it is added");

    const qint64 port = *wholePort(form.port);
    const QString key = form.uuid.trimmed();
    const StationConfig::ExtraConnector expected{
        QStringLiteral("custom-") + form.host.toLower() + u'-' + QString::number(port),
        form.label.isEmpty() ? form.host : form.label,
        true,
        form.host,
        port,
        form.protocolName,
        key.isEmpty() ? std::nullopt : std::optional<QString>(key),
    };
    require(*connector == expected, "the connector is what was typed, under the documented id");
    checkCommandLine(*connector);

    StationConfig station;
    station.station.name = QStringLiteral("Roof");
    for (qsizetype i = 4; i < texts.size() && i < 12; ++i)
        station.extraConnectors.append(existing(text(i), i));
    const int copies = data[1] % 3;
    for (int copy = 0; copy < copies; ++copy) {
        const qsizetype at = (data[1] / 3 + copy) % (station.extraConnectors.size() + 1);
        station.extraConnectors.insert(at, existing(connector->id, 100 + copy));
    }
    checkAdded(station, *connector);
    return 0;
}
