#ifndef NUVOXA_WIDGETS_ACCESSIBLETAB_H
#define NUVOXA_WIDGETS_ACCESSIBLETAB_H

class QAbstractButton;

// The windows switch their pages with skinned buttons, which a screen reader
// would announce as plain buttons, the page shown as "unavailable" (the
// windows disable the button of the current page). A marked button is read
// as a page tab instead: its name, "tab", and "selected" while checked.
namespace AccessibleTab {

void mark(QAbstractButton *button);

}  // namespace AccessibleTab

#endif
