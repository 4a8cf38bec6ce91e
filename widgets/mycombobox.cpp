#include "widgets/mycombobox.h"

#include <QDebug>

MyComBobox::MyComBobox(QWidget *parent)
    : QComboBox(parent)
{
    connect(this, &QComboBox::editTextChanged, this, &MyComBobox::onEidt);
    qDebug() << "MyComBobox created";
}

void MyComBobox::onEidt(const QString &)
{
}
