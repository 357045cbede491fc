#pragma once

#include "presentation/networks/ConnectorHealthLine.h"

#include <QWidget>
#include <optional>

class QLabel;

namespace vireon {

class StatusDot;

// A coloured dot and a few words saying how one network's connection is doing; hidden when there is
// nothing to say.
class HealthBadge : public QWidget {
    Q_OBJECT
public:
    explicit HealthBadge(QWidget* parent = nullptr);

    void display(const std::optional<ConnectorHealthLine>& line);
    // What it says; empty while hidden.
    QString text() const;

private:
    StatusDot* m_dot;
    QLabel* m_text;
};

} // namespace vireon
