#ifndef NUVOXA_WIDGETS_MESSAGEBOX_H
#define NUVOXA_WIDGETS_MESSAGEBOX_H

#include <QMessageBox>

// Every message box of the client goes through here, so no standard button
// keeps Qt's untranslated English label: Ok "确定", Cancel "取消", Yes "是",
// No "否" unless a box names its own label for a button.
namespace MessageBox {

struct Label
{
    QMessageBox::StandardButton button;
    QString text;
};

// Shows a modal information box and returns the button that closed it
// (QMessageBox::NoButton when it was closed another way).
QMessageBox::StandardButton information(QWidget *parent, const QString &title, const QString &text,
                                        QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                        std::initializer_list<Label> labels = {},
                                        Qt::WindowFlags flags = Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint,
                                        QMessageBox::StandardButton escape = QMessageBox::NoButton);

// The label a standard button gets unless the box names its own.
QString standardLabel(QMessageBox::StandardButton button);

}  // namespace MessageBox

#endif
