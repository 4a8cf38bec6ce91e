#include "login/giflogin.h"

#include "ui_giflogin.h"

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
