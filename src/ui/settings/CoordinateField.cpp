#include "ui/settings/CoordinateField.h"

#include "presentation/common/CoordinateInput.h"

namespace vireon {

CoordinateField::CoordinateField(const QString& objectName, Store store, QWidget* parent)
    : QLineEdit(parent), m_store(std::move(store))
{
    setObjectName(objectName);
    setAlignment(Qt::AlignRight);
    connect(this, &QLineEdit::editingFinished, this, &CoordinateField::commit);
}

void CoordinateField::showValue(double value)
{
    m_value = value;
    if (isModified())
        return;
    const QString text = CoordinateInput::format(value);
    if (text != this->text())
        setText(text);
}

void CoordinateField::commit()
{
    if (!isModified())
        return;
    setModified(false);
    if (const std::optional<double> parsed = CoordinateInput::parse(text()))
        m_store(*parsed); // redraws the field through the store's announcement
    // What the field shows is always the stored value, also when the text did not parse.
    showValue(m_value);
}

} // namespace vireon
