#include "../zoom/ZoomFakes.h"
#include "Fakes.h"
#include "Files.h"
#include "Forms.h"
#include "LumNavi.h"
#include "NaviFakes.h"
#include "NaviMod.h"
#include "Timer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QByteArray NoteRecord(const QByteArray& title, const QByteArray& comment) {
    return Padded(title, 100) + QByteArray(86, ' ') + Padded(comment, 300) + QByteArray(26, ' ');
}

// The notes window in a folder of its own, over a scripted desktop of 800 x 600 pixels.
class Notes : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString oldDir = QDir::currentPath();
    FakeServices fakes;
    FakeDesktopWindows* desktop = nullptr;

    void SetUp() override {
        QDir::setCurrent(dir.path());
        Services& s = Services::Get();
        s.desktopWindows = std::make_unique<FakeDesktopWindows>();
        desktop = static_cast<FakeDesktopWindows*>(s.desktopWindows.get());
        s.screenGrabber = std::make_unique<FakeScreenGrabber>();
    }
    void TearDown() override {
        Forms::Unload<LumNavi>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QDir::setCurrent(oldDir);
    }

    void Store(const QList<QPair<QByteArray, QByteArray>>& notes) {
        QByteArray file(4608, '\0');
        for (const auto& [title, comment] : notes) file += NoteRecord(title, comment);
        ASSERT_TRUE(WriteAll("navilist.dat", file));
    }
    LumNavi& Open() { return Forms::Show<LumNavi>(); }
    QByteArray StoredNote(int k) { return ReadAll("navilist.dat").mid((9 + k - 1) * 512, 512); }
    uint32_t Own(LumNavi& w) { return uint32_t(w.winId()); }
    QFrame* Shown(LumNavi& w) {
        for (QFrame* f : {w.FrameFind, w.FrameNoTask, w.FrameList})
            if (!f->isHidden()) return f;
        return nullptr;
    }
    // The user restores the minimised window, a while after it was minimised (a change at
    // once is the window manager's answer).
    void Restore(LumNavi& w) {
        QTest::qWait(500);
        w.SetWindowState(vbNormal);
        QCoreApplication::processEvents();
    }
};

}  // namespace

TEST_F(Notes, StartsMinimisedAndPreparesTheFrameForWhatIsInFront) {
    LumNavi& w = Open();
    EXPECT_TRUE(QFile::exists("navilist.dat"));
    EXPECT_EQ(w.WindowState(), vbMinimized);
    EXPECT_TRUE(w.tmrFind->Enabled());
    EXPECT_EQ(w.tmrFind->Interval(), 700);
    EXPECT_EQ(w.lstApp->count(), 0);
    w.SetWindowState(vbNormal);  // the window manager shows it again at once: not the user
    EXPECT_TRUE(w.tmrFind->Enabled());

    desktop->Front("Editor");
    w.tmrFind_Timer();
    EXPECT_EQ(TaskTitle, "Editor");
    EXPECT_EQ(Shown(w), w.FrameNoTask);
    EXPECT_EQ(w.Caption(), "Navigation Notes");
    EXPECT_EQ(w.WindowState(), vbMinimized);
    ASSERT_FALSE(desktop->topMost.empty());
    EXPECT_EQ(desktop->topMost.back(), std::make_pair(Own(w), false));

    desktop->stack.clear();
    w.tmrFind_Timer();
    EXPECT_EQ(Shown(w), w.FrameList);
    EXPECT_TRUE(desktop->restored.empty());
    EXPECT_TRUE(desktop->minimised.empty());

    // Up on the screen although Qt takes it for minimised: the window manager passed over
    // the request, so it is asked again.
    desktop->stack.push_back({Own(w), FakeDesktopWindows::App, "Navigation Notes"});
    w.tmrFind_Timer();
    EXPECT_EQ(desktop->minimised, std::vector<uint32_t>{Own(w)});
}

TEST_F(Notes, PopsUpOnTopInTheCornerWithTheLaterNoteAndGoesAwayAgain) {
    Store({{"Editor", "old note"}, {"Other", "x"}, {"Editor", "press F5 to run"}});
    LumNavi& w = Open();
    desktop->Front("Editor");
    auto* focus = static_cast<FakeFocusWindow*>(Services::Get().focusWindow.get());
    focus->lastOther = 0x400001;
    w.tmrFind_Timer();
    EXPECT_EQ(w.TaskIndex, 3);
    // A quiet restore is asked for first; this window manager ignores it, so the window
    // is restored the usual way a moment later.
    EXPECT_EQ(desktop->restored, std::vector<uint32_t>{Own(w)});
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.WindowState() == vbNormal; }, 2000));
    EXPECT_EQ(Shown(w), w.FrameFind);
    EXPECT_EQ(w.Caption(), "Notes: Editor");
    EXPECT_EQ(w.lblCmnt->text(), "press F5 to run");
    EXPECT_EQ(desktop->topMost.back(), std::make_pair(Own(w), true));
    EXPECT_NEAR(w.Left(), 800 * 15 - w.Width() - 700, 15);
    EXPECT_NEAR(w.Top(), 600 * 15 - w.Height() - 700, 15);
    // Restored the usual way, it gets activated: the keyboard goes back to the application.
    EXPECT_TRUE(QTest::qWaitFor([&] { return focus->activated == std::vector<unsigned long>{0x400001}; }, 2000));

    w.Move(0, 0);  // the user moves it away: the next tick puts it back
    w.tmrFind_Timer();
    EXPECT_NEAR(w.Left(), 800 * 15 - w.Width() - 700, 15);

    desktop->Front("Terminal");
    w.tmrFind_Timer();
    EXPECT_EQ(w.WindowState(), vbMinimized);
    EXPECT_EQ(w.Caption(), "Navigation Notes");
    EXPECT_EQ(desktop->topMost.back(), std::make_pair(Own(w), false));
    EXPECT_TRUE(w.tmrFind->Enabled());
}

// A tiling window manager cannot minimise: the window stays up in the corner, its normal
// state is no sign of the user, and while the user works in it, it keeps the application.
TEST_F(Notes, WhereNothingIsMinimisedTheWindowStaysInTheCornerAndScans) {
    desktop->canMinimise = false;
    LumNavi& w = Open();
    EXPECT_TRUE(w.testAttribute(Qt::WA_X11NetWmWindowTypeDialog));  // tiling window managers float dialogs
    desktop->Front("Editor");
    w.tmrFind_Timer();
    EXPECT_EQ(w.WindowState(), vbNormal);
    EXPECT_TRUE(w.tmrFind->Enabled());
    EXPECT_EQ(Shown(w), w.FrameNoTask);
    EXPECT_NEAR(w.Left(), 800 * 15 - w.Width() - 700, 15);

    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    desktop->Front("Terminal");
    w.tmrFind_Timer();
    EXPECT_EQ(TaskTitle, "Editor");
    EXPECT_TRUE(w.tmrFind->Enabled());
}

TEST_F(Notes, WritesANoteForTheApplicationThatWasInFront) {
    LumNavi& w = Open();
    desktop->Front("Editor");
    w.tmrFind_Timer();
    Restore(w);
    EXPECT_FALSE(w.tmrFind->Enabled());  // the frame holds still while the user writes
    EXPECT_EQ(desktop->topMost.back(), std::make_pair(Own(w), true));
    EXPECT_EQ(Shown(w), w.FrameNoTask);
    EXPECT_EQ(w.Label1->text(), "このウィンドウでのコメントを記入ください");

    w.cmdSave_Click(0);
    EXPECT_EQ(fakes.messageBox->prompts.value(0), "Enter Comment First");
    EXPECT_TRUE(w.tmrFind->Enabled());
    EXPECT_FALSE(QFile::exists("navilist.bak"));

    Restore(w);
    w.txtCmnt->setPlainText("日本語のメモ");
    w.cmdSave_Click(0);
    EXPECT_EQ(w.lstApp->itemText(0), "Editor");
    EXPECT_EQ(w.Caption(), "Notes: Editor");
    EXPECT_EQ(w.lblCmnt->text(), "日本語のメモ");
    EXPECT_EQ(Shown(w), w.FrameFind);
    EXPECT_TRUE(w.txtCmnt->toPlainText().isEmpty());
    EXPECT_TRUE(w.tmrFind->Enabled());
    QByteArray cp932;
    ASSERT_TRUE(noterecord::EncodeText("日本語のメモ", &cp932));
    EXPECT_EQ(StoredNote(1), NoteRecord("Editor", cp932));
    EXPECT_EQ(ReadAll("navilist.bak").size(), 16896);
}

TEST_F(Notes, RefusesNotesThatWouldBeLostAndKeepsTheText) {
    QList<QPair<QByteArray, QByteArray>> full;
    for (int i = 1; i <= 24; ++i) full.append({"App " + QByteArray::number(i), "note"});
    Store(full);
    const QByteArray stored = ReadAll("navilist.dat");
    LumNavi& w = Open();
    desktop->Front("New App");
    w.tmrFind_Timer();
    Restore(w);
    w.txtCmnt->setPlainText("one too many");
    w.cmdSave_Click(0);
    EXPECT_TRUE(fakes.messageBox->prompts.value(0).startsWith("All 24 notes are in use"));
    EXPECT_EQ(w.lstApp->count(), 24);
    EXPECT_EQ(w.txtCmnt->toPlainText(), "one too many");
    EXPECT_EQ(ReadAll("navilist.dat"), stored);

    w.lstApp->removeItem(23);
    delete w.lstCmnt->takeItem(23);
    desktop->Front("Café — notes");  // characters the file cannot hold
    w.tmrFind_Timer();
    Restore(w);
    w.cmdSave_Click(0);
    EXPECT_TRUE(fakes.messageBox->prompts.value(1).startsWith("The window title holds characters"));
    EXPECT_EQ(w.lstApp->count(), 23);
    EXPECT_EQ(ReadAll("navilist.dat"), stored);
}

TEST_F(Notes, AfterAFailedLoadNothingIsSavedOrDeleted) {
    ASSERT_TRUE(QDir().mkdir("navilist.dat"));
    ASSERT_TRUE(WriteAll("navilist.bak", "old backup"));
    LumNavi& w = Open();
    ASSERT_EQ(fakes.messageBox->prompts.size(), 1);
    EXPECT_TRUE(fakes.messageBox->prompts[0].startsWith("The notes file could not be read"));
    EXPECT_EQ(fakes.fileDialog->calls, QStringList{"open navilist(.dat)|*.dat|Text(.txt)|*.txt|(*.*)|*.*"});
    EXPECT_TRUE(w.tmrFind->Enabled());

    desktop->Front("Editor");
    w.tmrFind_Timer();
    Restore(w);
    w.txtCmnt->setPlainText("a note");
    w.cmdSave_Click(0);
    EXPECT_EQ(fakes.messageBox->prompts.value(1), NotesFile::NotLoadedMessage());
    EXPECT_EQ(w.lstApp->count(), 0);
    w.RemoveCheck->setChecked(true);
    EXPECT_EQ(fakes.messageBox->prompts.value(2), NotesFile::NotLoadedMessage());
    EXPECT_FALSE(w.RemoveCheck->isChecked());
    EXPECT_EQ(ReadAll("navilist.bak"), "old backup");
}

TEST_F(Notes, DoNotShowAgainDeletesOnlyTheNoteThatIsShown) {
    Store({{"Editor", "first"}, {"Editor", "second"}, {"Other", "keep"}});
    LumNavi& w = Open();
    desktop->Front("Editor");
    w.tmrFind_Timer();
    ASSERT_EQ(w.TaskIndex, 2);
    w.RemoveCheck->setChecked(true);
    EXPECT_FALSE(w.RemoveCheck->isChecked());
    ASSERT_EQ(w.lstApp->count(), 2);
    EXPECT_EQ(w.lstCmnt->item(1)->text(), "keep");
    EXPECT_EQ(StoredNote(2), NoteRecord("Other", "keep"));
    EXPECT_EQ(ReadAll("navilist.bak").mid(10 * 512, 512), NoteRecord("Editor", "second"));

    // Before the next tick the index still names position 2, which now holds another note.
    w.RemoveCheck->setChecked(true);
    EXPECT_EQ(w.lstApp->count(), 2);
    EXPECT_EQ(StoredNote(2), NoteRecord("Other", "keep"));

    w.tmrFind_Timer();  // the earlier note for the same window shows now
    EXPECT_EQ(w.TaskIndex, 1);
    EXPECT_EQ(w.lblCmnt->text(), "first");
}

TEST_F(Notes, TheListFrameShowsTheCommentOfTheChosenTitle) {
    Store({{"Mail", "check the inbox"}, {"Calc", "use the keypad"}});
    LumNavi& w = Open();
    w.tmrFind_Timer();
    Restore(w);
    EXPECT_EQ(Shown(w), w.FrameList);
    EXPECT_FALSE(w.tmrFind->Enabled());
    EXPECT_EQ(w.Label4->text(), "アプリケーションは実行されていません");
    w.lstApp->setCurrentIndex(1);
    w.lstApp_Click();
    EXPECT_EQ(w.ViewCmnt->text(), "use the keypad");
    w.cmdRefresh_Click(0);
    EXPECT_TRUE(w.tmrFind->Enabled());
}
