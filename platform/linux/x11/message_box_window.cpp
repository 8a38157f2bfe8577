#include "message_box_window.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <algorithm>
#include <cctype>

#include "input_focus.h"
#include "look.h"
#include "utf8.h"

namespace zanq::x11 {
namespace {

constexpr int kMargin = 12;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kButtonGap = 6;
constexpr int kMaxTextWidth = 420;
constexpr int kMinWidth = 200;

// The letter after '&' in a label, lower case; 0 when there is none.
int MnemonicOf(const char* label) {
    for (const char* p = label; *p != '\0'; ++p) {
        if (*p == '&' && p[1] != '\0' && p[1] != '&') return std::tolower(static_cast<unsigned char>(p[1]));
    }
    return 0;
}

}  // namespace

std::vector<MessageBoxButton> ButtonsOf(UINT style) {
    switch (style & MB_TYPEMASK) {
    case MB_OKCANCEL: return {{IDOK, "OK"}, {IDCANCEL, "Cancel"}};
    case MB_ABORTRETRYIGNORE: return {{IDABORT, "&Abort"}, {IDRETRY, "&Retry"}, {IDIGNORE, "&Ignore"}};
    case MB_YESNOCANCEL: return {{IDYES, "&Yes"}, {IDNO, "&No"}, {IDCANCEL, "Cancel"}};
    case MB_YESNO: return {{IDYES, "&Yes"}, {IDNO, "&No"}};
    case MB_RETRYCANCEL: return {{IDRETRY, "&Retry"}, {IDCANCEL, "Cancel"}};
    default: return {{IDOK, "OK"}};
    }
}

std::size_t DefaultButtonOf(UINT style, std::size_t buttonCount) {
    const std::size_t wanted = (style >> 8) & 0xF;  // MB_DEFBUTTON1 = 0, MB_DEFBUTTON2 = 1, ...
    return wanted < buttonCount ? wanted : 0;
}

int CloseAnswerOf(const std::vector<MessageBoxButton>& buttons) {
    for (const MessageBoxButton& b : buttons) {
        if (b.answer == IDCANCEL) return IDCANCEL;
    }
    return buttons.size() == 1 && buttons[0].answer == IDOK ? IDOK : 0;
}

MessageBoxWindow::MessageBoxWindow(const ui::MessageBoxInfo& info, Fl_Window* owner)
    : Fl_Double_Window(kMinWidth, 100), box_(info.box), owner_(info.owner), text_(ToUtf8(info.text)), buttons_(ButtonsOf(info.style)) {
    copy_label(ToUtf8(info.caption).c_str());
    color(kFaceColor);
    cursor(FL_CURSOR_ARROW);
    callback(WindowCallback);
    defaultButton_ = DefaultButtonOf(info.style, buttons_.size());

    fl_font(kDialogFont, kMessageFontSize);
    int textWidth = kMaxTextWidth, textHeight = 0;
    fl_measure(text_.c_str(), textWidth, textHeight, 0);
    if (textWidth > kMaxTextWidth) {
        textWidth = kMaxTextWidth;
        fl_measure(text_.c_str(), textWidth, textHeight, 0);
    }
    const int buttonsWidth = static_cast<int>(buttons_.size()) * (kButtonWidth + kButtonGap) - kButtonGap;
    textWidth += 4;  // room for rounding, so that drawing wraps where measuring did
    const int width = std::max({kMinWidth, textWidth + 3 * kMargin, buttonsWidth + 2 * kMargin});
    const int height = 2 * kMargin + textHeight + 2 * kMargin + kButtonHeight + kMargin;
    size(width, height);
    size_range(width, height, width, height);

    begin();
    // FLTK insets a left-aligned label by 3 pixels on each side.
    auto* text = new Fl_Box(kMargin + kMargin / 2 - 3, 2 * kMargin, width - 3 * kMargin + 6, textHeight);
    text->label(text_.c_str());
    text->labelfont(kDialogFont);
    text->labelsize(kMessageFontSize);
    text->align(FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_INSIDE | FL_ALIGN_WRAP);
    int x = (width - buttonsWidth) / 2;
    const int y = height - kMargin - kButtonHeight;
    for (std::size_t n = 0; n < buttons_.size(); ++n) {
        auto* button = new Fl_Button(x, y, kButtonWidth, kButtonHeight, buttons_[n].label);
        button->labelfont(kDialogFont);
        button->labelsize(kMessageFontSize);
        button->color(kFaceColor);
        // The default button wears a dark frame.
        if (n == defaultButton_) button->box(FL_BORDER_BOX);
        button->callback([](Fl_Widget* w, void* answer) {
            static_cast<MessageBoxWindow*>(w->window())->Answer(static_cast<int>(reinterpret_cast<intptr_t>(answer)));
        }, reinterpret_cast<void*>(static_cast<intptr_t>(buttons_[n].answer)));
        widgets_.push_back(button);
        x += kButtonWidth + kButtonGap;
    }
    end();
    // Blocks its owner, as the owner is disabled while the box is up.
    if (owner != nullptr) {
        set_modal();
    } else {
        set_non_modal();
    }
}

void MessageBoxWindow::ShowOver(Fl_Window* owner) {
    if (owner != nullptr && owner->shown()) {
        position(owner->x() + (owner->w() - w()) / 2, owner->y() + (owner->h() - h()) / 2);
    } else {
        position((Fl::w() - w()) / 2, (Fl::h() - h()) / 2);
    }
    show();
    if (!widgets_.empty()) widgets_[defaultButton_]->take_focus();
    // The text as a window property, for assistive tools and for tests that
    // read what the box says.
    const Atom property = XInternAtom(fl_display, "_ZANQ_TEXT", False);
    const Atom utf8 = XInternAtom(fl_display, "UTF8_STRING", False);
    XChangeProperty(fl_display, fl_xid(this), property, utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(text_.data()), static_cast<int>(text_.size()));
}

void MessageBoxWindow::draw() {
    // Drawn means exposed: the first time the box is on screen it takes the
    // keyboard.
    if (!focusTaken_) focusTaken_ = TakeInputFocus(this);
    Fl_Double_Window::draw();
}

void MessageBoxWindow::Answer(int answer) {
    if (answer == 0 || answered_) return;
    // The model closes the box once it has taken the answer.
    answered_ = ui::input::AnswerMessageBox(box_, answer);
}

void MessageBoxWindow::WindowCallback(Fl_Widget* widget, void*) {
    auto* self = static_cast<MessageBoxWindow*>(widget);
    // Escape and the close box: only where the box has a way to be closed.
    self->Answer(CloseAnswerOf(self->buttons_));
}

int MessageBoxWindow::handle(int event) {
    if (event == FL_KEYBOARD || event == FL_SHORTCUT) {
        const int key = Fl::event_key();
        if (key == FL_Enter || key == FL_KP_Enter) {
            // Enter presses the focused button; the default one has the focus
            // until the person moves it.
            for (std::size_t n = 0; n < widgets_.size(); ++n) {
                if (Fl::focus() == widgets_[n]) {
                    Answer(buttons_[n].answer);
                    return 1;
                }
            }
            Answer(buttons_[defaultButton_].answer);
            return 1;
        }
        if (key == FL_Escape) {
            Answer(CloseAnswerOf(buttons_));
            return 1;
        }
        if (Fl::event_text() != nullptr && Fl::event_length() == 1) {
            const int typed = std::tolower(static_cast<unsigned char>(Fl::event_text()[0]));
            for (const MessageBoxButton& b : buttons_) {
                if (typed != 0 && MnemonicOf(b.label) == typed) {
                    Answer(b.answer);
                    return 1;
                }
            }
        }
    }
    return Fl_Double_Window::handle(event);
}

}  // namespace zanq::x11
