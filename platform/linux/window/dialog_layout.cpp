#include "window/dialog_layout.h"

#include <cstdint>

namespace zanq::ui::layout {

BaseUnits BaseUnitsFor(const std::wstring& fontName, int pointSize) {
    // Other sizes of the font scale with it; 8 points is the common case.
    if (pointSize > 0 && pointSize != 8 && fontName == L"MS Sans Serif") {
        return BaseUnits{MulDivRounded(6, pointSize, 8), MulDivRounded(13, pointSize, 8)};
    }
    return BaseUnits{6, 13};
}

int MulDivRounded(int value, int numerator, int denominator) {
    std::int64_t product = static_cast<std::int64_t>(value) * numerator;
    std::int64_t half = denominator / 2;
    std::int64_t rounded = product >= 0 ? (product + half) / denominator : (product - half) / denominator;
    return static_cast<int>(rounded);
}

}  // namespace zanq::ui::layout
