#pragma once

#include "presentation/networks/NetworksModel.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vireon {

class AppState;
class HealthBadge;
class MlatControls;
class NoteLabel;

// One network the station can feed: its switch and, while it is on, its feeder UUID, its endpoint and,
// for a network the user added, the way to remove it. It shows what its model says and hands every
// edit to the state, naming the network by its key.
class NetworkRow : public QWidget {
    Q_OBJECT
public:
    explicit NetworkRow(AppState& state, QWidget* parent = nullptr);

    const NetworkRowModel& model() const { return m_model; }
    // The same network with newer values; the widgets stay, so typing in the UUID field goes on.
    void display(const NetworkRowModel& model);
    // The row's controls in the order Tab should reach them.
    QList<QWidget*> focusChain() const;

protected:
    void changeEvent(QEvent* event) override;

private:
    void paintRemoveAsDestructive();
    void showSiteLink();

    AppState& m_state;
    NetworkRowModel m_model;
    QCheckBox* m_enabled;
    HealthBadge* m_health;
    QLabel* m_site;
    QWidget* m_details;
    QLineEdit* m_uuid;
    QPushButton* m_generate;
    NoteLabel* m_uuidNote;
    NoteLabel* m_endpoint;
    QPushButton* m_remove;
    HealthBadge* m_mlatLine;
    MlatControls* m_mlat;
};

} // namespace vireon
