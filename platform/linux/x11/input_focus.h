// Keyboard focus for our windows, as the system gives it: a dialog when it
// first shows, a message box when it comes up, the owner again when the box
// goes. A window manager usually does the same; without one (a bare X
// server) nobody else would.
#pragma once

#include <FL/Fl_Window.H>

namespace zanq::x11 {

// Gives `window` the X input focus if it is on screen (viewable); does
// nothing otherwise, so it never raises an X error. True when it did.
bool TakeInputFocus(Fl_Window* window);

}  // namespace zanq::x11
