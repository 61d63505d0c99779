#pragma once

#include <memory>

// Which window has the keyboard now, so that keystrokes meant for one application
// are never typed into another; and which other program's window had it last, to hand
// the keyboard back there. Real: the X server and the window manager; tests: a fake.
class FocusWindow {
public:
    struct Info {
        unsigned long window = 0;  // 0 when no window anybody sees has the focus
        bool own = false;          // one of this program's windows
        bool desktop = false;      // the root window or the desktop background
    };
    virtual ~FocusWindow() = default;
    virtual Info Current() = 0;
    // The window of another program that was active last, also after one of ours took
    // the keyboard; 0 when there was none or it has gone.
    virtual unsigned long LastOther() = 0;
    // Asks the window manager to activate the window, as a task bar does on a click.
    virtual void Activate(unsigned long window) = 0;
};

// _NET_ACTIVE_WINDOW of the window manager, falling back to the X input focus. Only a
// mapped window that the window manager manages (WM_STATE) counts: the focus may rest on
// a window manager's hidden window (KWin under Wayland, openbox with no window open). A
// window is our own when its _NET_WM_PID is our process or it is one of our top-level
// windows. Changes of the active window are followed on a connection of its own.
class X11FocusWindow : public FocusWindow {
public:
    X11FocusWindow();
    ~X11FocusWindow() override;
    Info Current() override;
    unsigned long LastOther() override;
    void Activate(unsigned long window) override;

private:
    struct Watch;
    Info Describe(unsigned long window);
    void Follow();

    struct _XDisplay* display_ = nullptr;
    std::unique_ptr<Watch> watch_;
    unsigned long lastOther_ = 0;
};
