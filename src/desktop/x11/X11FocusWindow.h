#pragma once

#include "FocusWindow.h"

#include <memory>

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
