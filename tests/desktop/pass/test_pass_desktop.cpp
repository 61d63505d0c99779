// The notebook types an entry into another application's window, with its pauses, and only
// there; every way a typing run ends leaves the keyboard as it was: no key held down, the same
// keyboard mapping, the same lock state.

#include "Desktop.h"
#include "Records.h"

#include <memory>

using namespace desktop;

namespace {

class TypingEnds : public ::testing::Test {
protected:
    Desk screen;
    Folder folder;
    const std::string output = folder / "typed.txt";
    std::string keymap;
    std::unique_ptr<Program> notebook;
    Window window = 0;

    void TearDown() override {
        notebook.reset();
        ResetKeyboard();
    }
    // The notebook showing entries from record 10 on: application "Target", login alice and
    // Tab, then each password and the key after it.
    void Open(const std::vector<std::pair<std::string, std::string>>& entries) {
        std::string file(9 * 512, '\0');
        for (const auto& [password, key] : entries)
            file += Record<std::string>({"Target", "alice", "Tab", key, password});
        WriteFile(folder / "palist.dat", file + std::string((24 - entries.size()) * 512, '\0'));
        keymap = Shell("xmodmap -pke");
        notebook = std::make_unique<Program>(FORM_HOST " pass", "", folder.path);
        ASSERT_TRUE(window = screen.Await("LumPassword")) << notebook->Stderr();
    }
    // A click on an entry's button (at 8, 8 + 24 i pixels, 113 x 25), the target active before.
    void Click(int entry, Window target) {
        if (target) screen.ActivateForTyping(target);
        screen.ActivateForTyping(window);
        screen.ClickAt(window, 60, 20 + 24 * entry);
    }
    void ExpectKeyboardAsBefore(bool caps = true) {
        EXPECT_FALSE(screen.AnyKeyDown()) << "a key is held down";
        EXPECT_EQ(Shell("xmodmap -pke"), keymap);
        EXPECT_EQ(CapsLockOn(), caps);
    }
    bool Typed(const std::string& file, const std::string& text, double seconds = 5) {
        return WaitFor([&] { return ReadFile(file) == text; }, seconds);
    }
    std::string TypedInTheEnd(const std::string& file) {
        Pause(2.5);
        return ReadFile(file);
    }
};

class NotebookTyping : public TypingEnds, public ::testing::WithParamInterface<const char*> {};

}  // namespace

// A terminal whose shell copies each key unchanged into the output file (no line editing, no
// echo; Enter arrives as a line end), and GTK's login dialog on a German keyboard, which
// prints "login|password" when Enter accepts it.
TEST_P(NotebookTyping, AnEntryClickTypesLoginAndPasswordIntoTheWindowActiveBeforeWithPauses) {
    const bool zenity = GetParam() == std::string("zenity");
    Shell(zenity ? "setxkbmap -layout de" : "setxkbmap -layout us");
    Program target(zenity ? "zenity --password --username --title 'Key Target' > " + output
                          : "xterm -T 'Key Target' -e sh -c 'stty -icanon -echo; exec cat > " + output + "'");
    const Window targetWindow = screen.Await("Key Target");
    ASSERT_TRUE(targetWindow);
    Open({{"pw+b{%}9@|", "Enter"}});  // Shift+b, a literal %, then characters a layout may lack
    using Clock = std::chrono::steady_clock;
    const auto clicked = Clock::now();
    const auto seconds = [](auto from, auto to) { return std::chrono::duration<double>(to - from).count(); };
    Click(0, targetWindow);
    if (zenity) {
        ASSERT_TRUE(Typed(output, "alice|pwB%9@|\n", 8)) << ReadFile(output);
        EXPECT_GE(seconds(clicked, Clock::now()), 1.9);
    } else {
        ASSERT_TRUE(Typed(output, "alice\t")) << ReadFile(output);
        const auto login = Clock::now();
        ASSERT_TRUE(Typed(output, "alice\tpwB%9@|\n")) << ReadFile(output);
        EXPECT_GE(seconds(clicked, login), 0.95) << "no pause before the login name";
        EXPECT_GE(seconds(login, Clock::now()), 0.95) << "no pause before the password";
    }
    EXPECT_TRUE(screen.IsMinimised(window) || std::string(getenv("PELMORA_DESKTOP") ?: "") == "i3");  // i3 cannot
    ExpectKeyboardAsBefore(false);
    EXPECT_TRUE(notebook->Running()) << notebook->Stderr();
}

INSTANTIATE_TEST_SUITE_P(Targets, NotebookTyping, ::testing::Values("xterm", "zenity"),
                         [](const auto& info) { return std::string(info.param); });

TEST_F(TypingEnds, FocusChangedDuringAPauseStopsAndSaysWhy) {
    Shell("xdotool key Caps_Lock");
    Program other(KEY_TARGET " other.txt 'Other Window'", "", folder.path);
    Program target(KEY_TARGET " " + output);
    const Window otherWindow = screen.Await("Other Window");
    const Window targetWindow = screen.Await("Key Target");
    Open({{"secret", "(None)"}});
    Click(0, targetWindow);
    ASSERT_TRUE(Typed(output, "alice\t")) << ReadFile(output);
    screen.ActivateForTyping(otherWindow);
    EXPECT_TRUE(screen.Answer()) << "no word why the typing stopped";
    EXPECT_EQ(TypedInTheEnd(output), "alice");  // the target lost the focus: no tab into its second field shows
    EXPECT_EQ(ReadFile(folder / "other.txt"), "");
    ExpectKeyboardAsBefore();
    EXPECT_TRUE(notebook->Running()) << notebook->Stderr();
}

// Caps Lock on, and no key gives Alt: the Shift+Alt+b of "pw+a+%b" has no keycode to press,
// and the Shift already down must come up again.
TEST_F(TypingEnds, NoApplicationARefusedKeyAndClosingTheNotebookStopTheRun) {
    Shell("xdotool key Caps_Lock; xmodmap -e 'keycode 64 = NoSymbol' -e 'keycode 204 = NoSymbol'");
    Open({{"secret", "(None)"}, {"pw+a+%b", "(None)"}});
    // With no application window open, openbox leaves the keyboard on a window of its own
    // that nobody sees: nothing is typed there, and the notebook says so.
    Click(0, 0);
    EXPECT_TRUE(screen.Answer()) << "no word that there is no application";
    ExpectKeyboardAsBefore();

    Program target(KEY_TARGET " " + output);
    Click(1, screen.Await("Key Target"));
    ASSERT_TRUE(WaitFor([&] { return ReadFile(output).starts_with("alice\t"); }, 5)) << ReadFile(output);
    EXPECT_TRUE(screen.Answer()) << "no word why the typing stopped";
    EXPECT_EQ(TypedInTheEnd(output), "alice\tpwA");  // never a plain b for Alt+b
    ExpectKeyboardAsBefore();
    EXPECT_TRUE(notebook->Running()) << notebook->Stderr();

    const std::string second = folder / "second.txt";
    Program secondTarget(KEY_TARGET " " + second + " 'Second Target'");
    Click(0, screen.Await("Second Target"));
    ASSERT_TRUE(Typed(second, "alice\t")) << ReadFile(second);
    screen.AskToClose(window);
    EXPECT_EQ(notebook->WaitExit(5), 0) << notebook->Stderr();  // the last window gone, the program ends
    EXPECT_EQ(TypedInTheEnd(second), "alice\t");
    ExpectKeyboardAsBefore();
}
