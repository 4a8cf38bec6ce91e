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

private:
    Ui::GifLogin *ui;
};

#endif
