// The program on a real X server with a window manager and a tray host, driven
// with the pointer and keyboard as a person would.

#include "ProgramOnDesktop.h"

#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace desktop;

namespace {

class TrayDesktop : public ProgramOnDesktop {
protected:
    bool Shown() { return screen.Viewable(main) && !screen.IsMinimised(main); }
    bool Hidden() { return !screen.Viewable(main); }

    void HideWithCloseMenu() {
        screen.Activate(main);
        screen.Key("alt+t c");
        ASSERT_TRUE(WaitFor([&] { return Hidden(); }));
    }

    void ExpectProgramEndsWithTrayIconGone() {
        EXPECT_EQ(program.WaitExit(), 0) << program.Stderr();
        EXPECT_TRUE(WaitFor([&] { return screen.TrayIcon() == 0; })) << "the tray icon outlived the program";
    }
};

}  // namespace

TEST_F(TrayDesktop, MinimisingHidesIntoTheTrayAndADoubleClickBringsTheWindowBack) {
    Shell("xdotool windowminimize " + std::to_string(main));
    ASSERT_TRUE(WaitFor([&] { return Hidden(); }));
    EXPECT_NE(screen.TrayIcon(), 0u);
    screen.Click(screen.TrayIcon(), 1, 2);
    EXPECT_TRUE(WaitFor([&] { return Shown(); })) << "double-click did not restore the window";
}

TEST_F(TrayDesktop, ASingleClickAndPointerMovesOnTheIconDoNothing) {
    HideWithCloseMenu();
    const Window icon = screen.TrayIcon();
    screen.Click(icon, 1);
    Shell("xdotool mousemove_relative 2 1");
    EXPECT_FALSE(WaitFor([&] { return !Hidden() || screen.CountPopupMenus() > 0; }, 1.0));
}

TEST_F(TrayDesktop, TheTrayMenuOpensOnceAndShowRestoresTheWindow) {
    HideWithCloseMenu();
    screen.Click(screen.TrayIcon(), 3);
    ASSERT_TRUE(WaitFor([&] { return screen.CountPopupMenus() == 1; }));
    screen.Click(screen.TrayIcon(), 3);  // while it is open: no second menu
    EXPECT_FALSE(WaitFor([&] { return screen.CountPopupMenus() > 1; }, 1.0));
    if (screen.CountPopupMenus() == 0) screen.Click(screen.TrayIcon(), 3);
    ASSERT_TRUE(WaitFor([&] { return screen.CountPopupMenus() == 1; }));
    screen.Key("s");
    EXPECT_TRUE(WaitFor([&] { return Shown(); }));
    EXPECT_EQ(screen.CountPopupMenus(), 0);
}

TEST_F(TrayDesktop, ExitInTheTrayMenuEndsTheProgramAndRemovesTheIcon) {
    ChooseFromTrayMenu("x");
    ExpectProgramEndsWithTrayIconGone();
}

TEST_F(TrayDesktop, TheTitleBarCloseEndsTheProgramAndRemovesTheIcon) {
    screen.Activate(main);
    screen.Key("alt+F4");
    ExpectProgramEndsWithTrayIconGone();
}

TEST_F(TrayDesktop, TerminationSignalsRemoveTheIconToo) {
    program.Signal(SIGTERM);
    ExpectProgramEndsWithTrayIconGone();
}

TEST(NoDisplay, SaysSoInOneLineAndExitsWithOne) {
    Program program(PELMORA_BINARY, "DISPLAY=:4093");
    EXPECT_EQ(program.WaitExit(), 1);
    const std::string err = program.Stderr();
    EXPECT_NE(err.find("cannot open the X display"), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}
