#pragma once

#include "presentation/networks/NetworksModel.h"

#include <QPointer>
#include <QWidget>

class QCheckBox;
class QPushButton;
class QVBoxLayout;

namespace vireon {

class AppState;
class CustomConnectorSheet;
class HealthBadge;
class MlatControls;
class NetworkRow;
class NoteLabel;

// Where the station's data goes: the primary network's switch, one row per offered network, one per
// network the user added, and the way to add one.
class OtherNetworksSection : public QWidget {
    Q_OBJECT
public:
    explicit OtherNetworksSection(AppState& state, QWidget* parent = nullptr);

    // The open "Add a network" sheet, if any.
    CustomConnectorSheet* customSheet() const;
    const QList<NetworkRow*>& rows() const { return m_rows; }
    void showCustomSheet();

    void display(const NetworksModel& model);

private:
    void displayRows(const QList<NetworkRowModel>& rows);

    AppState& m_state;
    QCheckBox* m_feedVireon;
    HealthBadge* m_vireonHealth;
    HealthBadge* m_vireonMlatLine;
    MlatControls* m_vireonMlat;
    NoteLabel* m_vireonNote;
    QVBoxLayout* m_rowsLayout;
    QList<NetworkRow*> m_rows;
    QPushButton* m_addCustom;
    NoteLabel* m_count;
    NoteLabel* m_localPort;
    QPointer<CustomConnectorSheet> m_sheet;
};

} // namespace vireon
