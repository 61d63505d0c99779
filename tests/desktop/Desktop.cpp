#include "Desktop.h"

#include <X11/Xlib.h>

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <array>
#include <chrono>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace desktop {

bool WaitFor(const std::function<bool()>& condition, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::string Shell(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        std::array<char, 512> buffer{};
        while (size_t n = fread(buffer.data(), 1, buffer.size(), pipe)) out.append(buffer.data(), n);
        pclose(pipe);
    }
    return out;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Padded(const std::string& text, size_t width) { return text + std::string(width - text.size(), ' '); }

std::string NoteRecord(const std::string& title, const std::string& comment) {
    return Padded(title, 100) + std::string(86, ' ') + Padded(comment, 300) + std::string(26, ' ');
}

bool CapsLockOn() { return Shell("xset -q").find("Caps Lock:   on") != std::string::npos; }

std::string StatusNotifierItem() {
    if (!std::getenv("DBUS_SESSION_BUS_ADDRESS")) return {};
    // The reply lists each item as  string ":1.23/StatusNotifierItem" ; the program's is the only one.
    const std::string reply = Shell(
        "dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher "
        "org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher "
        "string:RegisteredStatusNotifierItems 2>/dev/null");
    const size_t start = reply.find("string \"");
    if (start == std::string::npos) return {};
    return reply.substr(start + 8, reply.find('"', start + 8) - start - 8);
}

std::string CallStatusNotifierItem(const std::string& methodAndArguments) {
    const std::string item = StatusNotifierItem();
    const size_t slash = item.find('/');
    if (slash == std::string::npos) return {};
    return Shell("dbus-send --session --print-reply --dest=" + item.substr(0, slash) + " " + item.substr(slash) + " " +
                 methodAndArguments + " 2>&1");
}

Program::Program(const std::string& binary, const std::string& env) {
    char pattern[] = "/tmp/pelmora-test.XXXXXX";
    dir_ = mkdtemp(pattern);
    pid_ = fork();
    if (pid_ == 0) {
        if (chdir(dir_.c_str()) != 0) _exit(127);
        freopen((dir_ + "/stderr.txt").c_str(), "w", stderr);
        const std::string command = env.empty() ? "exec " + binary : "exec env " + env + " " + binary;
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
}

Program::~Program() {
    if (Running()) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status_, 0);
    }
    KeepSanitizerReport();
    Shell("rm -rf " + dir_);
}

// In a sanitizer build, a report of the program must fail the run even when the test
// passed: its stderr goes where scripts/setup looks.
void Program::KeepSanitizerReport() const {
    const char* reports = std::getenv("PELMORA_SANITIZER_REPORTS");
    const std::string text = reports ? Stderr() : std::string();
    if (text.find("runtime error:") == std::string::npos && text.find("Sanitizer") == std::string::npos) return;
    std::ofstream(std::string(reports) + "/program." + std::to_string(pid_)) << text;
}

bool Program::Running() {
    if (status_ != -1) return false;
    return waitpid(pid_, &status_, WNOHANG) == 0 ? (status_ = -1, true) : false;
}

int Program::WaitExit(double seconds) {
    if (!WaitFor([this] { return !Running(); }, seconds)) return -1;
    return WIFEXITED(status_) ? WEXITSTATUS(status_) : 128 + WTERMSIG(status_);
}

std::string Program::Stderr() const {
    std::ifstream in(dir_ + "/stderr.txt");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void Program::Signal(int signal) { kill(pid_, signal); }

double Program::ResidentMegabytes() const {
    std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

double Program::CpuSeconds() const {
    std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // Fields after the command name in parentheses: utime and stime are the 12th and 13th.
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int i = 1; i <= 13 && fields >> field; ++i)
        if (i >= 12) ticks += std::stod(field);
    return ticks / double(sysconf(_SC_CLK_TCK));
}

Screen::Screen() {
    // Xlib decodes window names into the locale's encoding: UTF-8, like the tests' own strings.
    std::setlocale(LC_CTYPE, "C.UTF-8");
    display_ = XOpenDisplay(nullptr);
    if (!display_) throw std::runtime_error("no X display");
    // Windows come and go while the tree is walked; a vanished one is simply not found.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
}

Screen::~Screen() { XCloseDisplay(display_); }

namespace {

std::vector<Window> children(Display* display, Window window) {
    Window root, parent, *list = nullptr;
    unsigned count = 0;
    std::vector<Window> out;
    if (XQueryTree(display, window, &root, &parent, &list, &count)) out.assign(list, list + count);
    if (list) XFree(list);
    return out;
}

std::string className(Display* display, Window window) {
    XClassHint hint{};
    if (!XGetClassHint(display, window, &hint)) return {};
    std::string name = hint.res_class ? hint.res_class : "";
    XFree(hint.res_name);
    XFree(hint.res_class);
    return name;
}

std::vector<Atom> atoms(Display* display, Window window, const char* property) {
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    std::vector<Atom> out;
    if (XGetWindowProperty(display, window, XInternAtom(display, property, False), 0, 64, False, XA_ATOM, &type,
                           &format, &count, &after, &data) == Success && data && format == 32)
        out.assign(reinterpret_cast<Atom*>(data), reinterpret_cast<Atom*>(data) + count);
    if (data) XFree(data);
    return out;
}

bool hasAtom(Display* display, Window window, const char* property, const char* atom) {
    const Atom wanted = XInternAtom(display, atom, False);
    for (Atom a : atoms(display, window, property))
        if (a == wanted) return true;
    return false;
}

// Where a window is on the screen, without the window manager's frame.
Rect area(Display* display, Window window) {
    XWindowAttributes attributes;
    Window child;
    Rect rect;
    if (!XGetWindowAttributes(display, window, &attributes)) return rect;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &rect.x, &rect.y, &child);
    rect.width = attributes.width;
    rect.height = attributes.height;
    return rect;
}

template <class Visit>
void walk(Display* display, Window window, const Visit& visit) {
    for (Window child : children(display, window)) {
        visit(child);
        walk(display, child, visit);
    }
}

}  // namespace

std::string Screen::Title(Window window) {
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(display_, window, XInternAtom(display_, "_NET_WM_NAME", False), 0, 1024, False,
                           XInternAtom(display_, "UTF8_STRING", False), &type, &format, &count, &after,
                           &data) == Success && data)
        title.assign(reinterpret_cast<char*>(data), count);
    if (data) XFree(data);
    // Some programs (xterm) set only the older WM_NAME, often in COMPOUND_TEXT.
    XTextProperty name;
    if (title.empty() && XGetWMName(display_, window, &name) && name.value) {
        char** list = nullptr;
        int count = 0;
        if (Xutf8TextPropertyToTextList(display_, &name, &list, &count) >= Success && count > 0) title = list[0];
        if (list) XFreeStringList(list);
        XFree(name.value);
    }
    return title;
}

Window Screen::FindByTitle(const std::string& title) {
    Window found = 0;
    walk(display_, DefaultRootWindow(display_), [&](Window w) {
        if (!found && Title(w) == title) found = w;
    });
    return found;
}

Rect Screen::TrayIcon() {
    Rect found;
    walk(display_, DefaultRootWindow(display_), [&](Window dock) {
        if (found || !Viewable(dock) || !hasAtom(display_, dock, "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_DOCK"))
            return;
        found = embeddedIcon(dock);
        if (!found) found = pictureOn(dock, 0x2f6fb2);
    });
    return found;
}

// The program's window embedded in the dock (an XEmbed tray).
Rect Screen::embeddedIcon(Window dock) {
    Rect found;
    walk(display_, dock, [&](Window inner) {
        if (!found && className(display_, inner) == "pelmora" && Viewable(inner)) found = area(display_, inner);
    });
    return found;
}

// The bounding box of the pixels of one colour (a little off for rounding) on the dock.
Rect Screen::pictureOn(Window dock, unsigned long rgb) {
    const auto near = [rgb](unsigned long pixel) {
        for (int shift : {0, 8, 16})
            if (std::abs(int((pixel >> shift) & 0xff) - int((rgb >> shift) & 0xff)) > 6) return false;
        return true;
    };
    const Rect where = area(display_, dock);
    XImage* image = XGetImage(display_, DefaultRootWindow(display_), where.x, where.y, where.width, where.height,
                              AllPlanes, ZPixmap);
    if (!image) return {};
    int left = where.width, top = where.height, right = -1, bottom = -1, count = 0;
    for (int y = 0; y < where.height; ++y)
        for (int x = 0; x < where.width; ++x)
            if (near(XGetPixel(image, x, y))) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
                ++count;
            }
    XDestroyImage(image);
    if (count < 16) return {};
    return {where.x + left, where.y + top, right - left + 1, bottom - top + 1};
}

Rect Screen::PanelMenu() {
    for (Window w : children(display_, DefaultRootWindow(display_))) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display_, w, &attributes) && attributes.map_state == IsViewable &&
            attributes.override_redirect && className(display_, w) != "pelmora" &&
            hasAtom(display_, w, "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_POPUP_MENU"))
            return area(display_, w);
    }
    return {};
}

bool Screen::Viewable(Window window) {
    XWindowAttributes attributes;
    return XGetWindowAttributes(display_, window, &attributes) && attributes.map_state == IsViewable;
}

bool Screen::IsMinimised(Window window) { return hasAtom(display_, window, "_NET_WM_STATE", "_NET_WM_STATE_HIDDEN"); }

int Screen::CountPopupMenus() {
    // Qt's menus are override-redirect top-level windows of the program (typed as normal windows
    // by Qt 6.4); its tooltips are typed as such and do not count.
    int count = 0;
    for (Window w : children(display_, DefaultRootWindow(display_))) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display_, w, &attributes) && attributes.map_state == IsViewable &&
            attributes.override_redirect && attributes.width > 4 && className(display_, w) == "pelmora" &&
            !hasAtom(display_, w, "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_TOOLTIP"))
            ++count;
    }
    return count;
}

void Screen::Click(Window window, int button, int times) { Click(area(display_, window), button, times); }

void Screen::Click(const Rect& area, int button, int times) {
    Shell("xdotool mousemove " + std::to_string(area.x + area.width / 2) + " " + std::to_string(area.y + area.height / 2) +
          " click --repeat " + std::to_string(times) + " --delay 120 " + std::to_string(button));
}

void Screen::ClickAt(Window window, int x, int y, int button, int times) {
    const Rect where = area(display_, window);
    Click(Rect{where.x + x, where.y + y, 1, 1}, button, times);
}

bool Screen::IsAbove(Window window) {
    Atom type = None;
    int format;
    unsigned long items, after;
    unsigned char* data = nullptr;
    XGetWindowProperty(display_, window, XInternAtom(display_, "I3_FLOATING_WINDOW", False), 0, 1, False,
                       AnyPropertyType, &type, &format, &items, &after, &data);
    if (data) XFree(data);
    return hasAtom(display_, window, "_NET_WM_STATE", "_NET_WM_STATE_ABOVE") || type != None;
}

Window Screen::Active() {
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    Window active = 0;
    if (XGetWindowProperty(display_, DefaultRootWindow(display_), XInternAtom(display_, "_NET_ACTIVE_WINDOW", False),
                           0, 1, False, XA_WINDOW, &type, &format, &count, &after, &data) == Success &&
        data && count == 1)
        active = reinterpret_cast<Window*>(data)[0];
    if (data) XFree(data);
    return active;
}

Rect Screen::Frame(Window window) {
    Rect rect = area(display_, window);
    if (!rect) return rect;
    // _NET_FRAME_EXTENTS: left, right, top, bottom borders the window manager adds.
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display_, window, XInternAtom(display_, "_NET_FRAME_EXTENTS", False), 0, 4, False,
                           XA_CARDINAL, &type, &format, &count, &after, &data) == Success && data && count == 4) {
        const long* e = reinterpret_cast<long*>(data);
        rect = {rect.x - int(e[0]), rect.y - int(e[2]), rect.width + int(e[0] + e[1]), rect.height + int(e[2] + e[3])};
    }
    if (data) XFree(data);
    return rect;
}

bool Screen::AnyKeyDown() {
    char keys[32];
    XQueryKeymap(display_, keys);
    for (char byte : keys)
        if (byte) return true;
    return false;
}

void Screen::Key(const std::string& keys) { Shell("xdotool key --delay 60 " + keys); }

Window Screen::Shown(const std::string& title) {
    const Window window = FindByTitle(title);
    return window && Viewable(window) ? window : 0;
}

void Screen::Activate(Window window) { Shell("xdotool windowactivate --sync " + std::to_string(window)); }

void Screen::ActivateForTyping(Window window) {
    Shell("xdotool windowactivate --sync " + std::to_string(window) + " windowfocus --sync " + std::to_string(window));
    WaitFor([] { return false; }, 0.3);
}

void Screen::AskToClose(Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display_, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, window, False, NoEventMask, &event);
    XFlush(display_);
}

}  // namespace desktop
