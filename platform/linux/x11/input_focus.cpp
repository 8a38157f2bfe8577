#include "input_focus.h"

#include <FL/x.H>

namespace zanq::x11 {

bool TakeInputFocus(Fl_Window* window) {
    if (window == nullptr || !window->shown()) return false;
    const Window xid = fl_xid(window);
    XWindowAttributes attributes{};
    if (xid == 0 || XGetWindowAttributes(fl_display, xid, &attributes) == 0 || attributes.map_state != IsViewable) return false;
    XSetInputFocus(fl_display, xid, RevertToParent, CurrentTime);
    return true;
}

}  // namespace zanq::x11
