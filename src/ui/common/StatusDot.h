#pragma once

#include <QColor>
#include <QWidget>

namespace vireon {

// A filled circle in a state's colour, beside a status line or a network's health.
class StatusDot : public QWidget {
    Q_OBJECT
public:
    explicit StatusDot(int diameter, QWidget* parent = nullptr);

    void setColor(const QColor& color);
    QColor color() const { return m_color; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_color;
};

} // namespace vireon
