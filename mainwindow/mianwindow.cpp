#include "mainwindow/mianwindow.h"

MianWindow::MianWindow(QWidget *parent)
    : QWidget(parent)
{
    setFixedSize(300, 515);
}

MianWindow::~MianWindow() = default;

void MianWindow::showAdvert()
{
    setFixedSize(300, 575);
}
