#ifndef NUVOXA_WIDGETS_MYLOGIN_H
#define NUVOXA_WIDGETS_MYLOGIN_H

#include <QListWidget>

// The list that is both model and drop-down view of the login account box.
class MyLogin : public QListWidget
{
    Q_OBJECT
public:
    explicit MyLogin(QWidget *parent = nullptr)
        : QListWidget(parent)
    {
    }
};

#endif
