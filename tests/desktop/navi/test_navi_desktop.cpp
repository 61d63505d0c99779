// The real notes window on the real window stack: it pops up for a window that has a note,
// without taking the keyboard, stays in the corner on top, and writes and deletes notes
// through its own buttons.

#include "Desktop.h"

#include <gtest/gtest.h>
#include <memory>
#include <sstream>

using namespace desktop;

namespace {

class NotesOnTheDesktop : public ::testing::Test {
protected:
    Screen screen;
    // i3 cannot minimise: between notes the window stays up in the corner.
    const bool tiling = std::string(getenv("PELMORA_DESKTOP") ?: "") == "i3";
    std::string folder = "/tmp/pelmora-navi-" + std::to_string(getpid());
    int width = 0, height = 0;
    Window notes = 0;

    void SetUp() override { std::istringstream(Shell("mkdir -p " + folder + "; xdotool getdisplaygeometry")) >> width >> height; }
    void TearDown() override { Shell("rm -rf " + folder); }

    // A person moves the pointer back to their work after a click in the notes. Where the
    // window manager focuses the window under the pointer (i3), it is parked on the bar at
    // the bottom edge, which takes no focus.
    void PointerAway() { Shell("xdotool mousemove " + std::to_string(width / 2) + " " + std::to_string(height - 2)); }
    // The notes window, started in the test folder, settled: waiting, or showing a note with the
    // keyboard handed back (a window manager that focuses new windows gives it to it first).
    std::unique_ptr<Program> OpenNotes() {
        PointerAway();
        auto program = std::make_unique<Program>("sh -c 'cd " + folder + " && exec " FORM_HOST " navi'");
        EXPECT_TRUE(WaitFor([&] { return (notes = screen.FindByTitle("Navigation Notes")) != 0; }));
        EXPECT_TRUE(WaitFor([&] { return Watching() || (screen.Title(notes).starts_with("Notes: ") && screen.Active() != notes); }));
        return program;
    }
    // Waiting for an application with a note, out of the way.
    bool Watching() {
        return screen.Title(notes) == "Navigation Notes" &&
               (tiling ? screen.Viewable(notes) && InCorner() : screen.IsMinimised(notes) && !screen.IsAbove(notes));
    }
    // 700 twips (46.7 pixels at 96 dpi) from the right and bottom edges.
    bool InCorner() {
        const Rect frame = screen.Frame(notes);
        return std::abs(frame.x + frame.width - (width - 700 / 15.0)) < 2.5 &&
               std::abs(frame.y + frame.height - (height - 700 / 15.0)) < 2.5;
    }
    bool ShowsNote(const std::string& title) {
        return screen.Title(notes) == "Notes: " + title && screen.Viewable(notes) && !screen.IsMinimised(notes) &&
               screen.IsAbove(notes) && InCorner();
    }
    std::string Record(int k) { return ReadFile(folder + "/navilist.dat").substr((9 + k - 1) * 512, 512); }

    // Brings the application to the front, restores the notes window as the user does and
    // types the note straight away (the comment box has the keyboard), then clicks 保存.
    void WriteNote(Window application, const std::string& title, const std::string& comment) {
        screen.Activate(application);
        Pause(1.6);  // a tick sees the application, then the person turns to the notes
        screen.Activate(notes);
        ASSERT_TRUE(WaitFor([&] { return !screen.IsMinimised(notes) && screen.IsAbove(notes) && InCorner(); }, 5))
            << screen.Title(notes);
        Shell("xdotool type --delay 40 '" + comment + "'");
        screen.ClickAt(notes, 184, 68);  // 保存
        PointerAway();
        ASSERT_TRUE(WaitFor([&] { return ShowsNote(title); }, 5)) << screen.Title(notes);
    }
};

}  // namespace

TEST_F(NotesOnTheDesktop, PopsUpForAWindowWithANoteAndLeavesTheKeyboardWhereItWas) {
    WriteFile(folder + "/navilist.dat",
              std::string(9 * 512, '\0') + NoteRecord("Editor A", "Press F5 to run") + std::string(23 * 512, ' '));
    Program editorB(KEY_TARGET " " + folder + "/b.txt 'Editor B'");
    const Window b = screen.Await("Editor B");
    // The title shown (_NET_WM_NAME) counts, not an older WM_NAME naming a noted window.
    Shell("xprop -id " + std::to_string(b) + " -set WM_NAME 'Editor A'");
    auto program = OpenNotes();
    screen.Activate(b);
    EXPECT_FALSE(WaitFor([&] { return !Watching(); }, 1.6)) << screen.Title(notes);  // no note for Editor B

    Program editorA(KEY_TARGET " " + folder + "/a.txt 'Editor A'");
    const Window a = screen.Await("Editor A");
    screen.Activate(a);
    ASSERT_TRUE(WaitFor([&] { return ShowsNote("Editor A"); }, 5)) << screen.Title(notes);
    // Where the window manager gives a popped-up window the keyboard (fluxbox, icewm), the
    // program hands it straight back.
    EXPECT_TRUE(WaitFor([&] { return screen.Active() == a; }, 2));
    Shell("xdotool type --delay 40 typed");
    EXPECT_TRUE(WaitFor([&] { return ReadFile(folder + "/a.txt") == "typed"; })) << ReadFile(folder + "/a.txt");

    // Moved away or minimised, it is back in the corner within a tick.
    Shell("xdotool windowmove " + std::to_string(notes) + " 10 10");
    EXPECT_TRUE(WaitFor([&] { return !InCorner(); }, 1));
    EXPECT_TRUE(WaitFor([&] { return ShowsNote("Editor A"); }, 5));
    Shell("xdotool windowminimize " + std::to_string(notes));
    EXPECT_TRUE(WaitFor([&] { return ShowsNote("Editor A"); }, 5));
    EXPECT_TRUE(WaitFor([&] { return screen.Active() == a; }, 2));

    screen.Activate(b);
    EXPECT_TRUE(WaitFor([&] { return Watching(); }, 5)) << screen.Title(notes);

    // The borderless magnifier on top of everything is passed over.
    Program magnifier(FORM_HOST " zoom");
    ASSERT_TRUE(WaitFor([&] { return screen.FindByTitle("SpotZoom") != 0; }));
    screen.Activate(a);
    EXPECT_TRUE(WaitFor([&] { return ShowsNote("Editor A"); }, 5)) << screen.Title(notes);
}

// Real programs: a GTK dialog that draws its own title bar (where the window manager
// composites), an xterm whose Japanese title comes as COMPOUND_TEXT, and a window titled like
// every Firefox page, whose dash the file gives back as another one. Each gets its own note
// through the buttons, not the note of the window below it, and again after the notes window
// was started afresh; 次回は表示しない deletes one, keeping it in the backup.
TEST_F(NotesOnTheDesktop, NotesFollowRealProgramsWhateverDrawsTheirTitleBarOrEncodesTheirTitle) {
    Program below(KEY_TARGET " " + folder + "/below.txt Below");
    const Window belowWindow = screen.Await("Below");
    const std::vector<std::pair<std::string, std::string>> programs{
        {"env GTK_CSD=1 zenity --entry --title 'Zenity CSD'", "Zenity CSD"},
        {"env LANG=C.UTF-8 xterm -T 'ログインXT'", "ログインXT"},
        {KEY_TARGET " " + folder + "/page.txt 'Page — Mozilla Firefox'", "Page — Mozilla Firefox"}};
    std::vector<std::unique_ptr<Program>> running;
    std::vector<Window> windows;
    for (const auto& [command, title] : programs) {
        running.push_back(std::make_unique<Program>(command));
        windows.push_back(screen.Await(title));
    }
    {
        auto navi = OpenNotes();
        WriteNote(belowWindow, "Below", "below");
        EXPECT_EQ(Record(1), NoteRecord("Below", "below"));
        EXPECT_EQ(ReadFile(folder + "/navilist.bak"), std::string(9 * 512, '\0') + std::string(24 * 512, ' '));
        for (size_t i = 0; i < programs.size(); ++i) WriteNote(windows[i], programs[i].second, "note");
    }
    auto navi = OpenNotes();
    for (size_t i = 0; i < programs.size(); ++i) {
        screen.Activate(belowWindow);
        ASSERT_TRUE(WaitFor([&] { return ShowsNote("Below"); }, 5)) << screen.Title(notes);
        screen.Activate(windows[i]);
        EXPECT_TRUE(WaitFor([&] { return ShowsNote(programs[i].second); }, 5)) << programs[i].second << ": " << screen.Title(notes);
    }
    screen.Activate(belowWindow);
    ASSERT_TRUE(WaitFor([&] { return ShowsNote("Below"); }, 5)) << screen.Title(notes);
    screen.ClickAt(notes, 16, 108);  // 次回は表示しない
    PointerAway();
    EXPECT_TRUE(WaitFor([&] { return Watching(); }, 5)) << screen.Title(notes);
    EXPECT_EQ(Record(1), NoteRecord("Zenity CSD", "note"));  // the others move up
    EXPECT_EQ(Record(4), std::string(512, ' '));
    EXPECT_EQ(ReadFile(folder + "/navilist.bak").substr(9 * 512, 512), NoteRecord("Below", "below"));
}
