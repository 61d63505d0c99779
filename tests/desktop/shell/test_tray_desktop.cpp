// The tray icon: ours on an XEmbed tray (openbox + trayer), or drawn by a StatusNotifierItem
// panel (XFCE, LXQt), which tells only Activate and menu choices.

#include "Desktop.h"

namespace {

class Tray : public ProgramOnDesktop {
protected:
    const bool panel = getenv("DBUS_SESSION_BUS_ADDRESS");

    void Hide() {
        Activate(main);
        Key("alt+t c");
        ASSERT_TRUE(SOON(!Viewable(main)));
    }
};

class Ending : public Tray, public ::testing::WithParamInterface<const char*> {};

}  // namespace

TEST_F(Tray, TheWindowComesBackEveryWayThePanelOffers) {
    Xdotool("windowminimize", main);
    ASSERT_TRUE(SOON(!Viewable(main)));
    Click(TrayIcon(), 1, 2);
    EXPECT_TRUE(SOON(MainShown())) << "a double click";
    Hide();
    Click(TrayIcon(), 1);  // a panel's Activate, having no double click; nothing on an XEmbed tray
    EXPECT_EQ(SOON(MainShown() || Menus(), panel ? 10 : 1), panel) << "a single click";
    if (panel) Hide();
    if (!panel) {
        Shell("xdotool mousedown 3");
        EXPECT_FALSE(SOON(Menus(), 1)) << "the menu opened on the press";
        Shell("xdotool mouseup 3");
        EXPECT_TRUE(SOON(Menus() == 1));
        Key("Escape");
    }
    ChooseFromTrayMenu("s");
    EXPECT_TRUE(SOON(MainShown())) << "Show";
}

TEST_P(Ending, EndsTheProgramAndRemovesTheIcon) {
    const string way = GetParam();
    if (way == "ExitInTheTrayMenu") ChooseFromTrayMenu("x");
    if (way == "CloseKey") Shell("xdotool windowactivate --sync " + to_string(main) + " key alt+F4");
    if (way == "TerminationSignal") kill(program.Pid(), SIGTERM);
    EXPECT_EQ(program.WaitExit(), 0) << program.Stderr();
    EXPECT_TRUE(SOON(!TrayIcon())) << "the tray icon outlived the program";
}

INSTANTIATE_TEST_SUITE_P(Ways, Ending, ::testing::Values("ExitInTheTrayMenu", "CloseKey", "TerminationSignal"),
                         [](const auto& info) { return string(info.param); });

// A panel's menu works during a question: Exit while the tour's notebook asks about its unreadable
// file leaves no unseen notebook keeping the program alive.
TEST(TourCutShort, ExitWhileTheNotebookAsksLeavesNothing) {
    if (!getenv("DBUS_SESSION_BUS_ADDRESS")) GTEST_SKIP() << "an XEmbed tray waits for the answer";
    Folder folder;
    Shell("mkdir " + folder / "palist.dat");
    const auto program = Pelmora("alt+h d", folder.path);
    ASSERT_TRUE(Await("Pelmora", 20)) << "the notebook did not ask";
    Click(TrayIcon(), 3);
    ASSERT_TRUE(SOON(Menus() == 1));
    Key("x");
    EXPECT_TRUE(Answer());
    Activate(Await("Notes: "));
    Key("alt+F4");
    EXPECT_EQ(program->WaitExit(), 0) << program->Stderr();
}
