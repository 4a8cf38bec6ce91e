#include "records/editfriend.h"

#include "records/contactdialog.h"
#include "ui_editfriend.h"

EditFriend::EditFriend(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::EditFriend)
{
    ui->setupUi(this);
    ContactDialog::setUp(this, ui->lineEdit_2);
}

EditFriend::~EditFriend()
{
    delete ui;
}

void EditFriend::setData(const QString &name, const QString &number)
{
    ui->lineEdit->setText(name);
    ui->lineEdit_2->setText(number);
}

void EditFriend::on_toolButton_clicked()
{
    emit dataEmit(ui->lineEdit->text(), ui->lineEdit_2->text());
    close();
}

void EditFriend::on_toolButton_2_clicked()
{
    close();
}
