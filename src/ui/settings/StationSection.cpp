#include "ui/settings/StationSection.h"

#include "app/AppState.h"
#include "ui/common/NoteLabel.h"
#include "ui/common/StationKeyField.h"
#include "ui/settings/AltitudeField.h"
#include "ui/settings/CoordinateField.h"

#include <QFormLayout>
#include <QLineEdit>

namespace vireon {

StationSection::StationSection(AppState& state, QWidget* parent)
    : QGroupBox(QStringLiteral("Station"), parent), m_state(state)
{
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("stationName"));
    m_latitude = new CoordinateField(
        QStringLiteral("latitude"),
        [&state](double value) { state.editStation([value](StationConfig& c) { c.station.lat = value; }); },
        this);
    m_longitude = new CoordinateField(
        QStringLiteral("longitude"),
        [&state](double value) { state.editStation([value](StationConfig& c) { c.station.lon = value; }); },
        this);
    m_altitude = new AltitudeField(
        [&state](std::optional<double> metres) {
            state.editStation([metres](StationConfig& c) { c.station.alt = metres; });
        },
        this);
    m_stationKey = new StationKeyField(this);
    m_stationKey->setObjectName(QStringLiteral("stationKey"));

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Station name"), m_name);
    form->addRow(QStringLiteral("Latitude"), m_latitude);
    form->addRow(QStringLiteral("Longitude"), m_longitude);
    m_positionWarning = new NoteLabel(QString(), this);
    m_positionWarning->setObjectName(QStringLiteral("positionWarning"));
    m_positionWarning->setTone(Tone::warning);
    m_positionWarning->hide();
    form->addRow(m_positionWarning);
    form->addRow(QStringLiteral("Altitude"), m_altitude);
    form->addRow(new NoteLabel(
        QStringLiteral("Exact location is never published \u2014 Vireon rounds it before display."), this));
    form->addRow(QStringLiteral("Station key (uuid)"), m_stationKey);
    m_keyWarning = new NoteLabel(QString(), this);
    m_keyWarning->setObjectName(QStringLiteral("stationKeyWarning"));
    m_keyWarning->setTone(Tone::warning);
    form->addRow(m_keyWarning);
    form->addRow(new NoteLabel(SettingsModel::stationKeyHint(), this));
    m_name->setAccessibleName(QStringLiteral("Station name"));
    m_latitude->setAccessibleName(QStringLiteral("Latitude"));
    m_longitude->setAccessibleName(QStringLiteral("Longitude"));
    m_altitude->setAccessibleName(QStringLiteral("Altitude"));
    m_stationKey->setAccessibleName(QStringLiteral("Station key (uuid)"));

    connect(m_name, &QLineEdit::textEdited, this, [&state](const QString& text) {
        state.editStation([&text](StationConfig& c) { c.station.name = text; });
    });
    connect(m_stationKey, &StationKeyField::keyEdited, this, [&state](const QString& key) {
        state.editStation([&key](StationConfig& c) {
            c.vireon.uuid = key.isEmpty() ? std::nullopt : std::optional<QString>(key);
        });
    });
}

void StationSection::display(const SettingsModel::Station& model)
{
    // Only a different value is written into a field, so the cursor stays put while the user types.
    if (m_name->text() != model.name)
        m_name->setText(model.name);
    m_latitude->showValue(model.latitude);
    m_longitude->showValue(model.longitude);
    m_altitude->showValue(model.altitude);
    m_stationKey->showKey(model.stationKey);
    m_keyWarning->setText(model.keyWarning.value_or(QString()));
    m_keyWarning->setVisible(model.keyWarning.has_value());
    m_positionWarning->setText(model.positionWarning.value_or(QString()));
    m_positionWarning->setVisible(model.positionWarning.has_value());
}

} // namespace vireon
