// The XTest key sender typing into a real window, on several keyboard layouts.

#include "Desktop.h"
#include "XTestKeySender.h"

#include <csignal>
#include <gtest/gtest.h>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

using namespace desktop;

namespace {

class KeyTyping : public ::testing::TestWithParam<const char*> {
protected:
    Screen screen;
    std::string output = "/tmp/pelmora-keys-" + std::to_string(getpid()) + ".txt";
    std::unique_ptr<Program> target;

    void TearDown() override { std::remove(output.c_str()), ResetKeyboard(); }
    void ActivateTarget() {
        target = std::make_unique<Program>(KEY_TARGET " " + output);
        const Window window = screen.Await("Key Target");
        if (window) screen.ActivateForTyping(window);
        ASSERT_TRUE(window);
    }
};

const char* kText = "Az09 @€äé!\"#$&'=|-\\[]<>?_*;:,./ パ";

}  // namespace

// "caps": the us layout with Caps Lock on, which must stay on.
TEST_P(KeyTyping, TypesTheExactCharactersAndLeavesTheKeyboardAsItWas) {
    const bool caps = GetParam() == std::string("caps");
    Shell(caps ? "setxkbmap -layout us; xdotool key Caps_Lock" : std::string("setxkbmap ") + GetParam());
    const std::string keymapBefore = Shell("xmodmap -pke");
    ActivateTarget();
    const ParsedKeys keys = ParseKeys(QString::fromUtf8(kText) + "+a{%}");
    ASSERT_TRUE(keys.ok()) << keys.error.toStdString();
    QString error;
    EXPECT_TRUE(XTestKeySender().Send(keys.strokes, &error)) << error.toStdString();
    const std::string expected = std::string(kText) + "A%";
    WaitFor([&] { return ReadFile(output) == expected; }, 5);
    EXPECT_EQ(ReadFile(output), expected);
    EXPECT_EQ(Shell("xmodmap -pke"), keymapBefore);
    EXPECT_EQ(CapsLockOn(), caps);
    EXPECT_FALSE(screen.AnyKeyDown());
}

INSTANTIATE_TEST_SUITE_P(Layouts, KeyTyping,
                         ::testing::Values("-layout us", "-layout de", "-layout fr", "-model jp106 -layout jp", "caps"));

// A run killed while typing characters the layout lacks leaves their spare keys mapped;
// the program's next start puts the keyboard back as it was.
TEST_F(KeyTyping, TheNextStartPutsBackTheKeysAKilledRunLeftChanged) {
    Shell("setxkbmap -layout us");
    const std::string keymapBefore = Shell("xmodmap -pke");
    ActivateTarget();
    const pid_t typist = fork();
    if (typist == 0) {
        QString error;
        XTestKeySender().Send(ParseKeys(QString(2000, QChar(u'パ'))).strokes, &error);
        _exit(0);
    }
    EXPECT_TRUE(WaitFor([&] { return ReadFile(output).size() > 30; }));  // typing kana by now
    kill(typist, SIGKILL);
    waitpid(typist, nullptr, 0);
    ASSERT_NE(Shell("xmodmap -pke"), keymapBefore);
    Program program(PELMORA_BINARY);
    EXPECT_TRUE(WaitFor([&] { return Shell("xmodmap -pke") == keymapBefore; })) << program.Stderr();
}
