#include "settings/userdlg.h"

#include "ui_userdlg.h"

UserDlg::UserDlg(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::UserDlg)
{
    ui->setupUi(this);
    setWindowTitle(tr("用户协议"));
    ui->pushButton->setStyleSheet(
        QStringLiteral("QPushButton{border-style:none;border-image:url(image/send.png);border-width:0px;}"
                       "                "
                       "QPushButton:hover{border-style:none;border-image:url(image/send_1.png);}"));
}

UserDlg::~UserDlg()
{
    delete ui;
}

void UserDlg::on_pushButton_clicked()
{
    close();
}
