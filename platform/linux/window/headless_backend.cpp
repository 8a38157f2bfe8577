#include "window/headless_backend.h"

#include "core/utf8.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace zanq::ui {
namespace {

// The text of an event line: UTF-8, one line (line breaks become spaces).
std::string LineText(std::wstring text) {
    std::replace(text.begin(), text.end(), L'\n', L' ');
    std::replace(text.begin(), text.end(), L'\r', L' ');
    return zanq::os::ToUtf8(text);
}

}  // namespace

void HeadlessBackend::SetEventSink(EventSink newSink) {
    std::lock_guard lock(sinkMutex);
    sink = std::move(newSink);
}

void HeadlessBackend::Emit(const std::string& line) {
    std::lock_guard lock(sinkMutex);
    if (sink) sink(line);
}

void HeadlessBackend::Inspect(const std::function<void(const State&)>& look) const {
    std::lock_guard lock(mutex);
    look(state);
}

void HeadlessBackend::Change(const std::function<void(State&)>& change) {
    {
        std::lock_guard lock(mutex);
        change(state);
        ++state.changes;
    }
    changed.notify_all();
}

bool HeadlessBackend::WaitFor(const std::function<bool(const State&)>& condition,
                              std::chrono::milliseconds timeout) const {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock lock(mutex);
    while (!condition(state)) {
        // Also look now and then: a condition may read more than this state.
        auto next = std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(20));
        if (std::chrono::steady_clock::now() >= deadline) return false;
        changed.wait_until(lock, next);
    }
    return true;
}

HeadlessBackend::Dialog* HeadlessBackend::FindDialog(State& state, HWND dialog) {
    for (auto it = state.dialogs.rbegin(); it != state.dialogs.rend(); ++it) {
        if (it->info.window == dialog) return &*it;
    }
    return nullptr;
}

const HeadlessBackend::Dialog* HeadlessBackend::FindDialog(const State& state, HWND dialog) {
    for (auto it = state.dialogs.rbegin(); it != state.dialogs.rend(); ++it) {
        if (it->info.window == dialog) return &*it;
    }
    return nullptr;
}

void HeadlessBackend::ChangeDialog(HWND dialog, const std::function<void(Dialog&)>& change) {
    Change([&](State& all) {
        if (Dialog* found = FindDialog(all, dialog)) change(*found);
    });
}

void HeadlessBackend::DialogCreated(const DialogInfo& dialog) {
    Change([&](State& all) {
        Dialog created;
        created.info = dialog;
        created.classIconId = all.classIconId;
        for (const ControlInfo& control : dialog.controls) {
            if (control.className == L"msctls_progress32") created.progress[control.id] = 0;
        }
        all.dialogs.push_back(std::move(created));
    });
    Emit("created " + std::to_string(dialog.templateId));
}

void HeadlessBackend::DialogVisibilityChanged(HWND dialog, bool visible) {
    ChangeDialog(dialog, [&](Dialog& found) {
        found.visible = visible;
        found.shownOnce = found.shownOnce || visible;
    });
    Emit(visible ? "shown" : "hidden");
}

void HeadlessBackend::DialogEnded(HWND dialog, INT_PTR result) {
    ChangeDialog(dialog, [&](Dialog& found) {
        found.ended = true;
        found.visible = false;
        found.result = result;
    });
    Emit("ended " + std::to_string(result));
}

void HeadlessBackend::ControlVisibilityChanged(HWND dialog, int controlId, bool visible) {
    ChangeDialog(dialog, [&](Dialog& found) {
        for (ControlInfo& control : found.info.controls) {
            if (control.id == controlId) control.visible = visible;
        }
    });
    Emit("visible " + std::to_string(controlId) + (visible ? " 1" : " 0"));
}

void HeadlessBackend::ProgressChanged(HWND dialog, int controlId, int position, int, int) {
    ChangeDialog(dialog, [&](Dialog& found) { found.progress[controlId] = position; });
    Emit("progress " + std::to_string(controlId) + " " + std::to_string(position));
}

void HeadlessBackend::DialogEnabledChanged(HWND dialog, bool enabled) {
    ChangeDialog(dialog, [&](Dialog& found) { found.enabled = enabled; });
}

void HeadlessBackend::ClassIconChanged(HWND dialog, int iconResourceId) {
    Change([&](State& all) {
        all.classIconId = iconResourceId;
        if (Dialog* found = FindDialog(all, dialog)) found->classIconId = iconResourceId;
    });
    Emit("icon " + std::to_string(iconResourceId));
}

void HeadlessBackend::ControlPainted(HWND dialog, int controlId, const StaticColors& colors) {
    ChangeDialog(dialog, [&](Dialog& found) {
        found.painted[controlId] = colors;
        ++found.paintCount[controlId];
    });
    char line[96];
    std::snprintf(line, sizeof line, "painted %d %06X %d %d", controlId, static_cast<unsigned>(colors.textColor),
                  colors.backgroundMode, colors.stockBrush);
    Emit(line);
}

void HeadlessBackend::RepaintNeeded(HWND, int) {}

void HeadlessBackend::MessageBoxOpened(const MessageBoxInfo& box) {
    Change([&](State& all) { all.boxes.push_back(Box{box}); });
    Emit("messagebox " + std::to_string(box.style) + " " + LineText(box.caption) + "|" + LineText(box.text));
}

void HeadlessBackend::MessageBoxClosed(HWND box, int answer) {
    Change([&](State& all) {
        for (Box& open : all.boxes) {
            if (open.info.box == box) {
                open.open = false;
                open.answer = answer;
            }
        }
    });
    Emit("answered " + std::to_string(answer));
}

void HeadlessBackend::CursorChanged(int cursorId) {
    bool changedCursor = false;
    Change([&](State& all) {
        changedCursor = all.cursorId != cursorId;
        all.cursorId = cursorId;
    });
    if (changedCursor) Emit("cursor " + std::to_string(cursorId));
}

}  // namespace zanq::ui
