#pragma once

// Drives the real program on the private desktop of scripts/run-desktop like a person: starts
// programs, finds their windows and the tray icon, clicks and types with xdotool.

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <chrono>
#include <clocale>
#include <csignal>
#include <fstream>
#include <functional>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace desktop {

// Retries the condition every 20 ms until it holds or the deadline passes.
inline bool WaitFor(const std::function<bool()>& condition, double seconds = 10) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (; !condition(); std::this_thread::sleep_for(std::chrono::milliseconds(20)))
        if (std::chrono::steady_clock::now() > deadline) return false;
    return true;
}

inline void Pause(double seconds) { WaitFor([] { return false; }, seconds); }

inline std::string Shell(const std::string& command) {  // its standard output
    std::string out;
    char buffer[512];
    FILE* pipe = popen(command.c_str(), "r");
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    pclose(pipe);
    return out;
}

inline std::string ReadFile(const std::string& path) {  // empty when it cannot be read
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline bool CapsLockOn() { return Shell("xset -q").find("Caps Lock:   on") != std::string::npos; }

inline void ResetKeyboard() {  // the us layout, Caps Lock off, as every test leaves it
    Shell("setxkbmap -model pc105 -layout us; xset -q | grep -q 'Caps Lock:   on' && xdotool key Caps_Lock");
}

// A scratch folder, removed with all in it.
struct Folder {
    std::string path;
    Folder() {
        char pattern[] = "/tmp/pelmora-test.XXXXXX";
        path = mkdtemp(pattern);
    }
    ~Folder() { Shell("rm -rf " + path); }
    std::string operator/(const std::string& name) const { return path + "/" + name; }
};

// A program started in a folder of its own or the one given, killed when the object goes away.
class Program {
public:
    explicit Program(const std::string& command, const std::string& env = {}, const std::string& dir = {}) {
        if ((pid_ = fork()) != 0) return;
        if (chdir((dir.empty() ? own_.path : dir).c_str()) == 0 && freopen((own_ / "stderr.txt").c_str(), "w", stderr))
            execl("/bin/sh", "sh", "-c", ("exec env " + env + " " + command).c_str(), nullptr);
        _exit(127);
    }
    ~Program() {
        if (Running()) kill(pid_, SIGKILL);
        waitpid(pid_, &status_, 0);
        // In a sanitizer build a report of the program fails the run: it goes where scripts/setup looks.
        const std::string text = Stderr();
        if (const char* reports = getenv("PELMORA_SANITIZER_REPORTS");
            reports && (text.find("runtime error:") != std::string::npos || text.find("Sanitizer") != std::string::npos))
            WriteFile(std::string(reports) + "/program." + std::to_string(pid_), text);
    }
    bool Running() { return status_ == -1 && waitpid(pid_, &status_, WNOHANG) == 0; }
    int WaitExit(double seconds = 10) {  // the exit code, or -1 on time-out
        if (!WaitFor([this] { return !Running(); }, seconds)) return -1;
        return WIFEXITED(status_) ? WEXITSTATUS(status_) : 128 + WTERMSIG(status_);
    }
    std::string Stderr() const { return ReadFile(own_ / "stderr.txt"); }
    void Signal(int signal) { kill(pid_, signal); }

private:
    Folder own_;
    pid_t pid_ = -1;
    int status_ = -1;
};

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
    explicit operator bool() const { return width > 0; }
};

class Desk {
public:
    Desk() {
        std::setlocale(LC_CTYPE, "C.UTF-8");  // Xlib decodes titles into the locale's encoding
        display_ = XOpenDisplay(nullptr);
        // Windows come and go while the tree is walked; a vanished one is simply not found.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    }
    ~Desk() { XCloseDisplay(display_); }

    std::string Title(Window window) {  // _NET_WM_NAME, or else WM_NAME (xterm's is COMPOUND_TEXT)
        const std::vector<char> name = Property<char>(window, "_NET_WM_NAME");
        std::string title(name.begin(), name.end());
        XTextProperty old;
        char** list = nullptr;
        int count = 0;
        if (title.empty() && XGetWMName(display_, window, &old) && old.value) {
            if (Xutf8TextPropertyToTextList(display_, &old, &list, &count) >= Success && count > 0) title = list[0];
            if (list) XFreeStringList(list);
            XFree(old.value);
        }
        return title;
    }
    // The window with this title, on the screen or (shown false) anywhere; 0 if none.
    Window Find(const std::string& title, bool shown = true) {
        return Walk(DefaultRootWindow(display_), true,
                    [&](Window w) { return (!shown || Viewable(w)) && Title(w) == title; });
    }
    Window Await(const std::string& title, double seconds = 10) {  // shown in time; 0 if not
        Window window = 0;
        WaitFor([&] { return (window = Find(title)) != 0; }, seconds);
        return window;
    }
    // Answers the program's message box with a key, as a person would; false if none came or it stayed.
    bool Answer(const std::string& key = "Return") {
        const Window box = Await("Pelmora");
        if (!box) return false;
        ActivateForTyping(box);
        Key(key);
        return WaitFor([&] { return !Viewable(box); }, 5);
    }
    // The program's icon on a panel: its window in an XEmbed tray, or else its picture (the
    // tile's blue) on a dock drawn by a StatusNotifierItem host; empty if none.
    Rect TrayIcon() {
        Rect found;
        Walk(DefaultRootWindow(display_), true, [&](Window dock) {
            if (!Viewable(dock) || !HasAtom(dock, "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_DOCK")) return false;
            if (Window own = Walk(dock, true, [&](Window w) { return IsPelmora(w) && Viewable(w); }))
                return bool(found = Area(own));
            const Rect where = Area(dock);
            const std::vector<uint32_t> pixels = Pixels(where);
            int left = where.width, top = where.height, right = -1, bottom = -1, count = 0;
            for (int i = 0; i < int(pixels.size()); ++i) {
                const int r = pixels[i] >> 16, g = pixels[i] >> 8 & 0xff, b = pixels[i] & 0xff;
                if (std::abs(r - 0x2f) > 6 || std::abs(g - 0x6f) > 6 || std::abs(b - 0xb2) > 6) continue;
                left = std::min(left, i % where.width);
                right = std::max(right, i % where.width);
                top = std::min(top, i / where.width);
                bottom = std::max(bottom, i / where.width);
                ++count;
            }
            if (count >= 16)
                found = {where.x + left, where.y + top, right - left + 1, bottom - top + 1};
            return bool(found);
        });
        return found;
    }
    // Pop-up menus on the screen: the program's own (Qt types them as normal windows, its
    // tooltips as tooltips), or else those a panel draws.
    std::vector<Rect> Menus(bool own = true) {
        std::vector<Rect> menus;
        Walk(DefaultRootWindow(display_), false, [&](Window w) {
            XWindowAttributes a;
            if (!XGetWindowAttributes(display_, w, &a) || a.map_state != IsViewable || !a.override_redirect ||
                IsPelmora(w) != own)
                return false;
            if (own ? a.width > 4 && !HasAtom(w, "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_TOOLTIP")
                    : HasAtom(w, "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_POPUP_MENU"))
                menus.push_back(Area(w));
            return false;
        });
        return menus;
    }
    bool Viewable(Window window) {
        XWindowAttributes attributes;
        return XGetWindowAttributes(display_, window, &attributes) && attributes.map_state == IsViewable;
    }
    bool IsMinimised(Window window) { return HasAtom(window, "_NET_WM_STATE", "_NET_WM_STATE_HIDDEN"); }
    // In the always-on-top band; i3 has none, and floats a window above the tiled ones.
    bool IsAbove(Window window) {
        return HasAtom(window, "_NET_WM_STATE", "_NET_WM_STATE_ABOVE") ||
               !Property<long>(window, "I3_FLOATING_WINDOW").empty();
    }
    Window Active() {  // xfwm4 writes a second, empty item
        const std::vector<long> active = Property<long>(DefaultRootWindow(display_), "_NET_ACTIVE_WINDOW");
        return active.empty() ? 0 : active[0];
    }
    Rect Area(Window window) {  // the client area on the screen
        XWindowAttributes a;
        Window child;
        Rect rect;
        if (!XGetWindowAttributes(display_, window, &a)) return rect;
        XTranslateCoordinates(display_, window, a.root, 0, 0, &rect.x, &rect.y, &child);
        rect.width = a.width;
        rect.height = a.height;
        return rect;
    }
    Rect Frame(Window window) {  // with the window manager's borders
        const Rect r = Area(window);
        const std::vector<long> e = Property<long>(window, "_NET_FRAME_EXTENTS");  // left, right, top, bottom
        if (!r || e.size() != 4) return r;
        return {r.x - int(e[0]), r.y - int(e[2]), r.width + int(e[0] + e[1]), r.height + int(e[2] + e[3])};
    }
    std::vector<uint32_t> Pixels(const Rect& a) {  // 0xRRGGBB, row by row
        std::vector<uint32_t> out;
        XImage* image = XGetImage(display_, DefaultRootWindow(display_), a.x, a.y, a.width, a.height, AllPlanes, ZPixmap);
        for (int i = 0; image && i < a.width * a.height; ++i)
            out.push_back(XGetPixel(image, i % a.width, i / a.width) & 0xFFFFFF);
        if (image) XDestroyImage(image);
        return out;
    }
    // From now on counts the windows made on the desktop, other than pop-ups.
    void WatchNewWindows() { XSelectInput(display_, DefaultRootWindow(display_), SubstructureNotifyMask); }
    int NewWindows() {
        for (XEvent e; XPending(display_);) {
            XNextEvent(display_, &e);
            made_ += e.type == CreateNotify && !e.xcreatewindow.override_redirect;
        }
        return made_;
    }
    bool AnyKeyDown() {
        char keys[32];
        XQueryKeymap(display_, keys);
        return std::ranges::any_of(keys, [](char byte) { return byte != 0; });
    }

    void Click(const Rect& a, int button, int times = 1) {  // in the middle of the area
        Shell("xdotool mousemove " + std::to_string(a.x + a.width / 2) + " " + std::to_string(a.y + a.height / 2) +
              " click --repeat " + std::to_string(times) + " --delay 120 " + std::to_string(button));
    }
    void ClickAt(Window window, int x, int y, int times = 1) {
        const Rect where = Area(window);
        Click({where.x + x, where.y + y, 1, 1}, 1, times);
    }
    void Key(const std::string& keys) { Shell("xdotool key --delay 60 " + keys); }
    void Activate(Window window) { Shell("xdotool windowactivate --sync " + std::to_string(window)); }
    // Activates the window with the keyboard, then lets its field take the focus.
    void ActivateForTyping(Window window) {
        const std::string id = std::to_string(window);
        Shell("xdotool windowactivate --sync " + id + " windowfocus --sync " + id);
        Pause(0.3);
    }
    void AskToClose(Window window) {  // as the window manager's close button does
        XEvent event{};
        event.xclient = {ClientMessage, 0, False, display_, window, XInternAtom(display_, "WM_PROTOCOLS", False), 32, {}};
        event.xclient.data.l[0] = long(XInternAtom(display_, "WM_DELETE_WINDOW", False));
        XSendEvent(display_, window, False, NoEventMask, &event);
        XFlush(display_);
    }

private:
    Display* display_;
    int made_ = 0;

    // The first window below this one (depth first) that the test accepts, or 0.
    Window Walk(Window window, bool deep, const std::function<bool(Window)>& test) {
        Window root, parent, *list = nullptr, found = 0;
        unsigned count = 0;
        XQueryTree(display_, window, &root, &parent, &list, &count);
        for (unsigned i = 0; i < count && !found; ++i)
            found = test(list[i]) ? list[i] : deep ? Walk(list[i], true, test) : 0;
        if (list) XFree(list);
        return found;
    }
    // A property's items: bytes (as char) or, in format 32, longs.
    template <class Item>
    std::vector<Item> Property(Window window, const char* name) {
        Atom type;
        int format;
        unsigned long count, after;
        unsigned char* data = nullptr;
        std::vector<Item> out;
        XGetWindowProperty(display_, window, XInternAtom(display_, name, False), 0, 1024, False, AnyPropertyType,
                           &type, &format, &count, &after, &data);
        if (data && format == (sizeof(Item) == 1 ? 8 : 32)) out.assign((Item*)data, (Item*)data + count);
        if (data) XFree(data);
        return out;
    }
    bool HasAtom(Window window, const char* name, const char* atom) {
        return std::ranges::count(Property<long>(window, name), long(XInternAtom(display_, atom, False))) > 0;
    }
    bool IsPelmora(Window window) {  // WM_CLASS is "instance\0class\0"
        const std::vector<char> names = Property<char>(window, "WM_CLASS");
        return std::string(names.begin(), names.end()).ends_with(std::string("\0pelmora\0", 9));
    }
};

// The real program (or an installed one: PELMORA_PROGRAM=/usr/bin/pelmora), its main window up
// and its icon in the tray.
class ProgramOnDesktop : public ::testing::Test {
protected:
    Desk screen;
    Program program{getenv("PELMORA_PROGRAM") ?: PELMORA_BINARY};
    Window main = screen.Await("Pelmora - Utility for Windows ");

    void SetUp() override {
        ASSERT_TRUE(main) << "no main window\n" << program.Stderr();
        ASSERT_TRUE(WaitFor([&] { return bool(screen.TrayIcon()); })) << "no icon in the tray";
    }
    bool MainShown() { return screen.Viewable(main) && !screen.IsMinimised(main); }
    // Opens the tray menu with a right-click on the icon and picks an item by its letter.
    void ChooseFromTrayMenu(const std::string& letter) {
        const size_t before = screen.Menus().size();  // the magnifier counts too
        screen.Click(screen.TrayIcon(), 3);
        ASSERT_TRUE(WaitFor([&] { return screen.Menus().size() == before + 1; })) << "no tray menu";
        screen.Key(letter);
    }
};

}  // namespace desktop

// Xlib's macros would clash with the test's own words.
#undef Bool
#undef None
#undef Status
#undef True
#undef False
#undef Success
#undef Always
