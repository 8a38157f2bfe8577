// A dialog from the program's template run on a thread of its own, with a
// dialog procedure that records what it gets and can be given behaviour.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

struct ReceivedMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::thread::id thread;
};

// What the procedure answers; by default 0 for everything.
using DialogBehaviour = std::function<INT_PTR(HWND, UINT, WPARAM, LPARAM)>;

class TestDialog {
public:
    explicit TestDialog(DialogBehaviour behaviour = {});
    ~TestDialog();  // ends the dialog if it still runs, and joins its thread

    // Messages received, without the mouse moves and colour requests unless asked.
    std::vector<ReceivedMessage> Received(bool all = false) const;
    std::vector<UINT> ReceivedIds(bool all = false) const;
    void ClearReceived();
    std::thread::id Thread() const { return thread.get_id(); }
    // DialogBoxParamW's answer, once it returned within the timeout.
    bool WaitForResult(INT_PTR& result, std::chrono::milliseconds timeout);

private:
    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    DialogBehaviour behaviour;
    mutable std::mutex mutex;
    std::vector<ReceivedMessage> received;
    HWND window = nullptr;
    std::promise<INT_PTR> result;
    std::future<INT_PTR> resultFuture = result.get_future();
    std::thread thread;
};
