#include "LumNavi.h"
#include "NaviMod.h"
#include "Support.h"
#include "Timer.h"

#include <QTest>
#include <QtWidgets>

namespace {

QByteArray NoteAt(int k) { return ReadAll("navilist.dat").mid((9 + k - 1) * 512, 512); }

struct Notes : InFolder {
    // Over notes "Editor" 1 and 2, "App 3" and on; an unreadable file when notes < 0.
    LumNavi& Open(int notes) {
        QList<QByteArray> records;
        for (int i = 1; i <= notes; ++i)
            records << Note<QByteArray>(i < 3 ? "Editor" : "App " + QByteArray::number(i),
                                        "note " + QByteArray::number(i));
        QFile::remove("navilist.dat");
        EXPECT_TRUE(notes < 0 ? QDir().mkdir("navilist.dat") : WriteAll("navilist.dat", DataFile(records)));
        return Forms::Show<LumNavi>();
    }
    uint32_t Own() { return uint32_t(Forms::Get<LumNavi>().winId()); }
};

}  // namespace

// Fields 2, 3 and 6 stay with their record when a note is deleted.
TEST_F(Notes, SavingKeepsFieldsWithTheirRecordsAndNothingAfterAFailedLoad) {
    const auto record = [](const char* title, const char* f2, const char* comment) {
        return Record<QByteArray>({title, f2, "x3", "", comment, "x6"});
    };
    WriteAll("navilist.dat", DataFile({record("  One\x81", "x2", "first"), record("Two", "y2", "2"),
                                       record("", "z2", "orphan"), record("Three", "", "third")}));
    NotesFile notes;
    QString error;
    ASSERT_TRUE(notes.FileToData("navilist.dat", &error));
    // A byte that starts no character shows as such; a note without a title is none.
    EXPECT_EQ(QStringList({notes.Title(1), notes.Title(3), notes.Comment(4)}), QStringList({"One\uFFFD", "", "third"}));
    ASSERT_TRUE(notes.SaveNotes({"One", "Three"}, {"first", "third"}, "navilist.dat", "navilist.bak", &error));
    const QByteArray blank(18, ' ');
    EXPECT_EQ(NoteAt(1), Record<QByteArray>({"One", "x2", "x3", blank, "first", "x6"}));
    EXPECT_EQ(NoteAt(2), Record<QByteArray>({"Three", "y2", "x3", blank, "third", "x6"}));
    EXPECT_EQ(NoteAt(3), Record<QByteArray>({QByteArray(100, ' '), "z2", "x3", blank, QByteArray(300, ' '), "x6"}));

    ASSERT_TRUE(QFile::remove("navilist.dat") && QDir().mkdir("navilist.dat"));
    EXPECT_FALSE(notes.FileToData("navilist.dat", &error));
    ASSERT_TRUE(QDir().rmdir("navilist.dat"));  // readable again, but the notes were never read
    EXPECT_FALSE(notes.SaveNotes({"A"}, {"a"}, "navilist.dat", "navilist.bak", &error));
    EXPECT_FALSE(QFile::exists("navilist.dat"));
    ASSERT_TRUE(notes.FileToData("new.dat", &error));  // a missing file is made
    EXPECT_EQ(ModeOf("new.dat"), noterecord::DefaultFileMode());
}

// The last of the first 24 titles stored as the title in front would be.
TEST(NaviMod, MatchTitleComparesTitlesAsTheFileStoresThem) {
    const QStringList mail{"Mail", "mail", "Mail ", "Other"}, late = QStringList(24, "x") << "Late";
    const struct {
        QStringList titles;
        QString title;
        int index;
    } rows[] = {
        {mail, "Mail", 3},
        {mail, "Mai", 0},
        {{"", "App"}, "", 0},
        {late, "Late", 0},
        {late, "x", 24},
        {{"Café"}, "Caf?", 0},  // no stored form: matches nothing
        {{"Page ― Firefox ～"}, "Page — Firefox 〜", 1},
    };
    for (const auto& row : rows) EXPECT_EQ(MatchTitle(row.titles, row.title), row.index) << row.title;
}

// The first visible, bordered, titled window down the stack that is not ours.
TEST(NaviMod, FrontTaskTitle) {
    constexpr uint32_t own = 7, App = FakeDesktopWindows::App;
    FakeServices fakes;
    fakes.desktop->stack = {{own, App, "Notes"}, {1, WS_VISIBLE, "Tip"}, {2, WS_BORDER, "Hidden"}, {3, App, ""},
                            {4, App, "Mail"}};
    EXPECT_EQ(FrontTaskTitle([] { return own; }), "Mail");
    fakes.desktop->stack = {{3, App, "", true}, {4, App, "Mail"}};  // destroyed as the walk passes it
    EXPECT_EQ(FrontTaskTitle([] { return own; }), "");
}

TEST_F(Notes, WatchesPopsUpWithTheLaterNoteDeletesOnlyItAndBrowses) {
    LumNavi& w = Open(3);
    w.SetWindowState(vbNormal);  // the window manager, not the user: at once
    EXPECT_TRUE(w.tmrFind->Enabled());
    desktop->Front("Terminal");
    w.tmrFind_Timer();
    EXPECT_TRUE(w.WindowState() == vbMinimized && !w.FrameNoTask->isHidden());
    desktop->stack.push_back({Own(), FakeDesktopWindows::App, "Navigation Notes"});
    w.tmrFind_Timer();  // the window manager passed over the request: asked again
    EXPECT_EQ(desktop->minimised, std::vector<uint32_t>{Own()});

    desktop->Front("Editor");
    w.tmrFind_Timer();
    EXPECT_EQ(w.lblCmnt->text(), "note 2");
    EXPECT_EQ(desktop->restored, std::vector<uint32_t>{Own()});  // quietly first
    w.RemoveCheck->setChecked(true);
    w.RemoveCheck->setChecked(true);  // position 2 now holds another note: kept
    EXPECT_EQ(NoteAt(2), Note<QByteArray>("App 3", "note 3"));
    w.tmrFind_Timer();
    EXPECT_EQ(w.lblCmnt->text(), "note 1");

    desktop->stack.clear();
    w.tmrFind_Timer();
    QTest::qWait(500);  // the user restores it a while later
    w.SetWindowState(vbNormal);
    EXPECT_TRUE(!w.FrameList->isHidden() && !w.tmrFind->Enabled());
    w.lstApp->setCurrentIndex(1);
    w.lstApp_Click();
    EXPECT_EQ(w.ViewCmnt->text(), "note 3");
    w.cmdRefresh_Click(0);
    EXPECT_TRUE(w.tmrFind->Enabled());
}

// A note for the application in front, or the reason, keeping the text.
TEST_F(Notes, WritesANoteOrSaysWhyNot) {
    const struct {
        int stored;
        QString front, comment, why;
    } rows[] = {
        {0, "Editor", "メモ", ""},
        {0, "Editor", "", "Enter Comment First"},
        {24, "New", "x", "All 24 notes are in use"},
        {0, "", "x", "No application window was found"},
        {0, "Café", "x", "The window title holds characters that cannot be stored in the file: é"},
        {-1, "Editor", "x", "The notes file could not be read when this window opened"},
    };
    for (const auto& row : rows) {
        LumNavi& w = Open(row.stored);
        const QByteArray before = ReadAll("navilist.dat");
        const QStringList& said = messageBox->prompts;
        messageBox->prompts.clear();
        desktop->stack.clear();
        if (!row.front.isEmpty()) desktop->Front(row.front);
        w.tmrFind_Timer();
        w.tmrFind->SetEnabled(false);  // as when the user restores it to write
        w.txtCmnt->setPlainText(row.comment);
        w.cmdSave_Click(0);
        const bool saved = row.why.isEmpty();
        EXPECT_TRUE(saved ? said.isEmpty() : said.size() == 1 && said[0].startsWith(row.why)) << row.why;
        EXPECT_EQ(w.txtCmnt->toPlainText(), saved ? "" : row.comment);
        const QByteArray written = DataFile({}).left(9 * 512) + Note<QByteArray>("Editor", "\x83\x81\x83\x82");
        EXPECT_EQ(ReadAll("navilist.dat"), saved ? written + QByteArray(23 * 512, ' ') : before);
        EXPECT_EQ(QFile::exists("navilist.bak"), saved);
        Forms::Unload<LumNavi>();
        QFile::remove("navilist.bak");
    }
}
