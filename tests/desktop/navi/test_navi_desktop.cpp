// The real notes window on the real window stack: it pops up for a window that has a
// note, without taking the keyboard, stays in the corner on top, and writes and
// deletes notes through its own buttons.

#include "Desktop.h"

#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <vector>

using namespace desktop;

namespace {

// The note sits 700 twips (46.7 pixels at 96 dpi) from the right and bottom edges.
constexpr double CornerGap = 700 / 15.0;

class NotesOnTheDesktop : public ::testing::Test {
protected:
    Screen screen;
    // i3 cannot minimise: between notes the window stays up in the corner.
    const bool tiling = std::string(getenv("PELMORA_DESKTOP") ?: "") == "i3";
    std::string folder = "/tmp/pelmora-navi-" + std::to_string(getpid());

    void SetUp() override { Shell("rm -rf " + folder + " && mkdir -p " + folder); }
    void TearDown() override { Shell("rm -rf " + folder); }

    Window Await(const std::string& title) {
        Window window = 0;
        EXPECT_TRUE(WaitFor([&] { return (window = screen.Shown(title)) != 0; })) << title;
        return window;
    }
    // A person moves the pointer back to their work after a click in the notes. Where the
    // window manager focuses the window under the pointer (i3), it is parked on the bar at
    // the bottom edge, which takes no focus.
    void PointerAway() {
        const auto [width, height] = ScreenSize();
        Shell("xdotool mousemove " + std::to_string(width / 2) + " " + std::to_string(height - 2));
    }
    // The notes window, started in the test folder.
    std::unique_ptr<Program> OpenNotes(Window& notes) {
        PointerAway();
        auto program = std::make_unique<Program>("sh -c 'cd " + folder + " && exec " NAVI_HOST "'");
        EXPECT_TRUE(WaitFor([&] { return (notes = screen.FindByTitle("Navigation Notes")) != 0; }));
        // Settled: waiting, or showing a note with the keyboard handed back (a window manager
        // that focuses new windows gives it to the notes window first).
        EXPECT_TRUE(WaitFor([&] {
            return Watching(notes) || (screen.Title(notes).starts_with("Notes: ") && screen.Active() != notes);
        }));
        return program;
    }
    // Waiting for an application with a note, out of the way.
    bool Watching(Window notes) {
        return screen.Title(notes) == "Navigation Notes" &&
               (tiling ? screen.Viewable(notes) && InCorner(notes) : screen.IsMinimised(notes) && !screen.IsAbove(notes));
    }
    std::pair<int, int> ScreenSize() {
        int width = 0, height = 0;
        std::istringstream(Shell("xdotool getdisplaygeometry")) >> width >> height;
        return {width, height};
    }
    bool InCorner(Window window) {
        const auto [width, height] = ScreenSize();
        const Rect frame = screen.Frame(window);
        return std::abs(frame.x + frame.width - (width - CornerGap)) < 2.5 &&
               std::abs(frame.y + frame.height - (height - CornerGap)) < 2.5;
    }
    bool ShowsNote(Window notes, const std::string& title) {
        return screen.Title(notes) == "Notes: " + title && screen.Viewable(notes) && !screen.IsMinimised(notes) &&
               screen.IsAbove(notes) && InCorner(notes);
    }
    std::string Describe(Window window) {
        const Rect f = screen.Frame(window);
        return screen.Title(window) + " frame " + std::to_string(f.x) + "," + std::to_string(f.y) + " " +
               std::to_string(f.width) + "x" + std::to_string(f.height) + (screen.IsAbove(window) ? " above" : "") +
               (screen.IsMinimised(window) ? " minimised" : "") + "; active: " + screen.Title(screen.Active());
    }
    // Where the window manager gives a popped-up window the keyboard (fluxbox, icewm), the
    // program hands it straight back.
    bool KeyboardBackWith(Window application) {
        return WaitFor([&] { return screen.Active() == application; }, 2);
    }
    std::string Note(int k) { return ReadFile(folder + "/navilist.dat").substr((9 + k - 1) * 512, 512); }

    // Brings the application to the front, restores the notes window as the user does and
    // types the note straight away (the comment box has the keyboard), then clicks 保存.
    void WriteNote(Window application, Window notes, const std::string& title, const std::string& comment) {
        screen.Activate(application);
        WaitFor([] { return false; }, 1.6);  // a tick sees the application, then the person turns to the notes
        screen.Activate(notes);
        ASSERT_TRUE(WaitFor([&] { return !screen.IsMinimised(notes) && screen.IsAbove(notes) && InCorner(notes); }, 5))
            << Describe(notes);
        Shell("xdotool type --delay 40 '" + comment + "'");
        screen.ClickAt(notes, 184, 68);  // 保存
        PointerAway();
        ASSERT_TRUE(WaitFor([&] { return ShowsNote(notes, title); }, 5)) << Describe(notes);
    }
};

}  // namespace

TEST_F(NotesOnTheDesktop, PopsUpForAWindowWithANoteAndLeavesTheKeyboardWhereItWas) {
    std::string file(9 * 512, '\0');
    file += NoteRecord("Editor A", "Press F5 to run") + std::string(23 * 512, ' ');
    std::ofstream(folder + "/navilist.dat", std::ios::binary) << file;

    Program editorB(KEY_TARGET " " + folder + "/b.txt 'Editor B'");
    const Window b = Await("Editor B");
    // The title shown (_NET_WM_NAME) counts, not an older WM_NAME naming a noted window.
    Shell("xprop -id " + std::to_string(b) + " -set WM_NAME 'Editor A'");
    Window notes = 0;
    auto program = OpenNotes(notes);
    screen.Activate(b);
    EXPECT_FALSE(WaitFor([&] { return !Watching(notes); }, 1.6)) << Describe(notes);  // no note for Editor B

    Program editorA(KEY_TARGET " " + folder + "/a.txt 'Editor A'");
    const Window a = Await("Editor A");
    screen.Activate(a);
    ASSERT_TRUE(WaitFor([&] { return ShowsNote(notes, "Editor A"); }, 5)) << Describe(notes);
    EXPECT_TRUE(KeyboardBackWith(a));
    Shell("xdotool type --delay 40 typed");
    EXPECT_TRUE(WaitFor([&] { return ReadFile(folder + "/a.txt") == "typed"; })) << ReadFile(folder + "/a.txt");

    // Moved away or minimised, it is back in the corner within a tick.
    Shell("xdotool windowmove " + std::to_string(notes) + " 10 10");
    EXPECT_TRUE(WaitFor([&] { return !InCorner(notes); }, 1));
    EXPECT_TRUE(WaitFor([&] { return ShowsNote(notes, "Editor A"); }, 5));
    Shell("xdotool windowminimize " + std::to_string(notes));
    EXPECT_TRUE(WaitFor([&] { return ShowsNote(notes, "Editor A"); }, 5));
    EXPECT_TRUE(KeyboardBackWith(a));

    screen.Activate(b);
    EXPECT_TRUE(WaitFor([&] { return Watching(notes); }, 5)) << Describe(notes);

    // The borderless magnifier on top of everything is passed over.
    Program magnifier(ZOOM_HOST);
    ASSERT_TRUE(WaitFor([&] { return screen.FindByTitle("SpotZoom") != 0; }));
    screen.Activate(a);
    EXPECT_TRUE(WaitFor([&] { return ShowsNote(notes, "Editor A"); }, 5)) << Describe(notes);
}

TEST_F(NotesOnTheDesktop, WritesAndDeletesANoteForATerminalThroughItsButtons) {
    const std::string title = "xterm note test";
    Program terminal("xterm -T '" + title + "'");
    const Window xterm = Await(title);
    Window notes = 0;
    auto program = OpenNotes(notes);
    WriteNote(xterm, notes, title, "run make first");
    EXPECT_EQ(Note(1), NoteRecord(title, "run make first"));
    EXPECT_EQ(ReadFile(folder + "/navilist.bak"), std::string(9 * 512, '\0') + std::string(24 * 512, ' '));

    screen.ClickAt(notes, 16, 108);  // 次回は表示しない
    PointerAway();
    EXPECT_TRUE(WaitFor([&] { return Watching(notes); }, 5));
    EXPECT_EQ(Note(1), std::string(512, ' '));
    EXPECT_EQ(ReadFile(folder + "/navilist.bak").substr(9 * 512, 512), NoteRecord(title, "run make first"));
}

// Real programs: a GTK dialog that draws its own title bar (where the window manager
// composites), an xterm whose Japanese title comes as COMPOUND_TEXT, and a window titled like
// every Firefox page, whose dash the file gives back as another one. Each gets its own note,
// not the note of the window below it, and again after the notes window was started afresh.
TEST_F(NotesOnTheDesktop, NotesFollowRealProgramsWhateverDrawsTheirTitleBarOrEncodesTheirTitle) {
    Program below(KEY_TARGET " " + folder + "/below.txt Below");
    const Window belowWindow = Await("Below");
    const std::vector<std::pair<std::string, std::string>> programs{
        {"env GTK_CSD=1 zenity --entry --title 'Zenity CSD'", "Zenity CSD"},
        {"env LANG=C.UTF-8 xterm -T 'ログインXT'", "ログインXT"},
        {KEY_TARGET " " + folder + "/page.txt 'Page — Mozilla Firefox'", "Page — Mozilla Firefox"}};
    std::vector<std::unique_ptr<Program>> running;
    std::vector<Window> windows;
    for (const auto& [command, title] : programs) {
        running.push_back(std::make_unique<Program>(command));
        windows.push_back(Await(title));
    }
    {
        Window notes = 0;
        auto navi = OpenNotes(notes);
        WriteNote(belowWindow, notes, "Below", "below");
        for (size_t i = 0; i < programs.size(); ++i) WriteNote(windows[i], notes, programs[i].second, "note");
    }
    Window notes = 0;
    auto navi = OpenNotes(notes);
    for (size_t i = 0; i < programs.size(); ++i) {
        screen.Activate(belowWindow);
        ASSERT_TRUE(WaitFor([&] { return ShowsNote(notes, "Below"); }, 5)) << Describe(notes);
        screen.Activate(windows[i]);
        EXPECT_TRUE(WaitFor([&] { return ShowsNote(notes, programs[i].second); }, 5))
            << programs[i].second << ": " << Describe(notes);
    }
}

