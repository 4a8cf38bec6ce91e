#include "settings/userdlg.h"

#include "ui_userdlg.h"

UserDlg::UserDlg(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::UserDlg)
{
    ui->setupUi(this);
    setWindowTitle(tr("用户协议"));
}

UserDlg::~UserDlg()
{
    delete ui;
}

void UserDlg::on_pushButton_clicked()
{
    close();
}
