// The headless backend: shows nothing, remembers what a screen would show
// (dialogs, controls, message boxes, cursor, painted colours) and lets
// whoever plays the user wait for changes.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "window/backend.h"

namespace zanq::ui {

class HeadlessBackend : public Backend {
public:
    struct Dialog {
        DialogInfo info;
        bool visible = false;
        bool shownOnce = false;
        bool enabled = true;
        bool ended = false;
        INT_PTR result = 0;
        int classIconId = 0;
        std::map<int, int> progress;  // control id -> position
        std::map<int, StaticColors> painted;
        std::map<int, int> paintCount;
    };
    struct Box {
        MessageBoxInfo info;
        bool open = true;
        bool handedOut = false;  // returned by a wait already
        int answer = 0;
    };
    struct State {
        std::vector<Dialog> dialogs;  // in the order of creation
        std::vector<Box> boxes;
        int cursorId = 0;
        int classIconId = 0;
        std::uint64_t changes = 0;
    };

    // Receives one line per event (for the line protocol); may be empty.
    using EventSink = std::function<void(const std::string&)>;
    void SetEventSink(EventSink sink);

    // Runs `look` on the state under the backend's lock.
    void Inspect(const std::function<void(const State&)>& look) const;
    void Change(const std::function<void(State&)>& change);
    // Waits until `condition` holds on the state, or the deadline passes.
    bool WaitFor(const std::function<bool(const State&)>& condition, std::chrono::milliseconds timeout) const;

    void DialogCreated(const DialogInfo& dialog) override;
    void DialogVisibilityChanged(HWND dialog, bool visible) override;
    void DialogEnded(HWND dialog, INT_PTR result) override;
    void ControlVisibilityChanged(HWND dialog, int controlId, bool visible) override;
    void ProgressChanged(HWND dialog, int controlId, int position, int low, int high) override;
    void DialogEnabledChanged(HWND dialog, bool enabled) override;
    void ClassIconChanged(HWND dialog, int iconResourceId) override;
    void ControlPainted(HWND dialog, int controlId, const StaticColors& colors) override;
    void RepaintNeeded(HWND dialog, int controlId) override;
    void MessageBoxOpened(const MessageBoxInfo& box) override;
    void MessageBoxClosed(HWND box, int answer) override;
    void CursorChanged(int cursorId) override;

    static Dialog* FindDialog(State& state, HWND dialog);
    static const Dialog* FindDialog(const State& state, HWND dialog);
    // Hands a line to the event sink.
    void Emit(const std::string& line);

private:
    void ChangeDialog(HWND dialog, const std::function<void(Dialog&)>& change);

    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    State state;
    std::mutex sinkMutex;
    EventSink sink;
};

// The backend for ZANQ_UI=headless in a real program: the headless backend
// with the line protocol on standard input and output (see
// headless_protocol.cpp).
std::shared_ptr<Backend> MakeHeadlessBackendForProcess();

}  // namespace zanq::ui
