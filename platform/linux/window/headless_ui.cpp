// The in-process test driver over the headless backend.
#include "testing/headless_ui.h"

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "window/headless_backend.h"

namespace zanq::testing {

using ui::HeadlessBackend;

struct HeadlessUi::State {
    std::shared_ptr<HeadlessBackend> backend = std::make_shared<HeadlessBackend>();
    std::shared_ptr<ui::Backend> previous;
    // Event times of the user's actions: a second apart unless a double
    // click asks for less.
    std::atomic<DWORD> clock{1000000};

    DWORD Tick(DWORD step) { return clock.fetch_add(step) + step; }

    // The newest dialog, ended or not; null before the first.
    template <typename Look>
    auto WithDialog(Look look) const {
        decltype(look(static_cast<const HeadlessBackend::Dialog*>(nullptr))) answer{};
        backend->Inspect([&](const HeadlessBackend::State& all) {
            answer = look(all.dialogs.empty() ? nullptr : &all.dialogs.back());
        });
        return answer;
    }
};

HeadlessUi::HeadlessUi() : state(std::make_shared<State>()) { state->previous = ui::InstallBackend(state->backend); }

HeadlessUi::~HeadlessUi() {
    // With no backend before, a quiet headless one stays: a straggling call
    // into the window system must not make the process choose one from the
    // environment (and stop for want of a display).
    ui::InstallBackend(state->previous ? state->previous : std::make_shared<HeadlessBackend>());
}

bool HeadlessUi::WaitForDialogShown(milliseconds timeout) {
    return state->backend->WaitFor(
        [](const HeadlessBackend::State& all) { return !all.dialogs.empty() && all.dialogs.back().shownOnce; }, timeout);
}

bool HeadlessUi::WaitForDialogEnded(milliseconds timeout) {
    return state->backend->WaitFor(
        [](const HeadlessBackend::State& all) { return !all.dialogs.empty() && all.dialogs.back().ended; }, timeout);
}

HWND HeadlessUi::Dialog() const {
    return state->WithDialog([](const HeadlessBackend::Dialog* d) { return d ? d->info.window : HWND{}; });
}

bool HeadlessUi::DialogVisible() const {
    return state->WithDialog([](const HeadlessBackend::Dialog* d) { return d && d->visible; });
}

bool HeadlessUi::DialogEnded() const {
    return state->WithDialog([](const HeadlessBackend::Dialog* d) { return d && d->ended; });
}

std::optional<INT_PTR> HeadlessUi::DialogResult() const {
    return state->WithDialog([](const HeadlessBackend::Dialog* d) {
        return d && d->ended ? std::optional<INT_PTR>(d->result) : std::nullopt;
    });
}

bool HeadlessUi::Sync(milliseconds timeout) {
    HWND dialog = Dialog();
    if (!dialog) return false;
    struct Waiter {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
    };
    auto waiter = std::make_shared<Waiter>();
    bool queued = ui::input::Flush(dialog, [waiter] {
        {
            std::lock_guard lock(waiter->mutex);
            waiter->finished = true;
        }
        waiter->done.notify_all();
    });
    // A dialog that is gone has nothing left to handle.
    if (!queued) return DialogEnded() || WaitForDialogEnded(timeout);
    std::unique_lock lock(waiter->mutex);
    return waiter->done.wait_for(lock, timeout, [&] { return waiter->finished; });
}

namespace {

template <typename Act>
bool ActOnDialog(HeadlessUi& ui, Act act, milliseconds timeout) {
    HWND dialog = ui.Dialog();
    return dialog && act(dialog) && ui.Sync(timeout);
}

}  // namespace

bool HeadlessUi::MouseMove(int x, int y, milliseconds timeout) {
    DWORD time = state->Tick(1000);
    return ActOnDialog(*this, [&](HWND d) { return ui::input::MouseMove(d, x, y, time); }, timeout);
}

bool HeadlessUi::MouseDown(int x, int y, milliseconds timeout) {
    DWORD time = state->Tick(1000);
    return ActOnDialog(*this, [&](HWND d) { return ui::input::MouseButtonDown(d, x, y, time); }, timeout);
}

bool HeadlessUi::MouseUp(int x, int y, milliseconds timeout) {
    DWORD time = state->Tick(1000);
    return ActOnDialog(*this, [&](HWND d) { return ui::input::MouseButtonUp(d, x, y, time); }, timeout);
}

bool HeadlessUi::Click(int x, int y, milliseconds timeout) {
    DWORD time = state->Tick(1000);
    return ActOnDialog(
        *this,
        [&](HWND d) { return ui::input::MouseButtonDown(d, x, y, time) && ui::input::MouseButtonUp(d, x, y, time + 50); },
        timeout);
}

bool HeadlessUi::DoubleClick(int x, int y, milliseconds timeout) {
    DWORD time = state->Tick(1000);
    return ActOnDialog(
        *this,
        [&](HWND d) {
            return ui::input::MouseButtonDown(d, x, y, time) && ui::input::MouseButtonUp(d, x, y, time + 50) &&
                   ui::input::MouseButtonDown(d, x, y, time + 100) && ui::input::MouseButtonUp(d, x, y, time + 150);
        },
        timeout);
}

bool HeadlessUi::ClickButton(int controlId, milliseconds timeout) {
    return ActOnDialog(*this, [&](HWND d) { return ui::input::ClickButton(d, controlId); }, timeout);
}

bool HeadlessUi::Close(milliseconds timeout) {
    return ActOnDialog(*this, [](HWND d) { return ui::input::RequestClose(d); }, timeout);
}

bool HeadlessUi::PressEscape(milliseconds timeout) {
    return ActOnDialog(*this, [](HWND d) { return ui::input::PressEscape(d); }, timeout);
}

std::optional<SeenMessageBox> HeadlessUi::WaitForMessageBox(milliseconds timeout) {
    auto pending = [](const HeadlessBackend::Box& box) { return box.open && !box.handedOut; };
    bool found = state->backend->WaitFor(
        [&](const HeadlessBackend::State& all) {
            for (const auto& box : all.boxes) {
                if (pending(box)) return true;
            }
            return false;
        },
        timeout);
    if (!found) return std::nullopt;
    std::optional<SeenMessageBox> seen;
    state->backend->Change([&](HeadlessBackend::State& all) {
        for (auto& box : all.boxes) {
            if (pending(box)) {
                box.handedOut = true;
                seen = SeenMessageBox{box.info.box, box.info.owner, box.info.text, box.info.caption, box.info.style};
                return;
            }
        }
    });
    return seen;
}

bool HeadlessUi::AnswerMessageBox(const SeenMessageBox& box, int answer) {
    if (!ui::input::AnswerMessageBox(box.box, answer)) return false;
    return state->backend->WaitFor(
        [&](const HeadlessBackend::State& all) {
            for (const auto& seen : all.boxes) {
                if (seen.info.box == box.box) return !seen.open;
            }
            return false;
        },
        kUiTimeout);
}

int HeadlessUi::OpenMessageBoxes() const {
    int open = 0;
    state->backend->Inspect([&](const HeadlessBackend::State& all) {
        for (const auto& box : all.boxes) open += box.open ? 1 : 0;
    });
    return open;
}

bool HeadlessUi::DialogEnabled() const {
    return state->WithDialog([](const HeadlessBackend::Dialog* d) { return d && d->enabled; });
}

bool HeadlessUi::ControlVisible(int controlId) const {
    return state->WithDialog([&](const HeadlessBackend::Dialog* d) {
        if (!d) return false;
        for (const auto& control : d->info.controls) {
            if (control.id == controlId) return control.visible;
        }
        return false;
    });
}

std::optional<RECT> HeadlessUi::ControlRect(int controlId) const {
    return state->WithDialog([&](const HeadlessBackend::Dialog* d) -> std::optional<RECT> {
        if (!d) return std::nullopt;
        for (const auto& control : d->info.controls) {
            if (control.id == controlId) return control.rect;
        }
        return std::nullopt;
    });
}

std::size_t HeadlessUi::ControlCount() const {
    return state->WithDialog([](const HeadlessBackend::Dialog* d) { return d ? d->info.controls.size() : 0; });
}

int HeadlessUi::ClientWidth() const {
    return state->WithDialog([](const HeadlessBackend::Dialog* d) { return d ? d->info.clientWidth : 0; });
}

int HeadlessUi::ClientHeight() const {
    return state->WithDialog([](const HeadlessBackend::Dialog* d) { return d ? d->info.clientHeight : 0; });
}

int HeadlessUi::ProgressPosition(int controlId) const {
    return state->WithDialog([&](const HeadlessBackend::Dialog* d) {
        if (!d) return -1;
        auto found = d->progress.find(controlId);
        return found == d->progress.end() ? -1 : found->second;
    });
}

int HeadlessUi::CursorId() const {
    int cursor = 0;
    state->backend->Inspect([&](const HeadlessBackend::State& all) { cursor = all.cursorId; });
    return cursor;
}

int HeadlessUi::ClassIconId() const {
    int icon = 0;
    state->backend->Inspect([&](const HeadlessBackend::State& all) { icon = all.classIconId; });
    return icon;
}

std::wstring HeadlessUi::Caption() const {
    return state->WithDialog([](const HeadlessBackend::Dialog* d) { return d ? d->info.caption : std::wstring(); });
}

std::optional<SeenStaticColors> HeadlessUi::PaintStatic(int controlId, milliseconds timeout) {
    HWND dialog = Dialog();
    if (!dialog) return std::nullopt;
    auto paints = [&](const HeadlessBackend::State& all) {
        const HeadlessBackend::Dialog* d = HeadlessBackend::FindDialog(all, dialog);
        if (!d) return 0;
        auto found = d->paintCount.find(controlId);
        return found == d->paintCount.end() ? 0 : found->second;
    };
    int before = 0;
    state->backend->Inspect([&](const HeadlessBackend::State& all) { before = paints(all); });
    if (!ui::input::RequestPaint(dialog, controlId)) return std::nullopt;
    if (!state->backend->WaitFor([&](const HeadlessBackend::State& all) { return paints(all) > before; }, timeout)) {
        return std::nullopt;
    }
    std::optional<SeenStaticColors> seen;
    state->backend->Inspect([&](const HeadlessBackend::State& all) {
        const ui::StaticColors& colors = HeadlessBackend::FindDialog(all, dialog)->painted.at(controlId);
        seen = SeenStaticColors{colors.textColor, colors.backgroundMode, colors.stockBrush};
    });
    return seen;
}

bool HeadlessUi::WaitUntil(const std::function<bool()>& condition, milliseconds timeout) const {
    // The condition may call back into this driver, so it is checked
    // without the backend's lock held.
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::uint64_t seen = 0;
        state->backend->Inspect([&](const HeadlessBackend::State& all) { seen = all.changes; });
        state->backend->WaitFor([&](const HeadlessBackend::State& all) { return all.changes != seen; },
                                std::chrono::milliseconds(20));
    }
}

}  // namespace zanq::testing
