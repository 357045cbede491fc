#pragma once

#include "presentation/settings/SettingsModel.h"

#include <QGroupBox>

class QLineEdit;

namespace vireon {

class AltitudeField;
class AppState;
class CoordinateField;
class NoteLabel;
class StationKeyField;

// "Station": the name, the position and the station key, each written to config.json as it is set.
class StationSection : public QGroupBox {
    Q_OBJECT
public:
    explicit StationSection(AppState& state, QWidget* parent = nullptr);

    void display(const SettingsModel::Station& model);

private:
    AppState& m_state;
    QLineEdit* m_name;
    CoordinateField* m_latitude;
    CoordinateField* m_longitude;
    AltitudeField* m_altitude;
    StationKeyField* m_stationKey;
    NoteLabel* m_keyWarning;
    NoteLabel* m_positionWarning;
};

} // namespace vireon
