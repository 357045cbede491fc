#include "ui/settings/AltitudeField.h"

#include "presentation/common/AltitudeInput.h"

namespace vireon {

AltitudeField::AltitudeField(Store store, QWidget* parent) : QLineEdit(parent), m_store(std::move(store))
{
    setObjectName(QStringLiteral("altitude"));
    setAlignment(Qt::AlignRight);
    setPlaceholderText(QStringLiteral("metres above sea level"));
    setToolTip(QStringLiteral("Metres above sea level, at the antenna. MLAT needs it."));
    connect(this, &QLineEdit::editingFinished, this, &AltitudeField::commit);
}

void AltitudeField::showValue(const std::optional<double>& metres)
{
    m_value = metres;
    if (isModified())
        return;
    const QString text = AltitudeInput::format(metres);
    if (text != this->text())
        setText(text);
}

void AltitudeField::commit()
{
    if (!isModified())
        return;
    setModified(false);
    const AltitudeInput::Reading reading = AltitudeInput::parse(text());
    if (reading.accepted)
        m_store(reading.metres);
    showValue(m_value);
}

} // namespace vireon
