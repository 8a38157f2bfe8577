// The headless backend of a real program (ZANQ_UI=headless): events go to
// standard output, one line each, and the user's actions come from standard
// input, one command a line.
//
// Events:   created <template id> | shown | hidden | ended <result>
//           visible <control id> 0|1 | progress <control id> <position>
//           messagebox <style> <title>|<text> | answered <answer>
//           cursor <IDC_ number> | icon <resource id>
//           painted <control id> <text colour RRGGBB as COLORREF hex> <background mode> <stock brush>
//           error <what was not understood or could not be done>
// Commands: move X Y | down X Y | up X Y | click X Y | button ID | cancel
//           close | escape | paint ID | answer ok|yes|no|cancel
// Commands act on the newest dialog that has not ended and on the oldest
// open message box, waiting up to 5 s for one to exist, so a script may
// send its commands ahead. Each is handled before the next is read: the
// dialog's thread has taken the action (or entered a message box while
// taking it), or the answered box has closed. "cancel" clicks the push button labelled Cancel.
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <iostream>
#include <sstream>
#include <thread>

#include "window/headless_backend.h"

namespace zanq::ui {
namespace {

HWND CurrentDialog(const HeadlessBackend& backend) {
    HWND dialog = nullptr;
    backend.Inspect([&](const HeadlessBackend::State& state) {
        for (const auto& candidate : state.dialogs) {
            if (!candidate.ended) dialog = candidate.info.window;
        }
    });
    return dialog;
}

int CancelButtonId(const HeadlessBackend& backend, HWND dialog) {
    int id = 0;
    backend.Inspect([&](const HeadlessBackend::State& state) {
        const HeadlessBackend::Dialog* found = HeadlessBackend::FindDialog(state, dialog);
        if (!found) return;
        for (const ControlInfo& control : found->info.controls) {
            std::wstring label;
            for (wchar_t c : control.text) {
                if (c != L'&') label += c;
            }
            if (control.className == L"Button" && label == L"Cancel") id = control.id;
        }
    });
    return id;
}

HWND OldestOpenBox(const HeadlessBackend& backend) {
    HWND box = nullptr;
    backend.Inspect([&](const HeadlessBackend::State& state) {
        for (const auto& candidate : state.boxes) {
            if (candidate.open) {
                box = candidate.info.box;
                return;
            }
        }
    });
    return box;
}

int AnswerNamed(const std::string& name) {
    if (name == "ok") return IDOK;
    if (name == "yes") return IDYES;
    if (name == "no") return IDNO;
    if (name == "cancel") return IDCANCEL;
    return 0;
}

// Waits until the dialog's thread has handled what was queued for it.
bool Handled(HWND dialog) {
    struct Waiter {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
    };
    auto waiter = std::make_shared<Waiter>();
    bool queued = input::Flush(dialog, [waiter] {
        {
            std::lock_guard lock(waiter->mutex);
            waiter->finished = true;
        }
        waiter->done.notify_all();
    });
    if (!queued) return true;  // the dialog is gone: nothing is left to handle
    std::unique_lock lock(waiter->mutex);
    return waiter->done.wait_for(lock, std::chrono::seconds(5), [&] { return waiter->finished; });
}

bool Known(const std::string& command) {
    for (const char* known : {"move", "down", "up", "click", "button", "paint", "cancel", "close", "escape", "answer"}) {
        if (command == known) return true;
    }
    return false;
}

bool Act(HeadlessBackend& backend, const std::string& command, std::istringstream& words);
bool ActOnDialog(HeadlessBackend& backend, HWND dialog, const std::string& command, std::istringstream& words);

bool Perform(HeadlessBackend& backend, const std::string& line) {
    std::istringstream words(line);
    std::string command;
    words >> command;
    if (command.empty()) return true;
    if (!Known(command)) return false;
    return Act(backend, command, words);
}

bool Act(HeadlessBackend& backend, const std::string& command, std::istringstream& words) {
    if (command == "answer") {
        std::string name;
        words >> name;
        // An answer that comes before its box waits a little for it.
        backend.WaitFor(
            [](const HeadlessBackend::State& state) {
                for (const auto& candidate : state.boxes) {
                    if (candidate.open) return true;
                }
                return false;
            },
            std::chrono::seconds(5));
        HWND box = OldestOpenBox(backend);
        if (!input::AnswerMessageBox(box, AnswerNamed(name))) return false;
        return backend.WaitFor(
            [box](const HeadlessBackend::State& state) {
                for (const auto& candidate : state.boxes) {
                    if (candidate.info.box == box) return !candidate.open;
                }
                return false;
            },
            std::chrono::seconds(5));
    }
    // A command that comes before the dialog waits a little for it.
    backend.WaitFor(
        [](const HeadlessBackend::State& state) {
            for (const auto& candidate : state.dialogs) {
                if (!candidate.ended) return true;
            }
            return false;
        },
        std::chrono::seconds(5));
    HWND dialog = CurrentDialog(backend);
    if (!dialog) return false;
    return ActOnDialog(backend, dialog, command, words) && Handled(dialog);
}

bool ActOnDialog(HeadlessBackend& backend, HWND dialog, const std::string& command, std::istringstream& words) {
    if (command == "move" || command == "down" || command == "up" || command == "click") {
        int x = 0, y = 0;
        if (!(words >> x >> y)) return false;
        if (command == "move") return input::MouseMove(dialog, x, y);
        if (command == "up") return input::MouseButtonUp(dialog, x, y);
        bool pressed = input::MouseButtonDown(dialog, x, y);
        return command == "down" ? pressed : pressed && input::MouseButtonUp(dialog, x, y);
    }
    if (command == "button" || command == "paint") {
        int id = 0;
        if (!(words >> id)) return false;
        return command == "button" ? input::ClickButton(dialog, id) : input::RequestPaint(dialog, id);
    }
    if (command == "cancel") {
        int id = CancelButtonId(backend, dialog);
        return id != 0 && input::ClickButton(dialog, id);
    }
    if (command == "close") return input::RequestClose(dialog);
    if (command == "escape") return input::PressEscape(dialog);
    return false;
}

}  // namespace

std::shared_ptr<Backend> MakeHeadlessBackendForProcess() {
    auto backend = std::make_shared<HeadlessBackend>();
    backend->SetEventSink([](const std::string& line) {
        std::fputs(line.c_str(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    });
    // Reads commands for as long as the process lives; ends at end of input.
    std::thread([backend] {
        std::string line;
        while (std::getline(std::cin, line)) {
            if (!Perform(*backend, line)) backend->Emit("error " + line);
        }
    }).detach();
    return backend;
}

}  // namespace zanq::ui
