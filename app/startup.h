#ifndef NUVOXA_APP_STARTUP_H
#define NUVOXA_APP_STARTUP_H

class NumberChannel;
class QApplication;
class QStringList;

namespace Startup {

// Reads the font configuration on another thread while the application
// object connects to the display; called before that object exists.
void readFontConfigurationAhead();

// Everything after the application object: refuse a second copy (or hand
// it the number of the command line), pin the working directory, prepare
// the folders and fonts, show the login window and run the event loop.
// `arguments` is the command line with the program first; its one argument,
// when there is one, is a link or a number. Returns the process exit status.
int run(QApplication &app, const QStringList &arguments);

// Takes numbers from copies started later, as long as `channel` lives.
void receiveNumbers(NumberChannel &channel);

// Working directory = program folder; `temp` in the data folder.
void prepareFolders();

// The forms name Windows font families; map them to an installed CJK face so
// Chinese never renders as boxes.
void installFontSubstitutes();

// What every window needs before it is built: the font substitutes and the
// skin's style sheet.
void installLook();

}  // namespace Startup

#endif
