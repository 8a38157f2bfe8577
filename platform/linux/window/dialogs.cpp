// Modal dialogs from the embedded templates: creation, the modal loop, the
// default dialog handling, and the end.
#include <cstring>
#include <cwctype>

#include "window/dialog_layout.h"
#include "window/model.h"
#include "window/resource_tables.h"

using namespace zanq::ui;
using namespace zanq::ui::model;

namespace {

constexpr UINT kCompareItem = 0x0039;
constexpr UINT kVKeyToItem = 0x002E;
constexpr UINT kCharToItem = 0x002F;
constexpr UINT kQueryDragIcon = 0x0037;
constexpr DWORD kCannotFindWindowClass = 1407;
constexpr DWORD kControlIdNotFound = 1421;

std::wstring Lower(const wchar_t* text) {
    std::wstring lowered = text ? text : L"";
    for (wchar_t& c : lowered) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return lowered;
}

WindowKind KindOfClass(const wchar_t* className) {
    std::wstring name = Lower(className);
    if (name == L"static") return WindowKind::Static;
    if (name == L"button") return WindowKind::Button;
    if (name == L"msctls_progress32") return WindowKind::Progress;
    return WindowKind::Unknown;
}

std::int32_t ReadInt32(const unsigned char* bytes) {
    std::int32_t value;
    std::memcpy(&value, bytes, sizeof value);  // the file is little-endian, as this machine
    return value;
}

// The pixel size of an embedded bitmap, from its file header.
bool BitmapSize(int id, int& width, int& height) {
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    if (!FindBitmapResource(id, data, size) || size < 26 || data[0] != 'B' || data[1] != 'M') return false;
    width = ReadInt32(data + 18);
    std::int32_t rows = ReadInt32(data + 22);
    height = rows < 0 ? -rows : rows;
    return true;
}

std::unique_ptr<Window> MakeControl(const resources::DialogItem& item, HWND dialog, WindowKind kind,
                                    layout::BaseUnits units, const std::shared_ptr<ThreadQueue>& thread) {
    auto control = std::make_unique<Window>();
    control->kind = kind;
    control->thread = thread;
    control->parent = dialog;
    control->id = item.id;
    control->className = item.className;
    control->style = item.style;
    control->exStyle = item.exStyle;
    control->text = item.text ? item.text : L"";
    control->imageResourceId = item.textOrdinal;
    control->visible = (item.style & WS_VISIBLE) != 0;
    int left = layout::HorizontalPixels(item.x, units);
    int top = layout::VerticalPixels(item.y, units);
    int width = layout::HorizontalPixels(item.cx, units);
    int height = layout::VerticalPixels(item.cy, units);
    // A bitmap static takes the size of its bitmap.
    DWORD type = item.style & SS_TYPEMASK;
    if (kind == WindowKind::Static && type == SS_BITMAP && !(item.style & SS_REALSIZECONTROL)) {
        BitmapSize(item.textOrdinal, width, height);
    }
    control->rect = RECT{left, top, left + width, top + height};
    return control;
}

// Creates the dialog and its controls; null with the last error set when a
// control's class does not exist.
HWND CreateFromTemplate(const resources::DialogTemplate& dialogTemplate, HWND owner, DLGPROC procedure) {
    for (std::size_t i = 0; i < dialogTemplate.itemCount; ++i) {
        WindowKind kind = KindOfClass(dialogTemplate.items[i].className);
        if (kind == WindowKind::Unknown || (kind == WindowKind::Progress && !ProgressClassRegistered())) {
            SetLastError(kCannotFindWindowClass);
            return nullptr;
        }
    }
    layout::BaseUnits units = layout::BaseUnitsFor(dialogTemplate.fontName ? dialogTemplate.fontName : L"",
                                                   dialogTemplate.fontPointSize);
    std::shared_ptr<ThreadQueue> thread = CurrentThread();
    auto dialog = std::make_unique<Window>();
    dialog->kind = WindowKind::Dialog;
    dialog->thread = thread;
    dialog->owner = owner;
    dialog->className = L"#32770";
    dialog->templateId = dialogTemplate.id;
    dialog->style = dialogTemplate.style;
    dialog->exStyle = dialogTemplate.exStyle;
    dialog->text = dialogTemplate.caption ? dialogTemplate.caption : L"";
    dialog->fontName = dialogTemplate.fontName ? dialogTemplate.fontName : L"";
    dialog->fontPointSize = dialogTemplate.fontPointSize;
    dialog->dialogProc = procedure;
    dialog->rect = RECT{0, 0, layout::HorizontalPixels(dialogTemplate.cx, units),
                        layout::VerticalPixels(dialogTemplate.cy, units)};

    std::lock_guard lock(Mutex());
    Window& added = Add(std::move(dialog));
    for (std::size_t i = 0; i < dialogTemplate.itemCount; ++i) {
        const resources::DialogItem& item = dialogTemplate.items[i];
        Window& control = Add(MakeControl(item, added.handle, KindOfClass(item.className), units, thread));
        added.children.push_back(control.handle);
    }
    return added.handle;
}

HWND FirstTabStop(HWND dialog) {
    std::lock_guard lock(Mutex());
    Window* found = Find(dialog);
    if (!found) return nullptr;
    for (HWND child : found->children) {
        Window* control = Find(child);
        if (control && (control->style & WS_TABSTOP) && control->visible && !(control->style & WS_DISABLED)) {
            return child;
        }
    }
    return nullptr;
}

}  // namespace

namespace zanq::ui::model {

void ChangeModalDisable(HWND window, int delta) {
    if (!window) return;
    bool changed = false;
    bool enabled = false;
    {
        std::lock_guard lock(Mutex());
        Window* found = Find(window);
        if (!found) return;
        bool before = found->enabledByCaller && found->disabledCount == 0;
        found->disabledCount += delta;
        enabled = found->enabledByCaller && found->disabledCount == 0;
        changed = before != enabled;
    }
    if (changed) Notify([&](Backend& backend) { backend.DialogEnabledChanged(window, enabled != false); });
}

LRESULT DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DLGPROC procedure = nullptr;
    {
        std::lock_guard lock(Mutex());
        if (Window* found = Find(window)) procedure = found->dialogProc;
    }
    INT_PTR result = procedure ? procedure(window, message, wParam, lParam) : 0;
    // These answers are the procedure's own result; all others are the
    // message result (0 here), and a 0 from the procedure asks for the
    // default handling.
    if ((message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) || message == WM_INITDIALOG ||
        message == kCompareItem || message == kVKeyToItem || message == kCharToItem || message == kQueryDragIcon) {
        return result;
    }
    if (result) return 0;
    switch (message) {
    case WM_CLOSE:
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(window, IDCANCEL)));
        return 0;
    case DM_SETDEFID: {
        std::lock_guard lock(Mutex());
        if (Window* found = Find(window)) found->defaultId = static_cast<int>(wParam);
        return TRUE;
    }
    case DM_GETDEFID: {
        std::lock_guard lock(Mutex());
        Window* found = Find(window);
        return found && found->defaultId ? MAKELONG(found->defaultId, DC_HASDEFID) : 0;
    }
    default: return 0;
    }
}

}  // namespace zanq::ui::model

namespace zanq::ui {

std::vector<HWND> OpenDialogs() {
    std::lock_guard lock(Mutex());
    return WindowsOfKind(WindowKind::Dialog);
}

bool DescribeDialog(HWND dialog, DialogInfo& info) {
    std::lock_guard lock(Mutex());
    Window* found = Find(dialog);
    if (!found || found->kind != WindowKind::Dialog) return false;
    info = DialogInfo{};
    info.window = dialog;
    info.owner = found->owner;
    info.templateId = found->templateId;
    info.caption = found->text;
    info.style = found->style;
    info.exStyle = found->exStyle;
    info.clientWidth = found->rect.right;
    info.clientHeight = found->rect.bottom;
    info.fontName = found->fontName;
    info.fontPointSize = found->fontPointSize;
    for (HWND child : found->children) {
        Window* control = Find(child);
        if (!control) continue;
        info.controls.push_back(ControlInfo{child, control->id, control->className, control->rect, control->style,
                                            control->exStyle, control->text, control->imageResourceId,
                                            control->visible});
    }
    return true;
}

}  // namespace zanq::ui

INT_PTR WINAPI DialogBoxParamW(HINSTANCE, LPCWSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                               LPARAM dwInitParam) {
    const resources::DialogTemplate* dialogTemplate =
        IS_INTRESOURCE(lpTemplateName) ? resources::FindDialog(ResourceNumber(lpTemplateName)) : nullptr;
    if (!dialogTemplate) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return -1;
    }
    if (hWndParent && !IsWindow(hWndParent)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return -1;
    }
    // Choose the backend before anything is created, so that a missing
    // display is reported first.
    CurrentBackend();
    HWND dialog = CreateFromTemplate(*dialogTemplate, hWndParent, lpDialogFunc);
    if (!dialog) return -1;

    DialogInfo created;
    DescribeDialog(dialog, created);
    Notify([&](Backend& backend) { backend.DialogCreated(created); });
    ChangeModalDisable(hWndParent, +1);

    CallWindowProcedure(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(FirstTabStop(dialog)), dwInitParam);
    bool shown = false;
    {
        std::lock_guard lock(Mutex());
        Window* found = Find(dialog);
        if (!found->ended) found->visible = shown = true;
    }
    if (shown) Notify([&](Backend& backend) { backend.DialogVisibilityChanged(dialog, true); });

    RunLoopUntil([dialog] {
        std::lock_guard lock(Mutex());
        return Find(dialog)->ended;
    });

    INT_PTR result = 0;
    std::vector<HWND> removed{dialog};
    {
        std::lock_guard lock(Mutex());
        Window* found = Find(dialog);
        result = found->result;
        removed.insert(removed.end(), found->children.begin(), found->children.end());
        for (HWND window : removed) Remove(window);
    }
    DropQueuedFor(removed);
    ChangeModalDisable(hWndParent, -1);
    Notify([&](Backend& backend) { backend.DialogEnded(dialog, result); });
    return result;
}

BOOL WINAPI EndDialog(HWND hDlg, INT_PTR nResult) {
    std::shared_ptr<ThreadQueue> thread;
    {
        std::lock_guard lock(Mutex());
        Window* found = Find(hDlg);
        if (!found || found->kind != WindowKind::Dialog) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        found->ended = true;
        found->result = nResult;
        thread = found->thread;
    }
    // Called from another thread, this wakes the dialog's modal loop.
    Wake(*thread);
    return TRUE;
}

HWND WINAPI GetDlgItem(HWND hDlg, int nIDDlgItem) {
    std::lock_guard lock(Mutex());
    Window* found = Find(hDlg);
    if (!found) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    for (HWND child : found->children) {
        Window* control = Find(child);
        if (control && control->id == nIDDlgItem) return child;
    }
    SetLastError(kControlIdNotFound);
    return nullptr;
}

int WINAPI GetDlgCtrlID(HWND hWnd) {
    std::lock_guard lock(Mutex());
    Window* found = Find(hWnd);
    if (!found || found->kind == WindowKind::Dialog) return 0;
    return found->id;
}
