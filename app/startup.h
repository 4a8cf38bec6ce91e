#ifndef NUVOXA_APP_STARTUP_H
#define NUVOXA_APP_STARTUP_H

#include <QWidget>

class QApplication;

namespace Startup {

// Everything after the application object: refuse a second copy, pin the
// working directory, prepare the folders and fonts, show the login window and
// run the event loop. Returns the process exit status.
int run(QApplication &app);

// Working directory = program folder; `temp` in the data folder.
void prepareFolders();

// The forms name Windows font families; map them to an installed CJK face so
// Chinese never renders as boxes.
void installFontSubstitutes();

}  // namespace Startup

// Stands in for the login window until it exists.
class StartWindow : public QWidget
{
    Q_OBJECT
public:
    explicit StartWindow(QWidget *parent = nullptr);

protected:
    void closeEvent(QCloseEvent *event) override;
};

#endif
