#pragma once

// What the desktop tests use to drive the real program on the virtual desktop like a person:
// start it, find its windows and its tray icon, click and type with xdotool.

#include <cstdint>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

struct _XDisplay;

namespace desktop {

using Window = unsigned long;  // X11's, without Xlib.h, whose macros clash with GoogleTest

// Retries the condition every 20 ms until it holds or the deadline passes.
bool WaitFor(const std::function<bool()>& condition, double seconds = 10);
inline void Pause(double seconds) { WaitFor([] { return false; }, seconds); }
std::string Shell(const std::string& command);  // its standard output
std::string ReadFile(const std::string& path);  // empty when it cannot be read
void WriteFile(const std::string& path, const std::string& bytes);
std::string Padded(const std::string& text, size_t width);
std::string NoteRecord(const std::string& title, const std::string& comment);  // as navilist.dat holds it
bool CapsLockOn();
void ResetKeyboard();  // the us layout, Caps Lock off, as every test leaves it
// The program's StatusNotifierItem as the panel's watcher lists it ("service/object path");
// empty when its icon is no such item (an XEmbed tray, or no icon at all).
std::string StatusNotifierItem();
// Calls a method of it as a panel does (in dbus-send's notation); dbus-send's reply.
std::string CallStatusNotifierItem(const std::string& methodAndArguments);

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
    explicit operator bool() const { return width > 0; }
    bool operator==(const Rect&) const = default;
};

// A program started in a private working folder, killed when the object goes away.
class Program {
public:
    explicit Program(const std::string& command, const std::string& env = {});
    ~Program();
    pid_t Pid() const { return pid_; }
    bool Running();
    int WaitExit(double seconds = 10);  // the exit code, or -1 on time-out
    std::string Stderr() const;
    void Signal(int signal);

private:
    pid_t pid_ = -1;
    int status_ = -1;
    std::string dir_;
};

class Screen {
public:
    Screen();
    ~Screen();
    std::string Title(Window window);  // _NET_WM_NAME, or else WM_NAME (xterm's, often COMPOUND_TEXT)
    Window FindByTitle(const std::string& title);  // mapped or not; 0 if none
    Window Shown(const std::string& title);        // on the screen; 0 if none
    Window Await(const std::string& title);        // shown within 10 s; 0 if not
    // The program's icon on a panel: its window in an XEmbed tray, or else its picture (the
    // tile's blue) on a dock drawn by a StatusNotifierItem host; empty if none.
    Rect TrayIcon();
    // The program's own pop-up menus on the screen, or else those a panel draws.
    std::vector<Rect> Menus(bool own);
    bool Viewable(Window window);
    bool IsMinimised(Window window);
    // In the always-on-top band; i3 has none, and floats a window above the tiled ones.
    bool IsAbove(Window window);
    Window Active();            // _NET_ACTIVE_WINDOW
    Rect Area(Window window);   // the client area on the screen
    Rect Frame(Window window);  // with the window manager's borders
    std::vector<uint32_t> Pixels(const Rect& area);  // 0xRRGGBB, row by row
    bool AnyKeyDown();

    void Click(const Rect& area, int button, int times = 1);  // in the middle of the area
    void ClickAt(Window window, int x, int y, int button = 1, int times = 1);
    void Key(const std::string& keys);
    void Activate(Window window);
    // Activates the window with the keyboard, then lets its field take the focus.
    void ActivateForTyping(Window window);
    void AskToClose(Window window);  // as the window manager's close button does (WM_DELETE_WINDOW)

private:
    ::_XDisplay* display_;
};

}  // namespace desktop
