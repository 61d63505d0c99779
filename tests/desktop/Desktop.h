#pragma once

// Drives programs on the private desktop of scripts/run-desktop as a person would. On sway a
// window is known by its id in sway's tree, native and XWayland alike.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <memory>
#include <regex>
#include <sys/wait.h>
#include <thread>

struct Stopwatch {  // seconds since it was made
    const std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    double operator()() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
};

inline bool WaitFor(const std::function<bool()>& condition, double seconds = 10) {
    const Stopwatch clock;
    while (!condition()) {
        if (clock() > seconds) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// Whether the condition holds within the seconds given (10 if none).
#define SOON(condition, ...) WaitFor([&] { return bool(condition); } __VA_OPT__(, ) __VA_ARGS__)

inline void Pause(double seconds) { SOON(false, seconds); }

inline std::string Shell(const std::string& command) {  // its output
    std::string out(1 << 20, '\0');
    FILE* pipe = popen(command.c_str(), "r");
    out.resize(fread(out.data(), 1, out.size(), pipe));
    pclose(pipe);
    return out;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// An xterm writing each key to the file as it comes.
inline std::string Terminal(const std::string& title, const std::string& file) {
    return "env LANG=C.UTF-8 xterm -T '" + title + "' -e sh -c 'stty -icanon -echo; exec cat > " + file + "'";
}

// The tests' Qt window, writing its fields to the file; native on Wayland.
inline std::string Fields(const std::string& title, const std::string& file) {
    return std::string(getenv("WAYLAND_DISPLAY") ? "QT_QPA_PLATFORM=wayland " : "") + KEY_TARGET " " + file + " '" +
           title + "'";
}

struct Folder {  // a scratch folder, removed with all in it
    std::string path;
    Folder() {
        char name[] = "/tmp/pelmora-test.XXXXXX";
        path = mkdtemp(name);
    }
    ~Folder() { Shell("rm -rf " + path); }
    std::string operator/(const std::string& name) const { return path + "/" + name; }
};

// A program started in its own folder or the one given, killed at the end.
class Program {
public:
    explicit Program(const std::string& command, const std::string& env = "", const std::string& dir = "") {
        if ((pid_ = fork()) != 0) return;
        if (chdir((dir.empty() ? own_.path : dir).c_str()) == 0 && freopen((own_ / "err").c_str(), "w", stderr))
            execl("/bin/sh", "sh", "-c", ("exec env " + env + " " + command).c_str(), nullptr);
        _exit(127);
    }
    ~Program() {
        if (Running()) kill(pid_, SIGKILL);
        waitpid(pid_, &status_, 0);
        // where scripts/setup looks for sanitizer reports
        const std::string err = Stderr(), reports = getenv("PELMORA_SANITIZER_REPORTS") ?: "";
        if (!reports.empty() && (err.find("runtime error:") != err.npos || err.find("Sanitizer") != err.npos))
            WriteFile(reports + "/program." + std::to_string(pid_), err);
    }
    bool Running() { return status_ == -1 && waitpid(pid_, &status_, WNOHANG) == 0; }
    int WaitExit(double seconds = 10) {  // the exit code, or -1 if it is still running
        if (!SOON(!Running(), seconds)) return -1;
        return WIFEXITED(status_) ? WEXITSTATUS(status_) : 128 + WTERMSIG(status_);
    }
    std::string Stderr() const { return ReadFile(own_ / "err"); }
    pid_t Pid() const { return pid_; }

private:
    Folder own_;
    pid_t pid_ = -1;
    int status_ = -1;
};

inline Display* const display = [] {
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });  // windows come and go meanwhile
    return XOpenDisplay(nullptr);
}();
inline const Window root = DefaultRootWindow(display);

inline Window Walk(Window window, const std::function<bool(Window)>& test, bool deep = true) {
    Window parent, *list = nullptr, found = 0;
    unsigned count = 0;
    XQueryTree(display, window, &parent, &parent, &list, &count);
    for (unsigned i = 0; i < count && !found; ++i)
        found = test(list[i]) ? list[i] : deep ? Walk(list[i], test) : 0;
    XFree(list);
    return found;
}

template <class Item>  // char, or long in format 32
std::vector<Item> Property(Window window, const char* name) {
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    XGetWindowProperty(display, window, XInternAtom(display, name, 0), 0, 1024, 0, 0, &type, &format, &count,
                       &after, &data);
    std::vector<Item> out;
    if (data && format == (sizeof(Item) == 1 ? 8 : 32)) out.assign((Item*)data, (Item*)data + count);
    XFree(data);
    return out;
}

inline const bool sway = std::string(getenv("PELMORA_DESKTOP") ?: "") == "sway";

inline QJsonObject SwayWindow(const std::function<bool(const QJsonObject&)>& test) {
    std::function<QJsonObject(const QJsonObject&)> walk = [&](const QJsonObject& node) {
        if (node["pid"].toInt() && test(node)) return node;
        for (const char* children : {"nodes", "floating_nodes"})
            for (const QJsonValue& child : node[children].toArray())
                if (QJsonObject found = walk(child.toObject()); !found.isEmpty()) return found;
        return QJsonObject();
    };
    return walk(QJsonDocument::fromJson(QByteArray::fromStdString(Shell("swaymsg -r -t get_tree"))).object());
}
inline QJsonObject SwayWindow(Window id) {
    return SwayWindow([&](const QJsonObject& node) { return node["id"].toInteger() == qint64(id); });
}

inline bool Has(Window window, const char* name, const char* atom) {
    return std::ranges::count(Property<long>(window, name), long(XInternAtom(display, atom, 0))) > 0;
}

inline bool IsMinimised(Window window) { return !sway && Has(window, "_NET_WM_STATE", "_NET_WM_STATE_HIDDEN"); }

inline bool IsAbove(Window window) {  // i3 and sway float it above the tiled windows instead
    if (sway) return SwayWindow(window)["type"].toString() == "floating_con";
    return Has(window, "_NET_WM_STATE", "_NET_WM_STATE_ABOVE") || !Property<long>(window, "I3_FLOATING_WINDOW").empty();
}

inline bool Viewable(Window window) {
    if (const QJsonObject node = sway ? SwayWindow(window) : QJsonObject(); !node.isEmpty())
        return node["visible"].toBool();
    XWindowAttributes a;
    return XGetWindowAttributes(display, window, &a) && a.map_state == IsViewable;
}

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
    explicit operator bool() const { return width > 0; }
};

// The window whose title matches, on the screen or (shown false) anywhere; 0 if none. On sway
// an X11 window it does not manage (the magnifier) is known by its X11 id.
inline Window Find(const std::string& title, bool shown = true) {
    const std::regex name(title);
    const QJsonObject node = !sway ? QJsonObject() : SwayWindow([&](const QJsonObject& node) {
        return std::regex_match(node["name"].toString().toStdString(), name) && (!shown || node["visible"].toBool());
    });
    if (!node.isEmpty()) return node["id"].toInteger();
    const std::string only = shown ? "--onlyvisible " : "";
    const Window window = std::stoul("0" + Shell("xdotool search " + only + "--name '^" + title + "$' 2>/dev/null"));
    XWindowAttributes a{};
    return !sway || (XGetWindowAttributes(display, window, &a) && a.override_redirect) ? window : 0;
}

inline Window Await(const std::string& title, double seconds = 10) {
    Window window = 0;
    SOON((window = Find(title)), seconds);
    return window;
}

inline Rect Area(Window window) {  // the client area on the screen
    if (const QJsonObject node = sway ? SwayWindow(window) : QJsonObject(); !node.isEmpty()) {
        const QJsonObject outer = node["rect"].toObject(), in = node["window_rect"].toObject();
        return {outer["x"].toInt() + in["x"].toInt(), outer["y"].toInt() + in["y"].toInt(), in["width"].toInt(),
                in["height"].toInt()};
    }
    XWindowAttributes a{};
    Rect r;
    XGetWindowAttributes(display, window, &a);
    XTranslateCoordinates(display, window, root, 0, 0, &r.x, &r.y, &window);
    return {r.x, r.y, a.width, a.height};
}

inline std::vector<uint32_t> Pixels(const Rect& a) {  // 0xRRGGBB, row by row
    std::vector<uint32_t> out;
    if (sway) {  // XWayland's root holds X11 windows only
        const std::string geometry = std::to_string(a.x) + "," + std::to_string(a.y) + " " + std::to_string(a.width) +
                                     "x" + std::to_string(a.height);
        const std::string ppm = Shell("grim -t ppm -g '" + geometry + "' - | convert - -depth 8 rgb:-");
        for (size_t i = 0; i + 2 < ppm.size(); i += 3)
            out.push_back(uint8_t(ppm[i]) << 16 | uint8_t(ppm[i + 1]) << 8 | uint8_t(ppm[i + 2]));
        return out;
    }
    XImage* image = XGetImage(display, root, a.x, a.y, a.width, a.height, AllPlanes, ZPixmap);
    for (int i = 0; image && i < a.width * a.height; ++i)
        out.push_back(XGetPixel(image, i % a.width, i / a.width) & 0xFFFFFF);
    if (image) XDestroyImage(image);
    return out;
}

inline bool IsPelmora(Window window) {  // WM_CLASS is "instance\0class\0"
    const std::vector<char> names = Property<char>(window, "WM_CLASS");
    return std::string(names.begin(), names.end()).ends_with(std::string("\0pelmora\0", 9));
}

// The icon: our small window in an XEmbed tray, or the corner where a panel on the session bus draws it.
inline Rect TrayIcon() {
    const Rect screen = Area(root);
    if (getenv("DBUS_SESSION_BUS_ADDRESS")) return {screen.width - 14, screen.height - 14, 1, 1};
    const Window icon = Walk(root, [](Window w) { return IsPelmora(w) && Viewable(w) && Area(w).width <= 32; });
    return icon ? Area(icon) : Rect{};
}

// Pop-ups shown: ours but tooltips (Qt types its menus as normal windows), a panel's menus.
inline size_t Menus() {
    size_t menus = 0;
    Walk(root, [&](Window w) {
        XWindowAttributes a;
        menus += XGetWindowAttributes(display, w, &a) && a.map_state == IsViewable && a.override_redirect &&
                 (IsPelmora(w) ? a.width > 4 && !Has(w, "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_TOOLTIP")
                               : Has(w, "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_POPUP_MENU"));
        return false;
    }, false);
    return menus;
}

// No key held; on X11 also the mapping and Caps Lock as given (sway's keymap is the last typist's).
inline void ExpectKeyboard(const std::string& keymap, bool capsLock) {
    char keys[32];
    XQueryKeymap(display, keys);
    EXPECT_TRUE(std::ranges::none_of(keys, [](char down) { return down; })) << "a key is held down";
    if (sway) return;
    EXPECT_EQ(Shell("xmodmap -pke"), keymap) << "the keyboard mapping changed";
    EXPECT_EQ(Shell("xset -q").find("Caps Lock:   on") != std::string::npos, capsLock) << "Caps Lock changed";
}

inline void ResetKeyboard() {  // us, Caps Lock off
    Shell("setxkbmap -model pc105 -layout us; xset -q | grep -q 'Caps Lock:   on' && xdotool key Caps_Lock");
}

inline void Click(const Rect& a, int button, int times = 1) {  // in the middle of the area
    Shell("xdotool mousemove " + std::to_string(a.x + a.width / 2) + " " + std::to_string(a.y + a.height / 2) +
          " click --repeat " + std::to_string(times) + " --delay 120 " + std::to_string(button));
}

inline void ClickAt(Window window, int x, int y, int times = 1) {
    const Rect where = Area(window);
    Click({where.x + x, where.y + y, 1, 1}, 1, times);
}

inline void Key(const std::string& keys) { Shell("xdotool key --delay 60 " + keys); }

inline void Xdotool(const std::string& command, Window window) {
    Shell("xdotool " + command + " " + std::to_string(window));
}

inline void Activate(Window window) {
    if (sway) Shell("swaymsg '[con_id=" + std::to_string(window) + "] focus' >/dev/null");
    else Xdotool("windowactivate --sync", window);
}

inline void ActivateForTyping(Window window) {  // and gives its field time to take the focus
    if (sway) Activate(window);
    else Xdotool("windowactivate --sync " + std::to_string(window) + " windowfocus --sync", window);
    Pause(0.3);
}

inline void Move(Window window, int x, int y) {
    const std::string at = std::to_string(x) + " " + std::to_string(y);
    if (sway) Shell("swaymsg '[con_id=" + std::to_string(window) + "] move absolute position " + at + "' >/dev/null");
    else Shell("xdotool windowmove " + std::to_string(window) + " " + at);
}

inline Window Active() {
    if (sway) return SwayWindow([](const QJsonObject& node) { return node["focused"].toBool(); })["id"].toInteger();
    return std::stoul("0" + Shell("xdotool getactivewindow 2>/dev/null"));
}

// On sway wtype: a window drops the first key of a keyboard new to it, so a Shift goes first.
inline void Type(const std::string& text) {
    Shell((sway ? "wtype -k Shift_L -s 100 -d 40 '" : "xdotool type --delay 40 '") + text + "'");
}

// Answers our message box with a key; false if none came or it stayed.
inline bool Answer(const std::string& key = "Return") {
    const Window box = Await("Pelmora");
    ActivateForTyping(box);
    Key(key);
    return box && SOON(!Viewable(box), 5);
}

inline std::unique_ptr<Program> Pelmora(const std::string& keys, const std::string& dir = "") {
    auto program = std::make_unique<Program>(PELMORA_BINARY, "", dir);
    ActivateForTyping(Await("Pelmora - Utility for Windows "));
    Key(keys);
    return program;
}

// The program (or an installed one, PELMORA_PROGRAM) with its main window and tray icon.
class ProgramOnDesktop : public ::testing::Test {
protected:
    Program program{getenv("PELMORA_PROGRAM") ?: PELMORA_BINARY};
    Window main = Await("Pelmora - Utility for Windows ");

    void SetUp() override {
        ASSERT_TRUE(main) << "no main window\n" << program.Stderr();
        ASSERT_TRUE(SOON(TrayIcon())) << "no icon in the tray";
    }
    bool MainShown() { return Viewable(main) && !IsMinimised(main); }
    void ChooseFromTrayMenu(const std::string& letter) {
        const size_t before = Menus();  // the magnifier counts too
        Click(TrayIcon(), 3);
        ASSERT_TRUE(SOON(Menus() == before + 1)) << "no tray menu";
        Key(letter);
    }
};
