// The window procedures of the controls: static, push button, progress bar.
#include <commctrl.h>

#include <algorithm>

#include "window/model.h"

using namespace zanq::ui;
using namespace zanq::ui::model;

namespace {

constexpr UINT kButtonClick = 0x00F5;  // BM_CLICK
constexpr WORD kStaticClicked = 0;     // STN_CLICKED

void NotifyParent(HWND control, WORD code) {
    HWND parent = nullptr;
    int id = 0;
    {
        std::lock_guard lock(Mutex());
        Window* found = Find(control);
        if (!found) return;
        parent = found->parent;
        id = found->id;
    }
    SendMessageW(parent, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
}

LRESULT ProgressProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT answer = 0;
    bool changed = false;
    HWND dialog = nullptr;
    int id = 0, position = 0, low = 0, high = 0;
    {
        std::lock_guard lock(Mutex());
        Window* bar = Find(window);
        if (!bar) return 0;
        int before = bar->position;
        int beforeLow = bar->rangeLow, beforeHigh = bar->rangeHigh;
        auto setPosition = [&](long long value) {
            bar->position = static_cast<int>(std::clamp<long long>(value, bar->rangeLow, bar->rangeHigh));
        };
        switch (message) {
        case PBM_SETPOS:
            answer = before;
            setPosition(static_cast<int>(wParam));
            break;
        case PBM_DELTAPOS:
            answer = before;
            setPosition(static_cast<long long>(before) + static_cast<int>(wParam));
            break;
        case PBM_GETPOS: answer = before; break;
        case PBM_SETRANGE:
        case PBM_SETRANGE32:
            answer = MAKELONG(beforeLow, beforeHigh);
            if (message == PBM_SETRANGE) {
                bar->rangeLow = LOWORD(lParam);
                bar->rangeHigh = HIWORD(lParam);
            } else {
                bar->rangeLow = static_cast<int>(wParam);
                bar->rangeHigh = static_cast<int>(lParam);
            }
            setPosition(before);
            break;
        case PBM_GETRANGE:
            if (auto* range = reinterpret_cast<PBRANGE*>(lParam)) *range = PBRANGE{beforeLow, beforeHigh};
            answer = wParam ? beforeLow : beforeHigh;
            break;
        case PBM_STEPIT:
            answer = before;
            bar->position = before + 10 > bar->rangeHigh ? bar->rangeLow : before + 10;
            break;
        default: return 0;
        }
        changed = bar->position != before || bar->rangeLow != beforeLow || bar->rangeHigh != beforeHigh;
        dialog = bar->parent;
        id = bar->id;
        position = bar->position;
        low = bar->rangeLow;
        high = bar->rangeHigh;
    }
    if (changed) Notify([&](Backend& backend) { backend.ProgressChanged(dialog, id, position, low, high); });
    return answer;
}

LRESULT ButtonProcedure(HWND window, UINT message, LPARAM lParam) {
    bool clicked = false;
    {
        std::lock_guard lock(Mutex());
        Window* button = Find(window);
        if (!button) return 0;
        switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: button->pressed = true; break;
        case WM_LBUTTONUP: {
            int x = static_cast<short>(LOWORD(lParam));
            int y = static_cast<short>(HIWORD(lParam));
            bool inside = x >= 0 && y >= 0 && x < button->rect.right - button->rect.left &&
                          y < button->rect.bottom - button->rect.top;
            clicked = button->pressed && inside;
            button->pressed = false;
            break;
        }
        case kButtonClick: clicked = true; break;
        default: break;
        }
    }
    if (clicked) NotifyParent(window, BN_CLICKED);
    return 0;
}

}  // namespace

namespace zanq::ui::model {

LRESULT ControlProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowKind kind = WindowKind::Unknown;
    DWORD style = 0;
    {
        std::lock_guard lock(Mutex());
        Window* found = Find(window);
        if (!found) return 0;
        kind = found->kind;
        style = found->style;
    }
    switch (kind) {
    case WindowKind::Progress: return ProgressProcedure(window, message, wParam, lParam);
    case WindowKind::Button: return ButtonProcedure(window, message, lParam);
    case WindowKind::Static:
        if (message == WM_LBUTTONDOWN && (style & SS_NOTIFY)) NotifyParent(window, kStaticClicked);
        return 0;
    default: return 0;
    }
}

}  // namespace zanq::ui::model
