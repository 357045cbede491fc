#pragma once

#include <QLineEdit>
#include <functional>

namespace vireon {

// A latitude or longitude in the user's locale. A value is taken only when editing ends (Return or
// leaving the field) and only when the user changed the text: merely passing through the field must
// not replace a precise stored position with its six-digit display.
class CoordinateField : public QLineEdit {
    Q_OBJECT
public:
    using Store = std::function<void(double)>;

    CoordinateField(const QString& objectName, Store store, QWidget* parent = nullptr);

    // Shows the stored value, unless the user is in the middle of changing it.
    void showValue(double value);

private:
    void commit();

    Store m_store;
    double m_value = 0;
};

} // namespace vireon
