#pragma once

#include <QLineEdit>
#include <functional>
#include <optional>

namespace vireon {

// The antenna's altitude in metres, read as the coordinate fields are: only when editing ends and
// only when the user changed the text. Emptying the field clears the altitude; text that is no
// altitude gives way to the stored value again.
class AltitudeField : public QLineEdit {
    Q_OBJECT
public:
    using Store = std::function<void(std::optional<double>)>;

    explicit AltitudeField(Store store, QWidget* parent = nullptr);

    void showValue(const std::optional<double>& metres);

private:
    void commit();

    Store m_store;
    std::optional<double> m_value;
};

} // namespace vireon
