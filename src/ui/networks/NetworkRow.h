#pragma once

#include "app/NetworkList.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vireon {

class AppState;
class HealthBadge;
class NoteLabel;

// One network the station can feed: its switch and, while it is on, its feeder UUID, its endpoint and,
// for a network the user added, the way to remove it. Every edit goes straight to config.json.
class NetworkRow : public QWidget {
    Q_OBJECT
public:
    NetworkRow(AppState& state, const NetworkList::Row& row, QWidget* parent = nullptr);

    const NetworkList::Row& row() const { return m_row; }
    // The same network with newer values; the widgets stay, so typing in the UUID field goes on.
    void setRow(const NetworkList::Row& row);
    // The row's controls in the order Tab should reach them.
    QList<QWidget*> focusChain() const;

protected:
    void changeEvent(QEvent* event) override;

private:
    void redraw();
    void paintRemoveAsDestructive();
    void store(const StationConfig& config);
    void storeUuid(const QString& text);

    AppState& m_state;
    NetworkList::Row m_row;
    QCheckBox* m_enabled;
    HealthBadge* m_health;
    QLabel* m_site;
    QWidget* m_details;
    QLineEdit* m_uuid;
    QPushButton* m_generate;
    NoteLabel* m_uuidNote;
    NoteLabel* m_endpoint;
    QPushButton* m_remove;
};

} // namespace vireon
