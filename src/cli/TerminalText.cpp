#include "cli/TerminalText.h"

namespace vireon {

QString terminalText(QString text)
{
    for (QChar& c : text) {
        const char16_t u = c.unicode();
        const bool control = (u < 0x20 && u != u'\n' && u != u'\t') || (u >= 0x7f && u <= 0x9f);
        if (control)
            c = QChar(QChar::ReplacementCharacter);
    }
    return text;
}

} // namespace vireon
