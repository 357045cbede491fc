#include "ui/MessageBoxAlertPresenter.h"

#include <QMessageBox>

namespace vireon {

void MessageBoxAlertPresenter::showInformational(const QString& message, const QString& informativeText)
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("Vireon Feeder"), message, QMessageBox::Ok);
    box.setInformativeText(informativeText);
    box.exec();
}

} // namespace vireon
