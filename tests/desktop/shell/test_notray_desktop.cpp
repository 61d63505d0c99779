// The program on a desktop without a tray host: it must stay reachable. Started from a
// Wayland session (through XWayland), it says once what it cannot reach there.

#include "Desktop.h"

#include <gtest/gtest.h>

using namespace desktop;

TEST(NoTray, TheMainWindowStaysAndMinimisesInsteadOfHiding) {
    Screen screen;
    Program program{PELMORA_BINARY, "WAYLAND_DISPLAY=wayland-0"};
    Window main = 0;
    ASSERT_TRUE(WaitFor([&] {
        return (main = screen.FindByTitle("Pelmora - Utility for Windows ")) && screen.Viewable(main);
    })) << program.Stderr();
    ASSERT_TRUE(WaitFor([&] { return program.Stderr().find("no system tray") != std::string::npos; }));
    screen.Activate(main);
    screen.Key("alt+t c");
    EXPECT_TRUE(WaitFor([&] { return screen.IsMinimised(main); })) << "not minimised";
    EXPECT_TRUE(program.Running());
    const std::string err = program.Stderr();
    EXPECT_EQ(err.find("no system tray"), err.rfind("no system tray")) << "said more than once";
    const std::string wayland = "the notes do not see, and the notebook does not type into, windows of native Wayland";
    EXPECT_NE(err.find(wayland), std::string::npos) << err;
    EXPECT_EQ(err.find(wayland), err.rfind(wayland)) << "said more than once";
}
