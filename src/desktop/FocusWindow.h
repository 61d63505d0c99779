#pragma once

// Which window has the keyboard now, so that keystrokes meant for one application
// are never typed into another; and which other program's window had it last, to hand
// the keyboard back there. Real: a desktop back-end; tests: a fake.
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
