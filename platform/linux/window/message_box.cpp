// Message boxes: modal on the calling thread until answered, the owner
// disabled meanwhile.
#include "window/model.h"

using namespace zanq::ui;
using namespace zanq::ui::model;

int WINAPI MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType) {
    HWND owner = nullptr;
    if (hWnd) {
        std::lock_guard lock(Mutex());
        Window* window = Find(hWnd);
        if (!window) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        // A control's box is owned by its dialog.
        owner = window->kind == WindowKind::Dialog || window->kind == WindowKind::MessageBox ? hWnd : window->parent;
    }
    CurrentBackend();

    MessageBoxInfo info{nullptr, hWnd, lpText ? lpText : L"", lpCaption ? lpCaption : L"Error", uType};
    {
        auto box = std::make_unique<Window>();
        box->kind = WindowKind::MessageBox;
        box->thread = CurrentThread();
        box->className = L"#32770";
        box->owner = owner;
        box->parent = owner;
        box->text = info.text;
        box->boxStyle = uType;
        box->visible = true;
        std::lock_guard lock(Mutex());
        info.box = Add(std::move(box)).handle;
    }
    HWND box = info.box;
    ChangeModalDisable(owner, +1);
    Notify([&](Backend& backend) { backend.MessageBoxOpened(info); });

    // Serves this thread's messages until the user answers.
    int answer = 0;
    RunLoopUntil([&] {
        std::lock_guard lock(Mutex());
        answer = Find(box)->answer;
        return answer != 0;
    });
    {
        std::lock_guard lock(Mutex());
        Remove(box);
    }
    DropQueuedFor({box});
    ChangeModalDisable(owner, -1);
    Notify([&](Backend& backend) { backend.MessageBoxClosed(box, answer); });
    return answer;
}
