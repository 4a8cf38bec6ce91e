#include "records/addfriend.h"

#include "records/contactdialog.h"
#include "ui_addfriend.h"

#include <QMessageBox>
#include <QPushButton>

AddFriend::AddFriend(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::AddFriend)
{
    ui->setupUi(this);
    ContactDialog::setUp(this, ui->toolButton, ui->toolButton_2, ui->lineEdit_2);
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
        QMessageBox box(QMessageBox::Information, tr("Nuvoxa"), tr("电话号码不能为空"),
                        QMessageBox::Yes, this, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
        box.button(QMessageBox::Yes)->setText(tr("确定"));
        box.exec();
        return;
    }
    emit dataString(ui->lineEdit->text(), ui->lineEdit_2->text(), true);
    close();
}

void AddFriend::on_toolButton_2_clicked()
{
    close();
}
