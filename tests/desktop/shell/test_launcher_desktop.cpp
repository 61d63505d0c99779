// The whole program driven like a person: its tools, Help and About with their links, and the
// demo tour.

#include "Desktop.h"

namespace {

// A fake browser as the default web handler in a private XDG home that the program gets: each
// start adds a line of its arguments.
const Folder home;
const bool browserSet = [] {
    WriteFile(home / "browser", "#!/bin/sh\necho \"$@\" >> " + home / "calls");
    Shell("chmod +x " + home / "browser; mkdir " + home / "applications");
    WriteFile(home / "applications/browser.desktop", "[Desktop Entry]\nType=Application\nExec=" + home / "browser %u");
    WriteFile(home / "mimeapps.list", "[Default Applications]\nx-scheme-handler/http=browser.desktop\n");
    setenv("XDG_CONFIG_HOME", home.path.c_str(), 1);
    setenv("XDG_DATA_HOME", home.path.c_str(), 1);
    setenv("XDG_CONFIG_DIRS", "/none", 1);
    return !setenv("XDG_DATA_DIRS", "/none", 1);
}();

bool Shown(const std::string& title) { return Find(title); }

// Windows made since the first call, other than pop-ups: even those nobody sees.
int NewWindows() {
    [[maybe_unused]] static const int watching = XSelectInput(display, root, SubstructureNotifyMask);
    static int made = 0;
    for (XEvent e; XPending(display);) {
        XNextEvent(display, &e);
        made += e.type == CreateNotify && !e.xcreatewindow.override_redirect;
    }
    return made;
}

class Launcher : public ProgramOnDesktop {};

}  // namespace

TEST_F(Launcher, TheMagnifierHelpAndAboutOpenFromTheMainWindowAndTheLinksInTheBrowser) {
    // The magnifier's button (in the window, 44 px from the left, 200 px from the bottom) first
    // says how to leave it, and the main window goes to the tray.
    Activate(main);
    ClickAt(main, 44, Area(main).height - 200);
    ASSERT_TRUE(Answer()) << "no word how to leave the magnifier";
    EXPECT_TRUE(WaitFor([&] { return Shown("SpotZoom") && !Viewable(main); })) << "no magnifier";
    Click(TrayIcon(), 1, 2);
    ASSERT_TRUE(WaitFor([&] { return MainShown(); })) << "the main window did not come back";
    Activate(main);
    Key("alt+h h");
    const Window help = Await("Pelmora - Help");
    Activate(main);
    Key("alt+h a");
    const Window about = Await("About Pelmora");
    Xdotool("windowminimize", about);
    EXPECT_TRUE(WaitFor([&] { return Viewable(about) && !IsMinimised(about); })) << "About has no way back";

    // The About link opens on a double click only; the Help link on a single click, and once on
    // a double click. The program shows each start of the browser first.
    Activate(about);
    ClickAt(about, 80, 80);
    EXPECT_FALSE(Await("Pelmora", 1)) << "a single click opened the About link";
    ClickAt(about, 80, 80, 2);
    EXPECT_TRUE(Answer());
    Activate(help);
    ClickAt(help, 100, 62);
    EXPECT_TRUE(Answer());
    ClickAt(help, 100, 62, 2);
    EXPECT_TRUE(Answer());
    EXPECT_FALSE(Await("Pelmora", 1.5)) << "a link opened once more";
    const std::string page = "https://www.example.org/pelmora/\n", download = "https://www.vector.co.jp/\n";
    EXPECT_TRUE(WaitFor([&] { return ReadFile(home / "calls") == page + download + download; }))
        << "the browser opened " << ReadFile(home / "calls");

    ActivateForTyping(help);
    Key("Return");
    EXPECT_TRUE(WaitFor([&] { return !Viewable(help) && Viewable(about); })) << "Enter did not close Help";
    ActivateForTyping(about);
    Key("Escape");
    EXPECT_TRUE(WaitFor([&] { return !Viewable(about); })) << "Esc did not close About";
}

// Every 5 s a step: the notes on top, then the magnifier too, then the notebook instead, then
// neither; and after the tour nothing at all.
TEST_F(Launcher, TheDemoTourShowsTheNotesTheMagnifierAndTheNotebookInTurn) {
    const auto start = std::chrono::steady_clock::now();
    const auto until = [&](double seconds) {
        return seconds - std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    Activate(main);
    Key("alt+h d");
    EXPECT_TRUE(WaitFor([&] { return IsAbove(Find("Notes: ")); })) << "no notes window on top";
    EXPECT_FALSE(WaitFor([&] { return Shown("SpotZoom") || Shown("LumPassword"); }, until(9))) << "too early";
    EXPECT_TRUE(WaitFor([&] { return Shown("SpotZoom") && Shown("Notes: "); }, until(12))) << "no magnifier";
    // The magnifier asks at the left edge; the tour takes it away, and the question with it.
    Shell("xdotool mousemove 1 300");
    EXPECT_TRUE(Await("Pelmora", 3)) << "no question at the left edge";
    EXPECT_TRUE(WaitFor([&] {
        return Shown("LumPassword") && Shown("Notes: ") && !Shown("SpotZoom") && !Shown("Pelmora");
    }, until(17))) << "no notebook in place of the magnifier and its question";
    EXPECT_TRUE(WaitFor([&] { return !Shown("LumPassword") && !Find("Notes: ", false); }, until(22)))
        << "the notebook or the notes stayed";
    EXPECT_TRUE(MainShown() && TrayIcon());
    NewWindows();
    EXPECT_FALSE(WaitFor([&] { return NewWindows() || Shown("SpotZoom") || Shown("LumPassword"); }, 6))
        << "the tour went on";
}

TEST_F(Launcher, LeavingDuringTheTourStopsItAndLeavesOnlyWindowsOnTheScreen) {
    Activate(main);
    Key("alt+h d");
    ASSERT_TRUE(WaitFor([&] { return Shown("SpotZoom"); }, 13));
    Shell("xdotool mousemove 400 300");
    ChooseFromTrayMenu("x");
    EXPECT_TRUE(WaitFor([&] { return !TrayIcon() && !Viewable(main); }));
    EXPECT_FALSE(WaitFor([&] { return Shown("LumPassword"); }, 6)) << "the tour went on without its window";
    // The notes window and the magnifier are on the screen; closing them ends the program.
    ASSERT_TRUE(Find("Notes: ")) << "the notes window was left hidden";
    Activate(Find("Notes: "));
    Key("alt+F4");
    Shell("xdotool mousemove 1 300");
    EXPECT_TRUE(Answer("Escape")) << "no question at the left edge";  // No: the magnifier closes
    EXPECT_EQ(program.WaitExit(), 0) << program.Stderr();
}
