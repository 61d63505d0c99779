// The notes window on the real window stack: it pops up for a window that has a note without
// taking the keyboard, stays in the corner on top, and writes and deletes notes through its buttons.

#include "Desktop.h"
#include "Records.h"

#include <memory>

using namespace desktop;

namespace {

class NotesOnTheDesktop : public ::testing::Test {
protected:
    Desk screen;
    Folder folder;
    // i3 cannot minimise: between notes the window stays up in the corner.
    const bool tiling = std::string(getenv("PELMORA_DESKTOP") ?: "") == "i3";
    int width = 0, height = 0;
    Window notes = 0;

    void SetUp() override { std::istringstream(Shell("xdotool getdisplaygeometry")) >> width >> height; }

    // A person moves the pointer back to their work after a click in the notes. Where the
    // window manager focuses the window under the pointer (i3), it rests on the bottom bar.
    void PointerAway() { Shell("xdotool mousemove " + std::to_string(width / 2) + " " + std::to_string(height - 2)); }
    // The notes window, settled: waiting, or showing a note with the keyboard handed back.
    std::unique_ptr<Program> OpenNotes() {
        PointerAway();
        auto program = std::make_unique<Program>(FORM_HOST " navi", "", folder.path);
        EXPECT_TRUE(WaitFor([&] { return (notes = screen.Find("Navigation Notes", false)) != 0; }));
        EXPECT_TRUE(WaitFor([&] { return Watching() || (Title().starts_with("Notes: ") && screen.Active() != notes); }));
        return program;
    }
    std::string Title() { return screen.Title(notes); }
    // Waiting for an application with a note, out of the way.
    bool Watching() {
        return Title() == "Navigation Notes" &&
               (tiling ? screen.Viewable(notes) && InCorner() : screen.IsMinimised(notes) && !screen.IsAbove(notes));
    }
    bool InCorner() {  // 700 twips (46.7 pixels) from the right and bottom edges
        const Rect frame = screen.Frame(notes);
        return std::abs(frame.x + frame.width - (width - 700 / 15.0)) < 2.5 &&
               std::abs(frame.y + frame.height - (height - 700 / 15.0)) < 2.5;
    }
    bool ShowsNote(const std::string& title) {
        return Title() == "Notes: " + title && screen.Viewable(notes) && !screen.IsMinimised(notes) &&
               screen.IsAbove(notes) && InCorner();
    }
    std::string Record(int k) { return ReadFile(folder / "navilist.dat").substr((8 + k) * 512, 512); }

    // With the application in front, the person restores the notes window, types the note
    // (the comment box has the keyboard) and clicks 保存.
    void WriteNote(Window application, const std::string& title, const std::string& comment) {
        screen.Activate(application);
        Pause(1.6);  // a tick sees the application, then the person turns to the notes
        screen.Activate(notes);
        ASSERT_TRUE(WaitFor([&] { return !screen.IsMinimised(notes) && screen.IsAbove(notes) && InCorner(); }, 5))
            << "the notes window did not come up in the corner: " << Title();
        Shell("xdotool type --delay 40 '" + comment + "'");
        screen.ClickAt(notes, 184, 68);  // 保存
        PointerAway();
        ASSERT_TRUE(WaitFor([&] { return ShowsNote(title); }, 5)) << "no note for " << title << ": " << Title();
    }
};

}  // namespace

TEST_F(NotesOnTheDesktop, PopsUpForAWindowWithANoteAndLeavesTheKeyboardWhereItWas) {
    WriteFile(folder / "navilist.dat",
              std::string(9 * 512, '\0') + Note<std::string>("Editor A", "Press F5 to run") + std::string(23 * 512, ' '));
    Program editorB(KEY_TARGET " b.txt 'Editor B'", "", folder.path);
    const Window b = screen.Await("Editor B");
    // The title shown (_NET_WM_NAME) counts, not an older WM_NAME naming a noted window.
    Shell("xprop -id " + std::to_string(b) + " -set WM_NAME 'Editor A'");
    auto program = OpenNotes();
    screen.Activate(b);
    EXPECT_FALSE(WaitFor([&] { return !Watching(); }, 1.6)) << "came up for Editor B: " << Title();

    Program editorA(KEY_TARGET " a.txt 'Editor A'", "", folder.path);
    const Window a = screen.Await("Editor A");
    screen.Activate(a);
    ASSERT_TRUE(WaitFor([&] { return ShowsNote("Editor A"); }, 5)) << Title();
    // Where the window manager gives a popped-up window the keyboard (fluxbox, icewm), the
    // program hands it straight back.
    EXPECT_TRUE(WaitFor([&] { return screen.Active() == a; }, 2)) << "the keyboard is not back with Editor A";
    Shell("xdotool type --delay 40 typed");
    EXPECT_TRUE(WaitFor([&] { return ReadFile(folder / "a.txt") == "typed"; })) << ReadFile(folder / "a.txt");

    // Moved away or minimised, it is back in the corner within a tick.
    Shell("xdotool windowmove " + std::to_string(notes) + " 10 10");
    EXPECT_TRUE(WaitFor([&] { return !InCorner(); }, 1));
    EXPECT_TRUE(WaitFor([&] { return ShowsNote("Editor A"); }, 5)) << "not back in the corner";
    Shell("xdotool windowminimize " + std::to_string(notes));
    EXPECT_TRUE(WaitFor([&] { return ShowsNote("Editor A"); }, 5)) << "not back from minimised";
    EXPECT_TRUE(WaitFor([&] { return screen.Active() == a; }, 2)) << "the keyboard is not back with Editor A";

    screen.Activate(b);
    EXPECT_TRUE(WaitFor([&] { return Watching(); }, 5)) << "stayed up for Editor B: " << Title();

    // The borderless magnifier on top of everything is passed over.
    Program magnifier(FORM_HOST " zoom");
    ASSERT_TRUE(WaitFor([&] { return screen.Find("SpotZoom", false) != 0; }));
    screen.Activate(a);
    EXPECT_TRUE(WaitFor([&] { return ShowsNote("Editor A"); }, 5)) << Title();
}

// Real programs: a GTK dialog that draws its own title bar (where the window manager
// composites) and an xterm whose Japanese title comes as COMPOUND_TEXT. Each gets its own note
// through the buttons, not the note of the window below it, and again after the notes window
// was started afresh; 次回は表示しない deletes one, keeping it in the backup.
TEST_F(NotesOnTheDesktop, NotesFollowRealProgramsWhateverDrawsTheirTitleBarOrEncodesTheirTitle) {
    Program below(KEY_TARGET " below.txt Below", "", folder.path);
    const Window belowWindow = screen.Await("Below");
    Program zenity("zenity --entry --title 'Zenity CSD'", "GTK_CSD=1");
    Program xterm("xterm -T 'ログインXT'", "LANG=C.UTF-8");
    const std::vector<std::string> titles{"Zenity CSD", "ログインXT"};
    const std::vector<Window> windows{screen.Await(titles[0]), screen.Await(titles[1])};
    {
        auto navi = OpenNotes();
        WriteNote(belowWindow, "Below", "below");
        EXPECT_EQ(Record(1), Note<std::string>("Below", "below"));
        EXPECT_EQ(ReadFile(folder / "navilist.bak"), std::string(9 * 512, '\0') + std::string(24 * 512, ' '));
        for (size_t i = 0; i < titles.size(); ++i)
            WriteNote(windows[i], titles[i], "note");
    }
    auto navi = OpenNotes();
    for (size_t i = 0; i < titles.size(); ++i) {
        screen.Activate(belowWindow);
        ASSERT_TRUE(WaitFor([&] { return ShowsNote("Below"); }, 5)) << Title();
        screen.Activate(windows[i]);
        EXPECT_TRUE(WaitFor([&] { return ShowsNote(titles[i]); }, 5)) << "no note for " << titles[i] << ": " << Title();
    }
    screen.Activate(belowWindow);
    ASSERT_TRUE(WaitFor([&] { return ShowsNote("Below"); }, 5)) << Title();
    screen.ClickAt(notes, 16, 108);  // 次回は表示しない
    PointerAway();
    EXPECT_TRUE(WaitFor([&] { return Watching(); }, 5)) << "the note for Below stayed: " << Title();
    EXPECT_EQ(Record(1), Note<std::string>("Zenity CSD", "note"));  // the others move up
    EXPECT_EQ(Record(3), std::string(512, ' '));
    EXPECT_EQ(ReadFile(folder / "navilist.bak").substr(9 * 512, 512), Note<std::string>("Below", "below"));
}
