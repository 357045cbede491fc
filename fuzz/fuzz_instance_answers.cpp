// Arbitrary answers from whatever listens on the one-instance socket, read the way the asking side
// reads them. The sentence shown to the person (an alert, or standard error) tells them what to type
// to stop the other instance, so it may carry nothing of the answer but a process id: a run of
// digits naming a real process, never "-1", a blank or any other text. A status answer is read back
// as the code and text it was written from, whatever the text holds, and a code out of range is
// refused.
//
// Input layout: the bytes are the answer to "hello"; read as a status answer too, and, with a code
// chosen by the first byte, the rest is the text of a status answer that must read back whole.

#include "FuzzRequire.h"
#include "app/StationStatus.h"
#include "cli/InstanceAnswers.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using vireon::InstanceAnswers;
using vireon::StationStatus;

using vireon::fuzz::require;

namespace {

// The process id the answer gives, checked here digit by digit: 1 and up, within what a pid can be.
std::optional<QString> processId(const QByteArray& answer)
{
    const QList<QByteArray> words = answer.trimmed().split(' ');
    if (words.size() < 2 || words.at(1).isEmpty() || words.at(1).size() > 10 || words.at(1).startsWith('0'))
        return std::nullopt;
    qint64 value = 0;
    for (const char c : words.at(1)) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > 0x7fffffff)
        return std::nullopt;
    return QString::fromLatin1(words.at(1));
}

void checkWhoRuns(const QByteArray& answer)
{
    const QString sentence = InstanceAnswers::whoRuns(answer);
    require(!sentence.isEmpty(), "there is always something to say");
    const std::optional<QString> pid = processId(answer);
    // Everything but the digits of a pid is the application's own text; only ASCII letters, digits,
    // blanks and punctuation of its own are in it.
    QString rest = sentence;
    if (pid)
        rest.replace(*pid, QString());
    for (const QChar c : rest) {
        require(c.unicode() < 0x80 && c.unicode() >= 0x20, "the sentence holds only our own text");
        require(!c.isDigit(), "the only figure in the sentence is the answer's process id");
    }
    if (!pid)
        require(!sentence.contains(QLatin1String("kill")), "no kill command without a process id");
}

void checkStatusAnswer(const QByteArray& answer)
{
    const std::optional<InstanceAnswers::Status> status = InstanceAnswers::readStatusAnswer(answer);
    if (!status)
        return;
    require(status->exitCode >= StationStatus::green && status->exitCode <= StationStatus::redOrGrey,
            "an exit status is one of ours");
}

void checkStatusRoundTrip(int code, const QByteArray& bytes)
{
    const QString text = QString::fromUtf8(bytes);
    const QByteArray answer = QByteArray::number(code) + '\n' + text.toUtf8();
    const std::optional<InstanceAnswers::Status> status = InstanceAnswers::readStatusAnswer(answer);
    require(status && status->exitCode == code && status->text == text,
            "a status answer reads back as the code and the text it was written from");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray answer = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    checkWhoRuns(answer);
    checkStatusAnswer(answer);
    if (size > 0) {
        const int codes = StationStatus::redOrGrey - StationStatus::green + 1;
        checkStatusRoundTrip(StationStatus::green + data[0] % codes, answer.sliced(1));
    }
    return 0;
}
