// The tray icon on a real X server with a window manager and a panel, driven with the pointer
// as a person would: on an XEmbed tray (openbox + trayer), where the program's own widget sits
// in the tray, and on panels that host StatusNotifierItems over D-Bus (XFCE, LXQt), which draw
// the icon and its menu themselves and tell the program only Activate, ContextMenu and menu choices.

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
    bool PanelDrawsTheIcon() { return !StatusNotifierItem().empty(); }

    void HideWithCloseMenu() {
        screen.Activate(main);
        screen.Key("alt+t c");
        ASSERT_TRUE(WaitFor([&] { return Hidden(); }));
    }

    // A right-click on the icon, then the first item of its menu ("Show") or the last ("Exit"):
    // in the program's own menu on an XEmbed tray, in the panel's drawing of the exported menu
    // elsewhere (three rows: Show, a separator, Exit).
    void ChooseInTrayMenu(bool first) {
        if (!PanelDrawsTheIcon()) return ChooseFromTrayMenu(first ? "s" : "x");
        screen.Click(screen.TrayIcon(), 3);
        Rect menu;
        ASSERT_TRUE(WaitFor([&] { return bool(menu = screen.PanelMenu()); })) << "the panel drew no menu";
        const int row = first ? menu.height / 4 : menu.height * 3 / 4;
        screen.Click(Rect{menu.x, menu.y + row, menu.width, 1}, 1);
    }

    void ExpectProgramEndsWithTrayIconGone() {
        EXPECT_EQ(program.WaitExit(), 0) << program.Stderr();
        EXPECT_TRUE(WaitFor([&] { return !screen.TrayIcon(); })) << "the tray icon outlived the program";
    }
};

}  // namespace

TEST_F(TrayDesktop, MinimisingHidesIntoTheTrayAndADoubleClickBringsTheWindowBack) {
    Shell("xdotool windowminimize " + std::to_string(main));
    ASSERT_TRUE(WaitFor([&] { return Hidden(); }));
    EXPECT_TRUE(screen.TrayIcon());
    screen.Click(screen.TrayIcon(), 1, 2);
    EXPECT_TRUE(WaitFor([&] { return Shown(); })) << "double-click did not restore the window";
    EXPECT_EQ(screen.FindByTitle(kCaption), main) << "a second main window";
}

// A panel has no double-click: its Activate (a left click) is what brings the window back there.
TEST_F(TrayDesktop, ASingleClickShowsTheWindowOnlyWhereThePanelHasNoDoubleClick) {
    HideWithCloseMenu();
    screen.Click(screen.TrayIcon(), 1);
    Shell("xdotool mousemove_relative 2 1");
    if (PanelDrawsTheIcon())
        EXPECT_TRUE(WaitFor([&] { return Shown(); })) << "Activate did not bring the window back";
    else
        EXPECT_FALSE(WaitFor([&] { return !Hidden() || screen.CountPopupMenus() > 0; }, 1.0));
}

TEST_F(TrayDesktop, ShowInTheTrayMenuRestoresTheWindowFromOneMenu) {
    HideWithCloseMenu();
    ChooseInTrayMenu(true);
    EXPECT_TRUE(WaitFor([&] { return Shown(); }));
    EXPECT_EQ(screen.CountPopupMenus(), 0) << "the program opened a menu of its own as well";
}

TEST_F(TrayDesktop, ARightClickWhileTheMenuIsOpenOpensNoSecondOne) {
    if (PanelDrawsTheIcon()) GTEST_SKIP() << "the panel draws the menu";
    HideWithCloseMenu();
    screen.Click(screen.TrayIcon(), 3);
    ASSERT_TRUE(WaitFor([&] { return screen.CountPopupMenus() == 1; }));
    screen.Click(screen.TrayIcon(), 3);
    EXPECT_FALSE(WaitFor([&] { return screen.CountPopupMenus() > 1; }, 1.0));
}

// KDE's panel calls ContextMenu when it does not draw the menu; the same call is made here.
TEST_F(TrayDesktop, APanelsContextMenuCallOpensTheProgramsMenuOnceAtThePointer) {
    if (!PanelDrawsTheIcon()) GTEST_SKIP() << "an XEmbed tray has no ContextMenu call";
    HideWithCloseMenu();
    Shell("xdotool mousemove 500 400");
    const std::string call = "org.kde.StatusNotifierItem.ContextMenu int32:500 int32:400";
    ASSERT_NE(CallStatusNotifierItem(call).find("method return"), std::string::npos);
    CallStatusNotifierItem(call);
    ASSERT_TRUE(WaitFor([&] { return screen.CountPopupMenus() == 1; }));
    EXPECT_FALSE(WaitFor([&] { return screen.CountPopupMenus() > 1; }, 1.0));
    screen.Key("s");
    EXPECT_TRUE(WaitFor([&] { return Shown(); }));
}

TEST_F(TrayDesktop, ThePanelShowsTheTipPelmora) {
    if (!PanelDrawsTheIcon()) GTEST_SKIP() << "the tip of an embedded icon is the program's own tooltip";
    const std::string reply =
        CallStatusNotifierItem("org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierItem string:ToolTip");
    EXPECT_NE(reply.find("string \"Pelmora\""), std::string::npos) << reply;
}

TEST_F(TrayDesktop, ExitInTheTrayMenuEndsTheProgramAndRemovesTheIcon) {
    ChooseInTrayMenu(false);
    ExpectProgramEndsWithTrayIconGone();
}

TEST_F(TrayDesktop, TheTitleBarCloseEndsTheProgramAndRemovesTheIcon) {
    screen.AskToClose(main);
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
