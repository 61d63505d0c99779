// The notes window over terminals, a GTK dialog and our Qt window, used through its buttons.

#include "Desktop.h"
#include "Records.h"

namespace {

class Notes : public ::testing::Test {
protected:
    Folder folder;
    std::unique_ptr<Program> program;
    Window notes = 0;
    bool warm = false;  // a note was up before
    const Rect desk = Area(root);
    const string desktop = getenv("PELMORA_DESKTOP");
    const bool tiling = desktop == "i3" || sway, handing = desktop == "fluxbox" || desktop == "icewm";

    // Onto i3's bar, where the focus follows the pointer.
    void PointerAway() { Shell("xdotool mousemove 9 " + to_string(desk.height - 2)); }
    void Open(Window application) {
        program.reset();
        PointerAway();
        program = Pelmora("alt+t n", folder.path);
        ASSERT_TRUE(SOON((notes = Find("Navigation Notes", false))));
        XSelectInput(display, notes, FocusChangeMask);
        Activate(application);
        EXPECT_TRUE(SOON(Waiting() || (Find("Notes: .*") == notes && Active() == application)));
        warm = !Waiting();
    }
    bool Waiting() {  // for an application with a note
        if (Find("Navigation Notes", false) != notes) return false;
        return tiling ? Viewable(notes) && InCorner() : IsMinimised(notes) && !IsAbove(notes);
    }
    bool InCorner(const Rect& monitor) {  // the frame 46.7 pixels from the right and bottom
        const Rect r = Area(notes);
        std::vector<long> frame = Property<long>(notes, "_NET_FRAME_EXTENTS");  // left, right, top, bottom
        frame.resize(4);
        const double right = r.x + r.width + frame[1] + 46.7, bottom = r.y + r.height + frame[3] + 46.7;
        return std::abs(right - monitor.x - monitor.width) < 2.5 && std::abs(bottom - monitor.y - monitor.height) < 2.5;
    }
    bool InCorner() { return InCorner(desk); }
    bool Up(const Rect& monitor) { return Viewable(notes) && !IsMinimised(notes) && IsAbove(notes) && InCorner(monitor); }
    bool Up() { return Up(desk); }
    bool Shows(const string& title) { return Find("Notes: " + title) == notes && Up(); }
    bool TookTheKeyboard() {  // since last asked
        bool took = false;
        for (XEvent e; XPending(display);) {
            XNextEvent(display, &e);
            took |= e.type == FocusIn && e.xfocus.mode == NotifyNormal && e.xfocus.detail != NotifyPointer;
        }
        return took;
    }
    void ExpectNoteFor(Window application, const string& title) {
        Activate(application);
        TookTheKeyboard();
        EXPECT_TRUE(SOON(Shows(title), 5)) << title;
        // A first note may get the keyboard and hand it back; on fluxbox and icewm every note.
        EXPECT_FALSE(TookTheKeyboard() && warm && !handing) << "the note took the keyboard";
    }
    // What another program of the session gets from our GNOME Shell extension: no answer at all.
    static bool ExtensionRefuses() {
        const string call = "gdbus call --session --dest org.gnome.Shell --object-path /org/example/pelmora/Shell "
                            "--method org.example.pelmora.Shell.";
        for (const string method : {"Windows", "Pointer", "Activate \"'1'\"", "CaptureArea 0 0 10 10"})
            if (Shell(call + method + " 2>&1").find("AccessDenied") == string::npos) return false;
        return true;
    }
    // The note typed into the box, 保存.
    void WriteNote(Window application, const string& title) {
        Activate(application);
        Pause(1.6);  // a tick sees the application
        Activate(notes);
        ASSERT_TRUE(SOON(Up(), 5));
        Shell("xdotool type --delay 40 note");
        ClickAt(notes, 184, 68);
        PointerAway();
        ASSERT_TRUE(SOON(Shows(title), 5)) << title;
    }
};

}  // namespace

TEST_F(Notes, PopUpForTheNotedWindowKeyboardKept) {
    const string note = Note<string>("Editor A", "Press F5");
    WriteFile(folder / "navilist.dat", string(9 * 512, '\0') + note + string(23 * 512, ' '));
    Program editorA(Fields("Editor A", folder / "a.txt"));  // native on Wayland
    Program editorB(Terminal("Editor B", "/dev/null"));
    const Window a = Await("Editor A"), b = Await("Editor B");
    Program listener(gnome ? "gdbus monitor --session --dest org.gnome.Shell >&2" : "true");
    EXPECT_TRUE(!gnome || ExtensionRefuses()) << "the extension served another program before Pelmora ran";
    // The title shown (_NET_WM_NAME) counts, not WM_NAME.
    const string id = " -id " + to_string(b);
    Shell("xprop" + id + " -f _NET_WM_NAME 8u -set _NET_WM_NAME 'Editor B'; xprop" + id + " -set WM_NAME 'Editor A'");
    Open(b);
    EXPECT_FALSE(SOON(!Waiting(), 1.6)) << "a note for Editor B";
    if (kwin) {  // another program's script in KWin says Editor A is in front, as Pelmora's once did and with a token
        string uuid;
        for (const QJsonValue w : KWinWindows())
            if (w["name"] == "Editor A") uuid = w["uuid"].toString().toStdString();
        const string call = "callDBus('org.example.pelmora', '/KWin', 'org.example.pelmora.KWin', 'Activated', ";
        KWinWindows(call + "'" + uuid + "'); " + call + "'guessed', '" + uuid + "');");
        EXPECT_FALSE(SOON(!Waiting(), 1.6)) << "a forged report brought up the note";
    }

    ExpectNoteFor(a, "Editor A");
    EXPECT_TRUE(!gnome || ExtensionRefuses()) << "the extension served another program beside Pelmora";
    EXPECT_TRUE(SOON(Active() == a, 2));
    if (!kwin && !gnome) {  // no tool types into their native windows
        Type("typed");
        EXPECT_TRUE(SOON(ReadFile(folder / "a.txt") == "typed"));
    }
    Move(notes, 10, 10);
    EXPECT_TRUE(SOON(!InCorner(), 1));
    EXPECT_TRUE(SOON(Shows("Editor A"), 5)) << "not back in the corner";
    Xdotool("windowminimize", notes);
    EXPECT_TRUE(SOON(Shows("Editor A") && Active() == a, 5)) << "not back from minimised";
    Activate(b);
    EXPECT_TRUE(SOON(Waiting(), 5));
    EXPECT_EQ(listener.Stderr().find("Editor"), string::npos) << "another program heard the titles";
}

// Two monitors, the primary on the left: a note pops up in the corner of the monitor that
// shows most of its application, and follows it to the other.
TEST_F(Notes, PopUpOnTheApplicationsMonitor) {
    WriteFile(folder / "navilist.dat", string(9 * 512, '\0') + Note<string>("Editor A", "Press F5") + string(23 * 512, ' '));
    std::vector<Rect> monitors{{0, 0, 600, desk.height}, {600, 0, desk.width - 600, 500}};
    if (kwin || gnome) monitors = ListedMonitors();
    else SetMonitors(monitors);
    if (monitors.size() < 2) GTEST_SKIP() << "one monitor, made at the desktop's start";
    const Rect left = monitors[0], right = monitors[1];
    Program editor(Terminal("Editor A", "/dev/null"));
    const Window a = Await("Editor A");
    if (sway) Swaymsg("floating enable", a);
    if (desktop == "i3") Shell("i3-msg '[id=" + to_string(a) + "] floating enable' >/dev/null");
    Open(a);
    Move(a, right.x + 50, 100);
    EXPECT_TRUE(SOON(Up(right), 5)) << "not in the corner of the application's monitor";
    Move(a, 50, 100);
    EXPECT_TRUE(SOON(Up(left), 5)) << "did not follow the application";
    SetMonitors({});
}

// A GTK dialog drawing its title bar, an xterm's COMPOUND_TEXT title: notes kept over a restart;
// 次回は表示しない deletes one.
TEST_F(Notes, FollowRealProgramsTitles) {
    Program below(Terminal("Below", "/dev/null"));
    Program zenity("zenity --entry --title 'Zenity CSD'", "GTK_CSD=1");
    Program xterm("xterm -T 'ログインXT'", "LANG=C.UTF-8");
    const std::vector<string> titles{"Below", "Zenity CSD", "ログインXT"};
    std::vector<Window> windows;
    for (const string& title : titles)
        windows.push_back(Await(title));
    Open(windows[0]);
    for (size_t i = 0; i < titles.size(); ++i)
        WriteNote(windows[i], titles[i]);
    Open(windows[0]);
    for (size_t i = 1; i < titles.size(); ++i) {
        ExpectNoteFor(windows[0], "Below");
        ExpectNoteFor(windows[i], titles[i]);
    }
    ExpectNoteFor(windows[0], "Below");
    ClickAt(notes, 16, 108);  // 次回は表示しない
    PointerAway();
    EXPECT_TRUE(SOON(Waiting(), 5));
    EXPECT_EQ(ReadFile(folder / "navilist.dat").substr(9 * 512, 512), Note<string>("Zenity CSD", "note"));
}
