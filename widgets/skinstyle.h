#ifndef NUVOXA_WIDGETS_SKINSTYLE_H
#define NUVOXA_WIDGETS_SKINSTYLE_H

#include <QVariant>

class QWidget;

// The skin's one style sheet (image/nuvoxa.qss, built into the program):
// every window's look, by window class and object name, for the client and
// the update program alike.
namespace SkinStyle {

// Sets the sheet on the application; before the first window is built, so
// that no window is polished twice.
void apply();

// Sets the dynamic property the sheet selects a state by (a missed call, a
// selected page) and draws the widget anew by its rules.
void setState(QWidget *widget, const char *name, const QVariant &value);

// Under a sheet on the application every widget is a styled one, and a
// styled widget takes its palette from the application, not from the
// widget it sits in. The toolkit shades the outlines of check boxes, frames
// and scroll bars from the window's brush: this gives `widget` and the
// widgets in it their window's brush, as they would have without the sheet.
// Call it once the window's palette is set.
void keepWindowBrush(QWidget *widget);

}  // namespace SkinStyle

#endif
