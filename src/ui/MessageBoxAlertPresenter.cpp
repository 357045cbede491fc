#include "ui/MessageBoxAlertPresenter.h"

#include <QMessageBox>

namespace vireon {

void MessageBoxAlertPresenter::showInformational(const QString& message, const QString& informativeText,
                                                 std::function<void()> dismissed)
{
    auto* box =
        new QMessageBox(QMessageBox::Information, QStringLiteral("Vireon Feeder"), message, QMessageBox::Ok);
    box->setInformativeText(informativeText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    QObject::connect(box, &QMessageBox::finished, box, [dismissed = std::move(dismissed)](int) {
        if (dismissed)
            dismissed();
    });
    box->open();
}

} // namespace vireon
