// The notes window on the real window stack: it pops up for the window that has a note without
// taking the keyboard, stays in the corner on top, and saves and deletes notes from its buttons.

#include "Desktop.h"
#include "Records.h"

#include <memory>

namespace {

class Notes : public ::testing::Test {
protected:
    Folder folder;
    std::unique_ptr<Program> program;
    Window notes = 0;
    const Rect desk = Area(root);
    const bool tiling = std::string(getenv("PELMORA_DESKTOP")) == "i3";  // i3 cannot minimise it

    // A person moves the pointer back to their work; on i3, where the focus follows it, onto the bar.
    void PointerAway() {
        Shell("xdotool mousemove " + std::to_string(desk.width / 2) + " " + std::to_string(desk.height - 2));
    }
    // Starts the notes window afresh: it settles waiting, or showing a note with the keyboard handed back.
    void Open() {
        program.reset();
        PointerAway();
        program = std::make_unique<Program>(FORM_HOST " navi", "", folder.path);
        ASSERT_TRUE(WaitFor([&] { return (notes = Find("Navigation Notes", false)); }));
        EXPECT_TRUE(WaitFor([&] { return Waiting() || (Caption().starts_with("Notes: ") && Active() != notes); }));
    }
    std::string Caption() { return Shell("xdotool getwindowname " + std::to_string(notes)); }
    Window Active() { return std::stoul("0" + Shell("xdotool getactivewindow 2>/dev/null")); }
    bool Waiting() {  // for an application with a note, out of the way
        if (Find("Navigation Notes", false) != notes) return false;
        return tiling ? Viewable(notes) && InCorner() : IsMinimised(notes) && !IsAbove(notes);
    }
    bool InCorner() {  // the frame 700 twips (46.7 pixels) from the right and bottom edges
        const Rect r = Area(notes);
        std::vector<long> frame = Property<long>(notes, "_NET_FRAME_EXTENTS");  // left, right, top, bottom
        frame.resize(4);
        const double right = r.x + r.width + frame[1] + 46.7, bottom = r.y + r.height + frame[3] + 46.7;
        return std::abs(right - desk.width) < 2.5 && std::abs(bottom - desk.height) < 2.5;
    }
    bool Up() { return Viewable(notes) && !IsMinimised(notes) && IsAbove(notes) && InCorner(); }
    bool Shows(const std::string& title) { return Find("Notes: " + title) == notes && Up(); }
    void ExpectNoteFor(Window application, const std::string& title) {
        Activate(application);
        EXPECT_TRUE(WaitFor([&] { return Shows(title); }, 5)) << "no note for " << title << ": " << Caption();
    }
    // With the application in front the person turns to the notes window, types the note (the
    // comment box has the keyboard) and clicks 保存.
    void WriteNote(Window application, const std::string& title) {
        Activate(application);
        Pause(1.6);  // a tick sees the application
        Activate(notes);
        ASSERT_TRUE(WaitFor([&] { return Up(); }, 5)) << "the notes window did not come up in the corner";
        Shell("xdotool type --delay 40 note");
        ClickAt(notes, 184, 68);
        PointerAway();
        ASSERT_TRUE(WaitFor([&] { return Shows(title); }, 5)) << "no note for " << title << ": " << Caption();
    }
};

}  // namespace

TEST_F(Notes, PopUpForTheNotedWindowOnlyAndLeaveItTheKeyboard) {
    const std::string note = Note<std::string>("Editor A", "Press F5");
    WriteFile(folder / "navilist.dat", std::string(9 * 512, '\0') + note + std::string(23 * 512, ' '));
    Program editorA(Terminal("Editor A", folder / "a.txt"));
    Program editorB(Terminal("Editor B", "/dev/null"));
    const Window a = Await("Editor A"), b = Await("Editor B");
    // The title shown (_NET_WM_NAME) counts, not an older WM_NAME naming a noted window.
    const std::string id = " -id " + std::to_string(b);
    Shell("xprop" + id + " -f _NET_WM_NAME 8u -set _NET_WM_NAME 'Editor B'; xprop" + id + " -set WM_NAME 'Editor A'");
    Activate(b);
    Open();
    EXPECT_FALSE(WaitFor([&] { return !Waiting(); }, 1.6)) << "came up for Editor B: " << Caption();

    ExpectNoteFor(a, "Editor A");
    // Where the window manager gives a window that comes up the keyboard (fluxbox, icewm), the
    // program hands it back.
    EXPECT_TRUE(WaitFor([&] { return Active() == a; }, 2)) << "the keyboard is not back with Editor A";
    Shell("xdotool type --delay 40 typed");
    EXPECT_TRUE(WaitFor([&] { return ReadFile(folder / "a.txt") == "typed"; })) << ReadFile(folder / "a.txt");

    // Moved away or minimised, it is back in the corner within a tick.
    Shell("xdotool windowmove " + std::to_string(notes) + " 10 10");
    EXPECT_TRUE(WaitFor([&] { return !InCorner(); }, 1));
    EXPECT_TRUE(WaitFor([&] { return Shows("Editor A"); }, 5)) << "not back in the corner";
    Xdotool("windowminimize", notes);
    EXPECT_TRUE(WaitFor([&] { return Shows("Editor A") && Active() == a; }, 5)) << "not back from minimised";

    Activate(b);
    EXPECT_TRUE(WaitFor([&] { return Waiting(); }, 5)) << "stayed up for Editor B: " << Caption();
    // The borderless magnifier on top of everything is passed over.
    Program magnifier(FORM_HOST " zoom");
    ASSERT_TRUE(WaitFor([&] { return Find("SpotZoom", false); }));
    ExpectNoteFor(a, "Editor A");
}

// A GTK dialog that draws its own title bar and an xterm whose Japanese title comes as
// COMPOUND_TEXT each get their own note, not the one of the window below, also after a
// restart; 次回は表示しない deletes a note, keeping it in the backup.
TEST_F(Notes, FollowRealProgramsWhateverDrawsOrEncodesTheirTitle) {
    Program below(Terminal("Below", "/dev/null"));
    Program zenity("zenity --entry --title 'Zenity CSD'", "GTK_CSD=1");
    Program xterm("xterm -T 'ログインXT'", "LANG=C.UTF-8");
    const std::vector<std::string> titles{"Below", "Zenity CSD", "ログインXT"};
    std::vector<Window> windows;
    for (const std::string& title : titles)
        windows.push_back(Await(title));
    Open();
    for (size_t i = 0; i < titles.size(); ++i)
        WriteNote(windows[i], titles[i]);
    Open();
    for (size_t i = 1; i < titles.size(); ++i) {
        ExpectNoteFor(windows[0], "Below");
        ExpectNoteFor(windows[i], titles[i]);
    }
    ExpectNoteFor(windows[0], "Below");
    ClickAt(notes, 16, 108);  // 次回は表示しない
    PointerAway();
    EXPECT_TRUE(WaitFor([&] { return Waiting(); }, 5)) << "the note for Below stayed: " << Caption();
    const std::string file = ReadFile(folder / "navilist.dat");
    EXPECT_EQ(file.substr(9 * 512, 512), Note<std::string>("Zenity CSD", "note"));  // the others move up
    EXPECT_EQ(file.substr(11 * 512, 512), std::string(512, ' '));
    EXPECT_EQ(ReadFile(folder / "navilist.bak").substr(9 * 512, 512), Note<std::string>("Below", "note"));
}
