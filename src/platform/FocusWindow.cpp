#include "FocusWindow.h"

#include <QApplication>
#include <QWidget>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <unistd.h>

namespace {

// The first 32-bit item of a window property, or 0.
unsigned long CardinalProperty(Display* display, Window window, const char* name, Atom type) {
    Atom actualType;
    int format;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    unsigned long value = 0;
    if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 1, False, type, &actualType,
                           &format, &count, &after, &data) == Success &&
        data && count > 0 && format == 32)
        value = reinterpret_cast<unsigned long*>(data)[0];
    if (data) XFree(data);
    return value;
}

// The top-level client that holds the given window (the input focus may be a child).
Window ClientOf(Display* display, Window window) {
    const Atom wmState = XInternAtom(display, "WM_STATE", False);
    for (Window w = window; w;) {
        Atom actualType;
        int format;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        const bool hasState = XGetWindowProperty(display, w, wmState, 0, 1, False, AnyPropertyType, &actualType,
                                                 &format, &count, &after, &data) == Success && actualType != None;
        if (data) XFree(data);
        if (hasState) return w;
        Window root, parent;
        Window* children = nullptr;
        unsigned int n = 0;
        if (!XQueryTree(display, w, &root, &parent, &children, &n)) break;
        if (children) XFree(children);
        if (parent == root) return w;
        w = parent;
    }
    return window;
}

}  // namespace

X11FocusWindow::~X11FocusWindow() {
    if (display_) XCloseDisplay(display_);
}

FocusWindow::Info X11FocusWindow::Current() {
    Info info;
    if (!display_) display_ = XOpenDisplay(nullptr);
    Display* display = display_;
    if (!display) return info;
    const Window root = DefaultRootWindow(display);

    Window window = CardinalProperty(display, root, "_NET_ACTIVE_WINDOW", XA_WINDOW);
    if (!window) {
        int revert = 0;
        Window focus = 0;
        XGetInputFocus(display, &focus, &revert);
        if (focus != None && focus != PointerRoot) window = focus == root ? root : ClientOf(display, focus);
    }
    info.window = window;
    if (!window) return info;
    if (window == root) {
        info.desktop = true;
        return info;
    }

    const Atom desktopType = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DESKTOP", False);
    info.desktop = CardinalProperty(display, window, "_NET_WM_WINDOW_TYPE", XA_ATOM) == desktopType;
    info.own = CardinalProperty(display, window, "_NET_WM_PID", XA_CARDINAL) == static_cast<unsigned long>(getpid());
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->internalWinId() && widget->internalWinId() == window) info.own = true;
    return info;
}
