#include "LumNavi.h"
#include "NaviMod.h"
#include "Support.h"
#include "Timer.h"

#include <QTest>
#include <QtWidgets>

namespace {

constexpr uint32_t App = FakeDesktopWindows::App;

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
};

}  // namespace

// Fields 2, 3 and 6 stay in their record when the notes move up.
TEST_F(Notes, SaveKeepsOtherFieldsNotAfterAFailedLoad) {
    const auto record = [](QByteArray title, const char* f2, QByteArray comment) {
        return Record<QByteArray>({title, f2, "x3", QByteArray(18, ' '), comment, "x6"});
    };
    WriteAll("a.dat", DataFile({record("  One\x81", "x2", "1"), record("Two", "y2", "2"), record("", "z2", "3")}));
    NotesFile notes;
    QString error;
    ASSERT_TRUE(notes.FileToData("a.dat", &error));
    EXPECT_EQ(notes.Title(1), "One\uFFFD");  // an undecodable byte shows
    ASSERT_TRUE(notes.SaveNotes({"One", "Three"}, {"1", "3"}, "a.dat", "a.bak", &error));
    EXPECT_EQ(ReadAll("a.dat").mid(9 * 512, 3 * 512),  // a comment without a title goes
              record("One", "x2", "1") + record("Three", "y2", "3") +
                  record(QByteArray(100, ' '), "z2", QByteArray(300, ' ')));

    ASSERT_TRUE(QDir().mkdir("bad.dat"));
    EXPECT_FALSE(notes.FileToData("bad.dat", &error));
    EXPECT_FALSE(notes.SaveNotes({"A"}, {"a"}, "new.dat", "new.bak", &error));  // the notes were never read
    ASSERT_TRUE(!QFile::exists("new.dat") && notes.FileToData("new.dat", &error));  // a missing file is made
    EXPECT_EQ(ModeOf("new.dat"), noterecord::DefaultFileMode());
}

// The last of the first 24 titles stored as the title in front would be.
TEST(NaviMod, MatchTitleAsTheFileStoresTitles) {
    const QStringList late = QStringList(24, "x") << "Late";
    const std::tuple<QStringList, QString, int> rows[] = {
        {late, "x", 24},
        {late, "Late", 0},
        {{"Mail"}, "Mai", 0},
        {{"", "App"}, "", 0},
        {{"Café"}, "Caf?", 0},  // no stored form: matches nothing
        {{"Page ― Firefox "}, "Page — Firefox", 1},
    };
    for (const auto& [titles, title, index] : rows) EXPECT_EQ(MatchTitle(titles, title), index) << title;
}

// Notes for the first visible, bordered, titled window down the stack that is not ours.
TEST_F(Notes, PopsUpWithTheLaterNoteDeletesOnlyItAndBrowses) {
    LumNavi& w = Open(3);
    const uint32_t own = uint32_t(w.winId());
    w.SetWindowState(vbNormal);  // the window manager, not the user: at once
    EXPECT_TRUE(w.tmrFind->Enabled());
    desktop->stack = {{own, App, "Editor"}, {0x7001, WS_VISIBLE, "Editor"}, {0x7002, WS_BORDER, "Editor"},
                      {0x7003, App, ""}, {0x7004, App, "Terminal"}};
    w.tmrFind_Timer();
    EXPECT_TRUE(w.WindowState() == vbMinimized && !w.FrameNoTask->isHidden());
    w.tmrFind_Timer();  // the window manager passed over it: asked again
    EXPECT_EQ(desktop->minimised, std::vector<uint32_t>{own});

    desktop->Front("Editor");
    w.tmrFind_Timer();
    EXPECT_EQ(w.lblCmnt->text(), "note 2");
    EXPECT_EQ(desktop->restored, std::vector<uint32_t>{own});  // quietly first
    w.RemoveCheck->setChecked(true);
    w.RemoveCheck->setChecked(true);  // position 2 now holds another note: kept
    EXPECT_EQ(ReadAll("navilist.dat").mid(10 * 512, 512), Note<QByteArray>("App 3", "note 3"));
    w.tmrFind_Timer();
    EXPECT_EQ(w.lblCmnt->text(), "note 1");

    desktop->stack = {{0x7003, App, "", true}, {0x7004, App, "Editor"}};  // gone as the walk passes it
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
    const QByteArray written = QByteArray(9 * 512, '\0') + Note<QByteArray>("Editor", "\x83\x81\x83\x82");
    const std::tuple<int, QString, QString, QString> rows[] = {
        {0, "Editor", "メモ", ""},
        {0, "Editor", "", "Enter Comment First"},
        {24, "New", "x", "All 24 notes"},
        {0, "", "x", "No application window"},
        {0, "Café", "x", "The window title holds characters that cannot be stored in the file: é"},
        {-1, "Editor", "x", "The notes file could not be read when"},
    };
    for (const auto& [stored, front, comment, why] : rows) {
        LumNavi& w = Open(stored);
        const QByteArray before = ReadAll("navilist.dat");
        messageBox->prompts.clear();
        desktop->stack = {{0x7001, App, front}};
        w.tmrFind_Timer();
        w.txtCmnt->setPlainText(comment);
        w.cmdSave_Click(0);
        const QStringList& said = messageBox->prompts;
        EXPECT_TRUE(why.isEmpty() ? said.isEmpty() : said.size() == 1 && said[0].startsWith(why)) << why;
        EXPECT_EQ(w.txtCmnt->toPlainText(), why.isEmpty() ? "" : comment);
        EXPECT_EQ(ReadAll("navilist.dat"), why.isEmpty() ? written + QByteArray(23 * 512, ' ') : before);
        EXPECT_EQ(QFile::exists("navilist.bak"), why.isEmpty());
        Forms::Unload<LumNavi>();
        QFile::remove("navilist.bak");
    }
}
