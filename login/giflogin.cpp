#include "login/giflogin.h"

#include "ui_giflogin.h"

#include <QCloseEvent>

GifLogin::GifLogin(QWidget *parent)
    : QLabel(parent)
    , ui(new Ui::GifLogin)
{
    ui->setupUi(this);
    // A running login cannot be cancelled; the button stays out of sight.
    ui->pushButton->hide();
}

GifLogin::~GifLogin()
{
    delete ui;
}

void GifLogin::closeEvent(QCloseEvent *event)
{
    emit setQuit();
    event->accept();
}

void GifLogin::on_pushButton_clicked()
{
}
