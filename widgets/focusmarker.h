#ifndef NUVOXA_WIDGETS_FOCUSMARKER_H
#define NUVOXA_WIDGETS_FOCUSMARKER_H

// The skin draws its tool buttons and sliders as pictures, and a picture
// hides the toolkit's focus frame: a keyboard user could not tell where the
// focus is. Once installed, a ring in the skin's blue follows the keyboard
// focus onto those controls. A control that is not focused looks as before,
// and focus that the mouse moved shows no ring.
namespace FocusMarker {

// Idempotent; call once the application object exists.
void install();

}  // namespace FocusMarker

#endif
