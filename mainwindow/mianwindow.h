#ifndef NUVOXA_MAINWINDOW_MIANWINDOW_H
#define NUVOXA_MAINWINDOW_MIANWINDOW_H

#include <QWidget>

// The main window: dial pad, history, contacts, balance, tray.
class MianWindow : public QWidget
{
    Q_OBJECT
public:
    explicit MianWindow(QWidget *parent = nullptr);
    ~MianWindow() override;

    // Shows the downloaded advertisement under the dialler (300 x 575).
    void showAdvert();
};

#endif
