#ifndef NUVOXA_SETTINGS_USERDLG_H
#define NUVOXA_SETTINGS_USERDLG_H

#include <QWidget>

namespace Ui {
class UserDlg;
}

// The read-only user agreement window. The settings window owns one and
// shows it from the agreement link of its about page.
class UserDlg : public QWidget
{
    Q_OBJECT
public:
    explicit UserDlg(QWidget *parent = nullptr);
    ~UserDlg() override;

private slots:
    void on_pushButton_clicked();

private:
    Ui::UserDlg *ui;
};

#endif
