#include "KeySender.h"
#include "LumPass.h"
#include "Support.h"

#include <QDeadlineTimer>
#include <QPushButton>
#include <QTimer>

// What is typed must read back exactly, the application name only as stored.
TEST(PassFile, RefusesTextsTheFileWouldNotKeep) {
    const auto why = [](int field, const QString& text) {
        std::array<QString, 5> texts{"Mail — Firefox ", "alice", "Tab", "Enter", "p w"};
        texts[field - 1] = text;
        return PassFile::CheckTexts(texts);
    };
    EXPECT_EQ(why(2, QString(25, u'あ')), "");  // the login name's 50 bytes
    for (auto [field, text] : {std::pair{2, QString(26, u'あ')}, {2, "−¢"}, {5, "pw "}, {1, "A😀"}})
        EXPECT_NE(why(field, text), "") << text;
    EXPECT_EQ(why(5, "pw—x〜"), "The password holds characters that the file gives back as others: — 〜");
}

// A save keeps the file's mode and empties only the saved entry's emptied fields.
TEST_F(InFolder, PassFileStoredFormAndReadBack) {
    const QString dat = "palist.dat", bak = "palist.bak";
    PassFile p;
    QString error;
    ASSERT_TRUE(p.Load(dat, &error));
    EXPECT_EQ(ReadAll(dat) + QByteArray::number(ModeOf(dat), 8), "600");
    p.Data(1, 1) = "設定";
    p.Data(1, 2) = "n" + QString(30, u'あ');
    ASSERT_TRUE(p.SavePass(3, dat, bak, &error));  // entry 1, not the one saved, is cut
    const QByteArray name = "\x90\xdd\x92\xe8";
    const QByteArray first = Record<QByteArray>({name, "n" + QByteArray("\x82\xa0").repeated(24)});
    EXPECT_EQ(ReadAll(dat), DataFile({first}));
    EXPECT_EQ(ReadAll(bak) + QByteArray::number(ModeOf(bak), 8), DataFile({}) + "600");
    ASSERT_TRUE(p.Load(dat, &error));
    EXPECT_EQ(p.Data(1, 1), "設定");

    ::chmod("palist.dat", 0644);
    p.Data(1, 2).clear();
    ASSERT_TRUE(p.SavePass(1, dat, bak, &error));
    EXPECT_EQ(ReadAll(dat), DataFile({Record<QByteArray>({name})}));
    EXPECT_EQ(ModeOf(dat), 0644u);
}

TEST(LumPass, EntryCaption) {
    EXPECT_EQ(LumPass::EntryCaption(""), "(None)");
    EXPECT_EQ(LumPass::EntryCaption("   Twenty characters!"), "Twenty chara");
    EXPECT_EQ(LumPass::EntryCaption("R&D"), "R&&D         ");
}

namespace {

// A clock half a second on at each reading, so that pauses end at once; '|' marks a pause, '+' Shift.
struct Typist : Clock, KeySender {
    double now = 86398.5, last = 0;  // the first pause runs across midnight
    std::function<void()> onRead;  // the user, meanwhile
    QString typed;
    unsigned long into = 0;  // the window it was told to type into
    bool fail = false;
    QString offLayout;  // characters it cannot type
    double SecondsOfDay() override {
        now = std::fmod(now + 0.5, 86400);
        if (onRead) onRead();
        return now;
    }
    bool Send(const std::vector<KeyStroke>& strokes, unsigned long window, QString* error) override {
        into = window;
        if (fail) {
            *error = "the X server refused";
            return false;
        }
        typed += now != last ? "|" : "";
        last = now;
        for (const KeyStroke& k : strokes) {
            typed += k.modifiers & KeyStroke::Shift ? "+" : "";
            typed += k.character ? QString::fromUcs4(&k.character, 1) : QString("<%1>").arg(k.keysym, 0, 16);
        }
        return true;
    }
    QString Untypable(const std::vector<KeyStroke>& strokes) override {
        QString out;
        for (const KeyStroke& k : strokes)
            if (offLayout.contains(QString::fromUcs4(&k.character, 1))) out += QString::fromUcs4(&k.character, 1);
        return out;
    }
};

struct Notebook : InFolder {
    Typist* typist = Install<Typist>(s.clock);
    Notebook() { s.keySender = std::static_pointer_cast<Typist>(s.clock); }
    LumPass& Open(const QList<QByteArray>& records) {
        EXPECT_TRUE(WriteAll("palist.dat", DataFile(records)));
        return Forms::Show<LumPass>();
    }
    // What a click on entry i typed, then the messages shown.
    QString Click(LumPass& w, int i) {
        typist->typed.clear();
        typist->last = typist->now;
        messageBox->prompts.clear();
        w.cmdNavi_Click(i);
        return (QStringList{typist->typed} + messageBox->prompts).join(" / ");
    }
};

}  // namespace

// A second's pause before all but the key after the login name, letting events but not a second
// click run; only "Tab" and "Enter" are keys.
TEST_F(Notebook, TypesInOrderWithPausesOrStops) {
    LumPass& w = Open({Record<QByteArray>({"Mail", "alice", "Tab", "Enter", "pw"}),
                       Record<QByteArray>({"Bank", "", "Tab", "tab", "a+b"}),
                       Record<QByteArray>({"Bad", "alice", "Tab", "Enter", "{NOPE}"}),
                       Record<QByteArray>({"Kana", "alice", "Tab", "Enter", "p\x82\xa0"})});
    const QDeadlineTimer second(1000);
    bool clicked = false;
    QTimer::singleShot(0, [&] {
        w.cmdNavi_Click(0);
        clicked = true;
    });
    EXPECT_EQ(Click(w, 0), "|alice<ff09>|pw|<ff0d>");
    EXPECT_TRUE(clicked);
    EXPECT_EQ(Click(w, 1), "|<ff09>|a+b");
    EXPECT_EQ(Click(w, 2), " / Nothing was typed: the password of \"Bad\" is not valid key notation.\n"
                           "\"{NOPE}\" is not a known key name");
    typist->offLayout = "あ";  // not even the login name goes
    EXPECT_EQ(Click(w, 3), " / Nothing was typed: no key of the keyboard layout types あ into that window.");
    EXPECT_FALSE(second.hasExpired()) << "a pause across midnight waited";
    EXPECT_EQ(w.WindowState(), vbMinimized);
    typist->onRead = [&] {
        if (!typist->typed.isEmpty()) focus->info.window = 0x600001;
    };
    EXPECT_TRUE(Click(w, 0).startsWith("|alice<ff09> / Typing stopped: the keyboard focus moved"));
    typist->fail = true;
    EXPECT_EQ(Click(w, 0), " / Typing stopped: the X server refused");
    typist->fail = false;
    typist->onRead = [&] {  // the notebook closed in a pause
        if (!typist->typed.isEmpty() && Forms::IsLoaded<LumPass>()) Forms::Unload<LumPass>();
    };
    EXPECT_EQ(Click(w, 0), "|alice<ff09>");
}

// Keys go only to the application used before, never to another, ours or the desktop.
TEST_F(Notebook, TypesOnlyIntoTheApplicationUsedBefore) {
    LumPass& w = Open({Record<QByteArray>({"Mail", "alice", "TAB", "enter", "pw"}), Record<QByteArray>({"", "bob"})});
    EXPECT_EQ(Click(w, 1) + QString::number(w.cmdNavi[1]->isEnabled()), "0");
    for (FocusWindow::Info now : {FocusWindow::Info{0}, {0x500001, true}, {0x100, false, true}}) {
        focus->info = now;
        EXPECT_TRUE(Click(w, 0).startsWith(" / Nothing was typed: no other application's window")) << now.window;
    }
    focus->lastOther = 0x400001;  // asked for, where nobody has the keyboard
    focus->info = {0};
    EXPECT_EQ(Click(w, 0), "|alice|pw");
    EXPECT_EQ(typist->into, 0x400001);
    focus->info = {0x600001};
    focus->obeys = false;
    EXPECT_TRUE(Click(w, 0).startsWith(" / Nothing was typed: the keyboard did not come back"));
}

// The stored entries are never replaced by an empty table.
TEST_F(Notebook, AFailedLoadSaysSoOnceAndRefusesToSave) {
    ASSERT_TRUE(QDir().mkdir("palist.dat"));
    LumPass& w = Forms::Show<LumPass>();
    const QStringList& said = messageBox->prompts;
    EXPECT_TRUE(said.size() == 1 && said[0].endsWith("palist.dat: Is a directory"));
    w.cmdSave_Click();
    EXPECT_TRUE(said.last().startsWith("The password file could not be read, so nothing"));
    EXPECT_FALSE(QFile::exists("palist.bak"));
}
