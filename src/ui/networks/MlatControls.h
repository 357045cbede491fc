#pragma once

#include "presentation/networks/MlatRowModel.h"

#include <QWidget>
#include <functional>

class QCheckBox;

namespace vireon {

class AppState;

// A network's MLAT switch and the privacy switch under it; hidden for a network that offers no MLAT.
// The line saying how MLAT does is the row's, under its connection line. Edits go to the state under
// the network's key, read when the click comes.
class MlatControls : public QWidget {
    Q_OBJECT
public:
    MlatControls(AppState& state, std::function<QString()> key, QWidget* parent = nullptr);

    void display(const std::optional<MlatRowModel>& model);
    QList<QWidget*> focusChain() const;

private:
    QCheckBox* m_on;
    QCheckBox* m_hidden;
};

} // namespace vireon
