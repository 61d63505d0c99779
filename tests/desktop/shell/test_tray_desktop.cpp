// The tray icon driven with the pointer: on an XEmbed tray (openbox + trayer) the program's own
// widget sits in the tray; panels that host StatusNotifierItems (XFCE, LXQt) draw the icon and
// its menu themselves and tell the program only Activate, ContextMenu and menu choices.

#include "Desktop.h"

using namespace desktop;

namespace {

// The program's item as the panel's watcher lists it ("service/object path"); empty on an
// XEmbed tray.
std::string StatusNotifierItem() {
    if (!getenv("DBUS_SESSION_BUS_ADDRESS")) return {};
    const std::string reply = Shell(
        "dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher "
        "org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher "
        "string:RegisteredStatusNotifierItems 2>/dev/null");
    const size_t start = reply.find("string \"");  // the program's is the only item
    return start == std::string::npos ? "" : reply.substr(start + 8, reply.find('"', start + 8) - start - 8);
}

// Calls a method of the item as a panel does (in dbus-send's notation); dbus-send's reply.
std::string CallStatusNotifierItem(const std::string& methodAndArguments) {
    const std::string item = StatusNotifierItem();
    const size_t slash = item.find('/');
    return Shell("dbus-send --session --print-reply --dest=" + item.substr(0, slash) + " " + item.substr(slash) +
                 " " + methodAndArguments + " 2>&1");
}

class TrayDesktop : public ProgramOnDesktop {
protected:
    const bool panel = !StatusNotifierItem().empty();

    size_t Menus() { return screen.Menus().size(); }
    void HideWithCloseMenu() {
        screen.Activate(main);
        screen.Key("alt+t c");
        ASSERT_TRUE(WaitFor([&] { return !screen.Viewable(main); })) << "the main window stayed";
    }
    // The first item of the tray menu ("Show") or the last ("Exit"): in the program's own menu on
    // an XEmbed tray, in the panel's drawing of the exported menu elsewhere (Show, a separator, Exit).
    void ChooseInTrayMenu(bool first) {
        if (!panel) return ChooseFromTrayMenu(first ? "s" : "x");
        screen.Click(screen.TrayIcon(), 3);
        std::vector<Rect> menus;
        ASSERT_TRUE(WaitFor([&] { return !(menus = screen.Menus(false)).empty(); })) << "the panel drew no menu";
        const Rect menu = menus[0];
        screen.Click({menu.x, menu.y + (first ? menu.height / 4 : menu.height * 3 / 4), menu.width, 1}, 1);
    }
};

class TrayEnding : public TrayDesktop, public ::testing::WithParamInterface<const char*> {};

}  // namespace

TEST_F(TrayDesktop, HiddenInTheTrayTheWindowComesBackByEveryWayThePanelOffers) {
    Shell("xdotool windowminimize " + std::to_string(main));
    ASSERT_TRUE(WaitFor([&] { return !screen.Viewable(main); })) << "minimised, the main window stayed";
    screen.Click(screen.TrayIcon(), 1, 2);
    EXPECT_TRUE(WaitFor([&] { return MainShown(); })) << "a double click did not bring the window back";
    EXPECT_EQ(screen.Find("Pelmora - Utility for Windows "), main) << "a second main window";

    // A panel has no double click: its Activate (a left click) brings the window back there.
    HideWithCloseMenu();
    screen.Click(screen.TrayIcon(), 1);
    Shell("xdotool mousemove_relative 2 1");
    if (panel) {
        EXPECT_TRUE(WaitFor([&] { return MainShown(); })) << "Activate did not bring the window back";
        HideWithCloseMenu();
    } else {
        EXPECT_FALSE(WaitFor([&] { return MainShown() || Menus() > 0; }, 1)) << "a single click did something";
        // The menu opens when the right button comes up, not when it goes down.
        const Rect icon = screen.TrayIcon();
        const std::string middle = std::to_string(icon.x + icon.width / 2) + " " + std::to_string(icon.y + icon.height / 2);
        Shell("xdotool mousemove " + middle + " mousedown 3");
        EXPECT_FALSE(WaitFor([&] { return Menus() > 0; }, 1)) << "the menu opened on the press";
        Shell("xdotool mouseup 3");
        ASSERT_TRUE(WaitFor([&] { return Menus() == 1; })) << "no menu on the release";
        // A right click while it is open opens no second one.
        screen.Click(icon, 3);
        EXPECT_FALSE(WaitFor([&] { return Menus() > 1; }, 1)) << "a second menu";
        screen.Key("Escape");
        ASSERT_TRUE(WaitFor([&] { return Menus() == 0; }));
    }
    ChooseInTrayMenu(true);
    EXPECT_TRUE(WaitFor([&] { return MainShown(); })) << "Show did not bring the window back";
    EXPECT_EQ(Menus(), 0) << "the program opened a menu of its own as well";
    if (!panel) return;

    const std::string tip = CallStatusNotifierItem(
        "org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierItem string:ToolTip");
    EXPECT_NE(tip.find("string \"Pelmora\""), std::string::npos) << tip;
    // KDE's panel calls ContextMenu when it does not draw the menu; the same call is made here.
    HideWithCloseMenu();
    Shell("xdotool mousemove 500 400");
    const std::string call = "org.kde.StatusNotifierItem.ContextMenu int32:500 int32:400";
    ASSERT_NE(CallStatusNotifierItem(call).find("method return"), std::string::npos);
    CallStatusNotifierItem(call);
    ASSERT_TRUE(WaitFor([&] { return Menus() == 1; })) << "no menu for ContextMenu";
    EXPECT_FALSE(WaitFor([&] { return Menus() > 1; }, 1)) << "a second menu";
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
