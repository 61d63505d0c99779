// The whole program driven like a person: every tool from its button and its menu item, Help
// and About with their links, and the demo tour.

#include "Desktop.h"

#include <chrono>

using namespace desktop;

namespace {

const std::string kHomePage = "https://www.example.org/pelmora/";
const std::string kDownloadPage = "https://www.vector.co.jp/";

// A fake browser (in a folder with a blank in its name) as the default web handler in a private
// XDG home that the program started here gets: each start appends a line of its arguments.
const Folder home;
const std::string calls = home / "calls.log";
const bool browserSet = [] {
    Shell("mkdir -p " + home / "applications '" + home / "fake bin'");
    WriteFile(home / "fake bin/browser", "#!/bin/sh\n{ printf '%s\\037' \"$@\"; echo; } >> " + calls + "\n");
    Shell("chmod +x '" + home / "fake bin/browser'");
    WriteFile(home / "applications/fake-browser.desktop",
              "[Desktop Entry]\nType=Application\nName=Fake Browser\nExec=\"" + home /
                  "fake bin/browser\" --new-window %u\nMimeType=x-scheme-handler/http;\n");
    WriteFile(home / "mimeapps.list", "[Default Applications]\nx-scheme-handler/http=fake-browser.desktop;\n");
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME"})
        setenv(name, home.path.c_str(), 1);
    for (const char* name : {"XDG_CONFIG_DIRS", "XDG_DATA_DIRS"})
        setenv(name, (home / "none").c_str(), 1);
    return true;
}();

class Launcher : public ProgramOnDesktop {
protected:
    void SetUp() override {
        ProgramOnDesktop::SetUp();
        screen.Activate(main);
    }
    bool Shown(const std::string& title) { return screen.Find(title) != 0; }
    void BringMainBack() {
        screen.Click(screen.TrayIcon(), 1, 2);
        ASSERT_TRUE(WaitFor([&] { return MainShown(); })) << "the main window did not come back";
        screen.Activate(main);
    }
    // The tool buttons, in pixels of the main window: three groups 80 px apart, each 57 px
    // square, below the menu bar (the window is 244 px high without it); the tray button at
    // the bottom right.
    void ClickTool(int index) {
        const int menuBar = screen.Area(main).height - 244;
        screen.ClickAt(main, index == 4 ? 420 : 44, menuBar + (index == 4 ? 204 : 44 + 80 * index));
    }
    bool Called(const std::vector<std::string>& addresses) {
        std::string expected;
        for (const std::string& address : addresses)
            expected += "--new-window\037" + address + "\037\n";
        return WaitFor([&] { return ReadFile(calls) == expected; }, 5);
    }
};

}  // namespace

TEST_F(Launcher, EachToolHelpAndAboutOpenFromTheMainWindowAndTheLinksInTheBrowser) {
    ClickTool(0);
    ASSERT_TRUE(screen.Answer()) << "no hint on leaving the magnifier";
    EXPECT_TRUE(WaitFor([&] { return Shown("SpotZoom"); }));
    EXPECT_TRUE(WaitFor([&] { return !screen.Viewable(main); }));

    BringMainBack();
    screen.Key("alt+t p");
    const Window pass = screen.Await("LumPassword");
    EXPECT_TRUE(WaitFor([&] { return !screen.Viewable(main); }));

    BringMainBack();
    screen.Key("alt+t n");
    EXPECT_TRUE(WaitFor([&] { return screen.Find("Navigation Notes", false) != 0; }));
    EXPECT_TRUE(WaitFor([&] { return !screen.Viewable(main); }));

    // Opening an open tool again shows the same window, not a second one.
    BringMainBack();
    ClickTool(1);
    EXPECT_TRUE(WaitFor([&] { return !screen.Viewable(main); }));
    EXPECT_EQ(screen.Find("LumPassword"), pass);

    BringMainBack();
    ClickTool(4);
    EXPECT_TRUE(WaitFor([&] { return !screen.Viewable(main); }));

    // Help and About come up beside the main window; their links open the browser.
    BringMainBack();
    screen.Key("alt+h h");
    const Window help = screen.Await("Pelmora - Help");
    screen.Activate(main);
    screen.Key("alt+h a");
    const Window about = screen.Await("About Pelmora");
    ASSERT_TRUE(help && about);
    EXPECT_TRUE(MainShown());
    // Minimised, it comes back: it has no taskbar entry.
    Shell("xdotool windowminimize " + std::to_string(about));
    EXPECT_TRUE(WaitFor([&] { return screen.Viewable(about) && !screen.IsMinimised(about); }))
        << "the About box stayed minimised";

    // The About link opens on a double click only; each start of the browser is shown first.
    screen.Activate(about);
    screen.ClickAt(about, 80, 80);
    screen.ClickAt(about, 80, 80, 2);
    EXPECT_TRUE(screen.Answer());
    EXPECT_TRUE(Called({kHomePage})) << ReadFile(calls);
    // The Help link opens on a single click, and once on a double click.
    screen.Activate(help);
    screen.ClickAt(help, 100, 62);
    EXPECT_TRUE(screen.Answer());
    screen.ClickAt(help, 100, 62, 2);
    EXPECT_TRUE(screen.Answer());
    EXPECT_TRUE(Called({kHomePage, kDownloadPage, kDownloadPage})) << ReadFile(calls);
    EXPECT_FALSE(WaitFor([&] { return Shown("Pelmora") || std::ranges::count(ReadFile(calls), '\n') > 3; }, 1.5))
        << "a link opened again";

    // Enter closes the Help window, Esc the About box.
    screen.ActivateForTyping(help);
    screen.Key("Return");
    EXPECT_TRUE(WaitFor([&] { return !screen.Viewable(help); })) << "Enter left the Help window open";
    EXPECT_TRUE(screen.Viewable(about));
    screen.ActivateForTyping(about);
    screen.Key("Escape");
    EXPECT_TRUE(WaitFor([&] { return !screen.Viewable(about); })) << "Esc left the About box open";
    EXPECT_TRUE(MainShown());
}

// Every 5 s a step: the notes, then the magnifier as well, then the notebook instead, then
// neither; and nothing after.
TEST_F(Launcher, TheDemoTourShowsTheNotesTheMagnifierAndTheNotebookInTurn) {
    const auto start = std::chrono::steady_clock::now();
    const auto until = [&](double seconds) {
        return seconds - std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    screen.Key("alt+h d");
    ASSERT_TRUE(WaitFor([&] {
        const Window notes = screen.Find("Notes: ");
        return notes && screen.IsAbove(notes);
    })) << "no notes window on top";
    EXPECT_FALSE(WaitFor([&] { return Shown("SpotZoom") || Shown("LumPassword"); }, until(9)))
        << "a tool came before its turn";
    EXPECT_TRUE(WaitFor([&] { return Shown("SpotZoom") && Shown("Notes: "); }, until(12))) << "no magnifier";
    EXPECT_TRUE(WaitFor([&] { return Shown("LumPassword") && !Shown("SpotZoom") && Shown("Notes: "); }, until(17)))
        << "no notebook instead of the magnifier";
    EXPECT_TRUE(WaitFor([&] { return !Shown("LumPassword") && !screen.Find("Notes: ", false); }, until(22)))
        << "the notebook or the notes stayed";
    EXPECT_TRUE(MainShown());
    EXPECT_TRUE(screen.TrayIcon());
    // Not even a notes window made and dropped again unseen.
    screen.WatchNewWindows();
    EXPECT_FALSE(WaitFor([&] { return Shown("SpotZoom") || Shown("LumPassword") || screen.NewWindows(); }, 6))
        << "the tour went on";
}

TEST_F(Launcher, LeavingDuringTheTourStopsItAndLeavesOnlyWindowsOnTheScreen) {
    screen.Key("alt+h d");
    ASSERT_TRUE(WaitFor([&] { return Shown("SpotZoom"); }, 13));
    Shell("xdotool mousemove 400 300");
    ChooseFromTrayMenu("x");
    EXPECT_TRUE(WaitFor([&] { return !screen.TrayIcon() && !screen.Viewable(main); }));
    EXPECT_FALSE(WaitFor([&] { return Shown("LumPassword"); }, 6)) << "the tour went on without its window";

    // The notes window and the magnifier are on the screen; closing them ends the program.
    const Window notes = screen.Find("Notes: ");
    ASSERT_TRUE(notes);
    screen.Activate(notes);
    screen.Key("alt+F4");
    Shell("xdotool mousemove 1 300");
    EXPECT_TRUE(screen.Answer("Escape")) << "no question at the left edge";  // No: the magnifier closes
    EXPECT_EQ(program.WaitExit(), 0) << program.Stderr();
}
