#include "X11FocusWindow.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <unistd.h>

#include "WindowTree.h"  // after Qt: Xlib defines Bool and Status

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

bool HasWmState(Display* display, Window window) {
    Atom actualType = None;
    int format;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(display, window, XInternAtom(display, "WM_STATE", False), 0, 1, False, AnyPropertyType,
                       &actualType, &format, &count, &after, &data);
    if (data) XFree(data);
    return actualType != None;
}

// The managed top-level client that holds the given window (the input focus may be a
// child); 0 when no window above it is managed.
Window ClientOf(Display* display, Window window) {
    for (Window w = window; w; w = ParentOf(display, w))
        if (HasWmState(display, w)) return w;
    return 0;
}

bool Viewable(Display* display, Window window) {
    XWindowAttributes attributes;
    return XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable;
}

}  // namespace

// Root property changes, read as they come in.
struct X11FocusWindow::Watch {
    QSocketNotifier notifier;
    explicit Watch(Display* display) : notifier(ConnectionNumber(display), QSocketNotifier::Read) {}
};

X11FocusWindow::X11FocusWindow() : display_(XOpenDisplay(nullptr)) {
    if (!display_) return;
    XSelectInput(display_, DefaultRootWindow(display_), PropertyChangeMask);
    if (QCoreApplication::instance()) {
        watch_ = std::make_unique<Watch>(display_);
        QObject::connect(&watch_->notifier, &QSocketNotifier::activated, [this] { Follow(); });
    }
    Follow();
}

X11FocusWindow::~X11FocusWindow() {
    watch_.reset();
    if (display_) XCloseDisplay(display_);
}

void X11FocusWindow::Follow() {
    bool changed = false;
    const Atom active = XInternAtom(display_, "_NET_ACTIVE_WINDOW", False);
    while (XPending(display_)) {
        XEvent event;
        XNextEvent(display_, &event);
        changed |= event.type == PropertyNotify && event.xproperty.atom == active;
    }
    if (!changed && lastOther_) return;
    const Info now = Current();
    if (now.window && !now.own && !now.desktop) lastOther_ = now.window;
}

FocusWindow::Info X11FocusWindow::Current() {
    if (!display_) return {};
    const Window root = DefaultRootWindow(display_);
    Window window = CardinalProperty(display_, root, "_NET_ACTIVE_WINDOW", XA_WINDOW);
    if (!window) {
        int revert = 0;
        Window focus = 0;
        XGetInputFocus(display_, &focus, &revert);
        if (focus == root) return Info{root, false, true};
        if (focus != None && focus != PointerRoot) window = ClientOf(display_, focus);
    }
    return Describe(window);
}

FocusWindow::Info X11FocusWindow::Describe(unsigned long window) {
    Info info;
    if (!window || !Viewable(display_, window) || !HasWmState(display_, window)) return info;
    info.window = window;
    const Atom desktopType = XInternAtom(display_, "_NET_WM_WINDOW_TYPE_DESKTOP", False);
    info.desktop = CardinalProperty(display_, window, "_NET_WM_WINDOW_TYPE", XA_ATOM) == desktopType;
    info.own = CardinalProperty(display_, window, "_NET_WM_PID", XA_CARDINAL) == static_cast<unsigned long>(getpid());
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->internalWinId() && widget->internalWinId() == window) info.own = true;
    return info;
}

unsigned long X11FocusWindow::LastOther() {
    if (display_) Follow();
    if (lastOther_ && !HasWmState(display_, lastOther_)) lastOther_ = 0;  // closed meanwhile
    return lastOther_;
}

void X11FocusWindow::Activate(unsigned long window) {
    if (!display_) return;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display_, "_NET_ACTIVE_WINDOW", False);
    event.xclient.format = 32;
    // As a pager asks for it: window managers that hold back activation requests from
    // applications (focus stealing prevention) grant those of pagers.
    event.xclient.data.l[0] = 2;
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, DefaultRootWindow(display_), False, SubstructureRedirectMask | SubstructureNotifyMask,
               &event);
    XFlush(display_);
}
