// The XTest key sender typing into a real window, on several keyboard layouts.

#include "Desktop.h"
#include "KeySender.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace desktop;

namespace {

class KeyTyping : public ::testing::Test {
protected:
    Screen screen;
    std::string output = "/tmp/pelmora-keys-" + std::to_string(getpid()) + ".txt";

    void TearDown() override {
        std::remove(output.c_str());
        Shell("setxkbmap -model pc105 -layout us");
        if (CapsLockOn()) Shell("xdotool key Caps_Lock");
    }

    // Types the notation into a fresh target window; returns what arrived once it
    // equals the expected text or the deadline passed.
    std::string typeIntoTarget(const QString& notation, const std::string& expected) {
        std::remove(output.c_str());
        Program target(KEY_TARGET " " + output);
        Window window = 0;
        EXPECT_TRUE(WaitFor([&] { return (window = screen.Shown("Key Target")) != 0; }));
        screen.ActivateForTyping(window);
        const ParsedKeys keys = ParseKeys(notation);
        EXPECT_TRUE(keys.ok()) << keys.error.toStdString();
        QString error;
        EXPECT_TRUE(XTestKeySender().Send(keys.strokes, &error)) << error.toStdString();
        WaitFor([&] { return ReadFile(output) == expected; }, 5);
        return ReadFile(output);
    }
};

const char* kText = "Az09 @€äé!\"#$&'=|-\\[]<>?_*;:,./ パ";

class KeysOnLayouts : public KeyTyping, public ::testing::WithParamInterface<const char*> {};

}  // namespace

TEST_P(KeysOnLayouts, TypesTheExactCharactersAndLeavesTheKeyboardAsItWas) {
    Shell(std::string("setxkbmap ") + GetParam());
    const std::string keymapBefore = Shell("xmodmap -pke");
    const std::string expected = std::string(kText) + "A%";
    EXPECT_EQ(typeIntoTarget(QString::fromUtf8(kText) + "+a{%}", expected), expected);
    EXPECT_EQ(Shell("xmodmap -pke"), keymapBefore);
    EXPECT_FALSE(CapsLockOn());
    EXPECT_FALSE(screen.AnyKeyDown());
}

INSTANTIATE_TEST_SUITE_P(Layouts, KeysOnLayouts,
                         ::testing::Values("-layout us", "-layout de", "-layout fr", "-model jp106 -layout jp"));

TEST_F(KeyTyping, CapsLockOnStillTypesExactlyAndStaysOn) {
    Shell("setxkbmap -layout us; xdotool key Caps_Lock");
    ASSERT_TRUE(CapsLockOn());
    EXPECT_EQ(typeIntoTarget(QStringLiteral("aB+c"), "aBC"), "aBC");
    EXPECT_TRUE(CapsLockOn());
    EXPECT_FALSE(screen.AnyKeyDown());
}

TEST_F(KeyTyping, AKeyTheXServerRefusesFailsTheSendAndReleasesEverything) {
    // No key gives Alt, so Alt+b asks the server for a key that does not exist. Without a
    // toolkit, Xlib's default handler would end this process on the error.
    Shell("setxkbmap -layout us; xmodmap -e 'keycode 64 = NoSymbol' -e 'keycode 204 = NoSymbol'");
    const std::string keymapBefore = Shell("xmodmap -pke");
    QString error;
    // Shift is down when the server refuses Alt: it must be released all the same.
    EXPECT_FALSE(XTestKeySender().Send(ParseKeys("+a+%b").strokes, &error));
    EXPECT_TRUE(error.startsWith("the X server refused a key")) << error.toStdString();
    EXPECT_FALSE(screen.AnyKeyDown());
    EXPECT_EQ(Shell("xmodmap -pke"), keymapBefore);
}

// A run killed while typing characters the layout lacks leaves their spare keys mapped;
// the program's next start puts the keyboard back as it was.
TEST_F(KeyTyping, TheNextStartPutsBackTheKeysAKilledRunLeftChanged) {
    Shell("setxkbmap -layout us");
    const std::string keymapBefore = Shell("xmodmap -pke");
    Program target(KEY_TARGET " " + output);
    Window window = 0;
    ASSERT_TRUE(WaitFor([&] { return (window = screen.Shown("Key Target")) != 0; }));
    screen.ActivateForTyping(window);
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

