// The program on a desktop without a tray host: it must stay reachable. Started from a
// Wayland session (through XWayland), it says once what it cannot reach there.

#include "Desktop.h"

#include <gtest/gtest.h>

using namespace desktop;

namespace {

void ExpectSaidOnce(const std::string& err, const std::string& what) {
    EXPECT_NE(err.find(what), std::string::npos) << err;
    EXPECT_EQ(err.find(what), err.rfind(what)) << "said more than once: " << what;
}

}  // namespace

TEST(NoTray, TheMainWindowStaysAndMinimisesInsteadOfHiding) {
    Screen screen;
    Program program{PELMORA_BINARY, "WAYLAND_DISPLAY=wayland-0"};
    const Window main = screen.Await("Pelmora - Utility for Windows ");
    ASSERT_TRUE(main) << program.Stderr();
    ASSERT_TRUE(WaitFor([&] { return program.Stderr().find("no system tray") != std::string::npos; }));
    screen.Activate(main);
    screen.Key("alt+t c");
    EXPECT_TRUE(WaitFor([&] { return screen.IsMinimised(main); })) << "not minimised";
    EXPECT_TRUE(program.Running());
    ExpectSaidOnce(program.Stderr(), "no system tray");
    ExpectSaidOnce(program.Stderr(),
                   "the notes do not see, and the notebook does not type into, windows of native Wayland");
}

TEST(NoDisplay, SaysSoInOneLineAndExitsWithOne) {
    Program program(PELMORA_BINARY, "DISPLAY=:4093");
    EXPECT_EQ(program.WaitExit(), 1);
    const std::string err = program.Stderr();
    EXPECT_NE(err.find("cannot open the X display"), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}
