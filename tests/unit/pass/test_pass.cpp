#include "Fakes.h"
#include "Files.h"
#include "Forms.h"
#include "KeySender.h"
#include "LumPass.h"

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

// Moves on at every reading, so Wait ends without real time passing; onRead stands in for the user.
struct SteppingClock : FakeClock {
    std::function<void()> onRead;
    double SecondsOfDay() override {
        now = std::fmod(now + 0.5, 86400);
        if (onRead) onRead();
        return now;
    }
};

// What is typed, as text: '|' where a pause of a second or more came before, Shift as '+', named keys as <keysym>.
struct Typist : KeySender {
    SteppingClock* clock = nullptr;
    QString typed;
    double last = 0;
    bool fail = false;
    bool Send(const std::vector<KeyStroke>& strokes, QString* error) override {
        if (fail) return *error = "the X server refused", false;
        typed += std::fmod(clock->now - last + 86400, 86400) >= 1 ? "|" : "";
        last = clock->now;
        for (const KeyStroke& k : strokes)
            typed += QString(k.modifiers & KeyStroke::Shift ? "+" : "") + (k.character ? QString::fromUcs4(&k.character, 1) : QString("<%1>").arg(k.keysym, 0, 16));
        return true;
    }
};

}  // namespace

// Texts refused before saving, named with the characters; the application name is only a label.
TEST(PassFile, RefusesTextTheFileWouldNotGiveBack) {
    const struct { int field; const char* text; const char* why; } rows[] = {
        {5, "pw—x〜", "The password holds characters that the file gives back as others: — 〜"},
        {2, "−¢£¬‖", "The login name holds characters that the file gives back as others: − ¢ £ ¬ ‖"},
        {5, "pw ", "The password starts or ends with a blank, which the file does not keep."},
        {5, "pw😀", "The password holds characters that cannot be stored in the file: 😀"},
        {1, "A😀", "The application name holds characters that cannot be stored in the file: 😀"},
        {3, "Tab😀", "The key after the login name holds characters that cannot be stored in the file: 😀"},
        {4, "Enter Enter Enter Enter", "The key after the password is too long: at most 18 bytes can be stored."},
        {2, "ああああああああああああああああああああああああああ", "The login name is too long: at most 50 bytes can be stored."},
        {2, "あああああああああああああああああああああああああ", ""}, {5, "パス―～＄", ""}, {5, "a b", ""}, {1, "Mail — Firefox ", ""}};
    for (const auto& row : rows) {
        Texts t{"App", "alice", "Tab", "Enter", "pw"};
        t[row.field - 1] = QString::fromUtf8(row.text);
        EXPECT_EQ(PassFile::CheckTexts(t), QString::fromUtf8(row.why)) << row.text;
    }
}

// The first start makes an empty file; a save gives the golden bytes (Shift-JIS, space padded, zero bytes for empty
// fields), read back the same. In an existing file, the mode is kept, another entry's emptied field keeps its stored
// text, a text too long for the file is cut at a whole character, and no temporary file stays.
TEST(PassFile, StoredFormAndReadBack) {
    QTemporaryDir dir;
    const QString dat = dir.filePath("palist.dat"), bak = dir.filePath("palist.bak");
    PassFile p, again;
    QString error, message;
    ASSERT_TRUE(p.Load(dat, &error));
    EXPECT_EQ(ReadAll(dat) + QString::number(ModeOf(dat), 8), "600");
    for (int f = 1; f <= 5; ++f) p.Data(1, f) = Texts{"設定", "alice", "Tab", "Enter", ""}[f - 1];
    ASSERT_TRUE(p.SavePass(1, dat, bak, &message));
    const QByteArray golden = QByteArray(9 * 512, '\0') + Padded("\x90\xdd\x92\xe8", 100) + Padded("alice", 50) + Padded("Tab", 18) +
                              Padded("Enter", 18) + QByteArray(326 + 23 * 512, '\0');
    EXPECT_EQ(ReadAll(dat), golden);
    EXPECT_EQ(ReadAll(bak) + QString::number(ModeOf(bak), 8).toUtf8(), QByteArray(33 * 512, '\0') + "600");
    ASSERT_TRUE(again.Load(dat, &error) && again.SavePass(1, dat, bak, &message));
    EXPECT_EQ(again.Data(1, 1) + again.Data(1, 5), "設定");
    EXPECT_EQ(ReadAll(dat) + ReadAll(bak), golden + golden);

    ::chmod(QFile::encodeName(dat).constData(), 0644);
    again.Data(1, 2).clear();
    again.Data(2, 2) = "n" + QString(30, u'あ');
    ASSERT_TRUE(again.SavePass(3, dat, bak, &message)) << message.toStdString();
    EXPECT_EQ(ReadAll(dat).mid(9 * 512 + 100, 50), Padded("alice", 50));
    EXPECT_EQ(ReadAll(dat).mid(10 * 512 + 100, 50), "n" + QByteArray("\x82\xa0").repeated(24) + " ");  // あ
    EXPECT_EQ(again.Data(2, 2).size(), 31);
    EXPECT_EQ(ModeOf(dat), 0644u);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"palist.bak", "palist.dat"}));
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
        ASSERT_TRUE(QFile::remove("d/palist.dat") && QDir().mkpath("d/palist.dat/x"));  // between the renames, a folder in its place
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
    // Clicks entry button i: what was typed, and the message shown, if any.
    QString Click(LumPass& w, int i) {
        typist->typed.clear();
        typist->last = clock->now;
        const qsizetype shown = fakes.messageBox->prompts.size();
        w.cmdNavi_Click(i);
        return typist->typed + (fakes.messageBox->prompts.size() > shown ? " / " + fakes.messageBox->prompts.last() : "");
    }
};

}  // namespace

// Login name, key, password, key, with a second's pause before all but the first key; the whole entry is checked first.
TEST_F(Notebook, TypesInOrderWithPausesAndStopsWhenItMust) {
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

    int reads = 0, ran = 0;  // a pause lets events run, and a click meanwhile starts no second sequence
    QTimer::singleShot(0, [&] { ++ran; });
    clock->onRead = [&] { (reads++ == 2 ? w.cmdNavi_Click(1) : void()), ran += 10 * (PauseScope::Depth() != 1); };
    const QString typed = Click(w, 0);
    EXPECT_EQ(typed + QString::number(ran), "|alice<ff09>|pw|<ff0d>1");
    EXPECT_FALSE(w.IsTyping());
    clock->onRead = [&] { if (!typist->typed.isEmpty()) fakes.focus->info.window = 0x600001; };
    EXPECT_EQ(Click(w, 0), "|alice<ff09> / Typing stopped: the keyboard focus moved to another window.");
    clock->onRead = nullptr;
    typist->fail = true;
    EXPECT_EQ(Click(w, 0), " / Typing stopped: the X server refused");
}

// Keys go only to the application used before the notebook, never another window instead, never ours or the
// desktop. (Where the window manager hands the keyboard back itself, to nobody or to the notebook, pass_desktop shows.)
TEST_F(Notebook, TypesOnlyIntoTheApplicationUsedBefore) {
    LumPass& w = Open({{"Mail", "alice", "(None)", "(None)", "pw"}, {"", "carol", "Tab", "Enter", "pw"}});
    EXPECT_EQ(w.cmdNavi[1]->text() + QString::number(w.cmdNavi[1]->isEnabled()), "(None)0");  // no name, no typing
    const QString none = " / Nothing was typed: no other application's window has the keyboard focus.";
    const struct { unsigned long before; FocusWindow::Info after; bool obeys; size_t activations; QString typed; } rows[] = {
        {0x400001, {0x600001, false, false}, false, 1, " / Nothing was typed: the keyboard did not come back to the application you were working in."},
        {0x400001, {0, false, false}, true, 1, "|alice|pw"},  // asked for where nobody has the keyboard
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
    EXPECT_FALSE(w.cmdNavi[3]->isEnabled() || w.cmdPrev->isEnabled());
    w.cmdNext_Click(), w.cmdNext_Click(), w.cmdNext_Click();
    EXPECT_EQ(w.CurGroup, 2);
    EXPECT_FALSE(w.cmdNext->isEnabled());
    w.cmdPrev_Click();
    EXPECT_EQ(w.cmdNavi[3]->text(), "Bank && Co   ");
    EXPECT_EQ(Click(w, 3), "|bob");

    // The frame widens the window and follows the entry, its button highlighted; an empty entry offers Tab and Enter.
    const long width = w.Width();
    w.cmdSetup_Click();
    EXPECT_EQ(w.Width(), width + 2400);
    EXPECT_FALSE(w.frmSetup->isHidden() || w.cmdSetup->isEnabled() || w.cmdSetPrev->isEnabled());
    EXPECT_EQ(QString::number(w.CurEntry) + w.CombLog->currentText() + w.CombPass->currentText(), "1TabEnter");
    EXPECT_EQ(w.CombLog->insertPolicy(), QComboBox::NoInsert);  // key names stay as listed: typing compares them
    for (int i = 0; i < 10; ++i) w.cmdSetNext_Click();
    w.cmdPrev_Click();  // entry 11 -> entry 3
    EXPECT_EQ(w.CurEntry, 3);
    EXPECT_EQ(w.cmdNavi[2]->palette().color(QPalette::Button), QColor(0x80, 0xFF, 0xFF));
    EXPECT_NE(w.cmdNavi[0]->palette().color(QPalette::Button), QColor(0x80, 0xFF, 0xFF));
    w.cmdNext_Click(), w.cmdNext_Click();
    for (int i = 0; i < 5; ++i) w.cmdSetNext_Click();
    EXPECT_EQ(w.CurEntry, 24);
    EXPECT_FALSE(w.cmdSetNext->isEnabled());
    w.Move(w.Left(), w.Top(), width + 600, w.Height());  // narrowed by hand: the button column stays whole
    w.cmdCancel_Click();
    EXPECT_EQ(w.Width(), width);

    // Save asks; No saves the file unchanged with its backup; a refused text keeps the frame open.
    w.cmdSetup_Click();
    w.AppName->setText("Mail");
    w.Password->setText("s3cret");
    w.cmdSave_Click();
    EXPECT_EQ(fakes.messageBox->prompts.last(), "Do you want to save the changes?");
    EXPECT_EQ(w.cmdNavi[7]->text() + QString::number(w.frmSetup->isHidden()), "Mail        1");
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
    EXPECT_EQ(QString::number(w.frmSetup->isHidden()) + w.Pass.Data(24, 2), "0");
}

TEST_F(Notebook, AFailedLoadSaysSoOnceAndRefusesToSave) {
    ASSERT_TRUE(QDir().mkdir("palist.dat"));
    LumPass& w = Forms::Show<LumPass>();
    EXPECT_EQ(fakes.fileDialog->calls, QStringList{"open palist(.dat)|*.dat|Text(.txt)|*.txt|(*.*)|*.*"});
    w.cmdSetup_Click();
    w.AppName->setText("Mail");
    w.cmdSave_Click();
    EXPECT_EQ(fakes.messageBox->prompts, QStringList({"The password file could not be read, so the notebook is empty and saving is "
                                                      "turned off.\npalist.dat: Is a directory", "Do you want to save the changes?",
                                                      "The password file could not be read, so nothing was saved (the stored "
                                                      "entries are kept). Close and reopen the notebook to try again."}));
    EXPECT_FALSE(QFile::exists("palist.bak"));
}
