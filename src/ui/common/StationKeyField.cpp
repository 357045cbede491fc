#include "ui/common/StationKeyField.h"

#include "presentation/common/StationKeyInput.h"

namespace vireon {

StationKeyField::StationKeyField(QWidget* parent) : QLineEdit(parent)
{
    connect(this, &QLineEdit::textEdited, this, &StationKeyField::normalise);
}

void StationKeyField::showKey(const QString& key)
{
    if (text() == key)
        return;
    setText(key);
    // A key set from elsewhere is read from its start, not cut off at the left edge.
    if (!hasFocus())
        setCursorPosition(0);
}

void StationKeyField::normalise(const QString& typed)
{
    const StationKeyInput shown = StationKeyInput::normalised(typed, cursorPosition());
    // The field shows the key before anyone stores it, so the redraw that follows the store's
    // announcement finds nothing to change and the cursor stays where the user is typing.
    if (shown.text != typed) {
        setText(shown.text);
        setCursorPosition(int(shown.cursor));
    }
    Q_EMIT keyEdited(shown.text);
}

} // namespace vireon
