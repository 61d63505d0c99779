// Without a tray host the program stays reachable; started from a Wayland session (through
// XWayland) it says once what it cannot reach there. Without a display it says so and ends.

#include "Desktop.h"

using namespace desktop;

TEST(NoTray, TheMainWindowStaysAndMinimisesInsteadOfHiding) {
    Desk screen;
    Program program{PELMORA_BINARY, "WAYLAND_DISPLAY=wayland-0"};
    const Window main = screen.Await("Pelmora - Utility for Windows ");
    ASSERT_TRUE(main) << program.Stderr();
    screen.Activate(main);
    screen.Key("alt+t c");
    EXPECT_TRUE(WaitFor([&] { return screen.IsMinimised(main); })) << "the main window was not minimised";
    EXPECT_TRUE(program.Running());
    const std::string err = program.Stderr();
    for (const std::string said : {"no system tray",
                                   "the notes do not see, and the notebook does not type into, windows of native Wayland"}) {
        EXPECT_NE(err.find(said), std::string::npos) << err;
        EXPECT_EQ(err.find(said), err.rfind(said)) << "said more than once: " << said;
    }
}

TEST(NoDisplay, SaysSoInOneLineAndExitsWithOne) {
    Program program(PELMORA_BINARY, "DISPLAY=:4093");
    EXPECT_EQ(program.WaitExit(), 1);
    const std::string err = program.Stderr();
    EXPECT_NE(err.find("cannot open the X display"), std::string::npos) << err;
    EXPECT_EQ(std::ranges::count(err, '\n'), 1) << err;
}
