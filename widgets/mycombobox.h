#ifndef NUVOXA_WIDGETS_MYCOMBOBOX_H
#define NUVOXA_WIDGETS_MYCOMBOBOX_H

#include <QComboBox>

// The login window's country box (kept hidden).
class MyComBobox : public QComboBox
{
    Q_OBJECT
public:
    explicit MyComBobox(QWidget *parent = nullptr);

private slots:
    void onEidt(const QString &text);
};

#endif
