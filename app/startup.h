#ifndef NUVOXA_APP_STARTUP_H
#define NUVOXA_APP_STARTUP_H

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

#endif
