// The on-screen face of one message box of the window model: its title, its
// text and the buttons of its style. A press of a button is handed to the
// model as the box's answer; the model then closes the box. Enter answers
// with the focused button, which starts as the default one. Lives on the UI
// thread.
#pragma once

#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>

#include <string>
#include <vector>

#include "window/backend.h"

namespace zanq::x11 {

struct MessageBoxButton {
    int answer;         // IDOK, IDYES, ...
    const char* label;  // with its mnemonic
};

// The buttons of a MessageBoxW style, left to right.
std::vector<MessageBoxButton> ButtonsOf(UINT style);
// Index of the default button (MB_DEFBUTTONn), clamped to the buttons there are.
std::size_t DefaultButtonOf(UINT style, std::size_t buttonCount);
// What closing the box (close box, Escape) answers, or 0 when it cannot be
// closed that way (Yes/No without Cancel).
int CloseAnswerOf(const std::vector<MessageBoxButton>& buttons);

class MessageBoxWindow : public Fl_Double_Window {
public:
    // `owner` (may be null) is the window the box is centred over and blocks.
    MessageBoxWindow(const ui::MessageBoxInfo& info, Fl_Window* owner);

    HWND box() const { return box_; }
    HWND owner() const { return owner_; }
    void ShowOver(Fl_Window* owner);
    int handle(int event) override;
    void draw() override;

private:
    void Answer(int answer);
    static void WindowCallback(Fl_Widget* widget, void*);

    HWND box_;
    HWND owner_;
    std::string text_;
    std::vector<MessageBoxButton> buttons_;
    std::vector<Fl_Button*> widgets_;
    std::size_t defaultButton_ = 0;
    bool answered_ = false;
    bool focusTaken_ = false;
};

}  // namespace zanq::x11
