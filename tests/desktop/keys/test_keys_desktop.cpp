// The XTest key sender typing into a terminal on several keyboard layouts.

#include "KeySender.h"

#include "Desktop.h"

#include <memory>

namespace {

class KeyTyping : public ::testing::TestWithParam<const char*> {
protected:
    Folder folder;
    const std::string output = folder / "typed.txt";
    std::unique_ptr<Program> target;
    std::string keymap;

    void TearDown() override { ResetKeyboard(); }
    void OpenTarget() {
        keymap = Shell("xmodmap -pke");
        target = std::make_unique<Program>(Terminal("Target", output));
        ActivateForTyping(Await("Target"));
    }
};

}  // namespace

// "caps": the us layout with Caps Lock on, which must stay on.
TEST_P(KeyTyping, TypesTheExactCharactersAndLeavesTheKeyboardAsItWas) {
    const bool caps = GetParam() == std::string("caps");
    Shell(caps ? "setxkbmap -layout us; xdotool key Caps_Lock" : std::string("setxkbmap ") + GetParam());
    OpenTarget();
    const std::string text = "Az09 @€äé!\"#$&'=|-\\[]<>?_*;:,./ パ";
    QString error;
    EXPECT_TRUE(XTestKeySender().Send(ParseKeys(QString::fromStdString(text) + "+a{%}").strokes, &error))
        << error.toStdString();
    EXPECT_TRUE(WaitFor([&] { return ReadFile(output) == text + "A%"; }, 5)) << ReadFile(output);
    ExpectKeyboard(keymap, caps);
}

INSTANTIATE_TEST_SUITE_P(Layouts, KeyTyping,
                         ::testing::Values("-layout us", "-layout de", "-layout fr", "-model jp106 -layout jp", "caps"));

// A run killed while typing characters the layout lacks leaves their spare keys mapped;
// the program's next start puts the keyboard back as it was.
TEST_F(KeyTyping, TheNextStartPutsBackTheKeysAKilledRunLeftChanged) {
    Shell("setxkbmap -layout us");
    OpenTarget();
    const pid_t typist = fork();
    if (typist == 0) {
        QString error;
        XTestKeySender().Send(ParseKeys(QString(2000, QChar(u'パ'))).strokes, &error);
        _exit(0);
    }
    EXPECT_TRUE(WaitFor([&] { return ReadFile(output).size() > 30; }));  // typing kana by now
    kill(typist, SIGKILL);
    waitpid(typist, nullptr, 0);
    ASSERT_NE(Shell("xmodmap -pke"), keymap);
    Program program(PELMORA_BINARY);
    EXPECT_TRUE(WaitFor([&] { return Shell("xmodmap -pke") == keymap; })) << "the spare keys stayed mapped";
}
