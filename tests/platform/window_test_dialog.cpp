#include "window_test_dialog.h"

#include "../../app/resource.h"

namespace {
// The dialog procedure has no context; WM_INITDIALOG brings it.
thread_local TestDialog* dialogOfThisThread = nullptr;
}  // namespace

TestDialog::TestDialog(DialogBehaviour behaviourToUse) : behaviour(std::move(behaviourToUse)) {
    InitCommonControls();
    thread = std::thread([this] {
        dialogOfThisThread = this;
        result.set_value(DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_DOWNLOAD), nullptr,
                                         Procedure, reinterpret_cast<LPARAM>(this)));
    });
}

TestDialog::~TestDialog() {
    HWND toEnd;
    {
        std::lock_guard lock(mutex);
        toEnd = window;
    }
    if (toEnd) EndDialog(toEnd, 0);
    thread.join();
}

INT_PTR CALLBACK TestDialog::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return dialogOfThisThread ? dialogOfThisThread->Handle(window, message, wParam, lParam) : 0;
}

INT_PTR TestDialog::Handle(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    {
        std::lock_guard lock(mutex);
        if (message == WM_INITDIALOG) window = dialog;
        received.push_back(ReceivedMessage{message, wParam, lParam, std::this_thread::get_id()});
    }
    return behaviour ? behaviour(dialog, message, wParam, lParam) : 0;
}

std::vector<ReceivedMessage> TestDialog::Received(bool all) const {
    std::lock_guard lock(mutex);
    std::vector<ReceivedMessage> selected;
    for (const ReceivedMessage& message : received) {
        if (all || (message.message != WM_MOUSEMOVE && message.message != WM_CTLCOLORSTATIC)) selected.push_back(message);
    }
    return selected;
}

std::vector<UINT> TestDialog::ReceivedIds(bool all) const {
    std::vector<UINT> ids;
    for (const ReceivedMessage& message : Received(all)) ids.push_back(message.message);
    return ids;
}

void TestDialog::ClearReceived() {
    std::lock_guard lock(mutex);
    received.clear();
}

bool TestDialog::WaitForResult(INT_PTR& answer, std::chrono::milliseconds timeout) {
    if (resultFuture.wait_for(timeout) != std::future_status::ready) return false;
    answer = resultFuture.get();
    return true;
}
