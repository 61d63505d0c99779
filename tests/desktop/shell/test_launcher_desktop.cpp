// A tool, Help and About with their links, the tour.

#include "Desktop.h"

namespace {

// The web handler of a private XDG home logs its arguments.
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

using Launcher = ProgramOnDesktop;

}  // namespace

TEST_F(Launcher, OpensTheMagnifierHelpAboutAndTheirLinks) {
    // The magnifier's button says first how to leave it.
    Activate(main);
    ClickAt(main, 44, Area(main).height - 200);
    ASSERT_TRUE(Answer());
    EXPECT_TRUE(SOON(Find("SpotZoom") && !Viewable(main)));
    Click(TrayIcon(), 1, 2);
    ASSERT_TRUE(SOON(MainShown()));
    Activate(main);
    Key("alt+h h");
    const Window help = Await("Pelmora - Help");
    Activate(main);
    Key("alt+h a");
    const Window about = Await("About Pelmora");
    Xdotool("windowminimize", about);
    EXPECT_TRUE(SOON(Viewable(about) && !IsMinimised(about))) << "About minimised";

    // About's link opens on a double click, Help's on a single one, each shown first.
    Activate(about);
    ClickAt(about, 80, 80);
    EXPECT_FALSE(Await("Pelmora", 1)) << "a single click opened About's link";
    ClickAt(about, 80, 80, 2);
    EXPECT_TRUE(Answer());
    Activate(help);
    ClickAt(help, 100, 62);
    EXPECT_TRUE(Answer());
    ClickAt(help, 100, 62, 2);
    EXPECT_TRUE(Answer());
    EXPECT_FALSE(Await("Pelmora", 1.5)) << "a link opened once more";
    const string page = "https://www.example.org/pelmora/\n", download = "https://www.vector.co.jp/\n";
    EXPECT_TRUE(SOON(ReadFile(home / "calls") == page + download + download)) << ReadFile(home / "calls");

    ActivateForTyping(help);
    Key("Return");
    EXPECT_TRUE(SOON(!Viewable(help) && Viewable(about)));
    ActivateForTyping(about);
    Key("Escape");
    EXPECT_TRUE(SOON(!Viewable(about)));
}

// Every 5 s: the notes on top, the magnifier too, the notebook instead, neither; then nothing.
TEST_F(Launcher, TheTourShowsEachToolInTurn) {
    const Stopwatch clock;
    const auto until = [&](double seconds) { return seconds - clock(); };
    Activate(main);
    Key("alt+h d");
    EXPECT_TRUE(SOON(IsAbove(Find("Notes: "))));
    EXPECT_FALSE(SOON(Find("SpotZoom") || Find("LumPassword"), until(9))) << "too early";
    EXPECT_TRUE(SOON(Find("SpotZoom") && Find("Notes: "), until(12)));
    // The tour takes the magnifier away, and its question at the left edge with it.
    Shell("xdotool mousemove 1 300");
    EXPECT_TRUE(Await("Pelmora", 3));
    EXPECT_TRUE(SOON(Find("LumPassword") && !Find("SpotZoom") && !Find("Pelmora"), until(17)));
    EXPECT_TRUE(SOON(!Find("LumPassword") && !Find("Notes: ", false), until(22)));
    EXPECT_TRUE(MainShown() && TrayIcon());
    EXPECT_FALSE(SOON(Find("SpotZoom") || Find("LumPassword"), 6)) << "the tour went on";
}

TEST_F(Launcher, LeavingDuringTheTourStopsIt) {
    Activate(main);
    Key("alt+h d");
    ASSERT_TRUE(SOON(Find("SpotZoom"), 13));
    Shell("xdotool mousemove 400 300");
    ChooseFromTrayMenu("x");
    EXPECT_TRUE(SOON(!TrayIcon() && !Viewable(main)));
    EXPECT_FALSE(SOON(Find("LumPassword"), 6)) << "the tour went on";
    ASSERT_TRUE(Find("Notes: ")) << "the notes window was left hidden";
    Activate(Find("Notes: "));
    Key("alt+F4");
    Shell("xdotool mousemove 1 300");
    EXPECT_TRUE(Answer("Escape"));  // No: the magnifier closes
    EXPECT_EQ(program.WaitExit(), 0) << program.Stderr();
}
