// A private X server (Xvfb) for one test, with what a test needs to act as
// the person in front of it: find windows by title, move the pointer, click,
// press keys, read the pointer's shape and take screenshots. Input goes
// through the XTEST extension, so programs see real pointer and key events.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"

struct _XDisplay;

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

struct Image {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;  // row by row, top row first

    Rgb At(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
    void SavePpm(const std::filesystem::path& file) const;
};

struct PointerImage {
    int width = 0, height = 0, xhot = 0, yhot = 0;
    std::vector<std::uint32_t> argb;
    bool operator==(const PointerImage&) const = default;
};

struct Point {
    int x = 0, y = 0;
};

class VirtualDisplay {
public:
    using Window = unsigned long;

    VirtualDisplay();  // starts Xvfb on a free display number and connects
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;
    ~VirtualDisplay();

    const std::string& name() const { return name_; }  // e.g. ":5"

    // A mapped top-level window with exactly this title, waited for.
    std::optional<Window> WaitForWindow(const std::string& title, std::chrono::milliseconds timeout);
    bool HasWindow(const std::string& title);
    std::vector<std::string> WindowTitles();
    // A UTF-8 text property of the window (empty when missing).
    std::string TextProperty(Window window, const std::string& property);
    bool HasProperty(Window window, const std::string& property);
    // The first `count` values of a 32-bit property (fewer when shorter).
    std::vector<long> CardinalProperty(Window window, const std::string& property, long count);
    // The window this one is transient for (its owner); 0 when none.
    Window TransientFor(Window window);
    // Where the window's (0, 0) lies on the screen, and its size.
    Point Origin(Window window);
    Point Size(Window window);

    void MovePointer(int x, int y);  // screen coordinates
    void Click(unsigned button = 1);
    void PressKey(const std::string& keysymName);  // "Return", "Escape", ...
    void PressKeyWith(const std::string& modifierKeysym, const std::string& keysymName);
    // What a window manager does: give the window the keyboard focus, or ask
    // it to close (the close box).
    void Focus(Window window);
    Window FocusedWindow();
    void RequestClose(Window window);

    PointerImage CurrentCursor();
    // The shape of a standard X font cursor (XC_hand2, XC_left_ptr, ...), as
    // this server draws it, read through a window of our own.
    PointerImage FontCursor(unsigned shape);

    Image Grab(int x, int y, int width, int height);

private:
    std::string name_;
    std::unique_ptr<ChildProcess> server_;
    _XDisplay* display_ = nullptr;
};

// Polls `condition` every 20 ms until it holds or `timeout` has passed.
template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}
