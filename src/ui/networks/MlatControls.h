#pragma once

#include "presentation/networks/MlatRowModel.h"

#include <QWidget>
#include <functional>

class QCheckBox;

namespace vireon {

class AppState;
class HealthBadge;

// A network's MLAT: its switch, the privacy switch under it and the line saying how MLAT does.
// Hidden for a network that offers no MLAT. Edits go to the state under the network's key, read when
// the click comes.
class MlatControls : public QWidget {
    Q_OBJECT
public:
    MlatControls(AppState& state, std::function<QString()> key, QWidget* parent = nullptr);

    void display(const std::optional<MlatRowModel>& model);
    QList<QWidget*> focusChain() const;

private:
    QCheckBox* m_on;
    QCheckBox* m_hidden;
    HealthBadge* m_line;
};

} // namespace vireon
