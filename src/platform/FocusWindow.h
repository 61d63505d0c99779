#pragma once

// Which window has the keyboard now, so that keystrokes meant for one application
// are never typed into another. Real: the X server; tests: a scripted fake.
class FocusWindow {
public:
    struct Info {
        unsigned long window = 0;  // 0 when no window has the focus
        bool own = false;          // one of this program's windows
        bool desktop = false;      // the root window or the desktop background
    };
    virtual ~FocusWindow() = default;
    virtual Info Current() = 0;
};

// _NET_ACTIVE_WINDOW of the window manager, falling back to the X input focus;
// a window is our own when its _NET_WM_PID is our process or it is one of our
// top-level windows.
class X11FocusWindow : public FocusWindow {
public:
    ~X11FocusWindow() override;
    Info Current() override;

private:
    struct _XDisplay* display_ = nullptr;
};
