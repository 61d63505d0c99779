#include "../about/QStringPrinter.h"
#include "Fakes.h"
#include "Files.h"
#include "Forms.h"
#include "KeySender.h"
#include "LumPass.h"
#include "Wait.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using Texts = std::array<QString, 5>;
QByteArray Record(const Texts& t) {  // empty texts as zero bytes, field 6 zero
    QByteArray r;
    for (int f = 0; f < 5; ++f) r += t[f].isEmpty() ? QByteArray(noterecord::FieldWidth[f], '\0') : noterecord::PadField(t[f], noterecord::FieldWidth[f]);
    return r + QByteArray(26, '\0');
}
void Set(PassFile& p, int k, const Texts& t) { for (int f = 1; f <= 5; ++f) p.Data(k, f) = t[f - 1]; }

// Moves on at every reading, so Wait ends without real time passing; onRead stands in for the user.
class SteppingClock : public FakeClock {
public:
    std::function<void()> onRead;
    double SecondsOfDay() override {
        now = now + 0.25 >= 86400 ? now + 0.25 - 86400 : now + 0.25;
        if (onRead) onRead();
        return now;
    }
};

// What is typed as text: '|' where a pause of a second or more came before, Shift as '+', named keys as <keysym>.
class Typist : public KeySender {
public:
    SteppingClock* clock = nullptr;
    QString typed;
    double last = 0;
    bool fail = false;
    bool Send(const std::vector<KeyStroke>& strokes, QString* error) override {
        if (fail) return *error = "the X server refused", false;
        if (std::fmod(clock->now - last + 86400, 86400) >= 1) typed += '|';
        last = clock->now;
        for (const KeyStroke& k : strokes)
            typed += QString(k.modifiers & KeyStroke::Shift ? "+" : "") + (k.character ? QString::fromUcs4(&k.character, 1) : QString("<%1>").arg(k.keysym, 0, 16));
        return true;
    }
};

}  // namespace

TEST(PassFile, StoredFormAndReadBack) {
    // Text refused before saving, named with the characters; the application name is only a label.
    const struct { int field; const char* text; const char* why; } rows[] = {
        {5, "pw—x〜", "The password holds characters that the file gives back as others: — 〜"},
        {2, "−¢£¬‖", "The login name holds characters that the file gives back as others: − ¢ £ ¬ ‖"},
        {5, "pw ", "The password starts or ends with a blank, which the file does not keep."},
        {5, "pw😀", "The password holds characters that cannot be stored in the file: 😀"},
        {1, "A😀", "The application name holds characters that cannot be stored in the file: 😀"},
        {2, "ああああああああああああああああああああああああああ", "The login name is too long: at most 50 bytes can be stored."},
        {2, "あああああああああああああああああああああああああ", ""}, {5, "パス―～＄", ""}, {5, "a b", ""}, {1, "Mail — Firefox ", ""}};
    for (const auto& row : rows) {
        Texts t{"App", "alice", "Tab", "Enter", "pw"};
        t[row.field - 1] = QString::fromUtf8(row.text);
        EXPECT_EQ(PassFile::CheckTexts(t), QString::fromUtf8(row.why)) << row.text;
    }

    // A file another program left: foreign bytes around records 10 to 33, blanks around texts,
    // zero-first fields, Shift-JIS, a field ending in half a double-byte character.
    QTemporaryDir dir;
    const QString dat = dir.filePath("palist.dat"), bak = dir.filePath("palist.bak");
    QByteArray old(36 * 512, '\0');
    for (int i = 0; i < old.size(); ++i) old[i] = i < 9 * 512 || i >= 33 * 512 ? char('A' + i % 26) : '\0';
    old.replace(10 * 512, 512, Padded("  Bank  ", 100) + Padded(" bob", 50) + Padded("Enter", 18) + Padded("Tab", 18) + Padded("pw", 300) + Padded("extra", 26));
    old.replace(11 * 512, 200, QByteArray(100, '\0') + Padded("carol", 50) + Padded("\x90\xdd\x92\xe8", 18));
    old.replace(12 * 512, 150, Padded("X", 100) + QByteArray(49, 'a') + '\x90');
    ASSERT_TRUE(WriteAll(dat, old));
    ::chmod(QFile::encodeName(dat).constData(), 0644);
    PassFile p;
    QString error, message;
    ASSERT_TRUE(p.Load(dat, &error));
    const struct { int k, f; QString shown; } read[] = {{2, 1, "Bank"}, {2, 2, "bob"}, {2, 6, "extra"}, {3, 1, ""}, {3, 2, "carol"},
                                                          {3, 3, "設定"}, {4, 2, QString(49, 'a') + u'\uFFFD'}, {5, 1, ""}};
    for (const auto& r : read) EXPECT_EQ(p.Data(r.k, r.f), r.shown) << r.k << "," << r.f;

    // Saving entry 5 with an empty password; another entry's emptied field keeps its stored text;
    // a login name too long for the file is cut, at a whole character, while the window keeps it.
    Set(p, 5, {"Mail", "alice", "Tab", "Enter", ""});
    p.Data(2, 2).clear();
    p.Data(3, 2) = "n" + QString(30, u'あ');
    ASSERT_TRUE(p.SavePass(5, dat, bak, &message)) << message.toStdString();
    QByteArray expected = old;
    expected.replace(10 * 512, 100, Padded("Bank", 100));
    expected.replace(11 * 512 + 100, 50, "n" + noterecord::PadField(QString(30, u'あ'), 49));
    expected.replace(12 * 512, 150, Padded("X", 100) + noterecord::PadField(QString(49, 'a') + u'\uFFFD', 50));
    expected.replace(13 * 512, 512, Record({"Mail", "alice", "Tab", "Enter", ""}));
    EXPECT_EQ(ReadAll(dat), expected);
    EXPECT_EQ(ReadAll(bak), QByteArray(9 * 512, '\0') + old.mid(9 * 512, 24 * 512));
    EXPECT_EQ(p.Data(3, 2).size(), 31);
    EXPECT_EQ(ModeOf(dat), 0644u);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"palist.bak", "palist.dat"}));
}

TEST(PassFile, FirstStartAndSaveGiveTheGoldenFile) {
    QTemporaryDir dir;
    const QString dat = dir.filePath("palist.dat"), bak = dir.filePath("palist.bak");
    PassFile p;
    QString error, message;
    ASSERT_TRUE(p.Load(dat, &error));
    EXPECT_EQ(ReadAll(dat), "");
    EXPECT_EQ(ModeOf(dat), 0600u);
    Set(p, 1, {"設定", "alice", "Tab", "Enter", "s3cret"});
    ASSERT_TRUE(p.SavePass(1, dat, bak, &message));
    const QByteArray golden = QByteArray(9 * 512, '\0') + Padded("\x90\xdd\x92\xe8", 100) + Padded("alice", 50) + Padded("Tab", 18) +
                              Padded("Enter", 18) + Padded("s3cret", 300) + QByteArray(26 + 23 * 512, '\0');
    EXPECT_EQ(ReadAll(dat), golden);
    EXPECT_EQ(ReadAll(bak), QByteArray(33 * 512, '\0'));
    EXPECT_EQ(ModeOf(bak), 0600u);
    PassFile again;  // a second save without changes keeps the file and backs it up
    ASSERT_TRUE(again.Load(dat, &error));
    ASSERT_TRUE(again.SavePass(1, dat, bak, &message));
    EXPECT_EQ(ReadAll(dat), golden);
    EXPECT_EQ(ReadAll(bak), golden);
}

// A save commits the backup first, then the data file; a failure of either leaves the data file as it was.
TEST(PassFile, SaveCommitsTheBackupThenTheDataFile) {
    const struct { bool prepareBackup; const char* message; QByteArray backup; } rows[] = {
        {false, "B failed\n: not written", "old backup"},
        {true, "D failed\nd/palist.dat: Is a directory", "old backup" + QByteArray(1014, '\0') + QByteArray(512, 'n')}};
    const QString home = QDir::currentPath();
    for (const auto& row : rows) {
        QTemporaryDir dir;
        QDir::setCurrent(dir.path());
        ASSERT_TRUE(QDir().mkdir("d") && WriteAll("d/palist.dat", "old data") && WriteAll("palist.bak", "old backup"));
        noterecord::PendingFile backup, data;
        QString error, message;
        ASSERT_TRUE(noterecord::PrepareRecords("d/palist.dat", 3, {QByteArray(512, 'n')}, 0600, &data, &error));
        ASSERT_TRUE(!row.prepareBackup || noterecord::PrepareRecords("palist.bak", 3, {QByteArray(512, 'n')}, 0600, &backup, &error));
        // Between the two renames, a folder takes the data file's place.
        ASSERT_TRUE(QFile::remove("d/palist.dat") && QDir().mkpath("d/palist.dat/x"));
        EXPECT_FALSE(noterecord::CommitBackupThenData(&backup, &data, "B failed", "D failed", &message));
        EXPECT_EQ(message.replace('\r', '\n'), row.message);
        EXPECT_EQ(ReadAll("palist.bak"), row.backup);
        EXPECT_TRUE(QFileInfo::exists("d/palist.dat/x"));
        QDir::setCurrent(home);
    }
}

TEST(EntryCaption, StripsLeadingBlanksPadsOrCutsToTwelveAndShowsAmpersands) {
    const char* rows[][2] = {{"", "(None)"}, {"Mail", "Mail        "}, {"   Twenty characters!", "Twenty chara"},
                             {"R&D", "R&&D         "}, {"銀行のオンラインバンキング", "銀行のオンラインバンキン"}};
    for (auto [name, caption] : rows) EXPECT_EQ(LumPass::EntryCaption(QString::fromUtf8(name)), QString::fromUtf8(caption));
}

TEST(WaitFor, EndsOnTimeAcrossMidnightAndLetsEventsRun) {
    FakeServices fakes;
    auto* clock = Install<SteppingClock>(Services::Get().clock);
    clock->now = 86399.6;
    bool ran = false;
    int depth = -1;
    QTimer::singleShot(0, [&] { ran = true; });
    clock->onRead = [&] { depth = PauseScope::Depth(); };
    Wait(1);
    EXPECT_TRUE(ran);
    EXPECT_EQ(depth, 1);
    EXPECT_NEAR(clock->now, 0.6, 0.26);
}

namespace {

// The notebook in a folder of its own, typing to a recorder.
class Notebook : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString home = QDir::currentPath();
    FakeServices fakes;
    SteppingClock* clock = Install<SteppingClock>(Services::Get().clock);
    Typist* typist = Install<Typist>(Services::Get().keySender);

    void SetUp() override { QDir::setCurrent(dir.path()), typist->clock = clock; }
    void TearDown() override {
        Forms::Unload<LumPass>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QDir::setCurrent(home);
    }
    LumPass& Open(const std::vector<Texts>& entries, int first = 1) {
        QByteArray file(33 * 512, '\0');
        for (size_t i = 0; i < entries.size(); ++i) file.replace((8 + first + i) * 512, 512, Record(entries[i]));
        EXPECT_TRUE(WriteAll("palist.dat", file));
        return Forms::Show<LumPass>();
    }
    // Types entry button i; what was typed and the message shown, if any.
    QString Click(LumPass& w, int i) {
        typist->typed.clear();
        typist->last = clock->now;
        const qsizetype shown = fakes.messageBox->prompts.size();
        w.cmdNavi_Click(i);
        return typist->typed + (fakes.messageBox->prompts.size() > shown ? " / " + fakes.messageBox->prompts.last() : "");
    }
};

}  // namespace

TEST_F(Notebook, TypesLoginKeyPasswordKeyInOrderWithOneSecondPauses) {
    const struct { Texts entry; const char* typed; } rows[] = {
        {{"Mail", "alice", "Tab", "Enter", "pw"}, "|alice<ff09>|pw|<ff0d>"},
        {{"Mail", "alice", "(None)", "Enter", "a+b"}, "|alice|a+b|<ff0d>"},
        {{"Bank", "", "Tab", "tab", "pin"}, "|<ff09>|pin"},  // Tab even without a login name; "tab" is no key name
        {{"Bad", "alice", "Tab", "Enter", "{NOPE}"}, " / Nothing was typed: the password of \"Bad\" is not valid key notation.\n\"{NOPE}\" is not a known key name"},
        {{"Bad", "a+", "Tab", "Enter", "pw"}, " / Nothing was typed: the login name of \"Bad\" is not valid key notation.\na modifier (+ ^ %) at the end has no key to act on"}};
    std::vector<Texts> entries;
    for (const auto& row : rows) entries.push_back(row.entry);
    LumPass& w = Open(entries);
    clock->now = 86398;  // the pauses run across midnight
    for (int i = 0; i < int(std::size(rows)); ++i) EXPECT_EQ(Click(w, i), QString::fromUtf8(rows[i].typed)) << i;
    EXPECT_EQ(w.WindowState(), vbMinimized);

    // A click during the pauses starts no second sequence; the ways a sequence stops.
    int reads = 0;
    clock->onRead = [&] { if (reads++ == 2) w.cmdNavi_Click(1); };
    EXPECT_EQ(Click(w, 0), "|alice<ff09>|pw|<ff0d>");
    EXPECT_FALSE(w.IsTyping());
    clock->onRead = [&] { if (!typist->typed.isEmpty()) fakes.focus->info.window = 0x600001; };
    EXPECT_EQ(Click(w, 0), "|alice<ff09> / Typing stopped: the keyboard focus moved to another window.");
    clock->onRead = nullptr;
    typist->fail = true;
    EXPECT_EQ(Click(w, 0), " / Typing stopped: the X server refused");
}

// Keys go only to the application used before the notebook: asked for where the window manager
// leaves the keyboard elsewhere, never another window instead, never our own or the desktop.
TEST_F(Notebook, TypesOnlyIntoTheApplicationUsedBefore) {
    LumPass& w = Open({{"Mail", "alice", "(None)", "(None)", "pw"}});
    const QString none = " / Nothing was typed: no other application's window has the keyboard focus.";
    const struct { unsigned long before; FocusWindow::Info after; bool obeys; size_t activations; QString typed; } rows[] = {
        {0x400001, {0x400001, false, false}, true, 0, "|alice|pw"},  // the keyboard back by itself
        {0x400001, {0, false, false}, true, 1, "|alice|pw"},         // with nobody (fluxbox)
        {0x400001, {0x500001, true, false}, true, 1, "|alice|pw"},   // still on the notebook (i3)
        {0x400001, {0x600001, false, false}, false, 1,
         " / Nothing was typed: the keyboard did not come back to the application you were working in."},
        {0, {0x600001, false, false}, true, 0, "|alice|pw"},  // none known: the window active now
        {0, {0, false, false}, true, 0, none}, {0, {0x500001, true, false}, true, 0, none}, {0, {0x100, false, true}, true, 0, none}};
    for (const auto& row : rows) {
        fakes.focus->lastOther = row.before;
        fakes.focus->info = row.after;
        fakes.focus->windowManagerObeys = row.obeys;
        fakes.focus->activated.clear();
        EXPECT_EQ(Click(w, 0), row.typed) << row.after.window;
        EXPECT_EQ(fakes.focus->activated.size(), row.activations) << row.after.window;
    }
}

TEST_F(Notebook, PagesSetupFrameAndSave) {
    LumPass& w = Open({{"Bank & Co", "bob", "", "", ""}}, 12);
    EXPECT_EQ(w.cmdNavi[3]->text(), "(None)");
    EXPECT_FALSE(w.cmdNavi[3]->isEnabled() || w.cmdPrev->isEnabled());
    w.cmdNext_Click();
    EXPECT_EQ(w.cmdNavi[3]->text(), "Bank && Co   ");
    w.cmdNext_Click();
    w.cmdNext_Click();
    EXPECT_EQ(w.CurGroup, 2);
    EXPECT_FALSE(w.cmdNext->isEnabled());
    w.cmdPrev_Click();
    EXPECT_EQ(Click(w, 3), "|bob");

    // The frame widens the window and follows the entry, its button highlighted.
    const long width = w.Width();
    const QColor highlight(0x80, 0xFF, 0xFF);
    w.cmdSetup_Click();
    EXPECT_EQ(w.Width(), width + 2400);
    EXPECT_FALSE(w.frmSetup->isHidden() || w.cmdSetup->isEnabled());
    EXPECT_EQ(w.CurEntry, 1);
    EXPECT_EQ(w.CurGroup, 0);
    EXPECT_FALSE(w.cmdSetPrev->isEnabled());
    EXPECT_EQ(w.CombLog->currentText() + w.CombPass->currentText(), "TabEnter");
    for (int i = 0; i < 10; ++i) w.cmdSetNext_Click();
    w.cmdPrev_Click();  // entry 11 -> entry 3
    EXPECT_EQ(w.CurEntry, 3);
    EXPECT_EQ(w.cmdNavi[2]->palette().color(QPalette::Button), highlight);
    EXPECT_NE(w.cmdNavi[0]->palette().color(QPalette::Button), highlight);
    w.cmdNext_Click();
    w.cmdNext_Click();
    for (int i = 0; i < 5; ++i) w.cmdSetNext_Click();
    EXPECT_EQ(w.CurEntry, 24);
    EXPECT_FALSE(w.cmdSetNext->isEnabled());
    w.Move(w.Left(), w.Top(), width + 600, w.Height());  // narrowed by hand: the button column stays whole
    w.cmdCancel_Click();
    EXPECT_EQ(w.Width(), width);
    EXPECT_TRUE(w.frmSetup->isHidden());

    // Save asks; No saves the file unchanged with its backup; a refused text keeps the frame open.
    w.cmdSetup_Click();
    w.AppName->setText("Mail");
    w.Password->setText("s3cret");
    w.cmdSave_Click();
    EXPECT_EQ(fakes.messageBox->prompts.last(), "Do you want to save the changes?");
    EXPECT_EQ(w.cmdNavi[7]->text(), "Mail        ");
    const QByteArray dat = ReadAll("palist.dat");
    EXPECT_EQ(dat.mid(32 * 512, 512), Record({"Mail", "", "Tab", "Enter", "s3cret"}));
    w.cmdSetup_Click();
    w.AppName->setText("Other");
    fakes.messageBox->answers = {vbNo};
    w.cmdSave_Click();
    EXPECT_EQ(ReadAll("palist.dat") + ReadAll("palist.bak"), dat + dat);
    w.cmdSetup_Click();
    w.LogInName->setText(QString(30, u'あ'));
    w.cmdSave_Click();
    EXPECT_EQ(fakes.messageBox->prompts.last(), "The login name is too long: at most 50 bytes can be stored. Nothing was saved.");
    EXPECT_FALSE(w.frmSetup->isHidden());
    EXPECT_EQ(w.Pass.Data(24, 2), "");
}

TEST_F(Notebook, AFailedLoadSaysSoOnceAndRefusesToSave) {
    ASSERT_TRUE(QDir().mkdir("palist.dat"));
    LumPass& w = Forms::Show<LumPass>();
    EXPECT_EQ(fakes.messageBox->prompts, QStringList("The password file could not be read, so the notebook is empty and "
                                                     "saving is turned off.\npalist.dat: Is a directory"));
    EXPECT_EQ(fakes.fileDialog->calls, QStringList{"open palist(.dat)|*.dat|Text(.txt)|*.txt|(*.*)|*.*"});
    w.cmdSetup_Click();
    w.AppName->setText("Mail");
    w.cmdSave_Click();
    EXPECT_EQ(fakes.messageBox->prompts.last(), "The password file could not be read, so nothing was saved (the stored "
                                                "entries are kept). Close and reopen the notebook to try again.");
    EXPECT_FALSE(QFile::exists("palist.bak"));
}
