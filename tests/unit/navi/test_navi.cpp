#include "../zoom/ZoomFakes.h"
#include "Fakes.h"
#include "Files.h"
#include "Forms.h"
#include "LumNavi.h"
#include "NaviFakes.h"
#include "NaviMod.h"
#include "Timer.h"

#include <QTest>
#include <QtWidgets>
#include <gtest/gtest.h>

namespace {

// A note record: title, comment, and fields 2, 3 and 6, which the notes never change.
QByteArray Note(const QByteArray& title, const QByteArray& comment, const QByteArray& f2 = {},
                const QByteArray& f3 = {}, const QByteArray& f6 = {}) {
    return Padded(title, 100) + Padded(f2, 50) + Padded(f3, 36) + Padded(comment, 300) + Padded(f6, 26);
}
QByteArray Record(int k) { return ReadAll("navilist.dat").mid((9 + k - 1) * 512, 512); }

// A folder of its own, over a scripted desktop of 800 x 600 pixels.
struct Notes : ::testing::Test {
    QTemporaryDir dir;
    QString oldDir = QDir::currentPath();
    FakeServices fakes;
    ZoomFakes zoom;
    FakeDesktopWindows* desktop = new FakeDesktopWindows;
    QStringList& prompts = fakes.messageBox->prompts;

    Notes() { QDir::setCurrent(dir.path()); Services::Get().desktopWindows.reset(desktop); }
    ~Notes() override {
        Forms::Unload<LumNavi>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QDir::setCurrent(oldDir);
    }
    // The notes window over notes "Editor" 1 and 2, "App 3" and on; an unreadable file when notes < 0.
    LumNavi& Open(int notes) {
        QByteArray file(4608, '\0');
        for (int i = 1; i <= notes; ++i)
            file += Note(i < 3 ? "Editor" : "App " + QByteArray::number(i), "note " + QByteArray::number(i));
        QFile::remove("navilist.dat");
        EXPECT_TRUE(notes < 0 ? QDir().mkdir("navilist.dat") : WriteAll("navilist.dat", file));
        return Forms::Show<LumNavi>();
    }
    uint32_t Own() { return uint32_t(Forms::Get<LumNavi>().winId()); }
};

}  // namespace

TEST_F(Notes, SavingKeepsFieldsWithTheirRecordsAndNothingAfterAFailedLoad) {
    QString error, message;
    QByteArray file = QByteArray(4608, '\0') + Note("  One", "first", " x2", "x3", "x6") + Note("Two", "2", "y2");
    file += QByteArray(100, '\0') + Padded("z2", 50) + QByteArray(36, '\0') + Padded("orphan", 326);  // no title
    ASSERT_TRUE(WriteAll("navilist.dat", file + Note("Three", "third")));
    NotesFile notes;
    ASSERT_TRUE(notes.FileToData("navilist.dat", &error));
    EXPECT_EQ(QStringList({notes.Title(1), notes.Title(3), notes.Comment(4)}), QStringList({"One", "", "third"}));
    ASSERT_TRUE(notes.SaveNotes({"One", "Three"}, {"first", "third"}, "navilist.dat", "navilist.bak", &message));
    // Two removed: fields 2, 3 and 6 stay with their record, left-aligned; zero bytes come back blank.
    const QByteArray saved[] = {Note("One", "first", "x2", "x3", "x6"), Note("Three", "third", "y2"),
                                Note("", "", "z2"), QByteArray(512, ' ')};
    for (int k = 1; k <= 4; ++k) EXPECT_EQ(Record(k), saved[k - 1]) << k;

    ASSERT_TRUE(QFile::remove("navilist.dat") && QDir().mkdir("navilist.dat"));  // unreadable: saving is refused
    EXPECT_FALSE(notes.FileToData("navilist.dat", &error));
    EXPECT_FALSE(notes.SaveNotes({"A"}, {"a"}, "navilist.dat", "navilist.bak", &message));
    EXPECT_EQ(message, NotesFile::NotLoadedMessage());
    ASSERT_TRUE(NotesFile().FileToData("new.dat", &error));  // a missing file is made
    EXPECT_EQ(ModeOf("new.dat"), noterecord::DefaultFileMode());
}

TEST(NotesFile, SaysWhyATitleOrCommentCannotBeStored) {
    const QString kanji(50, u'漢');  // 100 bytes in CP932
    const QString tooLong = "The window title is too long: at most 100 bytes can be stored. Nothing was saved.";
    const struct { QString title, comment, why; } cases[] = {
        {QString(100, 'a'), QString(300, 'b'), ""}, {kanji, "", ""},
        {"Page — Mozilla Firefox", "A〜B 1 − 2 ¢£¬‖", ""},  // read back as other characters, found all the same
        {QString(101, 'a'), "x", tooLong}, {kanji + "a", "x", tooLong},
        {"x", QString(301, 'b'), "The comment is too long: at most 300 bytes can be stored. Nothing was saved."},
        {"x", "ok 😀", "The comment holds characters that cannot be stored in the file: 😀 Nothing was saved."}};
    for (const auto& c : cases)
        EXPECT_EQ(NotesFile::CheckNote(c.title, c.comment), c.why) << c.title.toStdString();
}

// The last of the first 24 titles that the file stores as it stores the title in front.
TEST(FrontTask, MatchesTitlesAsTheFileStoresThem) {
    const QStringList mail{"Mail", "mail", "Mail ", "Other"}, late = QStringList(24, "x") << "Late";
    const struct { QStringList titles; QString title; int index; } cases[] = {
        {mail, "Mail", 3}, {mail, "mail", 2}, {mail, "Mai", 0}, {mail, "", 0}, {{"", "App"}, "", 0},
        {late, "Late", 0}, {late, "x", 24}, {{"Café"}, "Caf?", 0},  // no CP932 form: matches nothing
        {{"Page ― Mozilla Firefox A～B 1 － 2 ￠￡￢∥ ログイン"}, "Page — Mozilla Firefox A〜B 1 − 2 ¢£¬‖ ログイン", 1}};
    for (const auto& c : cases) EXPECT_EQ(MatchTitle(c.titles, c.title), c.index) << c.title.toStdString();
    EXPECT_EQ(noterecord::ReadBack(cases[8].title), cases[8].titles[0]);
}

// Down the stack to the first visible, bordered, titled window that is not ours (its handle
// read afresh at each step), reading titles only of such windows.
TEST(FrontTask, TakesTheHighestVisibleBorderedTitledWindowThatIsNotOurs) {
    constexpr uint32_t own = 7, App = FakeDesktopWindows::App;
    const struct { std::vector<FakeDesktopWindows::Window> stack; QString title; int titleReads; } cases[] = {
        {{{own, App, "Notes"}, {1, WS_VISIBLE, "Tip"}, {2, WS_BORDER, "Hidden"}, {3, App, ""}, {4, App, "Mail"},
          {5, App, "Below"}}, "Mail", 2},
        {{{3, App, "", true}, {4, App, "Mail"}}, "", 1}};  // destroyed as the walk passes it
    for (const auto& c : cases) {
        auto* desktop = new FakeDesktopWindows;
        Services::Get().desktopWindows.reset(desktop);
        desktop->stack = c.stack;
        int ownReads = 0;
        EXPECT_EQ(FrontTaskTitle([&] { ++ownReads; return own; }), c.title);
        EXPECT_EQ(desktop->titleReads, c.titleReads);
        EXPECT_GE(ownReads, c.titleReads);
    }
}

TEST_F(Notes, WatchesPopsUpWithTheLaterNoteDeletesOnlyItAndBrowses) {
    LumNavi& w = Open(3);
    w.SetWindowState(vbNormal);  // the window manager shows it again at once: not the user
    EXPECT_TRUE(w.tmrFind->Enabled());
    desktop->Front("Terminal");
    w.tmrFind_Timer();
    EXPECT_TRUE(w.WindowState() == vbMinimized && !w.FrameNoTask->isHidden());
    desktop->stack.push_back({Own(), FakeDesktopWindows::App, "Navigation Notes"});
    w.tmrFind_Timer();  // still up: the window manager passed over the request, so it is asked again
    EXPECT_EQ(desktop->minimised, std::vector<uint32_t>{Own()});

    desktop->Front("Editor");
    w.tmrFind_Timer();
    EXPECT_EQ(w.lblCmnt->text(), "note 2");
    EXPECT_EQ(desktop->restored, std::vector<uint32_t>{Own()});  // quietly first
    w.RemoveCheck->setChecked(true);
    w.RemoveCheck->setChecked(true);  // before the next tick position 2 holds another note: kept
    EXPECT_FALSE(w.RemoveCheck->isChecked());
    EXPECT_EQ(Record(2), Note("App 3", "note 3"));
    w.tmrFind_Timer();
    EXPECT_EQ(w.lblCmnt->text(), "note 1");

    desktop->stack.clear();
    w.tmrFind_Timer();
    QTest::qWait(500);  // the user restores it, a while after it was minimised
    w.SetWindowState(vbNormal);
    EXPECT_TRUE(!w.FrameList->isHidden() && !w.tmrFind->Enabled());
    w.lstApp->setCurrentIndex(1);
    w.lstApp_Click();
    EXPECT_EQ(w.ViewCmnt->text(), "note 3");
    w.cmdRefresh_Click(0);
    EXPECT_TRUE(w.tmrFind->Enabled());
}

// A note is written for the application in front, or refused with the reason, keeping the text.
TEST_F(Notes, WritesANoteOrSaysWhyNot) {
    const struct { int stored; const char *front, *comment, *why; } cases[] = {
        {0, "Editor", "メモ", ""}, {0, "Editor", "", "Enter Comment First"},
        {24, "New", "one too many", "All 24 notes are in use: delete one before adding another. Nothing was saved."},
        {0, "", "x", "No application window was found to attach the note to. Nothing was saved."},
        {0, "Café — x", "x",
         "The window title holds characters that cannot be stored in the file: é — Nothing was saved."},
        {-1, "Editor", "x",
         "The notes file could not be read when this window opened, so nothing was saved or deleted (the stored "
         "notes are kept). Close and reopen the notes window to try again."}};
    for (const auto& c : cases) {
        LumNavi& w = Open(c.stored);
        const QByteArray before = ReadAll("navilist.dat");
        desktop->stack.clear();
        if (*c.front) desktop->Front(c.front);
        w.tmrFind_Timer();
        w.tmrFind->SetEnabled(false);  // as when the user restores it to write
        w.txtCmnt->setPlainText(c.comment);
        w.cmdSave_Click(0);
        const bool saved = !*c.why;
        if (c.stored < 0) {
            EXPECT_TRUE(prompts.takeFirst().startsWith("The notes file could not be read, so no notes are shown and "
                                                       "saving is turned off until the window is opened again.\n"));
            EXPECT_EQ(fakes.fileDialog->calls, QStringList{"open navilist(.dat)|*.dat|Text(.txt)|*.txt|(*.*)|*.*"});
        }
        EXPECT_EQ(prompts, saved ? QStringList() : QStringList{c.why});
        EXPECT_TRUE(w.tmrFind->Enabled() && w.lstApp->count() == std::max(c.stored, 0) + saved);
        EXPECT_EQ(w.txtCmnt->toPlainText(), saved ? "" : c.comment);
        EXPECT_EQ(w.lblCmnt->text(), saved ? "メモ" : w.lblCmnt->text());
        const QByteArray written = before.left(4608) + Note("Editor", "\x83\x81\x83\x82") + QByteArray(23 * 512, ' ');
        EXPECT_EQ(ReadAll("navilist.dat"), saved ? written : before);  // the comment in CP932
        EXPECT_EQ(QFile::exists("navilist.bak"), saved);
        prompts.clear();
        Forms::Unload<LumNavi>();
        QFile::remove("navilist.bak");
    }
}
