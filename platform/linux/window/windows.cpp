// Showing, hiding, enabling and measuring windows; the common controls; the
// module handle.
#include <commctrl.h>

#include <atomic>

#include "window/model.h"

using namespace zanq::ui;
using namespace zanq::ui::model;

namespace {

std::atomic<bool> progressClassRegistered{false};

}  // namespace

namespace zanq::ui::model {

bool ProgressClassRegistered() { return progressClassRegistered.load(); }

}  // namespace zanq::ui::model

void WINAPI InitCommonControls() { progressClassRegistered.store(true); }

HMODULE WINAPI GetModuleHandleW(LPCWSTR lpModuleName) {
    // One module: the program. Named modules are not known here.
    if (lpModuleName) {
        SetLastError(126);  // ERROR_MOD_NOT_FOUND
        return nullptr;
    }
    return reinterpret_cast<HMODULE>(static_cast<ULONG_PTR>(0x00400000u));
}

BOOL WINAPI IsWindow(HWND hWnd) {
    std::lock_guard lock(Mutex());
    return Find(hWnd) != nullptr;
}

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow) {
    bool wasVisible = false;
    bool visible = nCmdShow != SW_HIDE;
    HWND dialog = nullptr;
    int id = 0;
    bool isDialog = false;
    {
        std::lock_guard lock(Mutex());
        Window* window = Find(hWnd);
        if (!window) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        wasVisible = window->visible;
        window->visible = visible;
        isDialog = window->kind == WindowKind::Dialog;
        dialog = isDialog ? hWnd : window->parent;
        id = window->id;
        if (window->kind == WindowKind::MessageBox) return wasVisible;
    }
    if (wasVisible != visible) {
        Notify([&](Backend& backend) {
            if (isDialog) {
                backend.DialogVisibilityChanged(dialog, visible);
            } else {
                backend.ControlVisibilityChanged(dialog, id, visible);
            }
            backend.RepaintNeeded(dialog, isDialog ? 0 : id);
        });
    }
    return wasVisible ? TRUE : FALSE;
}

BOOL WINAPI IsWindowVisible(HWND hWnd) {
    std::lock_guard lock(Mutex());
    // Visible only when it and every window it sits in are.
    for (Window* window = Find(hWnd); window; window = window->kind == WindowKind::Dialog ? nullptr : Find(window->parent)) {
        if (!window->visible) return FALSE;
        if (window->kind == WindowKind::Dialog || window->kind == WindowKind::MessageBox) return TRUE;
    }
    return FALSE;
}

BOOL WINAPI EnableWindow(HWND hWnd, BOOL bEnable) {
    bool wasDisabled = false;
    bool changed = false;
    bool enabled = false;
    bool isDialog = false;
    {
        std::lock_guard lock(Mutex());
        Window* window = Find(hWnd);
        if (!window) return FALSE;
        bool before = window->enabledByCaller && window->disabledCount == 0;
        wasDisabled = !before;
        window->enabledByCaller = bEnable != FALSE;
        if (window->kind != WindowKind::Dialog) {
            window->style = bEnable ? (window->style & ~static_cast<DWORD>(WS_DISABLED)) : (window->style | WS_DISABLED);
        }
        enabled = window->enabledByCaller && window->disabledCount == 0;
        changed = before != enabled;
        isDialog = window->kind == WindowKind::Dialog;
    }
    if (changed && isDialog) Notify([&](Backend& backend) { backend.DialogEnabledChanged(hWnd, enabled); });
    return wasDisabled ? TRUE : FALSE;
}

BOOL WINAPI IsWindowEnabled(HWND hWnd) {
    std::lock_guard lock(Mutex());
    Window* window = Find(hWnd);
    return window && window->enabledByCaller && window->disabledCount == 0 ? TRUE : FALSE;
}

HWND WINAPI GetParent(HWND hWnd) {
    std::lock_guard lock(Mutex());
    Window* window = Find(hWnd);
    if (!window) return nullptr;
    return window->kind == WindowKind::Dialog ? window->owner : window->parent;
}

BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect) {
    std::lock_guard lock(Mutex());
    Window* window = Find(hWnd);
    if (!window || !lpRect) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *lpRect = RECT{0, 0, window->rect.right - window->rect.left, window->rect.bottom - window->rect.top};
    return TRUE;
}

BOOL WINAPI InvalidateRect(HWND hWnd, const RECT*, BOOL) {
    HWND dialog = nullptr;
    int id = 0;
    {
        std::lock_guard lock(Mutex());
        Window* window = Find(hWnd);
        if (!window) return FALSE;
        dialog = window->kind == WindowKind::Dialog ? hWnd : window->parent;
        id = window->kind == WindowKind::Dialog ? 0 : window->id;
    }
    Notify([&](Backend& backend) { backend.RepaintNeeded(dialog, id); });
    return TRUE;
}

BOOL WINAPI UpdateWindow(HWND hWnd) { return IsWindow(hWnd); }
