#include "decoder/DecoderOutputClassifier.h"

#include "decoder/LogRingBuffer.h"

#include <QSet>
#include <algorithm>
#include <cstring>
#include <functional>
#include <string_view>

namespace vireon {
namespace {

using namespace std::string_view_literals;

// A fixed text to look for, with its search table built once. Lines are short and the same phrases
// are looked for in every one of them, so the table pays for itself many times over.
class Needle {
public:
    explicit Needle(std::string_view text) : m_text(text), m_searcher(m_text.begin(), m_text.end()) {}
    Needle(const Needle&) = delete;
    Needle& operator=(const Needle&) = delete;

    bool foundIn(std::string_view haystack) const
    {
        return std::search(haystack.begin(), haystack.end(), m_searcher) != haystack.end();
    }

private:
    std::string m_text;
    std::boyer_moore_horspool_searcher<std::string::const_iterator> m_searcher;
};

const Needle& establishedPhrase()
{
    static const Needle phrase("connection established"sv);
    return phrase;
}

// The decoder's own words for a connection that failed or went away. Besides the classic socket
// errors, the real decoder reports a closed peer, a time-out and a failed name lookup in wordings of
// its own; without them a dead connection would keep showing as connected.
bool mentionsFailure(std::string_view lowered)
{
    static const Needle phrases[] = {
        Needle("connection refused"sv),         Needle("connection reset"sv),
        Needle("couldn't connect"sv),           Needle("could not connect"sv),
        Needle("connection timed out"sv),       Needle("network is unreachable"sv),
        Needle("remote server disconnected"sv), Needle("name resolution for"sv),
        Needle("no route to host"sv),           Needle("network is down"sv),
        Needle("host is unreachable"sv),
    };
    if (std::any_of(std::begin(phrases), std::end(phrases),
                    [&](const Needle& phrase) { return phrase.foundIn(lowered); }))
        return true;
    // "Connection to H port P timed out." The bare words would also match the decoder's unrelated
    // thread time-outs ("threadSignalJoin timed out").
    static const Needle connectionTo("connection to "sv);
    static const Needle timedOut(" timed out"sv);
    return connectionTo.foundIn(lowered) && timedOut.foundIn(lowered);
}

// The whole number after the first "port " that is followed by a digit: every connection line of
// the decoder names the port it is about.
std::optional<qint64> portNamedIn(std::string_view lowered)
{
    constexpr std::string_view word = "port "sv;
    for (size_t at = lowered.find(word); at != std::string_view::npos; at = lowered.find(word, at + 1)) {
        size_t pos = at + word.size();
        qint64 port = 0;
        size_t digits = 0;
        while (pos < lowered.size() && lowered[pos] >= '0' && lowered[pos] <= '9' && digits < 6) {
            port = port * 10 + (lowered[pos] - '0');
            ++pos;
            ++digits;
        }
        const bool wholeNumber = pos == lowered.size() || lowered[pos] < '0' || lowered[pos] > '9';
        if (digits > 0 && wholeNumber)
            return port;
    }
    return std::nullopt;
}

// The first device phrase in the line, in this order of precedence.
std::optional<SupervisorFailure> deviceFailureIn(std::string_view lowered)
{
    struct DevicePhrase {
        Needle phrase;
        SupervisorFailure failure;
    };
    static const DevicePhrase phrases[] = {
        {Needle("usb_claim_interface error"sv), SupervisorFailure::deviceBusy},
        {Needle("usb_open error"sv), SupervisorFailure::deviceBusy},
        {Needle("resource busy"sv), SupervisorFailure::deviceBusy},
        {Needle("no supported rtlsdr devices found"sv), SupervisorFailure::noDevice},
        {Needle("no supported devices found"sv), SupervisorFailure::noDevice},
    };
    for (const DevicePhrase& device : phrases) {
        if (device.phrase.foundIn(lowered))
            return device.failure;
    }
    return std::nullopt;
}

// Spaces, tabs and the other Unicode space separators; line breaks and carriage returns stay.
bool isBlank(QChar c)
{
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

QString trimmedOfBlanks(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    return text.sliced(begin, end - begin);
}

// Where to cut a run of maxLineBytes bytes without a newline: at the limit, or just before a
// multi-byte character that the limit would split, so a cut never turns valid text invalid.
qsizetype cutPosition(const char* data, qsizetype length)
{
    qsizetype lead = length - 1;
    while (lead > length - 4 && (uchar(data[lead]) & 0xC0) == 0x80)
        --lead;
    const uchar first = uchar(data[lead]);
    const qsizetype sequence = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 1;
    return lead + sequence > length ? lead : length;
}

} // namespace

DecoderOutputClassifier::DecoderOutputClassifier(LogRingBuffer& log)
    : m_log(log),
      // Stateless: each line decodes on its own; a byte-order mark is kept as part of the text.
      m_decoder(QStringDecoder::Utf8,
                QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom)
{}

// Taken by value: the supervisor's retry hands back its own watched list, which is cleared below.
void DecoderOutputClassifier::setConnectors(QList<MonitoredConnector> connectors)
{
    m_connectors.clear();
    m_hosts.clear();
    m_hostSearchers.clear();
    QSet<QString> ids;
    for (const MonitoredConnector& connector : connectors) {
        if (ids.contains(connector.id))
            continue;
        ids.insert(connector.id);
        m_connectors.append(connector);
        m_hosts.push_back(connector.host.toLower().toStdString());
    }
    // Only now that the strings stay where they are can the search tables point into them.
    for (const std::string& host : m_hosts)
        m_hostSearchers.emplace_back(host.begin(), host.end());
}

bool DecoderOutputClassifier::feed(QByteArrayView chunk)
{
    m_pending.append(chunk.data(), chunk.size());
    const char* data = m_pending.constData();
    const qsizetype size = m_pending.size();
    qsizetype pos = 0;
    bool assigned = false;
    while (pos < size) {
        const qsizetype window = std::min(size - pos, maxLineBytes);
        const auto* newline = static_cast<const char*>(std::memchr(data + pos, '\n', window));
        if (newline) {
            const qsizetype length = newline - (data + pos);
            assigned |= handleLineBytes(QByteArrayView(data + pos, length));
            pos += length + 1;
        } else if (window == maxLineBytes) {
            const qsizetype length = cutPosition(data + pos, maxLineBytes);
            assigned |= handleLineBytes(QByteArrayView(data + pos, length));
            pos += length;
        } else {
            break;
        }
    }
    m_pending.remove(0, pos);
    return assigned;
}

bool DecoderOutputClassifier::handleLineBytes(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return false;
    bool ascii = true;
    for (char c : bytes) {
        if (uchar(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (!ascii) {
        m_decoder.resetState();
        const QString line = m_decoder.decode(bytes);
        if (m_decoder.hasError())
            return false;
        return handleLine(line);
    }

    // Plain ASCII is by far the common case: lower-case the bytes directly, which for ASCII gives
    // exactly what Unicode lower-casing would.
    m_lowered.assign(bytes.data(), bytes.size());
    for (char& c : m_lowered) {
        if (c >= 'A' && c <= 'Z')
            c = char(c + ('a' - 'A'));
    }
    const QString line = QString::fromLatin1(bytes);
    m_log.append(line);
    return classify(line);
}

bool DecoderOutputClassifier::handleLine(const QString& line)
{
    if (line.isEmpty())
        return false;
    m_log.append(line);
    m_lowered = line.toLower().toStdString();
    return classify(line);
}

// Expects m_lowered to hold the line in lower case.
bool DecoderOutputClassifier::classify(const QString& line)
{
    const std::string_view lowered(m_lowered);
    bool assigned = false;
    if (establishedPhrase().foundIn(lowered)) {
        if (const MonitoredConnector* connector = connectorMentionedIn(lowered)) {
            if (m_flapping.established(connector->id, m_now())) {
                m_health.insert(connector->id, ConnectorHealth::retrying(ConnectionFlapping::reason));
                if (connector->isVireon)
                    m_lastConnectorError = ConnectionFlapping::reason;
            } else {
                m_health.insert(connector->id, ConnectorHealth::connected());
                if (connector->isVireon)
                    m_lastConnectorError.reset();
            }
            assigned = true;
        }
    } else if (mentionsFailure(lowered)) {
        if (const MonitoredConnector* connector = connectorMentionedIn(lowered)) {
            const QString reason = trimmedOfBlanks(line);
            m_health.insert(connector->id, ConnectorHealth::retrying(reason));
            if (connector->isVireon)
                m_lastConnectorError = reason;
            assigned = true;
        }
    }

    if (const auto failure = deviceFailureIn(lowered))
        m_pendingFailure = failure;
    if (const auto problem = StickProblems::inLine(lowered)) {
        m_stickProblem = problem;
        // Refused permissions and a driver that will not let go outlast any restart; they are a
        // busy stick whatever the next lines say.
        if (*problem != StickProblem::lostWhileRunning && !m_pendingFailure)
            m_pendingFailure = SupervisorFailure::deviceBusy;
    }
    noteIdentity(line);
    return assigned;
}

void DecoderOutputClassifier::noteIdentity(const QString& line)
{
    static const QLatin1String versionLabel("readsb version: ");
    if (!line.startsWith(versionLabel))
        return;
    const QString rest = line.sliced(versionLabel.size()).trimmed();
    const QString version = rest.section(u' ', 0, 0);
    if (!version.isEmpty())
        m_decoderVersion = version;
}

bool DecoderOutputClassifier::calm()
{
    bool assigned = false;
    for (const QString& id : m_flapping.calmed(m_now())) {
        const auto it = m_health.find(id);
        // Only the flapping verdict is withdrawn; an error reported since stands.
        if (it == m_health.end() || *it != ConnectorHealth::retrying(ConnectionFlapping::reason))
            continue;
        *it = ConnectorHealth::connected();
        const auto connector = std::find_if(m_connectors.cbegin(), m_connectors.cend(),
                                            [&id](const MonitoredConnector& c) { return c.id == id; });
        if (connector != m_connectors.cend() && connector->isVireon)
            m_lastConnectorError.reset();
        assigned = true;
    }
    return assigned;
}

// First the connector whose host and port the line names: two connections to one host (or one
// host's name inside another's line, "localhost (127.0.0.1) port P") are told apart only by the
// port. Failing that, with one watched connection every phrase is about it, whatever host the line
// names; with several, the first whose host the line mentions.
const MonitoredConnector* DecoderOutputClassifier::connectorMentionedIn(std::string_view lowered) const
{
    const auto mentionsHost = [&](qsizetype i) {
        const auto& searcher = m_hostSearchers[size_t(i)];
        return std::search(lowered.begin(), lowered.end(), searcher) != lowered.end();
    };
    if (const std::optional<qint64> port = portNamedIn(lowered)) {
        for (qsizetype i = 0; i < m_connectors.size(); ++i) {
            if (m_connectors.at(i).port == *port && mentionsHost(i))
                return &m_connectors.at(i);
        }
    }
    if (m_connectors.size() == 1)
        return &m_connectors.first();
    for (qsizetype i = 0; i < m_connectors.size(); ++i) {
        if (mentionsHost(i))
            return &m_connectors.at(i);
    }
    return nullptr;
}

void DecoderOutputClassifier::resetHealth()
{
    m_flapping.reset();
    m_health.clear();
    for (const MonitoredConnector& connector : m_connectors)
        m_health.insert(connector.id, ConnectorHealth::connecting());
}

bool DecoderOutputClassifier::vireonConnectorUp() const
{
    for (const MonitoredConnector& connector : m_connectors) {
        if (connector.isVireon) {
            const auto it = m_health.constFind(connector.id);
            return it != m_health.constEnd() && it->kind == ConnectorHealth::Kind::connected;
        }
    }
    return false;
}

} // namespace vireon
