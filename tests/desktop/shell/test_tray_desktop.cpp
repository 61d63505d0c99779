// The tray icon on a real X server with a window manager and a panel, driven with the pointer
// as a person would: on an XEmbed tray (openbox + trayer), where the program's own widget sits
// in the tray, and on panels that host StatusNotifierItems over D-Bus (XFCE, LXQt), which draw
// the icon and its menu themselves and tell the program only Activate, ContextMenu and menu choices.

#include "ProgramOnDesktop.h"

#include <csignal>

using namespace desktop;

namespace {

class TrayDesktop : public ProgramOnDesktop {
protected:
    bool Hidden() { return !screen.Viewable(main); }
    void HideWithCloseMenu() {
        screen.Activate(main);
        screen.Key("alt+t c");
        ASSERT_TRUE(WaitFor([&] { return Hidden(); }));
    }
    // The first item of the tray menu ("Show") or the last ("Exit"): in the program's own menu on
    // an XEmbed tray, in the panel's drawing of the exported menu elsewhere (Show, a separator, Exit).
    void ChooseInTrayMenu(bool first) {
        if (StatusNotifierItem().empty()) return ChooseFromTrayMenu(first ? "s" : "x");
        screen.Click(screen.TrayIcon(), 3);
        std::vector<Rect> menus;
        ASSERT_TRUE(WaitFor([&] { return !(menus = screen.Menus(false)).empty(); })) << "the panel drew no menu";
        const Rect menu = menus[0];
        screen.Click(Rect{menu.x, menu.y + (first ? menu.height / 4 : menu.height * 3 / 4), menu.width, 1}, 1);
    }
};

class TrayEnding : public TrayDesktop, public ::testing::WithParamInterface<const char*> {};

}  // namespace

TEST_F(TrayDesktop, HiddenInTheTrayTheWindowComesBackByEveryWayThePanelOffers) {
    const bool panel = !StatusNotifierItem().empty();
    Shell("xdotool windowminimize " + std::to_string(main));
    ASSERT_TRUE(WaitFor([&] { return Hidden(); }));
    EXPECT_TRUE(screen.TrayIcon());
    screen.Click(screen.TrayIcon(), 1, 2);
    EXPECT_TRUE(WaitFor([&] { return MainShown(); })) << "double-click did not restore the window";
    EXPECT_EQ(screen.FindByTitle(kCaption), main) << "a second main window";

    // A panel has no double-click: its Activate (a left click) is what brings the window back there.
    HideWithCloseMenu();
    screen.Click(screen.TrayIcon(), 1);
    Shell("xdotool mousemove_relative 2 1");
    if (panel) {
        EXPECT_TRUE(WaitFor([&] { return MainShown(); })) << "Activate did not bring the window back";
        HideWithCloseMenu();
    } else {
        EXPECT_FALSE(WaitFor([&] { return !Hidden() || Menus() > 0; }, 1.0));
        // A right-click while the menu is open opens no second one.
        screen.Click(screen.TrayIcon(), 3);
        ASSERT_TRUE(WaitFor([&] { return Menus() == 1; }));
        screen.Click(screen.TrayIcon(), 3);
        EXPECT_FALSE(WaitFor([&] { return Menus() > 1; }, 1.0));
        screen.Key("Escape");
        ASSERT_TRUE(WaitFor([&] { return Menus() == 0; }));
    }
    ChooseInTrayMenu(true);
    EXPECT_TRUE(WaitFor([&] { return MainShown(); }));
    EXPECT_EQ(Menus(), 0) << "the program opened a menu of its own as well";
    if (!panel) return;

    const std::string tip =
        CallStatusNotifierItem("org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierItem string:ToolTip");
    EXPECT_NE(tip.find("string \"Pelmora\""), std::string::npos) << tip;
    // KDE's panel calls ContextMenu when it does not draw the menu; the same call is made here.
    HideWithCloseMenu();
    Shell("xdotool mousemove 500 400");
    const std::string call = "org.kde.StatusNotifierItem.ContextMenu int32:500 int32:400";
    ASSERT_NE(CallStatusNotifierItem(call).find("method return"), std::string::npos);
    CallStatusNotifierItem(call);
    ASSERT_TRUE(WaitFor([&] { return Menus() == 1; }));
    EXPECT_FALSE(WaitFor([&] { return Menus() > 1; }, 1.0));
    screen.Key("s");
    EXPECT_TRUE(WaitFor([&] { return MainShown(); }));
}

TEST_P(TrayEnding, EndsTheProgramAndRemovesTheIcon) {
    const std::string way = GetParam();
    if (way == "ExitInTheTrayMenu") ChooseInTrayMenu(false);
    if (way == "TitleBarClose") screen.AskToClose(main);
    if (way == "TerminationSignal") program.Signal(SIGTERM);
    EXPECT_EQ(program.WaitExit(), 0) << program.Stderr();
    EXPECT_TRUE(WaitFor([&] { return !screen.TrayIcon(); })) << "the tray icon outlived the program";
}

INSTANTIATE_TEST_SUITE_P(Ways, TrayEnding, ::testing::Values("ExitInTheTrayMenu", "TitleBarClose", "TerminationSignal"),
                         [](const auto& info) { return std::string(info.param); });
