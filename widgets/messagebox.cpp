#include "widgets/messagebox.h"

#include <QAbstractButton>
#include <QCoreApplication>

namespace MessageBox {

QString standardLabel(QMessageBox::StandardButton button)
{
    switch (button) {
    case QMessageBox::Ok: return QCoreApplication::translate("MessageBox", "确定");
    case QMessageBox::Cancel: return QCoreApplication::translate("MessageBox", "取消");
    case QMessageBox::Yes: return QCoreApplication::translate("MessageBox", "是");
    case QMessageBox::No: return QCoreApplication::translate("MessageBox", "否");
    default: return QString();
    }
}

QMessageBox::StandardButton information(QWidget *parent, const QString &title, const QString &text,
                                        QMessageBox::StandardButtons buttons, std::initializer_list<Label> labels,
                                        Qt::WindowFlags flags, QMessageBox::StandardButton escape)
{
    QMessageBox box(QMessageBox::Information, title, text, buttons, parent, flags);
    for (QAbstractButton *b : box.buttons()) {
        const QMessageBox::StandardButton which = box.standardButton(b);
        QString label = standardLabel(which);
        for (const Label &own : labels) {
            if (own.button == which)
                label = own.text;
        }
        if (!label.isEmpty())
            b->setText(label);
    }
    if (escape != QMessageBox::NoButton)
        box.setEscapeButton(escape);
    const int result = box.exec();
    // exec() answers the pressed standard button, or something else when the
    // box was closed without one.
    return buttons.testFlag(QMessageBox::StandardButton(result)) ? QMessageBox::StandardButton(result)
                                                                   : QMessageBox::NoButton;
}

}  // namespace MessageBox
