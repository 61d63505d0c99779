// The real notebook types an entry into another application's window on the real X server,
// with its pauses, and only there; every way a typing run ends leaves the keyboard as it
// was: no key held down, the same keyboard mapping, the same lock state.

#include "Desktop.h"

#include <chrono>
#include <gtest/gtest.h>
#include <memory>

using namespace desktop;

namespace {

using Clock = std::chrono::steady_clock;
double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

class TypingEnds : public ::testing::Test {
protected:
    Screen screen;
    std::string folder = "/tmp/pelmora-pass-" + std::to_string(getpid());
    std::string output = folder + "/typed.txt";
    std::string keymapBefore;
    std::unique_ptr<Program> notebook;
    Window window = 0;

    void SetUp() override { Shell("mkdir -p " + folder); }
    void TearDown() override {
        notebook.reset();
        Shell("rm -rf " + folder);
        ResetKeyboard();
    }
    // The notebook showing entries from record 10 on: application "Target", login alice and
    // Tab after it, then each {password, key after the password}.
    void Open(const std::vector<std::pair<std::string, std::string>>& entries) {
        std::string file(33 * 512, '\0');
        for (size_t i = 0; i < entries.size(); ++i)
            file.replace((9 + i) * 512, 512,
                         Padded("Target", 100) + Padded("alice", 50) + Padded("Tab", 18) + Padded(entries[i].second, 18) +
                             Padded(entries[i].first, 300) + std::string(26, '\0'));
        WriteFile(folder + "/palist.dat", file);
        keymapBefore = Shell("xmodmap -pke");
        notebook = std::make_unique<Program>("sh -c 'cp " + folder + "/palist.dat . && exec " FORM_HOST " pass'");
        ASSERT_TRUE(window = screen.Await("LumPassword")) << notebook->Stderr();
    }
    // A click on an entry's button (cmdNavi(i) at 8, 8 + 24 i pixels, 113 x 25), the target active before.
    void Click(int entry, Window target) {
        if (target) screen.ActivateForTyping(target);
        screen.ActivateForTyping(window);
        Shell("xdotool mousemove --window " + std::to_string(window) + " 60 " + std::to_string(20 + 24 * entry) +
              " click 1");
    }
    // The notebook's message box, answered with Enter.
    bool MessageShown() {
        const Window box = screen.Await("Pelmora");
        if (!box) return false;
        screen.ActivateForTyping(box);
        screen.Key("Return");
        return WaitFor([&] { return !screen.Viewable(box); }, 5);
    }
    void ExpectKeyboardAsBefore(bool caps = true) {
        EXPECT_FALSE(screen.AnyKeyDown());
        EXPECT_EQ(Shell("xmodmap -pke"), keymapBefore);
        EXPECT_EQ(CapsLockOn(), caps);
    }
    // What the target holds a while after the run ended.
    std::string TypedInTheEnd(const std::string& file) {
        Pause(2.5);
        return ReadFile(file);
    }
    bool Typed(const std::string& file, const std::string& text) {
        return WaitFor([&] { return ReadFile(file) == text; }, 5);
    }
};

struct Target {
    const char* name;
    const char* layout;
    bool zenity;
};

class NotebookTyping : public TypingEnds, public ::testing::WithParamInterface<Target> {};

}  // namespace

// A terminal whose shell copies each key unchanged into the output file (no line editing, no
// echo; Enter arrives as a line end), and GTK's login dialog, which prints "login|password"
// when Enter accepts it.
TEST_P(NotebookTyping, AnEntryClickTypesLoginAndPasswordIntoTheWindowActiveBeforeWithPauses) {
    Shell(std::string("setxkbmap ") + GetParam().layout);
    Program target(GetParam().zenity ? "zenity --password --username --title 'Key Target' > " + output
                                     : "xterm -T 'Key Target' -e sh -c 'stty -icanon -echo; exec cat > " + output + "'");
    const Window targetWindow = screen.Await("Key Target");
    ASSERT_TRUE(targetWindow);
    // +b is Shift+b, {%} a literal percent sign, then characters this layout may lack.
    Open({{"pw+b{%}9@|", "Enter"}});
    const auto clicked = Clock::now();
    Click(0, targetWindow);
    if (GetParam().zenity) {
        ASSERT_TRUE(WaitFor([&] { return ReadFile(output) == "alice|pwB%9@|\n"; }, 8)) << ReadFile(output);
        EXPECT_GE(Since(clicked), 1.9);
    } else {
        ASSERT_TRUE(Typed(output, "alice\t")) << ReadFile(output);
        const auto login = Clock::now();
        ASSERT_TRUE(Typed(output, "alice\tpwB%9@|\n")) << ReadFile(output);
        EXPECT_GE(std::chrono::duration<double>(login - clicked).count(), 0.95);
        EXPECT_GE(Since(login), 0.95);
    }
    const bool tiling = std::string(getenv("PELMORA_DESKTOP") ?: "") == "i3";  // no minimising there
    EXPECT_TRUE(screen.IsMinimised(window) || tiling);
    ExpectKeyboardAsBefore(false);
    EXPECT_TRUE(notebook->Running()) << notebook->Stderr();
}

INSTANTIATE_TEST_SUITE_P(Targets, NotebookTyping,
                         ::testing::Values(Target{"xterm", "-layout us", false}, Target{"zenity", "-layout de", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TypingEnds, FocusChangedDuringAPauseStopsAndSaysWhy) {
    Shell("xdotool key Caps_Lock");
    Program other(KEY_TARGET " " + folder + "/other.txt 'Other Window'");
    const Window otherWindow = screen.Await("Other Window");
    Program target(KEY_TARGET " " + output);
    const Window targetWindow = screen.Await("Key Target");
    Open({{"secret", "(None)"}});
    Click(0, targetWindow);
    ASSERT_TRUE(Typed(output, "alice\t")) << ReadFile(output);
    screen.ActivateForTyping(otherWindow);
    EXPECT_TRUE(MessageShown());
    EXPECT_EQ(TypedInTheEnd(output), "alice");  // the target lost the focus: no tab into its second field shows
    EXPECT_EQ(ReadFile(folder + "/other.txt"), "");
    ExpectKeyboardAsBefore();
    EXPECT_TRUE(notebook->Running()) << notebook->Stderr();
}

// Caps Lock on, and no key gives Alt: the Alt+b of "pw%b" has no keycode to press.
TEST_F(TypingEnds, NoApplicationABadNotationARefusedKeyAndClosingTheNotebookStopTheRun) {
    Shell("xdotool key Caps_Lock; xmodmap -e 'keycode 64 = NoSymbol' -e 'keycode 204 = NoSymbol'");
    Open({{"secret", "(None)"}, {"pw{NOPE}", "(None)"}, {"pw%b", "(None)"}});
    // With no application window open, openbox leaves the keyboard on a window of its own
    // that nobody sees: nothing is typed there, and the notebook says so.
    Click(0, 0);
    EXPECT_TRUE(MessageShown());
    ExpectKeyboardAsBefore();

    Program target(KEY_TARGET " " + output);
    const Window targetWindow = screen.Await("Key Target");
    Click(1, targetWindow);
    EXPECT_TRUE(MessageShown());
    EXPECT_EQ(TypedInTheEnd(output), "");
    ExpectKeyboardAsBefore();

    Click(2, targetWindow);
    ASSERT_TRUE(WaitFor([&] { return ReadFile(output).starts_with("alice\t"); }, 5)) << ReadFile(output);
    EXPECT_TRUE(MessageShown());
    EXPECT_EQ(TypedInTheEnd(output), "alice\tpw");  // never a plain b for Alt+b
    ExpectKeyboardAsBefore();
    EXPECT_TRUE(notebook->Running()) << notebook->Stderr();

    const std::string second = folder + "/second.txt";
    Program secondTarget(KEY_TARGET " " + second + " 'Second Target'");
    Click(0, screen.Await("Second Target"));
    ASSERT_TRUE(Typed(second, "alice\t")) << ReadFile(second);
    screen.AskToClose(window);
    EXPECT_EQ(notebook->WaitExit(5), 0) << notebook->Stderr();  // the last window gone, the program ends
    EXPECT_EQ(TypedInTheEnd(second), "alice\t");
    ExpectKeyboardAsBefore();
}
