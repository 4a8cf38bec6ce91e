#include "records/addfriend.h"

#include "records/contactdialog.h"
#include "ui_addfriend.h"

#include "widgets/messagebox.h"

AddFriend::AddFriend(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::AddFriend)
{
    ui->setupUi(this);
    ContactDialog::setUp(this, ui->lineEdit_2);
}

AddFriend::~AddFriend()
{
    delete ui;
}

void AddFriend::setPhone(const QString &number)
{
    ui->lineEdit->clear();
    ui->lineEdit_2->clear();
    ui->lineEdit_2->setText(number);
}

void AddFriend::on_toolButton_clicked()
{
    if (ui->lineEdit_2->text().isEmpty()) {
        MessageBox::information(this, tr("Nuvoxa"), tr("电话号码不能为空"), QMessageBox::Yes,
                                {{QMessageBox::Yes, tr("确定")}});
        return;
    }
    emit dataString(ui->lineEdit->text(), ui->lineEdit_2->text(), true);
    close();
}

void AddFriend::on_toolButton_2_clicked()
{
    close();
}
