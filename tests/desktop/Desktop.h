#pragma once

// Drives programs on the desktop of scripts/run-desktop as a person would; on sway a window is
// its id in sway's tree, on KWin and GNOME a native one a number of ours for the compositor's id.

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <fstream>
#include <iterator>
#include <functional>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <sys/wait.h>

using std::string, std::to_string;

struct Stopwatch : QElapsedTimer {  // seconds since it was made
    Stopwatch() { start(); }
    double operator()() const { return elapsed() / 1e3; }
};

inline bool WaitFor(const std::function<bool()>& condition, double seconds = 10) {
    for (const Stopwatch clock; !condition(); QThread::msleep(20))
        if (clock() > seconds) return false;
    return true;
}

// Whether it holds within the seconds given, else 10.
#define SOON(condition, ...) WaitFor([&] { return bool(condition); } __VA_OPT__(, ) __VA_ARGS__)

inline void Pause(double seconds) { SOON(false, seconds); }

inline string Shell(const string& command) {  // its output
    string out(1 << 20, '\0');
    FILE* pipe = popen(command.c_str(), "r");
    out.resize(fread(out.data(), 1, out.size(), pipe));
    pclose(pipe);
    return out;
}

inline string ReadFile(const string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

inline void WriteFile(const string& path, const string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// An xterm writing each key to the file.
inline string Terminal(const string& title, const string& file) {
    return "env LANG=C.UTF-8 xterm -T '" + title + "' -e sh -c 'stty -icanon -echo; exec cat > " + file + "'";
}

// Our Qt window writing its fields to the file; native on Wayland.
inline string Fields(const string& title, const string& file) {
    return string(getenv("WAYLAND_DISPLAY") ? "QT_QPA_PLATFORM=wayland " : "") + KEY_TARGET " " + file + " '" +
           title + "'";
}

struct Folder {  // removed with all in it
    string path;
    Folder() {
        char name[] = "/tmp/pelmora-test.XXXXXX";
        path = mkdtemp(name);
    }
    ~Folder() { Shell("rm -rf " + path); }
    string operator/(const string& name) const { return path + "/" + name; }
};

// Started in a folder of its own or the one given, killed at the end.
class Program {
public:
    explicit Program(const string& command, const string& env = "", const string& dir = "") {
        if ((pid_ = fork()) != 0) return;
        if (chdir((dir.empty() ? own_.path : dir).c_str()) == 0 && freopen((own_ / "err").c_str(), "w", stderr))
            execl("/bin/sh", "sh", "-c", ("exec env " + env + " " + command).c_str(), nullptr);
        _exit(127);
    }
    ~Program() {
        if (Running()) kill(pid_, SIGKILL);
        waitpid(pid_, &status_, 0);
    }
    bool Running() { return status_ == -1 && waitpid(pid_, &status_, WNOHANG) == 0; }
    int WaitExit(double seconds = 10) {  // -1: still running
        if (!SOON(!Running(), seconds)) return -1;
        return WIFEXITED(status_) ? WEXITSTATUS(status_) : 128 + WTERMSIG(status_);
    }
    string Stderr() const { return ReadFile(own_ / "err"); }
    pid_t Pid() const { return pid_; }

private:
    Folder own_;
    pid_t pid_ = -1;
    int status_ = -1;
};

inline Display* const display = [] {
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });  // windows come and go
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

inline const bool sway = string(getenv("PELMORA_DESKTOP") ?: "") == "sway";

inline const bool kwin = string(getenv("PELMORA_DESKTOP") ?: "") == "kde-wayland";

// The X11 windows by process and title, the first of each in the tree: KWin 6 tells its scripts
// no X11 id.
inline std::map<std::pair<qint64, string>, Window> X11WindowsByOwner() {
    std::map<std::pair<qint64, string>, Window> windows;
    Walk(root, [&](Window w) {
        const std::vector<long> owner = Property<long>(w, "_NET_WM_PID");
        std::vector<char> named = Property<char>(w, "_NET_WM_NAME");
        if (named.empty()) named = Property<char>(w, "WM_NAME");  // xterm sets only that
        if (!owner.empty()) windows.emplace(std::pair(qint64(owner[0]), string(named.begin(), named.end())), w);
        return false;
    });
    return windows;
}

// KWin tells scripts only: one of ours runs the code given and prints the windows into KWin's log.
// An X11 window's number is its X11 id, a native one's 1 << 30 plus the start of KWin's id for it.
inline QJsonArray KWinWindows(const string& code = "") {
    static int asked = 0;
    const string mark = "query-" + to_string(getpid()) + "-" + to_string(++asked), file = "/tmp/" + mark;
    WriteFile(file, "const ws = (workspace.windowList || workspace.clientList).call(workspace);\n" + code +
                    "\nconst active = workspace.activeWindow || workspace.activeClient;\nprint('" + mark +
                    "', JSON.stringify(ws.map(w => ({uuid: String(w.internalId), x11: w.windowId || 0, pid: w.pid, "
                    "name: w.caption, active: w === active, minimized: w.minimized}))));\n");
    const string call = "dbus-send --session --print-reply --dest=org.kde.KWin /Scripting org.kde.kwin.Scripting.";
    Shell(call + "loadScript string:" + file + " string:" + mark + " >/dev/null && " + call + "start >/dev/null");
    string json;
    SOON(!(json = Shell("sed -n 's/^js: " + mark + " //p' $PELMORA_KWIN_LOG")).empty(), 5);
    Shell(call + "unloadScript string:" + mark + " >/dev/null; rm " + file);
    const auto x11Windows = X11WindowsByOwner();
    QJsonArray windows;
    for (QJsonValue each : QJsonDocument::fromJson(QByteArray::fromStdString(json)).array()) {
        QJsonObject w = each.toObject();
        const auto owned = x11Windows.find({w["pid"].toInteger(), w["name"].toString().toStdString()});
        const qint64 x11 = w["x11"].toInteger() ?: owned == x11Windows.end() ? 0 : owned->second;
        w["x11"] = x11 != 0;
        w["id"] = x11 ?: 0x40000000 + w["uuid"].toString().mid(1, 7).toLongLong(nullptr, 16);
        windows.append(w);
    }
    return windows;
}

inline const bool gnome = string(getenv("PELMORA_DESKTOP") ?: "") == "gnome";

// GNOME Shell runs the code given (a test extension lets its Eval in) and answers with its value.
inline QJsonValue GnomeEval(const string& js) {
    const string answer = Shell("gdbus call --session -d org.gnome.Shell -o /org/gnome/Shell -m "
                                "org.gnome.Shell.Eval '" + js + "' | sed \"s/^(true, '\\(.*\\)')$/[\\1]/\"");
    const QJsonArray value = QJsonDocument::fromJson(QByteArray::fromStdString(answer)).array();
    return value.isEmpty() ? QJsonValue() : value[0];
}

// The code given runs with the shell's windows in `ws`, which are the answer. A native window's
// number is 1 << 40 plus the shell's id for it.
inline QJsonArray GnomeWindows(const string& code = "") {
    return GnomeEval("const ws = global.get_window_actors().map(a => a.meta_window); const id = w => "
                     "w.get_client_type() ? parseInt(w.get_description(), 16) : 2 ** 40 + w.get_id(); " + code +
                     "; ws.map(w => ({id: id(w), x11: w.get_client_type() == 1, name: w.get_title(), "
                     "active: w.has_focus(), minimized: w.minimized}))").toArray();
}

// The shell's own keyboard: its Caps Lock, a keysym pressed and let go.
inline const string GnomeSeat = "imports.gi.Clutter.get_default_backend().get_default_seat()";

inline QJsonArray NativeWindows() { return kwin ? KWinWindows() : gnome ? GnomeWindows() : QJsonArray(); }

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

// The window whose title matches, shown or (shown false) not; on sway an X11 window it does
// not manage (the magnifier) is its X11 id.
inline Window Find(const string& title, bool shown = true) {
    const std::regex name(title);
    const QJsonObject node = !sway ? QJsonObject() : SwayWindow([&](const QJsonObject& node) {
        return std::regex_match(node["name"].toString().toStdString(), name) && (!shown || node["visible"].toBool());
    });
    if (!node.isEmpty()) return node["id"].toInteger();
    for (const QJsonValue& w : NativeWindows())  // native ones; X11 ones as on X11
        if (!w["x11"].toBool() && std::regex_match(w["name"].toString().toStdString(), name) &&
            !(shown && w["minimized"].toBool()))
            return w["id"].toInteger();
    // The window manager's own windows may carry the title too (GNOME 44 and later draw the frames
    // in windows of another client): a window it manages comes first.
    const string only = shown ? "--onlyvisible " : "";
    std::istringstream listed(Shell("xdotool search " + only + "--name '^" + title + "$' 2>/dev/null"));
    const std::vector<long> found{std::istream_iterator<long>(listed), {}},
        managed = Property<long>(root, "_NET_CLIENT_LIST");
    const auto first = std::ranges::find_if(found, [&](long w) { return std::ranges::count(managed, w) > 0; });
    const Window window = first != found.end() ? *first : found.empty() ? 0 : found[0];
    XWindowAttributes a{};
    return !sway || (XGetWindowAttributes(display, window, &a) && a.override_redirect) ? window : 0;
}

inline Window Await(const string& title, double seconds = 10) {
    Window window = 0;
    SOON((window = Find(title)), seconds);
    return window;
}

inline Rect Area(Window window) {  // the client area
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

// 0xRRGGBB, row by row, of a part of an X11 window: from the window itself, as no Wayland
// desktop lets XWayland's root window show the screen.
inline std::vector<uint32_t> Pixels(Window window, const Rect& a) {
    const string rgb = Shell("import -window " + to_string(window) + " -crop " + to_string(a.width) + "x" +
                             to_string(a.height) + "+" + to_string(a.x) + "+" + to_string(a.y) +
                             " ppm:- | convert - -depth 8 rgb:-");
    std::vector<uint32_t> out;
    for (size_t i = 0; i + 2 < rgb.size(); i += 3)
        out.push_back(uint8_t(rgb[i]) << 16 | uint8_t(rgb[i + 1]) << 8 | uint8_t(rgb[i + 2]));
    return out;
}

inline bool IsPelmora(Window window) {  // WM_CLASS is "instance\0class\0"
    const std::vector<char> names = Property<char>(window, "WM_CLASS");
    return string(names.begin(), names.end()).ends_with(string("\0pelmora\0", 9));
}

// Our small window in an XEmbed tray, or the corner where a panel on the session bus draws it,
// once it is drawn: a panel shows an item a while after it comes, and until then a click there
// lands on the panel itself.
inline Rect TrayIcon() {
    const Rect screen = Area(root);
    if (getenv("DBUS_SESSION_BUS_ADDRESS")) {
        const std::vector<uint32_t> bare = Pixels(root, {0, screen.height - 14, 1, 1});
        const std::vector<uint32_t> corner = Pixels(root, {screen.width - 20, screen.height - 20, 12, 12});
        if (bare.empty() || std::ranges::all_of(corner, [&](uint32_t pixel) { return pixel == bare[0]; })) return {};
        return {screen.width - 14, screen.height - 14, 1, 1};
    }
    const Window icon = Walk(root, [](Window w) { return IsPelmora(w) && Viewable(w) && Area(w).width <= 32; });
    return icon ? Area(icon) : Rect{};
}

// Pop-ups shown: ours but tooltips (Qt's menus are typed normal), a panel's menus.
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

inline bool CapsLocked() {  // on KWin and GNOME their own
    if (gnome) return GnomeEval(GnomeSeat + ".get_keymap().get_caps_lock_state()").toBool();
    return kwin ? Shell(KWIN_INPUT " caps") == "on" : Shell("xset -q").find("Caps Lock:   on") != string::npos;
}

inline void LockCaps(bool on) {
    if (CapsLocked() == on) return;
    if (gnome)
        return (void)GnomeEval("const k = " + GnomeSeat + ".create_virtual_device(imports.gi.Clutter.InputDeviceType."
                               "KEYBOARD_DEVICE); for (const s of [1, 0]) k.notify_keyval(0, 0xffe5, s)");
    Shell(kwin ? KWIN_INPUT " caps toggle" : "xdotool key Caps_Lock");
}

// No key held, Caps Lock as given; on X11 also the mapping (sway's and KWin's are theirs).
inline void ExpectKeyboard(const string& keymap, bool capsLock) {
    char keys[32];
    XQueryKeymap(display, keys);
    EXPECT_TRUE(std::ranges::none_of(keys, [](char down) { return down; })) << "a key is held";
    // sway's XWayland takes the keymap of the keyboard that typed last: ours, emptied once typing ends.
    if (sway) {
        EXPECT_TRUE(SOON(Shell("xmodmap -pke | awk 'NF > 3 && $2 > 11'").empty(), 3))
            << "the keymap tells of the characters typed";
        return;
    }
    EXPECT_EQ(CapsLocked(), capsLock) << "Caps Lock";
    EXPECT_TRUE(kwin || Shell("xmodmap -pke") == keymap) << "the keyboard mapping changed";
}

// On KWin and GNOME their own, which XWayland follows: the second of "us" and it, switched to.
inline void SetLayout(const string& layout) {
    if (gnome) {
        const bool us = layout == "us";
        Shell("gsettings set org.gnome.desktop.input-sources sources \"[('xkb', 'us')" +
              (us ? "" : ", ('xkb', '" + layout + "')") + "]\"; sleep 0.5");
        return (void)GnomeEval("imports.ui.status.keyboard.getInputSourceManager().inputSources[" +
                               string(us ? "0" : "1") + "].activate(false)");
    }
    if (!kwin) return (void)Shell("setxkbmap -model pc105 -layout " + layout);
    WriteFile(string(getenv("HOME")) + "/.config/kxkbrc", "[Layout]\nLayoutList=us," + layout + "\nUse=true\n");
    Shell("dbus-send --session --type=signal /Layouts org.kde.keyboard.reloadConfig; sleep 0.5; dbus-send --session "
          "--print-reply --dest=org.kde.keyboard /Layouts org.kde.KeyboardLayouts.setLayout uint32:1 >/dev/null");
    Pause(0.3);
}

inline void ResetKeyboard() {  // us, Caps Lock off
    SetLayout("us");
    LockCaps(false);
}

inline void Click(const Rect& a, int button, int times = 1) {  // in the middle
    const string at = to_string(a.x + a.width / 2) + " " + to_string(a.y + a.height / 2);
    const string clicks = to_string(button) + " " + to_string(times);
    if (kwin) return (void)Shell(KWIN_INPUT " " + at + " && " KWIN_INPUT " click " + clicks);
    Shell("xdotool mousemove " + at + " click --repeat " + to_string(times) + " --delay 120 " + to_string(button));
}

inline void ClickAt(Window window, int x, int y, int times = 1) {
    const Rect where = Area(window);
    Click({where.x + x, where.y + y, 1, 1}, 1, times);
}

inline void MovePointer(int x, int y) {  // on KWin and GNOME their own, which XWayland follows
    if (gnome) {
        const string move = "testPointer.notify_absolute_motion(0, " + to_string(x) + ", " + to_string(y) + ")";
        // GNOME 50 takes one coordinate of a new pointer's first move as 0.
        if (GnomeEval("globalThis.testPointer === undefined").toBool()) {
            GnomeEval("globalThis.testPointer = " + GnomeSeat +
                      ".create_virtual_device(imports.gi.Clutter.InputDeviceType.POINTER_DEVICE); " + move);
            Pause(0.3);
        }
        return (void)GnomeEval(move);
    }
    Shell((kwin ? KWIN_INPUT " " : "xdotool mousemove ") + to_string(x) + " " + to_string(y));
}

inline void Key(const string& keys) { Shell((kwin ? KWIN_INPUT " key " : "xdotool key --delay 60 ") + keys); }

inline void Xdotool(const string& command, Window window) {
    Shell("xdotool " + command + " " + to_string(window));
}

inline void Swaymsg(const string& command, Window window) {
    Shell("swaymsg '[con_id=" + to_string(window) + "] " + command + "' >/dev/null");
}

inline void Activate(Window window) {
    if (sway) Swaymsg("focus", window);
    else if (kwin) {
        for (const QJsonValue& w : KWinWindows())
            if (w["id"].toInteger() == qint64(window))
                KWinWindows("for (const w of ws) if (String(w.internalId) == '" + w["uuid"].toString().toStdString() +
                            "') workspace[workspace.activeWindow === undefined ? 'activeClient' : 'activeWindow'] = w;");
    } else if (gnome)
        GnomeWindows("for (const w of ws) if (id(w) == " + to_string(window) + ") w.activate(global.get_current_time())");
    else Xdotool("windowactivate --sync", window);
}

inline void ActivateForTyping(Window window) {  // with time for its field to take the focus
    if (sway || kwin || gnome) Activate(window);
    else Xdotool("windowactivate --sync " + to_string(window) + " windowfocus --sync", window);
    Pause(0.3);
}

// Sway's headless outputs, a second made when first wanted, each at the scale given (real pixels
// to a desktop pixel). Sway 1.7 switches none off: one not wanted goes right of the 800 x 600 screen.
inline void SetSwayOutputs(std::vector<Rect> monitors, int scale) {
    if (monitors.empty()) monitors = {{0, 0, 800, 600}, {800, 0, 300, 400}};
    if (monitors.size() < 2) monitors.push_back({800, 0, 300, 400});
    if (Shell("swaymsg -t get_outputs | grep -c HEADLESS-2") == "0\n") Shell("swaymsg create_output >/dev/null");
    for (size_t i = 0; i < monitors.size(); ++i) {
        const Rect& m = monitors[i];
        Shell("swaymsg output HEADLESS-" + to_string(i + 1) + " resolution " + to_string(m.width * scale) + "x" +
              to_string(m.height * scale) + " position " + to_string(m.x) + " " + to_string(m.y) + " scale " +
              to_string(scale) + " >/dev/null");
    }
}

// The monitors, the first the primary; none: the screen's own. On X11 as RandR lists them.
inline void SetMonitors(const std::vector<Rect>& monitors, int scale = 1) {
    if (sway) return SetSwayOutputs(monitors, scale);
    Shell("xrandr --delmonitor First 2>/dev/null; xrandr --delmonitor Second 2>/dev/null");
    for (size_t i = 0; i < monitors.size(); ++i) {
        const Rect& m = monitors[i];
        Shell("xrandr --setmonitor " + string(i ? "Second " : "'*First' ") + to_string(m.width) + "/100x" +
              to_string(m.height) + "/100+" + to_string(m.x) + "+" + to_string(m.y) + (i ? " none" : " screen >/dev/null"));
    }
}

// The monitors as RandR lists them, the primary first (KWin's and GNOME's are made at their start).
inline std::vector<Rect> ListedMonitors() {
    std::istringstream lines(Shell("xrandr --listmonitors | sed 1d | tr '/x+' '   '"));
    std::vector<Rect> monitors;
    for (string line; std::getline(lines, line);) {
        Rect m;
        if (sscanf(line.c_str(), "%*d: %*s %d %*d %d %*d %d %d", &m.width, &m.height, &m.x, &m.y) == 4)
            monitors.push_back(m);
    }
    return monitors;
}

inline void Move(Window window, int x, int y) {
    const string at = to_string(x) + " " + to_string(y);
    if (sway) Swaymsg("move absolute position " + at, window);
    else Shell("xdotool windowmove " + to_string(window) + " " + at);
}

inline Window Active() {
    if (sway) return SwayWindow([](const QJsonObject& node) { return node["focused"].toBool(); })["id"].toInteger();
    for (const QJsonValue& w : NativeWindows())
        if (w["active"].toBool()) return w["id"].toInteger();
    return std::stoul("0" + Shell("xdotool getactivewindow 2>/dev/null"));
}

// On sway wtype: a window drops the first key of a keyboard new to it, so a Shift goes first. Its
// keymap stays XWayland's after it ends, and xdotool's keys would be read in it: the usual one goes back.
inline void Type(const string& text) {
    Shell((sway ? "wtype -k Shift_L -s 100 -d 40 '" : "xdotool type --delay 40 '") + text + "'" +
          (sway ? "; setxkbmap us" : ""));
}

// Answers our message box with a key; false if none came or it stayed.
inline bool Answer(const string& key = "Return") {
    const Window box = Await("Pelmora");
    ActivateForTyping(box);
    Key(key);
    return box && SOON(!Viewable(box), 5);
}

inline const string MainTitle = "Pelmora - Utility for Windows ";

inline std::unique_ptr<Program> Pelmora(const string& keys, const string& dir = "") {
    auto program = std::make_unique<Program>(PELMORA_BINARY, "", dir);
    ActivateForTyping(Await(MainTitle));
    Key(keys);
    return program;
}

// The program (or an installed one, PELMORA_PROGRAM) with its main window and tray icon.
class ProgramOnDesktop : public ::testing::Test {
protected:
    Program program{getenv("PELMORA_PROGRAM") ?: PELMORA_BINARY};
    Window main = Await(MainTitle);

    void SetUp() override {
        ASSERT_TRUE(main) << "no main window\n" << program.Stderr();
        ASSERT_TRUE(SOON(TrayIcon())) << "no icon in the tray";
    }
    bool MainShown() { return Viewable(main) && !IsMinimised(main); }
    void ChooseFromTrayMenu(const string& letter) {
        const size_t before = Menus();  // the magnifier counts too
        Click(TrayIcon(), 3);
        ASSERT_TRUE(SOON(Menus() == before + 1)) << "no tray menu";
        Key(letter);
    }
};
