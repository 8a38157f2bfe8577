// Dialog units to pixels, as the system maps them for a dialog's font.
#pragma once

#include <string>

namespace zanq::ui::layout {

// Average character width and height of the dialog font, in pixels.
struct BaseUnits {
    int x;
    int y;
};

// The 8-point "MS Sans Serif" at 96 dots per inch gives 6 x 13; that is
// also what other fonts get here, as the stand-in draws no text of its own.
BaseUnits BaseUnitsFor(const std::wstring& fontName, int pointSize);

// value * numerator / denominator, rounded half away from zero.
int MulDivRounded(int value, int numerator, int denominator);

inline int HorizontalPixels(int dialogUnits, BaseUnits units) { return MulDivRounded(dialogUnits, units.x, 4); }
inline int VerticalPixels(int dialogUnits, BaseUnits units) { return MulDivRounded(dialogUnits, units.y, 8); }

}  // namespace zanq::ui::layout
