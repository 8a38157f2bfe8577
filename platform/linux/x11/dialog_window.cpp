#include "dialog_window.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <algorithm>
#include <cstdint>
#include <cwctype>

#include "input_focus.h"
#include "look.h"
#include "utf8.h"

namespace zanq::x11 {
namespace {

Fl_Color ToFlColor(COLORREF color) {
    return fl_rgb_color(static_cast<uchar>(color & 0xFF), static_cast<uchar>((color >> 8) & 0xFF),
                        static_cast<uchar>((color >> 16) & 0xFF));
}

bool IsClass(const ui::ControlInfo& control, const wchar_t* name) {
    const std::wstring& a = control.className;
    const std::wstring b = name;
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return std::towlower(static_cast<wint_t>(x)) == std::towlower(static_cast<wint_t>(y));
           });
}

// The X server's time of the last pointer event, in milliseconds; 0 (now)
// before the first. The model tells double clicks apart by it. Recorded
// from the X events themselves: FLTK also makes up moves of its own (when a
// window goes), during which its current X event is not a live one.
DWORD lastPointerEventTime = 0;  // UI thread only

int RememberPointerEventTime(void* event, void*) {
    const auto* e = static_cast<const XEvent*>(event);
    switch (e->type) {
    case ButtonPress:
    case ButtonRelease: lastPointerEventTime = static_cast<DWORD>(e->xbutton.time); break;
    case MotionNotify: lastPointerEventTime = static_cast<DWORD>(e->xmotion.time); break;
    case EnterNotify:
    case LeaveNotify: lastPointerEventTime = static_cast<DWORD>(e->xcrossing.time); break;
    default: break;
    }
    return 0;  // FLTK handles the event as usual
}

DWORD EventTime() { return lastPointerEventTime; }

int Width(const RECT& r) { return static_cast<int>(r.right - r.left); }
int Height(const RECT& r) { return static_cast<int>(r.bottom - r.top); }

}  // namespace

StaticText::StaticText(int x, int y, int w, int h, const std::string& text) : Fl_Widget(x, y, w, h), text_(text) {
    box(FL_NO_BOX);
}

void StaticText::SetColors(const ui::StaticColors& colors) {
    colors_ = colors;
    colorsKnown_ = true;
    redraw();
}

void StaticText::draw() {
    if (!colorsKnown_) return;
    fl_push_clip(x(), y(), w(), h());
    // The brush paints the control's background; the null brush paints
    // nothing, and neither does a transparent text background.
    const bool nullBrush = colors_.stockBrush == NULL_BRUSH;
    if (!nullBrush) fl_rectf(x(), y(), w(), h(), kFaceColor);
    if (colors_.backgroundMode == OPAQUE) {
        int tw = 0, th = 0;
        fl_font(kDialogFont, kDialogFontSize);
        fl_measure(text_.c_str(), tw, th, 0);
        fl_rectf(x(), y(), std::min(tw, w()), std::min(th, h()), ToFlColor(colors_.backgroundColor));
    }
    fl_font(kDialogFont, kDialogFontSize);
    fl_color(ToFlColor(colors_.textColor));
    fl_draw(text_.c_str(), x(), y(), w(), h(), FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_INSIDE | FL_ALIGN_WRAP, nullptr,
            0);
    fl_pop_clip();
}

Picture::Picture(int x, int y, int w, int h) : Fl_Widget(x, y, w, h) { box(FL_NO_BOX); }

void Picture::draw() {
    if (image_ != nullptr) image_->draw(x(), y());
}

ProgressBar::ProgressBar(int x, int y, int w, int h) : Fl_Widget(x, y, w, h) { box(FL_THIN_DOWN_BOX); }

void ProgressBar::SetPosition(int position, int low, int high) {
    position_ = position;
    low_ = low;
    high_ = high;
    redraw();
}

void ProgressBar::draw() {
    draw_box(box(), kFaceColor);
    const int inset = 2;
    const int inner = w() - 2 * inset;
    const long span = std::max(1L, static_cast<long>(high_) - low_);
    const long done = std::clamp(static_cast<long>(position_) - low_, 0L, span);
    const int filled = static_cast<int>(inner * done / span);
    if (filled > 0) fl_rectf(x() + inset, y() + inset, filled, h() - 2 * inset, kProgressColor);
}

DialogWindow::DialogWindow(const ui::DialogInfo& info)
    : Fl_Double_Window(info.clientWidth, info.clientHeight), dialog_(info.window), style_(info.style) {
    copy_label(ToUtf8(info.caption).c_str());
    color(kFaceColor);
    box(FL_FLAT_BOX);
    // No sizing border and no maximise box: the window keeps its size.
    size_range(info.clientWidth, info.clientHeight, info.clientWidth, info.clientHeight);
    callback(WindowCallback);
    cursor(FL_CURSOR_ARROW);
    static const bool trackingEventTimes = (Fl::add_system_handler(RememberPointerEventTime, nullptr), true);
    (void)trackingEventTimes;
    begin();
    // Drawn in template order, so the picture (first) lies under the others.
    for (const ui::ControlInfo& control : info.controls) AddControl(control);
    end();
}

DialogWindow::~DialogWindow() { hide(); }

void DialogWindow::AddControl(const ui::ControlInfo& control) {
    const RECT& r = control.rect;
    const int x = static_cast<int>(r.left), y = static_cast<int>(r.top);
    Fl_Widget* widget = nullptr;
    const DWORD staticType = control.style & SS_TYPEMASK;
    if (IsClass(control, L"Static") && (staticType == SS_BITMAP || staticType == SS_ICON)) {
        auto* picture = new Picture(x, y, Width(r), Height(r));
        const unsigned char* data = nullptr;
        std::size_t size = 0;
        std::optional<Pixels> pixels;
        if (staticType == SS_BITMAP && ui::FindBitmapResource(control.imageResourceId, data, size)) {
            pixels = DecodeBitmapFile(data, size);
        } else if (staticType == SS_ICON && ui::FindIconResource(control.imageResourceId, data, size)) {
            pixels = DecodeLargestIcon(data, size);
        }
        if (pixels) {
            // A bitmap static takes the size of its picture.
            picture->size(pixels->width, pixels->height);
            pixels_.push_back(std::make_unique<Pixels>(std::move(*pixels)));
            const Pixels& p = *pixels_.back();
            images_.push_back(std::make_unique<Fl_RGB_Image>(p.data.data(), p.width, p.height, p.depth));
            picture->SetImage(images_.back().get());
        }
        widget = picture;
    } else if (IsClass(control, L"Static")) {
        widget = new StaticText(x, y, Width(r), Height(r), ToUtf8(control.text));
        textStatics_.push_back(control.id);
    } else if (IsClass(control, L"msctls_progress32")) {
        widget = new ProgressBar(x, y, Width(r), Height(r));
    } else if (IsClass(control, L"Button")) {
        auto* button = new Fl_Button(x, y, Width(r), Height(r));
        button->copy_label(ToUtf8(control.text).c_str());  // "&Cancel": underlined mnemonic
        button->labelfont(kDialogFont);
        button->labelsize(kDialogFontSize);
        const bool flat = (control.style & BS_FLAT) != 0;
        button->box(flat ? FL_BORDER_BOX : FL_UP_BOX);
        button->down_box(flat ? FL_BORDER_BOX : FL_DOWN_BOX);
        button->color(kFaceColor, flat ? kFlatPressedColor : kFaceColor);
        button->callback([](Fl_Widget* w, void* id) {
            static_cast<DialogWindow*>(w->window())->OnButton(static_cast<int>(reinterpret_cast<intptr_t>(id)));
        }, reinterpret_cast<void*>(static_cast<intptr_t>(control.id)));
        widget = button;
    } else {
        return;  // a class this dialog does not draw
    }
    if (!control.visible) widget->hide();
    controls_[control.id] = widget;
}

Fl_Widget* DialogWindow::Control(int controlId) const {
    const auto found = controls_.find(controlId);
    return found == controls_.end() ? nullptr : found->second;
}

void DialogWindow::SetControlVisible(int controlId, bool visible) {
    if (Fl_Widget* widget = Control(controlId)) {
        if (visible) {
            widget->show();
            // Each time a static shows, its parent chooses its colours anew.
            if (std::find(textStatics_.begin(), textStatics_.end(), controlId) != textStatics_.end()) {
                ui::input::RequestPaint(dialog_, controlId);
            }
        } else {
            widget->hide();
        }
        redraw();  // what lay under it shows again
    }
}

void DialogWindow::SetProgress(int controlId, int position, int low, int high) {
    if (auto* bar = dynamic_cast<ProgressBar*>(Control(controlId))) bar->SetPosition(position, low, high);
}

void DialogWindow::SetStaticColors(int controlId, const ui::StaticColors& colors) {
    if (auto* text = dynamic_cast<StaticText*>(Control(controlId))) {
        text->SetColors(colors);
        redraw();  // transparent: the picture under it is drawn first
    }
}

void DialogWindow::SetIcon(const Pixels& pixels) {
    Fl_RGB_Image image(pixels.data.data(), pixels.width, pixels.height, pixels.depth);
    icon(&image);  // copied
}

void DialogWindow::RequestStaticColors() {
    for (const int id : textStatics_) ui::input::RequestPaint(dialog_, id);
}

void DialogWindow::ShowCentred() {
    position((Fl::w() - w()) / 2, (Fl::h() - h()) / 2);
    show();
    AnnounceFrame();
}

// Tells the window manager which parts of a frame the dialog's style asks
// for (Motif hints, which most window managers read): a caption, a window
// menu with Close, a minimise box; a maximise box and a sizing border only
// when the style has them.
void DialogWindow::AnnounceFrame() {
    enum : long {
        kFunctions = 1, kDecorations = 2,
        kFuncResize = 2, kFuncMove = 4, kFuncMinimize = 8, kFuncMaximize = 16, kFuncClose = 32,
        kDecorBorder = 2, kDecorResize = 4, kDecorTitle = 8, kDecorMenu = 16, kDecorMinimize = 32, kDecorMaximize = 64,
    };
    long functions = kFuncMove;
    long decorations = kDecorBorder;
    if ((style_ & WS_CAPTION) == WS_CAPTION) decorations |= kDecorTitle;
    if (style_ & WS_SYSMENU) {
        functions |= kFuncClose;
        decorations |= kDecorMenu;
    }
    if (style_ & WS_MINIMIZEBOX) {
        functions |= kFuncMinimize;
        decorations |= kDecorMinimize;
    }
    if (style_ & WS_MAXIMIZEBOX) {
        functions |= kFuncMaximize;
        decorations |= kDecorMaximize;
    }
    if (style_ & WS_THICKFRAME) {
        functions |= kFuncResize;
        decorations |= kDecorResize;
    }
    const long hints[5] = {kFunctions | kDecorations, functions, decorations, 0, 0};
    const Atom property = XInternAtom(fl_display, "_MOTIF_WM_HINTS", False);
    XChangeProperty(fl_display, fl_xid(this), property, property, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(hints), 5);
}

void DialogWindow::draw() {
    // Drawn means exposed: the first time the dialog is on screen it takes
    // the keyboard.
    if (!focusTaken_) focusTaken_ = TakeInputFocus(this);
    Fl_Double_Window::draw();
}

void DialogWindow::OnButton(int controlId) { ui::input::ClickButton(dialog_, controlId); }

void DialogWindow::WindowCallback(Fl_Widget* widget, void*) {
    auto* self = static_cast<DialogWindow*>(widget);
    // FLTK calls this for Escape and for the window manager's close request.
    if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) {
        ui::input::PressEscape(self->dialog_);
    } else {
        ui::input::RequestClose(self->dialog_);
    }
}

int DialogWindow::handle(int event) {
    switch (event) {
    case FL_ENTER:
    case FL_MOVE:
    case FL_DRAG:
        ui::input::MouseMove(dialog_, Fl::event_x(), Fl::event_y(), EventTime());
        Fl_Double_Window::handle(event);
        return 1;  // keep receiving FL_MOVE
    case FL_PUSH:
        if (Fl_Double_Window::handle(event)) return 1;  // a control (Cancel) took it
        if (Fl::event_button() == FL_LEFT_MOUSE) {
            pressed_ = true;
            ui::input::MouseButtonDown(dialog_, Fl::event_x(), Fl::event_y(), EventTime());
        }
        return 1;
    case FL_RELEASE:
        if (pressed_ && Fl::event_button() == FL_LEFT_MOUSE) {
            pressed_ = false;
            ui::input::MouseButtonUp(dialog_, Fl::event_x(), Fl::event_y(), EventTime());
            return 1;
        }
        return Fl_Double_Window::handle(event);
    case FL_KEYBOARD:
    case FL_SHORTCUT:
        if (Fl::event_key() == FL_F + 4 && Fl::event_state(FL_ALT)) {
            ui::input::RequestClose(dialog_);
            return 1;
        }
        if (Fl::event_key() == FL_Escape) {
            ui::input::PressEscape(dialog_);
            return 1;
        }
        return Fl_Double_Window::handle(event);
    default:
        return Fl_Double_Window::handle(event);
    }
}

}  // namespace zanq::x11
