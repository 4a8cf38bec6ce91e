#ifndef NUVOXA_RECORDS_CONTACTDIALOG_H
#define NUVOXA_RECORDS_CONTACTDIALOG_H

class QDialog;
class QLineEdit;
class QToolButton;

namespace ContactDialog {
// What the add and the edit dialog share: title, close-only title bar,
// button pictures and a digits-only number field.
void setUp(QDialog *dialog, QToolButton *ok, QToolButton *cancel, QLineEdit *number);
}

#endif
