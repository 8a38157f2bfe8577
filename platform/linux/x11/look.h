// Colours and fonts of the classic dialog look that the X11 backend draws.
#pragma once

#include <FL/Enumerations.H>

namespace zanq::x11 {

inline const Fl_Color kFaceColor = fl_rgb_color(240, 240, 240);        // dialog and button face
inline const Fl_Color kFlatPressedColor = fl_rgb_color(204, 204, 204);  // a flat button held down
inline const Fl_Color kProgressColor = fl_rgb_color(6, 176, 37);        // filled part of a progress bar
// "MS Sans Serif", 8 points at 96 dots per inch: about 11 pixels.
inline constexpr Fl_Font kDialogFont = FL_HELVETICA;
inline constexpr Fl_Fontsize kDialogFontSize = 11;
inline constexpr Fl_Fontsize kMessageFontSize = 12;

}  // namespace zanq::x11
