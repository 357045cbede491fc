#pragma once

#include "presentation/networks/CustomNetworkInput.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace vireon {

class AppState;
class NoteLabel;

// "Add a network": a window-modal sheet in which the user enters a network of their own. Entries are
// judged as they are typed; "Add" stores the network, switched on, and closes the sheet.
class CustomConnectorSheet : public QDialog {
    Q_OBJECT
public:
    explicit CustomConnectorSheet(AppState& state, QWidget* parent = nullptr);

    CustomNetworkInput form() const;
    void add();

private:
    void redraw();

    AppState& m_state;
    QLineEdit* m_label;
    QLineEdit* m_host;
    QLineEdit* m_port;
    QComboBox* m_protocol;
    QLineEdit* m_uuid;
    QLineEdit* m_mlatServer;
    NoteLabel* m_problem;
    NoteLabel* m_keyWarning;
    QPushButton* m_add;
};

} // namespace vireon
