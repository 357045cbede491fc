#pragma once

#include <QString>

namespace vireon {

// What the decoder last said about one outbound connection.
struct ConnectorHealth {
    enum class Kind {
        retrying,   // the last word was a failure; the decoder keeps retrying on its own
        connecting, // nothing heard since the decoder was (re)started
        connected,  // the decoder reported the connection established
    };

    Kind kind = Kind::connecting;
    QString reason; // the decoder's error line, only for retrying

    static ConnectorHealth retrying(QString reason) { return {Kind::retrying, std::move(reason)}; }
    static ConnectorHealth connecting() { return {Kind::connecting, {}}; }
    static ConnectorHealth connected() { return {Kind::connected, {}}; }

    bool operator==(const ConnectorHealth&) const = default;
};

} // namespace vireon
