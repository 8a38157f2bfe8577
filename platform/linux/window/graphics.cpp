// Cursors, icons and class icons; the device contexts that static controls
// are painted with, and the stock objects.
#include <atomic>
#include <map>
#include <mutex>

#include "window/model.h"

using namespace zanq::ui;
using namespace zanq::ui::model;

namespace {

constexpr DWORD kInvalidIndex = 1413;          // ERROR_INVALID_INDEX
constexpr DWORD kInvalidDeviceContext = 1591;  // ERROR_INVALID_HANDLE_STATE stands in

struct PaintContext {
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF backgroundColor = RGB(255, 255, 255);
    int backgroundMode = OPAQUE;
};

struct Graphics {
    std::mutex mutex;
    std::map<ULONG_PTR, PaintContext> contexts;
    ULONG_PTR nextContext = 0x20000004u;
    std::map<std::wstring, ULONG_PTR> classIcons;  // by class name
    std::map<std::wstring, ULONG_PTR> classSmallIcons;
};

Graphics& TheGraphics() {
    static Graphics* graphics = new Graphics;
    return *graphics;
}

std::atomic<ULONG_PTR> currentCursor{0};

bool IsSystemCursor(WORD id) {
    return (id >= 32512 && id <= 32516) || (id >= 32640 && id <= 32651) || id == 32671 || id == 32672;
}

bool IsSystemIcon(WORD id) { return id >= 32512 && id <= 32518; }

template <typename Handle>
Handle MakeHandle(ULONG_PTR value) {
    return reinterpret_cast<Handle>(value);
}

int ResourceIdOfIcon(ULONG_PTR icon) {
    return (icon & kTagMask) == kResourceIconTag ? static_cast<int>(icon & 0xFFFFu) : 0;
}

DWORD ClassStyle(WindowKind kind) {
    switch (kind) {
    case WindowKind::Dialog: return CS_DBLCLKS | CS_SAVEBITS;
    case WindowKind::Button: return CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    default: return CS_HREDRAW | CS_VREDRAW;
    }
}

// Reads or replaces a class value; `replace` null only reads.
ULONG_PTR ClassValue(HWND window, int index, const LONG_PTR* replace) {
    std::wstring className;
    WindowKind kind;
    HWND dialog = nullptr;
    {
        std::lock_guard lock(Mutex());
        Window* found = Find(window);
        if (!found) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        className = found->className;
        kind = found->kind;
        dialog = kind == WindowKind::Dialog ? window : found->parent;
    }
    Graphics& graphics = TheGraphics();
    if (index == GCL_STYLE && !replace) return ClassStyle(kind);
    if (index != GCL_HICON && index != GCL_HICONSM) {
        SetLastError(kInvalidIndex);
        return 0;
    }
    ULONG_PTR previous = 0;
    {
        std::lock_guard lock(graphics.mutex);
        auto& icons = index == GCL_HICON ? graphics.classIcons : graphics.classSmallIcons;
        previous = icons[className];
        if (replace) icons[className] = static_cast<ULONG_PTR>(*replace);
    }
    if (replace && index == GCL_HICON) {
        int resourceId = ResourceIdOfIcon(static_cast<ULONG_PTR>(*replace));
        Notify([&](Backend& backend) { backend.ClassIconChanged(dialog, resourceId); });
    }
    return previous;
}

}  // namespace

namespace zanq::ui::model {

HDC CreatePaintContext() {
    Graphics& graphics = TheGraphics();
    std::lock_guard lock(graphics.mutex);
    ULONG_PTR handle = graphics.nextContext;
    graphics.nextContext += 4;
    graphics.contexts.emplace(handle, PaintContext{});
    return MakeHandle<HDC>(handle);
}

StaticColors ReleasePaintContext(HDC dc, HGDIOBJ brush) {
    Graphics& graphics = TheGraphics();
    StaticColors colors;
    {
        std::lock_guard lock(graphics.mutex);
        auto found = graphics.contexts.find(reinterpret_cast<ULONG_PTR>(dc));
        if (found != graphics.contexts.end()) {
            colors.textColor = found->second.textColor;
            colors.backgroundColor = found->second.backgroundColor;
            colors.backgroundMode = found->second.backgroundMode;
            graphics.contexts.erase(found);
        }
    }
    colors.brush = brush;
    auto value = reinterpret_cast<ULONG_PTR>(brush);
    colors.stockBrush = (value & kTagMask) == kStockObjectTag ? static_cast<int>((value & 0xFFFFu) - 1) : -1;
    return colors;
}

}  // namespace zanq::ui::model

HCURSOR WINAPI LoadCursorW(HINSTANCE hInstance, LPCWSTR lpCursorName) {
    // The program has no cursor resources of its own; the system's are known.
    if (hInstance || !IS_INTRESOURCE(lpCursorName) || !IsSystemCursor(ResourceNumber(lpCursorName))) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return MakeHandle<HCURSOR>(kSystemCursorTag | ResourceNumber(lpCursorName));
}

HCURSOR WINAPI SetCursor(HCURSOR hCursor) {
    auto value = reinterpret_cast<ULONG_PTR>(hCursor);
    ULONG_PTR previous = currentCursor.exchange(value);
    int id = (value & kTagMask) == kSystemCursorTag ? static_cast<int>(value & 0xFFFFu) : 0;
    Notify([&](Backend& backend) { backend.CursorChanged(id); });
    return MakeHandle<HCURSOR>(previous);
}

HCURSOR WINAPI GetCursor() { return MakeHandle<HCURSOR>(currentCursor.load()); }

HICON WINAPI LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName) {
    if (!IS_INTRESOURCE(lpIconName)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    WORD id = ResourceNumber(lpIconName);
    if (!hInstance) {
        if (IsSystemIcon(id)) return MakeHandle<HICON>(kSystemIconTag | id);
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    if (!FindIconResource(id, data, size)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return MakeHandle<HICON>(kResourceIconTag | id);
}

DWORD WINAPI SetClassLongW(HWND hWnd, int nIndex, LONG dwNewLong) {
    LONG_PTR value = static_cast<LONG_PTR>(static_cast<DWORD>(dwNewLong));
    return static_cast<DWORD>(ClassValue(hWnd, nIndex, &value));
}

DWORD WINAPI GetClassLongW(HWND hWnd, int nIndex) { return static_cast<DWORD>(ClassValue(hWnd, nIndex, nullptr)); }

ULONG_PTR WINAPI SetClassLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
    return ClassValue(hWnd, nIndex, &dwNewLong);
}

ULONG_PTR WINAPI GetClassLongPtrW(HWND hWnd, int nIndex) { return ClassValue(hWnd, nIndex, nullptr); }

namespace {

template <typename Change>
bool ChangeContext(HDC hdc, Change change) {
    Graphics& graphics = TheGraphics();
    std::lock_guard lock(graphics.mutex);
    auto found = graphics.contexts.find(reinterpret_cast<ULONG_PTR>(hdc));
    if (found == graphics.contexts.end()) {
        SetLastError(kInvalidDeviceContext);
        return false;
    }
    change(found->second);
    return true;
}

}  // namespace

COLORREF WINAPI SetTextColor(HDC hdc, COLORREF color) {
    COLORREF previous = CLR_INVALID;
    ChangeContext(hdc, [&](PaintContext& context) {
        previous = context.textColor;
        context.textColor = color;
    });
    return previous;
}

COLORREF WINAPI SetBkColor(HDC hdc, COLORREF color) {
    COLORREF previous = CLR_INVALID;
    ChangeContext(hdc, [&](PaintContext& context) {
        previous = context.backgroundColor;
        context.backgroundColor = color;
    });
    return previous;
}

int WINAPI SetBkMode(HDC hdc, int mode) {
    if (mode != TRANSPARENT && mode != OPAQUE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int previous = 0;
    ChangeContext(hdc, [&](PaintContext& context) {
        previous = context.backgroundMode;
        context.backgroundMode = mode;
    });
    return previous;
}

HGDIOBJ WINAPI GetStockObject(int i) {
    if (i < WHITE_BRUSH || i > DC_PEN || i == 9) return nullptr;
    return MakeHandle<HGDIOBJ>(kStockObjectTag | static_cast<ULONG_PTR>(i + 1));
}
