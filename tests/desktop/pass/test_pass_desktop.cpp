// The key sender on several layouts, the notebook typing into the application with pauses; each
// leaves the keyboard as it was.

#include "XTestKeySender.h"

#include "Desktop.h"
#include "Records.h"

namespace {

class Typing : public ::testing::Test {
protected:
    Folder folder;
    const string output = folder / "typed.txt";
    string keymap = Shell("xmodmap -pke");
    std::unique_ptr<Program> notebook;
    Window window = 0;

    void TearDown() override {
        notebook.reset();
        ResetKeyboard();
    }
    // Entries of login alice, Tab, each password and the key after it.
    void Open(const std::vector<std::pair<string, string>>& entries) {
        string file(9 * 512, '\0');
        for (const auto& [password, key] : entries)
            file += Record<string>({"Target", "alice", "Tab", key, password});
        WriteFile(folder / "palist.dat", file + string((24 - entries.size()) * 512, '\0'));
        keymap = Shell("xmodmap -pke");
        if (!notebook) notebook = std::make_unique<Program>(PELMORA_BINARY, "", folder.path);
        ActivateForTyping(Await(MainTitle));
        Key("alt+t p");
        ASSERT_TRUE(window = Await("LumPassword")) << notebook->Stderr();
    }
    // A click on entry i's button, at (8, 8 + 24 i), the target active before.
    void Click(int entry, Window target) {
        if (target) ActivateForTyping(target);
        ActivateForTyping(window);
        ClickAt(window, 60, 20 + 24 * entry);
    }
    bool Typed(const string& text) { return SOON(ReadFile(output) == text, 8); }
    string TypedInTheEnd() {
        Pause(2.5);
        return ReadFile(output);
    }
};

class Param : public Typing, public ::testing::WithParamInterface<string> {};
using Targets = Param;
using Layouts = Param;

}  // namespace

TEST_P(Layouts, TypeExactlyAndLeaveTheKeyboard) {
    Shell("setxkbmap " + GetParam());
    keymap = Shell("xmodmap -pke");
    Program target(Terminal("Target", output));
    ActivateForTyping(Await("Target"));
    const string text = "Az09 @€äé!\"#$&'=|-\\[]<>?_*;:,./ パ";
    QString error;
    const Window window = Await("Target");
    EXPECT_TRUE(XTestKeySender()
                    .Send(ParseKeys(QString::fromStdString(text) + "+a{%}").strokes, window, &error))
        << error.toStdString();
    EXPECT_TRUE(Typed(text + "A%")) << ReadFile(output);
    ExpectKeyboard(keymap, false);
}

INSTANTIATE_TEST_SUITE_P(Layouts, Layouts,
                         ::testing::Values("-layout us", "-layout de", "-layout fr", "-model jp106 -layout jp"));

// A run killed while typing leaves spare keys mapped; the next start restores them.
TEST_F(Typing, NextStartRestoresKeysOfAKilledRun) {
    Program target(Terminal("Target", output));
    const Window targetWindow = Await("Target");
    ActivateForTyping(targetWindow);
    const pid_t typist = fork();
    if (typist == 0) {
        QString error;
        XTestKeySender()
            .Send(ParseKeys(QString(2000, QChar(u'パ'))).strokes, targetWindow, &error);
        _exit(0);
    }
    EXPECT_TRUE(SOON(ReadFile(output).size() > 30));  // typing kana
    kill(typist, SIGKILL);
    waitpid(typist, nullptr, 0);
    ASSERT_NE(Shell("xmodmap -pke"), keymap);
    Program program(PELMORA_BINARY);
    EXPECT_TRUE(SOON(Shell("xmodmap -pke") == keymap));
}

// A window that takes the keyboard in the middle of a text gets none of it: here one of no window
// manager's (another program's menu, say), which only the input focus tells of.
TEST_F(Typing, KeysStopWhereTheFocusMovesMidText) {
    Program target(Terminal("Target", output));
    const Window targetWindow = Await("Target");
    ActivateForTyping(targetWindow);
    const pid_t typist = fork();
    if (typist == 0) {
        QString error;
        const bool sent = XTestKeySender().Send(ParseKeys(QString(3000, QChar(u'a'))).strokes, targetWindow, &error);
        _exit(!sent && error == "the keyboard focus moved to another window" ? 0 : 1);
    }
    EXPECT_TRUE(SOON(ReadFile(output).size() > 30));
    XSetWindowAttributes menu{};
    menu.override_redirect = True;
    menu.event_mask = KeyPressMask;
    const Window popup = XCreateWindow(display, root, 0, 0, 40, 40, 0, CopyFromParent, InputOutput, CopyFromParent,
                                       CWOverrideRedirect | CWEventMask, &menu);
    XMapWindow(display, popup);
    XSync(display, False);
    XSetInputFocus(display, popup, RevertToParent, CurrentTime);
    XSync(display, False);
    int status = -1;
    waitpid(typist, &status, 0);
    EXPECT_EQ(status, 0) << "typing went on, or stopped for another reason";
    XEvent key;
    EXPECT_FALSE(XCheckWindowEvent(display, popup, KeyPressMask, &key)) << "the other window got keys";
    XDestroyWindow(display, popup);
    ExpectKeyboard(keymap, false);
}

// GTK's login dialog on a German keyboard prints "login|password" on Enter.
TEST_P(Targets, TypesLoginAndPasswordWithPauses) {
    const bool zenity = GetParam() == "zenity";
    if (zenity) SetLayout("de");
    const string zenityCommand = "GDK_BACKEND=x11 zenity --password --username --title Target >" + output;
    const string other = GetParam() == "xterm" ? Terminal("Target", output) : Fields("Target", output);
    Program target(zenity ? zenityCommand : other);
    const Window targetWindow = Await("Target");
    // Shift+b, %, characters a layout may lack, which KWin and GNOME do not type.
    const bool kana = !kwin && !gnome;
    Open({{kana ? "pw+b{%}9@|\x83\x70" : "pw+b{%}9@|", "Enter"}, {"\x83\x70", "(None)"}});
    const Stopwatch seconds;
    Click(0, targetWindow);
    double login = 0;
    if (!zenity) {
        ASSERT_TRUE(Typed("alice\t")) << ReadFile(output);
        login = seconds();
        EXPECT_GE(login, 0.95) << "no pause before the login name";
    }
    const string typed = (zenity ? "alice|pwB%9@|" : "alice\tpwB%9@|") + string(kana ? "パ\n" : "\n");
    EXPECT_TRUE(Typed(typed)) << ReadFile(output) << notebook->Stderr();
    EXPECT_GE(seconds() - login, zenity ? 1.9 : 0.95) << "no pause before the password";
    if (!kana) {
        Click(1, targetWindow);
        EXPECT_TRUE(Answer());
        EXPECT_EQ(TypedInTheEnd(), typed);
    }
    ExpectKeyboard(keymap, false);
}

INSTANTIATE_TEST_SUITE_P(Targets, Targets, ::testing::Values("xterm", "zenity", "native"),
                         [](const auto& info) { return info.param; });

TEST_F(Typing, FocusChangedDuringAPauseStopsAndSaysWhy) {
    // GNOME 48 keeps a Caps Lock of each virtual keyboard that its clients do not follow: the tests'
    // one locked does not reach them as a person's keyboard's does.
    const bool caps = !gnome || !Shell("gnome-shell --version").starts_with("GNOME Shell 48.");
    LockCaps(caps);
    Program other(Terminal("Other", folder / "other.txt"));
    Program target(Terminal("Target", output));
    const Window otherWindow = Await("Other");
    Open({{"secret", "(None)"}});
    Click(0, Await("Target"));
    ASSERT_TRUE(Typed("alice\t")) << ReadFile(output);
    ActivateForTyping(otherWindow);
    EXPECT_TRUE(Answer());
    EXPECT_EQ(TypedInTheEnd(), "alice\t");
    EXPECT_EQ(ReadFile(folder / "other.txt"), "");
    ExpectKeyboard(keymap, caps);
}

// The overview opened in a pause takes the keys while the window keeps the focus: none go there.
TEST_F(Typing, OverviewOpenedDuringAPauseStopsTheTyping) {
    if (!gnome && !kwin) GTEST_SKIP();
    // Its effects are QML on OpenGL: KWin 6.3 composites a headless output with QPainter.
    if (kwin && Shell("dbus-send --session --print-reply --dest=org.kde.KWin /Effects org.freedesktop.DBus.Properties.Get "
                      "string:org.kde.kwin.Effects string:loadedEffects").find("\"overview\"") == string::npos)
        GTEST_SKIP() << "KWin has no Overview here";
    // KWin's shortcut opens and closes it; it obeys a call awaiting its answer only.
    const auto overview = [](bool shown) {
        Shell(gnome ? "gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell --method "
                      "org.freedesktop.DBus.Properties.Set org.gnome.Shell OverviewActive '<" +
                          string(shown ? "true" : "false") + ">'"
                    : "dbus-send --session --print-reply --dest=org.kde.kglobalaccel /component/kwin "
                      "org.kde.kglobalaccel.Component.invokeShortcut string:Overview");
    };
    Program target(Terminal("Target", output));
    Open({{"secret", "(None)"}});
    Click(0, Await("Target"));
    ASSERT_TRUE(Typed("alice\t")) << ReadFile(output);
    overview(true);
    Pause(2);
    if (gnome) {  // typing into the overview moves the key focus to its search
        EXPECT_EQ(GnomeEval("global.stage.get_key_focus()?.text ?? \"\"").toString().toStdString(), "");
    }
    overview(false);  // a window activated leaves it open
    EXPECT_TRUE(Answer()) << "no word of the typing stopped";
    EXPECT_EQ(TypedInTheEnd(), "alice\t");
}

// No key for Alt: Shift+Alt+b of "pw+a+%b" cannot be pressed, and the Shift down comes up.
TEST_F(Typing, NoApplicationAndARefusedKeyStopTheRun) {
    LockCaps(true);
    Shell("xmodmap -e 'keycode 64 = NoSymbol' -e 'keycode 204 = NoSymbol'");
    Open({{"secret", "(None)"}, {"pw+a+%b", "(None)"}});
    // With no application openbox gives the keyboard to an unseen window of its own.
    Click(0, 0);
    EXPECT_TRUE(Answer());
    ExpectKeyboard(keymap, true);

    Program target(Terminal("Target", output));
    Click(1, Await("Target"));
    EXPECT_TRUE(Answer());
    EXPECT_EQ(TypedInTheEnd(), "alice\tpwA");  // never a plain b for Alt+b
    ExpectKeyboard(keymap, true);
    EXPECT_TRUE(notebook->Running()) << notebook->Stderr();
}

// Without our GNOME Shell extension Pelmora says how to enable it and types into no window it
// cannot see; enabled, it sees them at once.
TEST_F(Typing, WaitsForTheGnomeShellExtension) {
    if (!gnome) GTEST_SKIP();
    Shell("gnome-extensions disable pelmora@example.org");
    Program target(Terminal("Target", output));
    const Window targetWindow = Await("Target");
    notebook = std::make_unique<Program>(PELMORA_BINARY, "", folder.path);
    EXPECT_TRUE(Answer()) << "no word on the extension";
    EXPECT_NE(notebook->Stderr().find("gnome-extensions enable pelmora@example.org"), string::npos);
    Open({{"secret", "(None)"}});
    Click(0, targetWindow);
    EXPECT_TRUE(Answer());
    Shell("gnome-extensions enable pelmora@example.org");
    Click(0, targetWindow);
    EXPECT_TRUE(Typed("alice\tsecret")) << ReadFile(output);
}
