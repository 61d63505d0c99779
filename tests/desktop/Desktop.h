#pragma once

// What the desktop tests use to drive the real program on the virtual desktop
// like a person: start it, find its windows and its tray icon, click with xdotool.

#include <functional>
#include <string>
#include <sys/types.h>

struct _XDisplay;

namespace desktop {

// X11 types without Xlib.h, whose macros clash with GoogleTest.
using Window = unsigned long;

// Retries the condition every 20 ms until it holds or the deadline passes.
bool WaitFor(const std::function<bool()>& condition, double seconds = 10);

// Runs a shell command (xdotool, xprop ...) and returns its standard output.
std::string Shell(const std::string& command);

// A whole file's bytes; empty when it cannot be read.
std::string ReadFile(const std::string& path);
// Text filled up with spaces to a field's width.
std::string Padded(const std::string& text, size_t width);
// One note as a record of navilist.dat holds it.
std::string NoteRecord(const std::string& title, const std::string& comment);
// Whether the X server's Caps Lock is locked.
bool CapsLockOn();

// The program's StatusNotifierItem as the panel's watcher lists it ("service/object path");
// empty when the program's icon is not such an item (an XEmbed tray, or no icon at all).
std::string StatusNotifierItem();
// Calls a method of the program's StatusNotifierItem as a panel does (method and arguments in
// dbus-send's notation); returns dbus-send's printed reply, empty when there is no item.
std::string CallStatusNotifierItem(const std::string& methodAndArguments);

// An area of the screen, in pixels from its top-left corner; empty when width is 0.
struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
    explicit operator bool() const { return width > 0; }
};

// The program under test, started with a private working folder; killed by pid
// when the object goes away if it is still running.
class Program {
public:
    explicit Program(const std::string& binary, const std::string& env = {});
    ~Program();
    pid_t Pid() const { return pid_; }
    bool Running();
    // Waits for the process to end; returns its exit code, or -1 on time-out.
    int WaitExit(double seconds = 10);
    std::string Stderr() const;
    void Signal(int signal);
    // Resident memory (VmRSS) and processor time used so far (user + system).
    double ResidentMegabytes() const;
    double CpuSeconds() const;

private:
    void KeepSanitizerReport() const;

    pid_t pid_ = -1;
    int status_ = -1;
    std::string dir_;
};

class Screen {
public:
    Screen();
    ~Screen();

    // A top-level window whose _NET_WM_NAME is exactly the title (mapped or not); 0 if none.
    Window FindByTitle(const std::string& title);
    // Where the program's icon is on a panel: its window embedded in an XEmbed tray, or else
    // its picture (the tile's blue) on a dock drawn by a StatusNotifierItem host; empty if none.
    Rect TrayIcon();
    // A pop-up menu on the screen that a panel draws (not the program's own); empty if none.
    Rect PanelMenu();
    bool Viewable(Window window);
    // The window with this title when it is on the screen, else 0.
    Window Shown(const std::string& title);
    bool IsMinimised(Window window);
    // In the always-on-top band; i3 has none, and floats a window above the tiled ones.
    bool IsAbove(Window window);
    // The window that has the keyboard, as the window manager says (_NET_ACTIVE_WINDOW).
    Window Active();
    // The outer frame on the screen, window-manager borders included.
    Rect Frame(Window window);
    // Mapped pop-up menus on the screen.
    int CountPopupMenus();
    std::string Title(Window window);

    // Whether the X server sees any key held down.
    bool AnyKeyDown();

    void Click(Window window, int button, int times = 1);
    // A click in the middle of an area of the screen.
    void Click(const Rect& area, int button, int times = 1);
    // A click at a point of the window (pixels from its top-left corner).
    void ClickAt(Window window, int x, int y, int button = 1, int times = 1);
    void Key(const std::string& keys);
    // Brings the window to the front, as the window manager does for a click on it.
    void Activate(Window window);
    // Activates the window and gives it the keyboard, then lets its field take the focus.
    void ActivateForTyping(Window window);
    // Asks the window to close, as the window manager's close button does (WM_DELETE_WINDOW).
    void AskToClose(Window window);

private:
    Rect embeddedIcon(Window dock);
    Rect pictureOn(Window dock, unsigned long rgb);

    ::_XDisplay* display_;
};

}  // namespace desktop
