#include "KeySender.h"
#include "LumPass.h"
#include "Support.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

using Texts = std::array<QString, 5>;

// What is typed must read back exactly; the other fields as stored.
TEST(PassFile, RefusesTextsTheFileWouldNotKeep) {
    const auto fits = [](int field, const QString& text) {
        Texts texts{"App", "alice", "Tab", "Enter", "pw"};
        texts[field - 1] = text;
        return PassFile::CheckTexts(texts).isEmpty();
    };
    const QString tooLong(26, u'あ');  // 52 bytes for the login name's 50
    for (auto [field, text] : {std::pair{5, QString("pw—x〜")}, {2, "−¢"}, {5, "pw "}, {1, "A😀"}, {2, tooLong}})
        EXPECT_FALSE(fits(field, text)) << text;
    for (auto [field, text] : {std::pair{2, QString(25, u'あ')}, {5, "a b"}, {1, "Mail — Firefox "}})
        EXPECT_TRUE(fits(field, text)) << text;
    EXPECT_EQ(PassFile::CheckTexts({"App", "alice", "Tab", "Enter", "pw—x〜"}),
              "The password holds characters that the file gives back as others: — 〜");
}

// A new file is empty, its owner's only; a save writes CP932, space-padded, cut at a whole
// character; only the saved entry's emptied field is stored empty; a file keeps its mode.
TEST(PassFile, StoredFormAndReadBack) {
    QTemporaryDir dir;
    const QString dat = dir.filePath("palist.dat"), bak = dir.filePath("palist.bak");
    PassFile p, again;
    QString error;
    ASSERT_TRUE(p.Load(dat, &error));
    EXPECT_EQ(ReadAll(dat) + QByteArray::number(ModeOf(dat), 8), "600");
    for (int f = 1; f <= 4; ++f) p.Data(1, f) = Texts{"設定", "alice", "Tab", "Enter"}[f - 1];
    ASSERT_TRUE(p.SavePass(1, dat, bak, &error));
    const QByteArray first = Record<QByteArray>({"\x90\xdd\x92\xe8", "alice", "Tab", "Enter"});
    EXPECT_EQ(ReadAll(dat), DataFile({first}));
    EXPECT_EQ(ReadAll(bak) + QByteArray::number(ModeOf(bak), 8), DataFile({}) + "600");
    ASSERT_TRUE(again.Load(dat, &error));
    EXPECT_EQ(again.Data(1, 1), "設定");

    ::chmod(QFile::encodeName(dat).constData(), 0644);
    again.Data(1, 2).clear();
    again.Data(2, 1) = "Bank";
    again.Data(2, 2) = "n" + QString(30, u'あ');
    ASSERT_TRUE(again.SavePass(3, dat, bak, &error));  // entry 2, not saved, is cut
    const QByteArray second = Record<QByteArray>({"Bank", "n" + QByteArray("\x82\xa0").repeated(24)});
    EXPECT_EQ(ReadAll(dat), DataFile({first, second}));
    ASSERT_TRUE(again.SavePass(1, dat, bak, &error));
    EXPECT_EQ(ReadAll(dat), DataFile({Record<QByteArray>({"\x90\xdd\x92\xe8", "", "Tab", "Enter"}), second}));
    EXPECT_EQ(ModeOf(dat), 0644u);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"palist.bak", "palist.dat"}));
}

TEST(LumPass, EntryCaption) {
    EXPECT_EQ(LumPass::EntryCaption(""), "(None)");
    EXPECT_EQ(LumPass::EntryCaption("   Twenty characters!"), "Twenty chara");
    EXPECT_EQ(LumPass::EntryCaption("R&D"), "R&&D         ");
}

namespace {

// Half a second on at every reading, so that pauses end at once; onRead acts as the user.
struct SteppingClock : Clock {
    double now = 86398.5;  // the first pause runs across midnight
    std::function<void()> onRead;
    double SecondsOfDay() override {
        now = std::fmod(now + 0.5, 86400);
        if (onRead) onRead();
        return now;
    }
};

// '|' for a pause of a second, '+' for Shift, named keys as <keysym>.
struct Typist : KeySender {
    SteppingClock* clock = nullptr;
    QString typed;
    double last = 0;
    bool fail = false;
    bool Send(const std::vector<KeyStroke>& strokes, QString* error) override {
        if (fail) return *error = "the X server refused", false;
        typed += std::fmod(clock->now - last + 86400, 86400) >= 1 ? "|" : "";
        last = clock->now;
        for (const KeyStroke& k : strokes) {
            typed += k.modifiers & KeyStroke::Shift ? "+" : "";
            typed += k.character ? QString::fromUcs4(&k.character, 1) : QString("<%1>").arg(k.keysym, 0, 16);
        }
        return true;
    }
};

struct Notebook : InFolder {
    SteppingClock* clock = Install<SteppingClock>(s.clock);
    Typist* typist = Install<Typist>(s.keySender);
    Notebook() { typist->clock = clock; }
    LumPass& Open(const QList<QByteArray>& records) {
        EXPECT_TRUE(WriteAll("palist.dat", DataFile(records)));
        return Forms::Show<LumPass>();
    }
    // What the click on entry i typed, and the message shown, if any.
    QString Click(LumPass& w, int i) {
        typist->typed.clear();
        typist->last = clock->now;
        const qsizetype shown = messageBox->prompts.size();
        w.cmdNavi_Click(i);
        return typist->typed + (messageBox->prompts.size() > shown ? " / " + messageBox->prompts.last() : "");
    }
};

}  // namespace

// A second's pause before all but the key after the login name; only "Tab" and "Enter" are keys.
TEST_F(Notebook, TypesInOrderWithPausesOrNothing) {
    LumPass& w = Open({Record<QByteArray>({"Mail", "alice", "Tab", "Enter", "pw"}),
                       Record<QByteArray>({"Bank", "", "Tab", "tab", "a+b"}),
                       Record<QByteArray>({"Bad", "alice", "Tab", "Enter", "{NOPE}"})});
    QElapsedTimer clicks;
    clicks.start();
    EXPECT_EQ(Click(w, 0), "|alice<ff09>|pw|<ff0d>");
    EXPECT_EQ(Click(w, 1), "|<ff09>|a+b");
    EXPECT_EQ(Click(w, 2), " / Nothing was typed: the password of \"Bad\" is not valid key notation.\n"
                           "\"{NOPE}\" is not a known key name");
    EXPECT_LT(clicks.elapsed(), 1000) << "a pause across midnight waited in real time";
    EXPECT_EQ(w.WindowState(), vbMinimized);
}

// A pause lets events run, but not a second run; the focus moving or a key failing stops it.
TEST_F(Notebook, StopsWhenItMust) {
    LumPass& w = Open({Record<QByteArray>({"Mail", "alice", "Tab", "Enter", "pw"})});
    int reads = 0, ran = 0;
    QTimer::singleShot(0, [&] { ++ran; });
    clock->onRead = [&] {
        if (reads++ == 2) w.cmdNavi_Click(0);
    };
    EXPECT_EQ(Click(w, 0), "|alice<ff09>|pw|<ff0d>");
    EXPECT_EQ(ran, 1);
    clock->onRead = [&] {
        if (!typist->typed.isEmpty()) focus->info.window = 0x600001;
    };
    EXPECT_EQ(Click(w, 0), "|alice<ff09> / Typing stopped: the keyboard focus moved to another window.");
    clock->onRead = nullptr;
    typist->fail = true;
    EXPECT_EQ(Click(w, 0), " / Typing stopped: the X server refused");
}

// Keys go only to the application used before, never to another, ours or the desktop.
TEST_F(Notebook, TypesOnlyIntoTheApplicationUsedBefore) {
    LumPass& w = Open({Record<QByteArray>({"Mail", "alice", "", "", "pw"}), Record<QByteArray>({"", "bob"})});
    EXPECT_EQ(Click(w, 1) + QString::number(w.cmdNavi[1]->isEnabled()), "0");
    const QString none = " / Nothing was typed: no other application's window has the keyboard focus.";
    const struct {
        unsigned long before;
        FocusWindow::Info after;
        bool obeys;
        QString typed;
    } rows[] = {
        {0x400001, {0x600001}, false,
         " / Nothing was typed: the keyboard did not come back to the application you were working in."},
        {0x400001, {0}, true, "|alice|pw"},  // asked for, where nobody has the keyboard
        {0, {0x600001}, true, "|alice|pw"},  // none known: the window active now
        {0, {0}, true, none},
        {0, {0x500001, true}, true, none},
        {0, {0x100, false, true}, true, none},
    };
    for (const auto& row : rows) {
        focus->lastOther = row.before;
        focus->info = row.after;
        focus->obeys = row.obeys;
        focus->activated.clear();
        EXPECT_EQ(Click(w, 0), row.typed) << row.after.window;
        EXPECT_EQ(focus->activated.size(), row.before ? 1u : 0u) << row.after.window;
    }
}

// The stored entries are never replaced by an empty table.
TEST_F(Notebook, AFailedLoadSaysSoOnceAndRefusesToSave) {
    ASSERT_TRUE(QDir().mkdir("palist.dat"));
    LumPass& w = Forms::Show<LumPass>();
    EXPECT_TRUE(messageBox->prompts.size() == 1 && messageBox->prompts[0].endsWith("palist.dat: Is a directory"));
    w.cmdSetup_Click();
    w.AppName->setText("Mail");
    w.cmdSave_Click();
    EXPECT_TRUE(messageBox->prompts.last().startsWith("The password file could not be read, so nothing was saved"));
    EXPECT_FALSE(QFile::exists("palist.bak"));
}
