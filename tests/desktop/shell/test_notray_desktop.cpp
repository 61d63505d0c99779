// Without a tray the program stays reachable; through XWayland it says once what it cannot reach;
// without a display it says so and ends.

#include "Desktop.h"

TEST(NoTray, TheMainWindowStaysAndMinimisesInsteadOfHiding) {
    Program program{PELMORA_BINARY, "WAYLAND_DISPLAY=wayland-0"};
    const Window main = Await(MainTitle);
    Activate(main);
    Key("alt+t c");
    EXPECT_TRUE(SOON(IsMinimised(main))) << "the main window was not minimised";
    for (const string said : {"no system tray", "the notebook does not type into, windows of native Wayland"}) {
        EXPECT_NE(program.Stderr().find(said), string::npos) << program.Stderr();
        EXPECT_EQ(program.Stderr().find(said), program.Stderr().rfind(said)) << "said more than once: " << said;
    }
}

TEST(NoDisplay, SaysSoInOneLineAndExitsWithOne) {
    Program program(PELMORA_BINARY, "DISPLAY=:4093");
    EXPECT_EQ(program.WaitExit(), 1);
    EXPECT_NE(program.Stderr().find("cannot open the X display"), string::npos) << program.Stderr();
    EXPECT_EQ(std::ranges::count(program.Stderr(), '\n'), 1) << program.Stderr();
}
