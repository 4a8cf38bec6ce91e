#ifndef NUVOXA_RECORDS_CONTACTDIALOG_H
#define NUVOXA_RECORDS_CONTACTDIALOG_H

class QDialog;
class QLineEdit;

namespace ContactDialog {
// What the add and the edit dialog share: title, close-only title bar,
// and a digits-only number field.
void setUp(QDialog *dialog, QLineEdit *number);
}

#endif
