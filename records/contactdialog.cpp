#include "records/contactdialog.h"

#include <QCoreApplication>
#include <QDialog>
#include <QLineEdit>
#include <QRegExpValidator>

namespace ContactDialog {

void setUp(QDialog *dialog, QLineEdit *number)
{
    dialog->setWindowTitle(QCoreApplication::translate("AddFriend", "添加联系人"));
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint);
    number->setValidator(
        new QRegExpValidator(QRegExp(QStringLiteral("[0-9]*"), Qt::CaseSensitive), dialog));
}

}  // namespace ContactDialog
