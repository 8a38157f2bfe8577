#include "virtual_display.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <fstream>
#include <stdexcept>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Reads the display number that Xvfb writes to -displayfd once it listens.
std::string ReadDisplayNumber(int fd, std::chrono::milliseconds timeout) {
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (text.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) throw std::runtime_error("Xvfb did not report its display");
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
        char buffer[32];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) throw std::runtime_error("Xvfb ended before reporting its display");
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return text.substr(0, text.find('\n'));
}

std::string WindowTitle(Display* display, Window window) {
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    for (const Atom property : {netName, static_cast<Atom>(XA_WM_NAME)}) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, window, property, 0, 1024, False, AnyPropertyType, &type, &format,
                               &count, &after, &data) == Success &&
            data != nullptr) {
            std::string title(reinterpret_cast<char*>(data), count);
            XFree(data);
            if (type == utf8 || type == XA_STRING) return title;
        }
    }
    return {};
}

bool Viewable(Display* display, Window window) {
    XWindowAttributes attributes;
    return XGetWindowAttributes(display, window, &attributes) != 0 && attributes.map_state == IsViewable;
}

// Top-level windows in stacking order, bottom first.
std::vector<Window> TopLevelWindows(Display* display) {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    std::vector<Window> result;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count) != 0) {
        result.assign(children, children + count);
        if (children != nullptr) XFree(children);
    }
    return result;
}

int IgnoreXErrors(Display*, XErrorEvent*) { return 0; }

}  // namespace

void Image::SavePpm(const std::filesystem::path& file) const {
    std::ofstream out(file, std::ios::binary);
    out << "P6\n" << width << ' ' << height << "\n255\n";
    for (const Rgb& p : pixels) out.put(static_cast<char>(p.r)).put(static_cast<char>(p.g)).put(static_cast<char>(p.b));
}

VirtualDisplay::VirtualDisplay() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    try {
        server_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{"Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                                     "-noreset"},
            EnvChanges{}, "/dev/null", std::vector<std::pair<int, int>>{{fds[1], 3}});
        close(fds[1]);
        name_ = ":" + ReadDisplayNumber(fds[0], 20s);
    } catch (...) {
        close(fds[0]);
        throw;
    }
    close(fds[0]);
    display_ = XOpenDisplay(name_.c_str());
    if (display_ == nullptr) throw std::runtime_error("cannot connect to Xvfb on " + name_);
    // Windows may vanish between listing and asking; such errors are expected.
    XSetErrorHandler(IgnoreXErrors);
}

VirtualDisplay::~VirtualDisplay() {
    if (display_ != nullptr) XCloseDisplay(display_);
}

std::optional<VirtualDisplay::Window> VirtualDisplay::WaitForWindow(const std::string& title,
                                                                     std::chrono::milliseconds timeout) {
    std::optional<Window> found;
    WaitUntil(
        [&] {
            for (const Window w : TopLevelWindows(display_)) {
                if (Viewable(display_, w) && WindowTitle(display_, w) == title) {
                    found = w;
                    return true;
                }
            }
            return false;
        },
        timeout);
    return found;
}

bool VirtualDisplay::HasWindow(const std::string& title) { return WaitForWindow(title, 0ms).has_value(); }

std::vector<std::string> VirtualDisplay::WindowTitles() {
    std::vector<std::string> titles;
    for (const Window w : TopLevelWindows(display_)) {
        if (Viewable(display_, w)) titles.push_back(WindowTitle(display_, w));
    }
    return titles;
}

std::string VirtualDisplay::TextProperty(Window window, const std::string& property) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string text;
    if (XGetWindowProperty(display_, window, XInternAtom(display_, property.c_str(), False), 0, 4096, False,
                           AnyPropertyType, &type, &format, &count, &after, &data) == Success &&
        data != nullptr) {
        text.assign(reinterpret_cast<char*>(data), count);
        XFree(data);
    }
    return text;
}

bool VirtualDisplay::HasProperty(Window window, const std::string& property) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const bool found = XGetWindowProperty(display_, window, XInternAtom(display_, property.c_str(), False), 0, 1, False,
                                          AnyPropertyType, &type, &format, &count, &after, &data) == Success &&
                       type != None;
    if (data != nullptr) XFree(data);
    return found;
}

std::vector<long> VirtualDisplay::CardinalProperty(Window window, const std::string& property, long count) {
    Atom type = None;
    int format = 0;
    unsigned long got = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<long> values;
    if (XGetWindowProperty(display_, window, XInternAtom(display_, property.c_str(), False), 0, count, False,
                           AnyPropertyType, &type, &format, &got, &after, &data) == Success &&
        data != nullptr && format == 32) {
        const long* longs = reinterpret_cast<const long*>(data);  // Xlib hands 32-bit items as longs
        values.assign(longs, longs + got);
    }
    if (data != nullptr) XFree(data);
    return values;
}

VirtualDisplay::Window VirtualDisplay::TransientFor(Window window) {
    ::Window owner = 0;
    return XGetTransientForHint(display_, window, &owner) != 0 ? owner : 0;
}

Point VirtualDisplay::Origin(Window window) {
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, &x, &y, &child);
    return {x, y};
}

Point VirtualDisplay::Size(Window window) {
    XWindowAttributes attributes{};
    XGetWindowAttributes(display_, window, &attributes);
    return {attributes.width, attributes.height};
}

void VirtualDisplay::MovePointer(int x, int y) {
    XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
    XSync(display_, False);
}

void VirtualDisplay::Click(unsigned button) {
    XTestFakeButtonEvent(display_, button, True, CurrentTime);
    XSync(display_, False);
    std::this_thread::sleep_for(30ms);
    XTestFakeButtonEvent(display_, button, False, CurrentTime);
    XSync(display_, False);
}

void VirtualDisplay::PressKey(const std::string& keysymName) {
    const KeyCode code = XKeysymToKeycode(display_, XStringToKeysym(keysymName.c_str()));
    if (code == 0) throw std::runtime_error("no key for " + keysymName);
    XTestFakeKeyEvent(display_, code, True, CurrentTime);
    XTestFakeKeyEvent(display_, code, False, CurrentTime);
    XSync(display_, False);
}

void VirtualDisplay::PressKeyWith(const std::string& modifierKeysym, const std::string& keysymName) {
    const KeyCode modifier = XKeysymToKeycode(display_, XStringToKeysym(modifierKeysym.c_str()));
    XTestFakeKeyEvent(display_, modifier, True, CurrentTime);
    PressKey(keysymName);
    XTestFakeKeyEvent(display_, modifier, False, CurrentTime);
    XSync(display_, False);
}

void VirtualDisplay::Focus(Window window) {
    XSetInputFocus(display_, window, RevertToPointerRoot, CurrentTime);
    XSync(display_, False);
}

VirtualDisplay::Window VirtualDisplay::FocusedWindow() {
    ::Window focus = 0;
    int revertTo = 0;
    XGetInputFocus(display_, &focus, &revertTo);
    return focus;
}

void VirtualDisplay::RequestClose(Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, window, False, NoEventMask, &event);
    XSync(display_, False);
}

PointerImage VirtualDisplay::CurrentCursor() {
    int eventBase = 0, errorBase = 0;
    if (!XFixesQueryExtension(display_, &eventBase, &errorBase)) throw std::runtime_error("no XFIXES");
    XFixesCursorImage* image = XFixesGetCursorImage(display_);
    if (image == nullptr) throw std::runtime_error("cannot read the cursor");
    PointerImage shape{image->width, image->height, image->xhot, image->yhot, {}};
    for (int i = 0; i < image->width * image->height; ++i) shape.argb.push_back(static_cast<std::uint32_t>(image->pixels[i]));
    XFree(image);
    return shape;
}

PointerImage VirtualDisplay::FontCursor(unsigned shape) {
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    const Cursor cursor = XCreateFontCursor(display_, shape);
    attributes.cursor = cursor;
    const Window probe = XCreateWindow(display_, DefaultRootWindow(display_), 0, 0, 24, 24, 0, CopyFromParent,
                                       InputOnly, CopyFromParent, CWOverrideRedirect | CWCursor, &attributes);
    XMapRaised(display_, probe);
    XSync(display_, False);
    MovePointer(12, 12);
    std::this_thread::sleep_for(50ms);
    PointerImage result = CurrentCursor();
    XDestroyWindow(display_, probe);
    XFreeCursor(display_, cursor);
    XSync(display_, False);
    return result;
}

Image VirtualDisplay::Grab(int x, int y, int width, int height) {
    XImage* xImage = XGetImage(display_, DefaultRootWindow(display_), x, y, static_cast<unsigned>(width),
                               static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (xImage == nullptr) throw std::runtime_error("cannot grab the screen");
    Image image{width, height, {}};
    image.pixels.reserve(static_cast<std::size_t>(width * height));
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            const unsigned long p = XGetPixel(xImage, column, row);
            image.pixels.push_back(Rgb{static_cast<std::uint8_t>((p >> 16) & 0xFF),
                                       static_cast<std::uint8_t>((p >> 8) & 0xFF),
                                       static_cast<std::uint8_t>(p & 0xFF)});
        }
    }
    XDestroyImage(xImage);
    return image;
}
