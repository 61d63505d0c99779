#include "Files.h"
#include "Forms.h"
#include "LumPass.h"
#include "PassFakes.h"
#include "Wait.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <X11/keysym.h>

namespace {

QByteArray Record(const QByteArray& app, const QByteArray& login, const QByteArray& keyLog,
                  const QByteArray& keyPass, const QByteArray& password) {
    auto field = [](const QByteArray& text, int width) {
        return text.isEmpty() ? QByteArray(width, '\0') : Padded(text, width);
    };
    return field(app, 100) + field(login, 50) + field(keyLog, 18) + field(keyPass, 18) + field(password, 300) +
           QByteArray(26, '\0');
}

// A notebook in a folder of its own, with fakes for the desktop.
class Notebook : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString oldDir = QDir::currentPath();
    FakeServices fakes;
    SteppingClock* clock = nullptr;
    RecordingKeySender* sender = nullptr;
    FakeFocusWindow* focus = nullptr;

    void SetUp() override {
        QDir::setCurrent(dir.path());
        Services& s = Services::Get();
        s.clock = std::make_unique<SteppingClock>();
        clock = static_cast<SteppingClock*>(s.clock.get());
        s.keySender = std::make_unique<RecordingKeySender>();
        sender = static_cast<RecordingKeySender*>(s.keySender.get());
        sender->clock = clock;
        s.focusWindow = std::make_unique<FakeFocusWindow>();
        focus = static_cast<FakeFocusWindow*>(s.focusWindow.get());
    }
    void TearDown() override {
        Forms::Unload<LumPass>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QDir::setCurrent(oldDir);
    }
    // Writes entries (1-based) into palist.dat before the notebook loads.
    void Store(const std::map<int, QByteArray>& records) {
        QByteArray file(33 * 512, '\0');
        for (const auto& [k, record] : records) file.replace((9 + k - 1) * 512, 512, record);
        QFile f(dir.filePath("palist.dat"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(file);
    }
    LumPass& Open() { return Forms::Show<LumPass>(); }
};

}  // namespace

TEST(EntryCaption, StripsLeadingBlanksPadsOrCutsToTwelveAndShowsAmpersands) {
    EXPECT_EQ(LumPass::EntryCaption(""), "(None)");
    EXPECT_EQ(LumPass::EntryCaption("Mail"), "Mail        ");
    EXPECT_EQ(LumPass::EntryCaption("   Twenty characters!"), "Twenty chara");
    EXPECT_EQ(LumPass::EntryCaption("R&D"), "R&&D         ");
    EXPECT_EQ(LumPass::EntryCaption(QStringLiteral("銀行のオンラインバンキング")), QStringLiteral("銀行のオンラインバンキン"));
}

TEST(WaitFor, EndsOnTimeAcrossMidnightAndLetsEventsRun) {
    FakeServices fakes;
    auto clock = std::make_unique<SteppingClock>();
    clock->now = 86399.6;
    SteppingClock* c = clock.get();
    Services::Get().clock = std::move(clock);
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    int depth = -1;
    c->onRead = [&] { depth = PauseScope::Depth(); };
    Wait(1);
    EXPECT_TRUE(ran);
    EXPECT_EQ(depth, 1);
    EXPECT_NEAR(c->now, 0.6, 0.26);  // about one second later, past midnight
}

TEST_F(Notebook, ShowsGroupsWithCaptionsAndPages) {
    Store({{1, Record("Mail", "alice", "Tab", "Enter", "pw")}, {12, Record("Bank & Co", "bob", "", "", "")},
           {3, Record("", "carol", "Tab", "Enter", "secret")}});
    LumPass& w = Open();
    EXPECT_EQ(w.Caption(), "LumPassword");
    EXPECT_EQ(w.cmdNavi[0]->text(), "Mail        ");
    EXPECT_TRUE(w.cmdNavi[0]->isEnabled());
    EXPECT_EQ(w.cmdNavi[2]->text(), "(None)");  // a name is needed even when other fields hold text
    EXPECT_FALSE(w.cmdNavi[2]->isEnabled());
    EXPECT_FALSE(w.cmdPrev->isEnabled());
    EXPECT_TRUE(w.cmdNext->isEnabled());
    EXPECT_EQ(w.cmdPrev->toolTip(), "Go to previous group");
    EXPECT_TRUE(w.frmSetup->isHidden());

    w.cmdNext_Click();
    EXPECT_EQ(w.cmdNavi[3]->text(), "Bank && Co   ");
    EXPECT_TRUE(w.cmdPrev->isEnabled());
    w.cmdNext_Click();
    EXPECT_FALSE(w.cmdNext->isEnabled());
    w.cmdNext_Click();
    EXPECT_EQ(w.CurGroup, 2);
    w.cmdPrev_Click();
    w.cmdNavi_Click(3);  // group 1, button 3: entry 12
    EXPECT_EQ(sender->Typed(), "bob");
}

TEST_F(Notebook, TypesLoginKeyPasswordKeyWithOneSecondPauses) {
    Store({{1, Record("Mail", "alice", "(None)", "Enter", "a+b")}, {2, Record("Bank", "", "Tab", "tab", "pin")}});
    LumPass& w = Open();
    clock->now = 100;
    w.cmdNavi_Click(0);
    EXPECT_EQ(w.WindowState(), vbMinimized);
    ASSERT_EQ(sender->sent.size(), 3u);  // no key after the login name
    EXPECT_EQ(sender->Typed(), QStringLiteral("alice") + "a+b" + QStringLiteral("<%1>").arg(XK_Return, 0, 16));
    EXPECT_GE(sender->sent[0].at - 100, 1.0);
    EXPECT_GE(sender->sent[1].at - sender->sent[0].at, 1.0);
    EXPECT_GE(sender->sent[2].at - sender->sent[1].at, 1.0);

    // Tab is pressed even without a login name; "tab" in lower case presses nothing.
    sender->sent.clear();
    w.cmdNavi_Click(1);
    EXPECT_EQ(sender->Typed(), QStringLiteral("<%1>pin").arg(XK_Tab, 0, 16));
    EXPECT_TRUE(fakes.messageBox->prompts.isEmpty());
}

TEST_F(Notebook, NoWindowOurOwnOrTheDesktopInFrontTypesNothingAndSaysWhy) {
    Store({{1, Record("Bank", "bob", "Tab", "Enter", "pin")}});
    LumPass& w = Open();
    for (FocusWindow::Info wrong : {FocusWindow::Info{0, false, false}, FocusWindow::Info{0x500001, true, false},
                                    FocusWindow::Info{0x100, false, true}}) {
        focus->info = wrong;
        w.cmdNavi_Click(0);
        EXPECT_TRUE(sender->sent.empty());
    }
    EXPECT_EQ(fakes.messageBox->prompts.size(), 3);
}

// Only the application the user worked in before the notebook gets the keys: asked for where
// the window manager leaves the keyboard elsewhere, and never another window instead.
TEST_F(Notebook, TypesOnlyIntoTheApplicationUsedBefore) {
    Store({{1, Record("Mail", "alice", "(None)", "(None)", "pw")}});
    LumPass& w = Open();
    struct Case {
        const char* what;
        unsigned long before, focusAfterMinimise;
        bool windowManagerObeys, typed;
        size_t activations;
    };
    for (const Case& c : {Case{"keyboard back by itself", 0x400001, 0x400001, true, true, 0},
                          Case{"keyboard with nobody (fluxbox)", 0x400001, 0, true, true, 1},
                          Case{"still on the notebook (i3)", 0x400001, 0x500001, true, true, 1},
                          Case{"another window keeps it", 0x400001, 0x600001, false, false, 1},
                          Case{"none known: the window active now", 0, 0x600001, true, true, 0}}) {
        focus->lastOther = c.before;
        focus->info = {c.focusAfterMinimise, c.focusAfterMinimise == 0x500001, false};
        focus->windowManagerObeys = c.windowManagerObeys;
        focus->activated.clear();
        sender->sent.clear();
        w.cmdNavi_Click(0);
        EXPECT_EQ(!sender->sent.empty(), c.typed) << c.what;
        EXPECT_EQ(focus->activated.size(), c.activations) << c.what;
    }
    EXPECT_EQ(fakes.messageBox->prompts.size(), 1);
}

TEST_F(Notebook, AClickDuringThePausesStartsNoSecondSequence) {
    Store({{1, Record("Mail", "alice", "Tab", "Enter", "pw")}});
    LumPass& w = Open();
    int clicks = 0;
    clock->onRead = [&] { if (clicks++ == 2) w.cmdNavi_Click(0); };
    w.cmdNavi_Click(0);
    EXPECT_EQ(sender->Typed(), QStringLiteral("alice<%1>pw<%2>").arg(XK_Tab, 0, 16).arg(XK_Return, 0, 16));
    EXPECT_FALSE(w.IsTyping());
}

TEST_F(Notebook, SetupFrameFollowsTheEntryAndHighlightsItsButton) {
    LumPass& w = Open();
    const long width = w.Width();
    w.cmdSetup_Click();
    EXPECT_EQ(w.Width(), width + 2400);
    EXPECT_FALSE(w.frmSetup->isHidden());
    EXPECT_FALSE(w.cmdSetup->isEnabled());
    EXPECT_FALSE(w.cmdSetPrev->isEnabled());
    EXPECT_EQ(w.CombLog->currentText(), "Tab");
    EXPECT_EQ(w.CombPass->currentText(), "Enter");
    EXPECT_EQ(w.cmdNavi[0]->palette().color(QPalette::Button), QColor(0x80, 0xFF, 0xFF));
    // The key names exactly as the file stores them: typing compares them letter for letter.
    auto items = [](QComboBox* box) {
        QStringList names;
        for (int i = 0; i < box->count(); ++i) names << box->itemText(i);
        return names;
    };
    EXPECT_EQ(items(w.CombLog), QStringList({"Tab", "Enter", "(None)"}));
    EXPECT_EQ(items(w.CombPass), QStringList({"Enter", "Tab", "(None)"}));
    EXPECT_EQ(w.CombLog->insertPolicy(), QComboBox::NoInsert);

    for (int i = 0; i < 8; ++i) w.cmdSetNext_Click();
    EXPECT_EQ(w.CurEntry, 9);
    EXPECT_EQ(w.CurGroup, 1);
    EXPECT_TRUE(w.cmdPrev->isEnabled());
    EXPECT_EQ(w.cmdNavi[0]->palette().color(QPalette::Button), QColor(0x80, 0xFF, 0xFF));
    w.cmdSetNext_Click();
    w.cmdSetNext_Click();
    w.cmdPrev_Click();  // entry 11 -> entry 3
    EXPECT_EQ(w.CurEntry, 3);
    EXPECT_NE(w.cmdNavi[0]->palette().color(QPalette::Button), QColor(0x80, 0xFF, 0xFF));
    EXPECT_EQ(w.cmdNavi[2]->palette().color(QPalette::Button), QColor(0x80, 0xFF, 0xFF));
    w.cmdNext_Click();
    w.cmdNext_Click();
    for (int i = 0; i < 5; ++i) w.cmdSetNext_Click();
    EXPECT_EQ(w.CurEntry, 24);
    EXPECT_FALSE(w.cmdSetNext->isEnabled());
    EXPECT_FALSE(w.cmdNext->isEnabled());

    w.cmdCancel_Click();
    EXPECT_EQ(w.Width(), width);
    EXPECT_TRUE(w.frmSetup->isHidden());
    EXPECT_TRUE(w.cmdSetup->isEnabled());
    w.cmdSetup_Click();
    EXPECT_EQ(w.CurEntry, 24);

    // Narrowed by hand below 2400 twips while open: the button column stays whole.
    w.Move(w.Left(), w.Top(), width + 600, w.Height());
    w.cmdCancel_Click();
    EXPECT_EQ(w.Width(), width);
}

TEST_F(Notebook, SaveAsksStoresOneEntryAndRefusesWhatCannotBeStored) {
    LumPass& w = Open();
    w.cmdSetup_Click();
    w.AppName->setText("Mail");
    w.LogInName->setText("alice");
    w.Password->setText("s3cret");
    w.cmdSave_Click();
    EXPECT_EQ(fakes.messageBox->prompts.last(), "Do you want to save the changes?");
    EXPECT_EQ(w.cmdNavi[0]->text(), "Mail        ");
    EXPECT_TRUE(w.frmSetup->isHidden());
    const QByteArray dat = ReadAll(dir.filePath("palist.dat"));
    ASSERT_EQ(dat.size(), 16896);
    EXPECT_EQ(dat.mid(9 * 512, 512), Record("Mail", "alice", "Tab", "Enter", "s3cret"));

    // No: nothing changes, both files are written.
    w.cmdSetup_Click();
    w.AppName->setText("Other");
    fakes.messageBox->answers = {vbNo};
    w.cmdSave_Click();
    EXPECT_EQ(ReadAll(dir.filePath("palist.dat")), dat);
    EXPECT_EQ(ReadAll(dir.filePath("palist.bak")), dat);

    // Too long in bytes: refused, named, the frame stays open, the working copy unchanged.
    w.cmdSetup_Click();
    w.LogInName->setText(QString(30, QChar(0x3042)));
    w.cmdSave_Click();
    EXPECT_TRUE(fakes.messageBox->prompts.last().contains("login name"));
    EXPECT_FALSE(w.frmSetup->isHidden());
    EXPECT_EQ(w.Pass.Data(1, 2), "alice");

    // Emptying the password of the saved entry stores it empty.
    w.LogInName->setText("alice");
    w.Password->clear();
    w.cmdSave_Click();
    EXPECT_EQ(ReadAll(dir.filePath("palist.dat")).mid(9 * 512 + 186, 300), QByteArray(300, '\0'));
}

TEST_F(Notebook, AFailedLoadSaysSoOnceShowsTheOpenBoxAndRefusesToSave) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("palist.dat"));
    LumPass& w = Open();
    ASSERT_EQ(fakes.messageBox->prompts.size(), 1);
    EXPECT_EQ(fakes.fileDialog->calls, QStringList{"open palist(.dat)|*.dat|Text(.txt)|*.txt|(*.*)|*.*"});
    w.cmdSetup_Click();
    w.AppName->setText("Mail");
    w.cmdSave_Click();
    EXPECT_TRUE(fakes.messageBox->prompts.last().contains("could not be read"));
    EXPECT_FALSE(QFile::exists(dir.filePath("palist.bak")));
}
