#pragma once

#include <QColor>
#include <QWidget>

namespace vireon {

// The filled circle in the panel's header, in the colour of the tray icon.
class StatusDot : public QWidget {
    Q_OBJECT
public:
    static constexpr int diameter = 9;

    explicit StatusDot(QWidget* parent = nullptr);

    void setColor(const QColor& color);
    QColor color() const { return m_color; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_color;
};

} // namespace vireon
