// The real notebook types an entry into another application's window on the real
// X server, with its pauses, and only there.

#include "Desktop.h"

#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using namespace desktop;

namespace {

using Clock = std::chrono::steady_clock;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Padded(const std::string& text, size_t width) { return text + std::string(width - text.size(), ' '); }

// palist.dat holding one entry as record 10.
void WritePasswordFile(const std::string& path, const std::string& app, const std::string& login,
                       const std::string& keyLog, const std::string& keyPass, const std::string& password) {
    std::string file(33 * 512, '\0');
    const std::string record = Padded(app, 100) + Padded(login, 50) + Padded(keyLog, 18) + Padded(keyPass, 18) +
                               Padded(password, 300) + std::string(26, '\0');
    file.replace(9 * 512, 512, record);
    std::ofstream(path, std::ios::binary) << file;
}

class NotebookTyping : public ::testing::Test {
protected:
    Screen screen;
    std::string folder = "/tmp/pelmora-pass-" + std::to_string(getpid());
    std::string output = folder + "/typed.txt";

    void SetUp() override { Shell("mkdir -p " + folder); }
    void TearDown() override {
        Shell("rm -rf " + folder);
        Shell("setxkbmap -model pc105 -layout us");
    }

    Window Await(const std::string& title) {
        Window window = 0;
        EXPECT_TRUE(WaitFor([&] { return (window = screen.FindByTitle(title)) && screen.Viewable(window); }))
            << title;
        return window;
    }
    void Activate(Window window) {
        Shell("xdotool windowactivate --sync " + std::to_string(window) + " windowfocus --sync " +
              std::to_string(window));
        WaitFor([] { return false; }, 0.3);
    }
};

}  // namespace

TEST_F(NotebookTyping, AnEntryClickTypesLoginAndPasswordIntoTheWindowActiveBeforeWithPauses) {
    // The password uses notation: +b is Shift+b, {%} a literal percent sign.
    WritePasswordFile(folder + "/palist.dat", "Target", "alice", "Tab", "Enter", "pw+b{%}9");
    Program target(KEY_TARGET " " + output);
    const Window targetWindow = Await("Key Target");
    Program notebook("sh -c 'cp " + folder + "/palist.dat . && exec " PASS_HOST "'");
    const Window notebookWindow = Await("LumPassword");
    ASSERT_TRUE(targetWindow && notebookWindow) << notebook.Stderr();
    Activate(targetWindow);
    Activate(notebookWindow);

    // cmdNavi(0) lies at 120, 120 twips (8, 8 pixels) in the client area, 113 x 25 pixels.
    const auto clicked = Clock::now();
    Shell("xdotool mousemove --window " + std::to_string(notebookWindow) + " 60 20 click 1");
    ASSERT_TRUE(WaitFor([&] { return ReadFile(output) == "alice"; }, 5)) << ReadFile(output);
    const auto login = Clock::now();
    ASSERT_TRUE(WaitFor([&] { return ReadFile(output) == "alicepwB%9"; }, 5)) << ReadFile(output);
    const auto password = Clock::now();
    using std::chrono::duration;
    EXPECT_GE(duration<double>(login - clicked).count(), 0.95);
    EXPECT_GE(duration<double>(password - login).count(), 0.95);
    EXPECT_TRUE(screen.IsMinimised(notebookWindow));
    WaitFor([] { return false; }, 1.5);  // the Enter after the password
    EXPECT_EQ(ReadFile(output), "alicepwB%9");
    EXPECT_FALSE(screen.AnyKeyDown());
    EXPECT_TRUE(notebook.Running()) << notebook.Stderr();
}
