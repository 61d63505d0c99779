// The real About box and Help window on the X server with openbox: their frame as the window
// manager sees it, and their links clicked with xdotool, opening a fake browser installed as
// the default web handler in a private XDG home.

#include "Desktop.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>

using namespace desktop;

namespace {

const std::string kHomePage = "https://www.example.org/pelmora/";
const std::string kDownloadPage = "https://www.vector.co.jp/";

class AboutDesktop : public ::testing::Test {
protected:
    Screen screen;
    std::string home = "/tmp/pelmora-about-" + std::to_string(getpid());
    std::string calls = home + "/calls.log";
    std::string command = "\"" + home + "/fake bin/browser\" --new-window ";
    std::unique_ptr<Program> host;

    // A browser of our own, in a folder with a blank in its name, set as the default web
    // handler; it logs each start as a line of its arguments, each ended by \037.
    void SetUp() override {
        Shell("mkdir -p " + home + "/config " + home + "/data/applications '" + home + "/fake bin'");
        WriteFile(home + "/fake bin/browser", "#!/bin/sh\n{ printf '%s\\037' \"$@\"; echo; } >> " + calls + "\n");
        Shell("chmod +x '" + home + "/fake bin/browser'");
        WriteFile(home + "/data/applications/fake-browser.desktop",
                  "[Desktop Entry]\nType=Application\nName=Fake Browser\nExec=\"" + home +
                      "/fake bin/browser\" --new-window %u\nMimeType=x-scheme-handler/http;\n");
        WriteFile(home + "/config/mimeapps.list", "[Default Applications]\nx-scheme-handler/http=fake-browser.desktop;\n");
    }
    void TearDown() override { host.reset(), Shell("rm -rf " + home); }
    // The host with the XDG folders to itself: nothing of the machine's own is found.
    Window Start(const std::string& args, const std::string& title) {
        const std::string xdg = "XDG_CONFIG_HOME=" + home + "/config XDG_DATA_HOME=" + home + "/data XDG_CONFIG_DIRS=";
        host = std::make_unique<Program>(FORM_HOST " " + args, xdg + home + "/none XDG_DATA_DIRS=" + home + "/none");
        return screen.Await(title);
    }
    void ClickAt(Window window, int x, int y, int times) { screen.Activate(window), screen.ClickAt(window, x, y, 1, times); }
    std::string Property(Window window, const std::string& name) { return Shell("xprop -id " + std::to_string(window) + " " + name); }
    // The message boxes' texts so far.
    std::vector<std::string> Boxes() {
        std::vector<std::string> boxes;
        std::istringstream in(host->Stderr());
        for (std::string line; std::getline(in, line);)
            if (line.starts_with("box: ")) boxes.push_back(line.substr(5));
        return boxes;
    }
    // Waits for the n-th message box, checks its text and closes it with Enter.
    void Confirm(size_t n, const std::string& text) {
        Window box = 0;
        ASSERT_TRUE(WaitFor([&] { return Boxes().size() >= n && (box = screen.Shown("Pelmora")); })) << host->Stderr();
        EXPECT_EQ(Boxes().at(n - 1), text);
        Shell("xdotool windowactivate --sync " + std::to_string(box) + " key Return");
        ASSERT_TRUE(WaitFor([&] { return !screen.Viewable(box); }));
    }
    // The browser's starts so far: each a line of its arguments.
    bool Called(const std::vector<std::string>& addresses) {
        std::string expected;
        for (const std::string& address : addresses) expected += "--new-window\037" + address + "\037\n";
        return WaitFor([&] { return ReadFile(calls) == expected; }, 5);
    }
};

}  // namespace

TEST_F(AboutDesktop, TheAboutBoxAndTheHelpWindowAreFixedDialogsWhoseLinksOpenTheBrowser) {
    const Window about = Start("about help", "About Pelmora"), help = screen.Await("Pelmora - Help");
    ASSERT_TRUE(about && help) << host->Stderr();
    EXPECT_EQ(screen.Area(about), Rect(156, 129, 297, 178));  // at 2340, 1935 twips, 4455 x 2670 twips
    for (Window window : {about, help})
        EXPECT_NE(Property(window, "_NET_WM_STATE").find("_NET_WM_STATE_SKIP_TASKBAR"), std::string::npos);
    // Fixed size: the window manager offers closing and moving, neither resizing nor maximising.
    const std::string actions = Property(about, "_NET_WM_ALLOWED_ACTIONS");
    EXPECT_NE(actions.find("_NET_WM_ACTION_CLOSE"), std::string::npos) << actions;
    EXPECT_EQ(actions.find("_NET_WM_ACTION_RESIZE"), std::string::npos) << actions;
    EXPECT_EQ(actions.find("_NET_WM_ACTION_MAXIMIZE"), std::string::npos) << actions;
    // Only the About box carries the program's icon (drawn from 16 pixels up).
    EXPECT_NE(Property(about, "_NET_WM_ICON").find("Icon (16 x 16)"), std::string::npos);
    EXPECT_EQ(Property(help, "_NET_WM_ICON").find("Icon (16 x 16)"), std::string::npos);
    // Minimised from the window manager's menu, it comes back: it has no taskbar entry.
    Shell("xdotool windowminimize " + std::to_string(about));
    EXPECT_TRUE(WaitFor([&] { return screen.Viewable(about) && !screen.IsMinimised(about); }));

    // The About link (840, 1080 twips: 56, 72 pixels): a single click does nothing, a double click opens it once.
    ClickAt(about, 80, 80, 1);
    ClickAt(about, 80, 80, 2);
    Confirm(1, command + kHomePage);
    EXPECT_TRUE(Called({kHomePage})) << ReadFile(calls);
    // The Help link (1080, 840 twips: 72, 56 pixels) opens on a single click, and once on a double click.
    ClickAt(help, 100, 62, 1);
    Confirm(2, command + kDownloadPage);
    ClickAt(help, 100, 62, 2);
    Confirm(3, command + kDownloadPage);
    EXPECT_TRUE(Called({kHomePage, kDownloadPage, kDownloadPage})) << ReadFile(calls);
    EXPECT_FALSE(WaitFor([&] { return Boxes().size() > 3 || std::ranges::count(ReadFile(calls), '\n') > 3; }, 1));

    // Enter closes the Help window, Esc the About box, and with it the host's last window.
    Shell("xdotool windowactivate --sync " + std::to_string(help) + " key Return");
    EXPECT_TRUE(WaitFor([&] { return !screen.Viewable(help); }));
    EXPECT_TRUE(screen.Viewable(about));
    Shell("xdotool windowactivate --sync " + std::to_string(about) + " key Escape");
    EXPECT_EQ(host->WaitExit(), 0);
}

// An address full of shell characters reaches the browser as one argument and runs nothing
// else; with no browser, the line is the bare address and the start fails with 53.
TEST_F(AboutDesktop, TheLinkPassesItsAddressAsOneArgumentOrSaysThereIsNoBrowser) {
    const std::string mark = home + "/PWNED";
    const std::string address = "http://x/?a=1;touch " + mark + "1&b=$(touch " + mark + "2)`touch " + mark +
                                "3`'\"|touch " + mark + "4>" + mark + "5 \"$(touch " + mark + "6)\"";
    std::string quoted = "'";
    for (char c : address) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    const Window about = Start("about --address " + quoted + "'", "About Pelmora");
    ASSERT_TRUE(about) << host->Stderr();
    ClickAt(about, 70, 80, 2);
    Confirm(1, command + address);
    EXPECT_TRUE(Called({address})) << ReadFile(calls);
    EXPECT_EQ(Shell("ls " + home + " | grep PWNED"), "");

    Shell("rm " + home + "/config/mimeapps.list " + home + "/data/applications/fake-browser.desktop");
    ClickAt(about, 70, 80, 2);
    Confirm(2, address);
    Confirm(3, "53 File not found");
    EXPECT_TRUE(screen.Viewable(about));
    EXPECT_TRUE(host->Running());
}
