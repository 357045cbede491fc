#pragma once

#include <QString>

namespace vireon {

// Text as it may reach a terminal or the journal: line ends and tabs stay, every other control
// character (C0, DEL, C1) becomes U+FFFD. The report carries the decoder's own lines and the status
// names networks from a downloaded document; an escape sequence among them would otherwise drive the
// person's terminal (retitle it, clear it, move the cursor over what was said) instead of being shown.
QString terminalText(QString text);

} // namespace vireon
