#ifndef NUVOXA_LOGIN_GIFLOGIN_H
#define NUVOXA_LOGIN_GIFLOGIN_H

#include <QLabel>

namespace Ui {
class GifLogin;
}

// The animation shown on top while a login runs. Closing it does not cancel
// the login: the result still arrives.
class GifLogin : public QLabel
{
    Q_OBJECT
public:
    explicit GifLogin(QWidget *parent = nullptr);
    ~GifLogin() override;

signals:
    void setCanCel();
    void setClose();
    void setQuit();

protected:
    void closeEvent(QCloseEvent *event) override;

private slots:
    void on_pushButton_clicked();

private:
    Ui::GifLogin *ui;
};

#endif
