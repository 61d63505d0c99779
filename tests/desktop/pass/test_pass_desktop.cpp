// The real notebook types an entry into another application's window on the real
// X server, with its pauses, and only there.

#include "Desktop.h"

#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>

using namespace desktop;

namespace {

using Clock = std::chrono::steady_clock;

// palist.dat holding one entry as record 10.
void WritePasswordFile(const std::string& path, const std::string& app, const std::string& login,
                       const std::string& keyLog, const std::string& keyPass, const std::string& password) {
    std::string file(33 * 512, '\0');
    const std::string record = Padded(app, 100) + Padded(login, 50) + Padded(keyLog, 18) + Padded(keyPass, 18) +
                               Padded(password, 300) + std::string(26, '\0');
    file.replace(9 * 512, 512, record);
    std::ofstream(path, std::ios::binary) << file;
}

// The window typed into (titled "Key Target"), and the keyboard it is typed on.
enum class Into { KeyTarget, Xterm, Zenity };
struct Target {
    const char* name;
    const char* keyboard;  // setxkbmap arguments, "+caps" for Caps Lock on as well
    Into into;
};

class NotebookTyping : public ::testing::TestWithParam<Target> {
protected:
    Screen screen;
    std::string folder = "/tmp/pelmora-pass-" + std::to_string(getpid());
    std::string output = folder + "/typed.txt";

    void SetUp() override { Shell("mkdir -p " + folder); }
    void TearDown() override {
        Shell("rm -rf " + folder);
        Shell("setxkbmap -model pc105 -layout us");
        if (CapsLockOn()) Shell("xdotool key Caps_Lock");
    }

    Window Await(const std::string& title) {
        Window window = 0;
        EXPECT_TRUE(WaitFor([&] { return (window = screen.Shown(title)) != 0; })) << title;
        return window;
    }
    // Our own two-field window; a terminal whose shell copies each key unchanged into the
    // output file (no line editing, no echo; Enter arrives as a line end); or GTK's login
    // dialog, which prints "login|password" when Enter accepts it.
    std::string TargetCommand(Into into) const {
        switch (into) {
        case Into::KeyTarget: return KEY_TARGET " " + output;
        case Into::Xterm: return "xterm -T 'Key Target' -e sh -c 'stty -icanon -echo; exec cat > " + output + "'";
        case Into::Zenity: return "zenity --password --username --title 'Key Target' > " + output;
        }
        return {};
    }
};

}  // namespace

TEST_P(NotebookTyping, AnEntryClickTypesLoginAndPasswordIntoTheWindowActiveBeforeWithPauses) {
    const Target& param = GetParam();
    std::string keyboard = param.keyboard;
    const bool caps = keyboard.ends_with("+caps");
    if (caps) keyboard.resize(keyboard.size() - 5);
    Shell("setxkbmap " + keyboard);
    if (caps) Shell("xdotool key Caps_Lock");
    const std::string keymapBefore = Shell("xmodmap -pke");

    // The password uses notation: +b is Shift+b, {%} a literal percent sign, and
    // characters this layout may lack.
    WritePasswordFile(folder + "/palist.dat", "Target", "alice", "Tab", "Enter", "pw+b{%}9@|");
    Program target(TargetCommand(param.into));
    const Window targetWindow = Await("Key Target");
    Program notebook("sh -c 'cp " + folder + "/palist.dat . && exec " PASS_HOST "'");
    const Window notebookWindow = Await("LumPassword");
    ASSERT_TRUE(targetWindow && notebookWindow) << notebook.Stderr();
    screen.ActivateForTyping(targetWindow);
    screen.ActivateForTyping(notebookWindow);

    // cmdNavi(0) lies at 120, 120 twips (8, 8 pixels) in the client area, 113 x 25 pixels.
    const auto clicked = Clock::now();
    Shell("xdotool mousemove --window " + std::to_string(notebookWindow) + " 60 20 click 1");
    using std::chrono::duration;
    if (param.into == Into::Zenity) {
        ASSERT_TRUE(WaitFor([&] { return ReadFile(output) == "alice|pwB%9@|\n"; }, 8)) << ReadFile(output);
        EXPECT_GE(duration<double>(Clock::now() - clicked).count(), 1.9);
    } else {
        ASSERT_TRUE(WaitFor([&] { return ReadFile(output) == "alice\t"; }, 5)) << ReadFile(output);
        const auto login = Clock::now();
        ASSERT_TRUE(WaitFor([&] { return ReadFile(output) == "alice\tpwB%9@|\n"; }, 5)) << ReadFile(output);
        EXPECT_GE(duration<double>(login - clicked).count(), 0.95);
        EXPECT_GE(duration<double>(Clock::now() - login).count(), 0.95);
    }
    const bool tiling = std::string(getenv("PELMORA_DESKTOP") ?: "") == "i3";  // no minimising there
    EXPECT_TRUE(screen.IsMinimised(notebookWindow) || tiling);
    EXPECT_FALSE(screen.AnyKeyDown());
    EXPECT_EQ(Shell("xmodmap -pke"), keymapBefore);
    EXPECT_EQ(CapsLockOn(), caps);
    EXPECT_TRUE(notebook.Running()) << notebook.Stderr();
}

INSTANTIATE_TEST_SUITE_P(Targets, NotebookTyping,
                         ::testing::Values(Target{"us", "-layout us", Into::KeyTarget},
                                           Target{"de", "-layout de", Into::KeyTarget},
                                           Target{"fr", "-layout fr", Into::KeyTarget},
                                           Target{"jp106", "-model jp106 -layout jp", Into::KeyTarget},
                                           Target{"caps", "-layout us+caps", Into::KeyTarget},
                                           Target{"xterm", "-layout us", Into::Xterm},
                                           Target{"zenity_us", "-layout us", Into::Zenity},
                                           Target{"zenity_de", "-layout de", Into::Zenity}),
                         [](const auto& info) { return std::string(info.param.name); });

// Every way a typing sequence can end leaves the keyboard as it was: no key held down,
// the same keyboard mapping, the same lock state.
namespace {

class TypingEnds : public NotebookTyping {
protected:
    std::string keymapBefore;
    std::unique_ptr<Program> target, notebook;
    Window notebookWindow = 0;

    // Caps Lock on, then a click on an entry whose password is the notation.
    void Click(const std::string& password) {
        Shell("xdotool key Caps_Lock");
        keymapBefore = Shell("xmodmap -pke");
        WritePasswordFile(folder + "/palist.dat", "Target", "alice", "Tab", "(None)", password);
        target = std::make_unique<Program>(TargetCommand(Into::KeyTarget));
        const Window targetWindow = Await("Key Target");
        notebook = std::make_unique<Program>("sh -c 'cp " + folder + "/palist.dat . && exec " PASS_HOST "'");
        notebookWindow = Await("LumPassword");
        ASSERT_TRUE(targetWindow && notebookWindow) << notebook->Stderr();
        screen.ActivateForTyping(targetWindow);
        screen.ActivateForTyping(notebookWindow);
        Shell("xdotool mousemove --window " + std::to_string(notebookWindow) + " 60 20 click 1");
    }
    // The notebook's message box, answered with Enter once its text is up.
    bool MessageShown() {
        Window box = 0;
        if (!WaitFor([&] { return (box = screen.FindByTitle("Pelmora")) && screen.Viewable(box); }, 8)) return false;
        screen.ActivateForTyping(box);
        Shell("xdotool key Return");
        return WaitFor([&] { return !screen.Viewable(box); }, 5);
    }
    void ExpectKeyboardAsBefore() {
        EXPECT_FALSE(screen.AnyKeyDown());
        EXPECT_EQ(Shell("xmodmap -pke"), keymapBefore);
        EXPECT_TRUE(CapsLockOn());
    }
    // What the target holds a while after the sequence ended.
    std::string TypedInTheEnd() {
        WaitFor([] { return false; }, 2.5);
        return ReadFile(output);
    }
};

}  // namespace

TEST_F(TypingEnds, InvalidNotationTypesNothingAndSaysWhy) {
    Click("pw{NOPE}");
    EXPECT_TRUE(MessageShown());
    EXPECT_EQ(TypedInTheEnd(), "");
    ExpectKeyboardAsBefore();
    EXPECT_TRUE(notebook->Running()) << notebook->Stderr();
}

TEST_F(TypingEnds, FocusChangedDuringAPauseStopsAndSaysWhy) {
    Program other(KEY_TARGET " " + folder + "/other.txt 'Other Window'");
    const Window otherWindow = Await("Other Window");
    Click("secret");
    ASSERT_TRUE(WaitFor([&] { return ReadFile(output) == "alice\t"; }, 5)) << ReadFile(output);
    screen.ActivateForTyping(otherWindow);
    EXPECT_TRUE(MessageShown());
    EXPECT_EQ(TypedInTheEnd(), "alice");  // the target lost the focus, so no tab into its second field shows
    EXPECT_EQ(ReadFile(folder + "/other.txt"), "");
    ExpectKeyboardAsBefore();
    EXPECT_TRUE(notebook->Running()) << notebook->Stderr();
}

// With no application window open, openbox leaves the keyboard on a window of its own that
// nobody sees: nothing is typed there, and the notebook says so.
TEST_F(TypingEnds, NoApplicationWindowOpenTypesNothingAndSaysWhy) {
    WritePasswordFile(folder + "/palist.dat", "Target", "alice", "Tab", "(None)", "secret");
    notebook = std::make_unique<Program>("sh -c 'cp " + folder + "/palist.dat . && exec " PASS_HOST "'");
    notebookWindow = Await("LumPassword");
    screen.ActivateForTyping(notebookWindow);
    Shell("xdotool mousemove --window " + std::to_string(notebookWindow) + " 60 20 click 1");
    EXPECT_TRUE(MessageShown());
    EXPECT_FALSE(screen.AnyKeyDown());
    EXPECT_TRUE(notebook->Running()) << notebook->Stderr();
}

TEST_F(TypingEnds, NotebookClosedDuringAPauseStopsQuietly) {
    Click("secret");
    ASSERT_TRUE(WaitFor([&] { return ReadFile(output) == "alice\t"; }, 5)) << ReadFile(output);
    screen.AskToClose(notebookWindow);
    EXPECT_EQ(notebook->WaitExit(5), 0) << notebook->Stderr();  // the last window gone, the program ends
    EXPECT_EQ(TypedInTheEnd(), "alice\t");
    ExpectKeyboardAsBefore();
}

TEST_F(TypingEnds, AKeyTheXServerRefusesStopsTheTypingAndSaysWhy) {
    // No key gives Alt: the Alt+b in the password has no keycode to press.
    Shell("xmodmap -e 'keycode 64 = NoSymbol' -e 'keycode 204 = NoSymbol'");
    Click("pw%b");
    ASSERT_TRUE(WaitFor([&] { return ReadFile(output).starts_with("alice\t"); }, 5)) << ReadFile(output);
    EXPECT_TRUE(MessageShown());
    EXPECT_EQ(TypedInTheEnd(), "alice\tpw");  // never a plain b for Alt+b
    ExpectKeyboardAsBefore();
    EXPECT_TRUE(notebook->Running()) << notebook->Stderr();
}
