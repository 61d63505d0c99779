#include "Desktop.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <chrono>
#include <clocale>
#include <csignal>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace desktop {

bool WaitFor(const std::function<bool()>& condition, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (; !condition(); std::this_thread::sleep_for(std::chrono::milliseconds(20)))
        if (std::chrono::steady_clock::now() > deadline) return false;
    return true;
}

std::string Shell(const std::string& command) {
    std::string out;
    char buffer[512];
    if (FILE* pipe = popen(command.c_str(), "r")) {
        while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
        pclose(pipe);
    }
    return out;
}

std::string ReadFile(const std::string& path) {
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::string Padded(const std::string& text, size_t width) { return text + std::string(width - text.size(), ' '); }

std::string NoteRecord(const std::string& title, const std::string& comment) {
    return Padded(title, 100) + std::string(86, ' ') + Padded(comment, 300) + std::string(26, ' ');
}

bool CapsLockOn() { return Shell("xset -q").find("Caps Lock:   on") != std::string::npos; }

void ResetKeyboard() { Shell("setxkbmap -model pc105 -layout us; xset -q | grep -q 'Caps Lock:   on' && xdotool key Caps_Lock"); }

std::string StatusNotifierItem() {
    if (!std::getenv("DBUS_SESSION_BUS_ADDRESS")) return {};
    // Each item is listed as  string ":1.23/StatusNotifierItem" ; the program's is the only one.
    const std::string reply = Shell(
        "dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher "
        "org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher "
        "string:RegisteredStatusNotifierItems 2>/dev/null");
    const size_t start = reply.find("string \"");
    return start == std::string::npos ? "" : reply.substr(start + 8, reply.find('"', start + 8) - start - 8);
}

std::string CallStatusNotifierItem(const std::string& methodAndArguments) {
    const std::string item = StatusNotifierItem();
    const size_t slash = item.find('/');
    if (slash == std::string::npos) return {};
    return Shell("dbus-send --session --print-reply --dest=" + item.substr(0, slash) + " " + item.substr(slash) + " " +
                 methodAndArguments + " 2>&1");
}

Program::Program(const std::string& command, const std::string& env) {
    char pattern[] = "/tmp/pelmora-test.XXXXXX";
    dir_ = mkdtemp(pattern);
    if ((pid_ = fork()) != 0) return;
    if (chdir(dir_.c_str()) == 0 && freopen((dir_ + "/stderr.txt").c_str(), "w", stderr))
        execl("/bin/sh", "sh", "-c", ("exec env " + env + " " + command).c_str(), static_cast<char*>(nullptr));
    _exit(127);
}

Program::~Program() {
    if (Running()) kill(pid_, SIGKILL), waitpid(pid_, &status_, 0);
    // In a sanitizer build a report of the program fails the run even when the test passed:
    // its stderr goes where scripts/setup looks.
    const char* reports = std::getenv("PELMORA_SANITIZER_REPORTS");
    const std::string text = reports ? Stderr() : "";
    if (text.find("runtime error:") != std::string::npos || text.find("Sanitizer") != std::string::npos)
        std::ofstream(std::string(reports) + "/program." + std::to_string(pid_)) << text;
    Shell("rm -rf " + dir_);
}

bool Program::Running() { return status_ == -1 && (waitpid(pid_, &status_, WNOHANG) == 0 ? (status_ = -1, true) : false); }

int Program::WaitExit(double seconds) {
    if (!WaitFor([this] { return !Running(); }, seconds)) return -1;
    return WIFEXITED(status_) ? WEXITSTATUS(status_) : 128 + WTERMSIG(status_);
}

std::string Program::Stderr() const { return ReadFile(dir_ + "/stderr.txt"); }

void Program::Signal(int signal) { kill(pid_, signal); }

Screen::Screen() {
    std::setlocale(LC_CTYPE, "C.UTF-8");  // Xlib decodes titles into the locale's encoding
    if (!(display_ = XOpenDisplay(nullptr))) throw std::runtime_error("no X display");
    // Windows come and go while the tree is walked; a vanished one is simply not found.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
}

Screen::~Screen() { XCloseDisplay(display_); }

namespace {

// The first window below this one (depth first) that visit accepts, or 0.
Window find(Display* display, Window window, bool recurse, const std::function<bool(Window)>& visit) {
    Window root, parent, *list = nullptr, found = 0;
    unsigned count = 0;
    XQueryTree(display, window, &root, &parent, &list, &count);
    for (unsigned i = 0; i < count && !found; ++i)
        found = visit(list[i]) ? list[i] : recurse ? find(display, list[i], true, visit) : 0;
    if (list) XFree(list);
    return found;
}

// A property's items: bytes (as char) or, in format 32, longs.
template <class Item>
std::vector<Item> property(Display* display, Window window, const char* name) {
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    std::vector<Item> out;
    if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 1024, False, AnyPropertyType, &type,
                           &format, &count, &after, &data) == Success && data && format == (sizeof(Item) == 1 ? 8 : 32))
        out.assign(reinterpret_cast<Item*>(data), reinterpret_cast<Item*>(data) + count);
    if (data) XFree(data);
    return out;
}

bool hasAtom(Display* display, Window window, const char* name, const char* atom) {
    return std::ranges::count(property<long>(display, window, name), long(XInternAtom(display, atom, False))) > 0;
}

bool isPelmora(Display* display, Window window) {  // WM_CLASS is "instance\0class\0"
    const std::vector<char> names = property<char>(display, window, "WM_CLASS");
    return std::string(names.begin(), names.end()).ends_with(std::string("\0pelmora\0", 9));
}

}  // namespace

std::string Screen::Title(Window window) {
    const std::vector<char> name = property<char>(display_, window, "_NET_WM_NAME");
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

Window Screen::FindByTitle(const std::string& title) {
    return find(display_, DefaultRootWindow(display_), true, [&](Window w) { return Title(w) == title; });
}

Window Screen::Shown(const std::string& title) {
    return find(display_, DefaultRootWindow(display_), true, [&](Window w) { return Title(w) == title && Viewable(w); });
}

Window Screen::Await(const std::string& title) {
    Window window = 0;
    WaitFor([&] { return (window = Shown(title)) != 0; });
    return window;
}

Rect Screen::TrayIcon() {
    Rect found;
    find(display_, DefaultRootWindow(display_), true, [&](Window dock) {
        if (!Viewable(dock) || !hasAtom(display_, dock, "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_DOCK")) return false;
        if (Window own = find(display_, dock, true, [&](Window w) { return isPelmora(display_, w) && Viewable(w); }))
            return bool(found = Area(own));
        // Else the bounding box of the tile's blue (a little off for rounding) on the dock.
        const Rect where = Area(dock);
        const std::vector<uint32_t> pixels = Pixels(where);
        int left = where.width, top = where.height, right = -1, bottom = -1, count = 0;
        for (int i = 0; i < int(pixels.size()); ++i) {
            const int x = i % where.width, y = i / where.width;
            const int r = pixels[i] >> 16, g = pixels[i] >> 8 & 0xff, b = pixels[i] & 0xff;
            if (std::abs(r - 0x2f) > 6 || std::abs(g - 0x6f) > 6 || std::abs(b - 0xb2) > 6) continue;
            left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
            ++count;
        }
        if (count >= 16) found = {where.x + left, where.y + top, right - left + 1, bottom - top + 1};
        return bool(found);
    });
    return found;
}

// Viewable override-redirect windows at the top: the program's menus (Qt 6.4 types them as
// normal windows, its tooltips as tooltips), or else a panel's pop-up menus.
std::vector<Rect> Screen::Menus(bool own) {
    std::vector<Rect> menus;
    find(display_, DefaultRootWindow(display_), false, [&](Window w) {
        XWindowAttributes a;
        if (!XGetWindowAttributes(display_, w, &a) || a.map_state != IsViewable || !a.override_redirect ||
            isPelmora(display_, w) != own)
            return false;
        if (own ? a.width > 4 && !hasAtom(display_, w, "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_TOOLTIP")
                : hasAtom(display_, w, "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_POPUP_MENU"))
            menus.push_back(Area(w));
        return false;
    });
    return menus;
}

bool Screen::Viewable(Window window) {
    XWindowAttributes attributes;
    return XGetWindowAttributes(display_, window, &attributes) && attributes.map_state == IsViewable;
}

bool Screen::IsMinimised(Window window) { return hasAtom(display_, window, "_NET_WM_STATE", "_NET_WM_STATE_HIDDEN"); }

bool Screen::IsAbove(Window window) {
    return hasAtom(display_, window, "_NET_WM_STATE", "_NET_WM_STATE_ABOVE") ||
           !property<long>(display_, window, "I3_FLOATING_WINDOW").empty();
}

Window Screen::Active() {
    const std::vector<long> active = property<long>(display_, DefaultRootWindow(display_), "_NET_ACTIVE_WINDOW");
    return active.empty() ? 0 : active[0];  // xfwm4 writes a second, empty item
}

Rect Screen::Area(Window window) {
    XWindowAttributes a;
    Window child;
    Rect rect;
    if (XGetWindowAttributes(display_, window, &a))
        XTranslateCoordinates(display_, window, a.root, 0, 0, &rect.x, &rect.y, &child), rect.width = a.width,
            rect.height = a.height;
    return rect;
}

Rect Screen::Frame(Window window) {
    const Rect r = Area(window);
    const std::vector<long> e = property<long>(display_, window, "_NET_FRAME_EXTENTS");  // left, right, top, bottom
    if (!r || e.size() != 4) return r;
    return {r.x - int(e[0]), r.y - int(e[2]), r.width + int(e[0] + e[1]), r.height + int(e[2] + e[3])};
}

std::vector<uint32_t> Screen::Pixels(const Rect& a) {
    std::vector<uint32_t> out;
    if (XImage* image = XGetImage(display_, DefaultRootWindow(display_), a.x, a.y, a.width, a.height, AllPlanes, ZPixmap)) {
        for (int y = 0; y < a.height; ++y)
            for (int x = 0; x < a.width; ++x) out.push_back(XGetPixel(image, x, y) & 0xFFFFFF);
        XDestroyImage(image);
    }
    return out;
}

bool Screen::AnyKeyDown() {
    char keys[32];
    XQueryKeymap(display_, keys);
    return std::ranges::any_of(keys, [](char byte) { return byte != 0; });
}

void Screen::Click(const Rect& a, int button, int times) {
    Shell("xdotool mousemove " + std::to_string(a.x + a.width / 2) + " " + std::to_string(a.y + a.height / 2) +
          " click --repeat " + std::to_string(times) + " --delay 120 " + std::to_string(button));
}

void Screen::ClickAt(Window window, int x, int y, int button, int times) {
    const Rect where = Area(window);
    Click(Rect{where.x + x, where.y + y, 1, 1}, button, times);
}

void Screen::Key(const std::string& keys) { Shell("xdotool key --delay 60 " + keys); }

void Screen::Activate(Window window) { Shell("xdotool windowactivate --sync " + std::to_string(window)); }

void Screen::ActivateForTyping(Window window) {
    Shell("xdotool windowactivate --sync " + std::to_string(window) + " windowfocus --sync " + std::to_string(window));
    Pause(0.3);
}

void Screen::AskToClose(Window window) {
    XEvent event{};
    event.xclient = {ClientMessage, 0, False, display_, window, XInternAtom(display_, "WM_PROTOCOLS", False), 32, {}};
    event.xclient.data.l[0] = long(XInternAtom(display_, "WM_DELETE_WINDOW", False));
    XSendEvent(display_, window, False, NoEventMask, &event);
    XFlush(display_);
}

}  // namespace desktop
