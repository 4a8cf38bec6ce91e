#ifndef NUVOXA_TESTS_WINDOWDRIVER_H
#define NUVOXA_TESTS_WINDOWDRIVER_H

#include <QApplication>
#include <QStringList>
#include <QWidget>

#include <memory>
#include <optional>

class QListWidget;

// Drives the client's windows through their forms' object names, as a user
// would: what the widget, fault and end-to-end tests share.
namespace WindowDriver {

// The named child; a missing one ends the run, so that a renamed form field
// cannot leave a test checking nothing.
template <typename T>
T *child(const QWidget *window, const char *name)
{
    T *found = window->findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no child %s", name);
    return found;
}

// A new window of type W, shown and active.
template <typename W>
std::unique_ptr<W> shown()
{
    auto window = std::make_unique<W>();
    window->show();
    QApplication::setActiveWindow(window.get());
    return window;
}

// Fills the login window and presses its login button; the two boxes
// (remember, log in automatically) stay as the window restored them unless
// given.
void login(QWidget *loginWindow, const QString &account, const QString &password,
           std::optional<bool> remember = {}, std::optional<bool> autoLogin = {});

// The texts of a list's rows: history, contacts, the dial page's hints.
QStringList lines(const QListWidget *list);

// What the dial page's hint list shows with nothing typed.
extern const QStringList kHints;

}  // namespace WindowDriver

#endif
