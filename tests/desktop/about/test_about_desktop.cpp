// The real About box and Help window on the X server with openbox: their frame as
// the window manager sees it, and their links clicked with xdotool, opening a fake
// browser installed as the default web handler in a private XDG home.

#include "Desktop.h"

#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <vector>

using Window = desktop::Window;
using desktop::Program;
using desktop::ReadFile;
using desktop::Shell;
using desktop::WaitFor;

namespace {

const std::string kHomePage = "https://www.example.org/pelmora/";
const std::string kDownloadPage = "https://www.vector.co.jp/";

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// A word for sh -c, whatever it holds.
std::string ShellQuoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// A window property as xprop prints it.
std::string Property(unsigned long window, const std::string& name) {
    return Shell("xprop -id " + std::to_string(window) + " " + name);
}

class AboutDesktop : public ::testing::Test {
protected:
    desktop::Screen screen;
    std::string home = "/tmp/pelmora-about-" + std::to_string(getpid());
    std::string calls = home + "/calls.log";
    std::unique_ptr<Program> host;

    void SetUp() override { Shell("rm -rf " + home + " && mkdir -p " + home + "/config " + home + "/data/applications"); }
    void TearDown() override {
        host.reset();
        Shell("rm -rf " + home);
    }

    // A browser of our own, in a folder with a blank in its name, set as the default web handler.
    void InstallFakeBrowser() {
        Shell("mkdir -p '" + home + "/fake bin'");
        std::ofstream(home + "/fake bin/browser")
            << "#!/bin/sh\n{ echo call; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } >> " << calls << "\n";
        Shell("chmod +x '" + home + "/fake bin/browser'");
        std::ofstream(home + "/data/applications/fake-browser.desktop")
            << "[Desktop Entry]\nType=Application\nName=Fake Browser\nExec=\"" << home
            << "/fake bin/browser\" --new-window %u\nMimeType=x-scheme-handler/http;\n";
        std::ofstream(home + "/config/mimeapps.list")
            << "[Default Applications]\nx-scheme-handler/http=fake-browser.desktop;\n";
    }
    std::string Command() const { return "\"" + home + "/fake bin/browser\" --new-window "; }

    // The host with the XDG folders to itself: nothing of the machine's own is found.
    Window Start(const std::string& args, const std::string& title) {
        host = std::make_unique<Program>(ABOUT_HOST " " + args, "XDG_CONFIG_HOME=" + home + "/config XDG_DATA_HOME=" +
                                                                    home + "/data XDG_CONFIG_DIRS=" + home +
                                                                    "/none XDG_DATA_DIRS=" + home + "/none");
        Window window = 0;
        EXPECT_TRUE(WaitFor([&] { return (window = screen.FindByTitle(title)) && screen.Viewable(window); }))
            << title << host->Stderr();
        return window;
    }
    void ClickAt(Window window, int x, int y, int times) {
        Shell("xdotool mousemove --window " + std::to_string(window) + " " + std::to_string(x) + " " +
              std::to_string(y) + " click --repeat " + std::to_string(times) + " --delay 120 1");
    }
    std::vector<std::string> Boxes() {
        std::vector<std::string> boxes;
        for (const std::string& line : Lines(host->Stderr()))
            if (line.rfind("box: ", 0) == 0) boxes.push_back(line.substr(5));
        return boxes;
    }
    // Waits for the n-th message box, checks its text and closes it with Enter.
    void Confirm(size_t n, const std::string& text) {
        Window box = 0;
        ASSERT_TRUE(WaitFor([&] { return Boxes().size() >= n && (box = screen.FindByTitle("Pelmora")) &&
                                         screen.Viewable(box); }))
            << host->Stderr();
        EXPECT_EQ(Boxes().at(n - 1), text);
        Shell("xdotool windowactivate --sync " + std::to_string(box) + " key Return");
        ASSERT_TRUE(WaitFor([&] { return !screen.Viewable(box); }));
    }
    // Each start of the fake browser, with its arguments.
    std::vector<std::vector<std::string>> Calls() {
        std::vector<std::vector<std::string>> out;
        for (const std::string& line : Lines(ReadFile(calls))) {
            if (line == "call")
                out.emplace_back();
            else if (!out.empty())
                out.back().push_back(line);
        }
        return out;
    }
    using Argv = std::vector<std::vector<std::string>>;
};

}  // namespace

TEST_F(AboutDesktop, TheAboutBoxIsAFixedDialogOutOfTheTaskbarAndItsLinkOpensOnADoubleClick) {
    InstallFakeBrowser();
    const Window about = Start("about", "About Pelmora");
    ASSERT_TRUE(about);

    EXPECT_EQ(Shell("xwininfo -id " + std::to_string(about) + " | grep -E 'Absolute|Width|Height' | tr -s ' ' | cut -d: -f2"),
              " 156\n 129\n 297\n 178\n");  // the client area at 2340, 1935 twips, 4455 x 2670 twips
    EXPECT_NE(Property(about, "_NET_WM_STATE").find("_NET_WM_STATE_SKIP_TASKBAR"), std::string::npos);
    // Fixed size: the window manager offers closing and moving, neither resizing nor maximising.
    const std::string actions = Property(about, "_NET_WM_ALLOWED_ACTIONS");
    EXPECT_NE(actions.find("_NET_WM_ACTION_CLOSE"), std::string::npos) << actions;
    EXPECT_EQ(actions.find("_NET_WM_ACTION_RESIZE"), std::string::npos) << actions;
    EXPECT_EQ(actions.find("_NET_WM_ACTION_MAXIMIZE"), std::string::npos) << actions;
    // Minimised from the window manager's menu, it comes back: it has no taskbar entry.
    Shell("xdotool windowminimize " + std::to_string(about));
    EXPECT_TRUE(WaitFor([&] { return screen.Viewable(about) && !screen.IsMinimised(about); }));

    // The link (840, 1080 twips: 56, 72 pixels): a single click does nothing, a double click opens it once.
    ClickAt(about, 80, 80, 1);
    ClickAt(about, 80, 80, 2);
    Confirm(1, Command() + kHomePage);
    ASSERT_TRUE(WaitFor([&] { return Calls().size() == 1; })) << ReadFile(calls);
    EXPECT_EQ(Calls(), Argv({{"--new-window", kHomePage}}));
    EXPECT_EQ(Boxes().size(), 1u);
    EXPECT_TRUE(screen.Viewable(about));

    // Esc closes it, and with it the host's last window.
    Shell("xdotool windowactivate --sync " + std::to_string(about) + " key Escape");
    EXPECT_EQ(host->WaitExit(), 0);
}

TEST_F(AboutDesktop, TheHelpLinkOpensOnASingleClickAndOnceOnADoubleClick) {
    InstallFakeBrowser();
    const Window help = Start("about help", "Pelmora - Help");
    ASSERT_TRUE(help);
    EXPECT_NE(Property(help, "_NET_WM_STATE").find("_NET_WM_STATE_SKIP_TASKBAR"), std::string::npos);
    // Both are open at once; only the About box carries the program's icon (drawn from 16 pixels up).
    const Window aboutWindow = screen.FindByTitle("About Pelmora");
    EXPECT_TRUE(screen.Viewable(aboutWindow));
    EXPECT_NE(Property(aboutWindow, "_NET_WM_ICON").find("Icon (16 x 16)"), std::string::npos);
    EXPECT_EQ(Property(help, "_NET_WM_ICON").find("Icon (16 x 16)"), std::string::npos);

    // The link (1080, 840 twips: 72, 56 pixels).
    ClickAt(help, 100, 62, 1);
    Confirm(1, Command() + kDownloadPage);
    ASSERT_TRUE(WaitFor([&] { return Calls().size() == 1; })) << ReadFile(calls);
    ClickAt(help, 100, 62, 2);
    Confirm(2, Command() + kDownloadPage);
    ASSERT_TRUE(WaitFor([&] { return Calls().size() == 2; })) << ReadFile(calls);
    EXPECT_FALSE(WaitFor([&] { return Boxes().size() > 2 || Calls().size() > 2; }, 1)) << host->Stderr();
    EXPECT_EQ(Calls(), Argv({{"--new-window", kDownloadPage}, {"--new-window", kDownloadPage}}));

    // Enter closes the Help window, the close box the About box.
    Shell("xdotool windowactivate --sync " + std::to_string(help) + " key Return");
    EXPECT_TRUE(WaitFor([&] { return !screen.Viewable(help); }));
    EXPECT_TRUE(screen.Viewable(aboutWindow));
    Shell("xdotool windowactivate --sync " + std::to_string(aboutWindow) + " key alt+F4");
    EXPECT_EQ(host->WaitExit(), 0);
}

TEST_F(AboutDesktop, AnAddressFullOfShellCharactersReachesTheBrowserAsOneArgumentAndRunsNothingElse) {
    InstallFakeBrowser();
    const std::string mark = home + "/PWNED";
    const std::string address = "http://x/?a=1;touch " + mark + "1&b=$(touch " + mark + "2)`touch " + mark +
                                "3`'\"|touch " + mark + "4>" + mark + "5 \"$(touch " + mark + "6)\"";
    const Window about = Start("about --address " + ShellQuoted(address), "About Pelmora");
    ASSERT_TRUE(about);
    ClickAt(about, 70, 80, 2);
    Confirm(1, Command() + address);
    ASSERT_TRUE(WaitFor([&] { return Calls().size() == 1; })) << ReadFile(calls);
    EXPECT_EQ(Calls(), Argv({{"--new-window", address}}));
    EXPECT_EQ(Shell("ls " + home + " | grep PWNED"), "");
}

TEST_F(AboutDesktop, WithNoBrowserTheLineIsTheBareAddressAndTheStartFailsWith53) {
    const Window about = Start("about", "About Pelmora");
    ASSERT_TRUE(about);
    ClickAt(about, 80, 80, 2);
    Confirm(1, kHomePage);
    Confirm(2, "53 File not found");
    EXPECT_TRUE(screen.Viewable(about));
    EXPECT_TRUE(host->Running());
}
