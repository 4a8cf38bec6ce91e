#include "records/contactdialog.h"

#include <QCoreApplication>
#include <QDialog>
#include <QLineEdit>
#include <QRegExpValidator>
#include <QToolButton>

namespace ContactDialog {

void setUp(QDialog *dialog, QToolButton *ok, QToolButton *cancel, QLineEdit *number)
{
    dialog->setWindowTitle(QCoreApplication::translate("AddFriend", "添加联系人"));
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint);
    const QString style = QStringLiteral(
        "QToolButton{border-style:none;border-image:url(image/send.png);border-width:0px;}  "
        "QToolButton:hover{border-style:none;border-image:url(image/send_1.png);}");
    ok->setStyleSheet(style);
    cancel->setStyleSheet(style);
    number->setValidator(
        new QRegExpValidator(QRegExp(QStringLiteral("[0-9]*"), Qt::CaseSensitive), dialog));
}

}  // namespace ContactDialog
