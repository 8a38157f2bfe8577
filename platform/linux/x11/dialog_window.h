// The on-screen face of one dialog of the window model: an FLTK window of
// the dialog's client size with one widget per control. It only draws what
// the model says and hands the person's mouse and keys back to the model;
// the dialog's behaviour stays in the model. Lives on the UI thread.
#pragma once

#include <FL/Enumerations.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_RGB_Image.H>
#include <FL/Fl_Widget.H>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "images.h"
#include "window/backend.h"

namespace zanq::x11 {

// Static text drawn with the colours that its parent chose in
// WM_CTLCOLORSTATIC. Until those are known it draws nothing, so that it never
// shows in colours the program did not ask for.
class StaticText : public Fl_Widget {
public:
    StaticText(int x, int y, int w, int h, const std::string& text);
    void SetColors(const ui::StaticColors& colors);
    void draw() override;

private:
    std::string text_;
    bool colorsKnown_ = false;
    ui::StaticColors colors_;
};

// A picture drawn at its control's top-left corner, at its own size.
class Picture : public Fl_Widget {
public:
    Picture(int x, int y, int w, int h);
    void SetImage(Fl_RGB_Image* image) { image_ = image; }
    void draw() override;

private:
    Fl_RGB_Image* image_ = nullptr;  // owned by the dialog window
};

// A smooth progress bar: a sunken frame filled from the left.
class ProgressBar : public Fl_Widget {
public:
    ProgressBar(int x, int y, int w, int h);
    void SetPosition(int position, int low, int high);
    void draw() override;

private:
    int position_ = 0, low_ = 0, high_ = 100;
};

class DialogWindow : public Fl_Double_Window {
public:
    explicit DialogWindow(const ui::DialogInfo& info);
    ~DialogWindow() override;

    HWND dialog() const { return dialog_; }
    void SetControlVisible(int controlId, bool visible);
    void SetProgress(int controlId, int position, int low, int high);
    void SetStaticColors(int controlId, const ui::StaticColors& colors);
    void SetIcon(const Pixels& icon);
    // Asks the model for the colours of every text static (WM_CTLCOLORSTATIC).
    void RequestStaticColors();
    void ShowCentred();
    int handle(int event) override;
    void draw() override;

private:
    Fl_Widget* Control(int controlId) const;
    void AddControl(const ui::ControlInfo& control);
    void OnButton(int controlId);
    static void WindowCallback(Fl_Widget* widget, void*);

    void AnnounceFrame();

    HWND dialog_;
    DWORD style_;
    std::map<int, Fl_Widget*> controls_;  // owned by the window (an Fl_Group)
    std::vector<int> textStatics_;
    std::vector<std::unique_ptr<Pixels>> pixels_;
    std::vector<std::unique_ptr<Fl_RGB_Image>> images_;
    bool pressed_ = false;
    bool focusTaken_ = false;  // the left button went down over the dialog itself
};

}  // namespace zanq::x11
