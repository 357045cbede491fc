#include "ui/settings/StationSection.h"

#include "app/AppState.h"
#include "app/KeyWarnings.h"
#include "config/StationConfigStore.h"
#include "ui/common/StationKeyField.h"
#include "ui/settings/CoordinateField.h"
#include "ui/settings/NoteLabel.h"
#include "ui/settings/StateWatch.h"

#include <QFormLayout>
#include <QLineEdit>

namespace vireon {

StationSection::StationSection(AppState& state, QWidget* parent)
    : QGroupBox(QStringLiteral("Station"), parent), m_state(state)
{
    StationConfigStore& store = state.configStore();
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("stationName"));
    m_latitude = new CoordinateField(
        QStringLiteral("latitude"), [&store](double value) { store.setStationLat(value); }, this);
    m_longitude = new CoordinateField(
        QStringLiteral("longitude"), [&store](double value) { store.setStationLon(value); }, this);
    m_stationKey = new StationKeyField(this);
    m_stationKey->setObjectName(QStringLiteral("stationKey"));

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Station name"), m_name);
    form->addRow(QStringLiteral("Latitude"), m_latitude);
    form->addRow(QStringLiteral("Longitude"), m_longitude);
    form->addRow(new NoteLabel(
        QStringLiteral("Exact location is never published \u2014 Vireon rounds it before display."), this));
    form->addRow(QStringLiteral("Station key (uuid)"), m_stationKey);
    m_keyWarning = new NoteLabel(QString(), this);
    m_keyWarning->setObjectName(QStringLiteral("stationKeyWarning"));
    m_keyWarning->setTone(NoteLabel::Tone::warning);
    form->addRow(m_keyWarning);
    form->addRow(
        new NoteLabel(QStringLiteral("From ") + QLatin1String(websiteHost) +
                          QStringLiteral(" \u2192 \u201cConnect a receiver\u201d. Paste the uuid \u2014 "
                                         "or the whole connector string, the key is extracted "
                                         "automatically. Without it your feed isn't attributed to "
                                         "your station."),
                      this));
    m_name->setAccessibleName(QStringLiteral("Station name"));
    m_latitude->setAccessibleName(QStringLiteral("Latitude"));
    m_longitude->setAccessibleName(QStringLiteral("Longitude"));
    m_stationKey->setAccessibleName(QStringLiteral("Station key (uuid)"));

    connect(m_name, &QLineEdit::textEdited, this,
            [&store](const QString& text) { store.setStationName(text); });
    connect(m_stationKey, &StationKeyField::keyEdited, this, &StationSection::storeStationKey);
    onStateChange(state, this, [this] { redraw(); });
    redraw();
}

void StationSection::redraw()
{
    const StationConfig& config = m_state.configStore().config();
    if (m_name->text() != config.station.name)
        m_name->setText(config.station.name);
    m_latitude->showValue(config.station.lat);
    m_longitude->showValue(config.station.lon);
    m_stationKey->showKey(config.vireon.uuid.value_or(QString()));
    const std::optional<QString> warning = KeyWarnings::primary(config, m_state.config().ingest);
    m_keyWarning->setText(warning.value_or(QString()));
    m_keyWarning->setVisible(warning.has_value());
}

void StationSection::storeStationKey(const QString& key)
{
    StationConfigStore& store = m_state.configStore();
    StationConfig config = store.config();
    config.vireon.uuid = key.isEmpty() ? std::nullopt : std::optional<QString>(key);
    store.setConfig(config);
    store.save(); // a failing write is ignored; the field keeps showing the key
}

} // namespace vireon
