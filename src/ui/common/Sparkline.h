#pragma once

#include <QColor>
#include <QList>
#include <QWidget>

namespace vireon {

// A small line of how a figure went, newest at the right edge, scaled so the largest value touches
// the top and zero the bottom; in one colour, with a faint fill under it so a flat line still reads.
// The time axis is fixed at `capacity` points across the width, so a young line is short rather than
// stretched to look like an hour.
class Sparkline : public QWidget {
    Q_OBJECT
public:
    static constexpr int height = 28;

    explicit Sparkline(QWidget* parent = nullptr);

    void setValues(const QList<double>& values);
    void setColor(const QColor& color);
    void setCapacity(int points);
    const QList<double>& values() const { return m_values; }
    QColor color() const { return m_color; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<double> m_values;
    QColor m_color;
    int m_capacity = 2;
};

} // namespace vireon
