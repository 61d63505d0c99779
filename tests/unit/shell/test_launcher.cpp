#include "../navi/NaviFakes.h"
#include "../zoom/ZoomFakes.h"
#include "Fakes.h"
#include "Forms.h"
#include "LumNavi.h"
#include "LumPass.h"
#include "MessageBox.h"
#include "SpotZoom.h"
#include "Timer.h"
#include "frmAbout.h"
#include "frmHelp.h"
#include "frmMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleOptionComboBox>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The main window with every tool reachable, in a folder of its own, over fakes.
class Launcher : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString oldDir = QDir::currentPath();
    FakeServices fakes;
    ZoomFakes zoomFakes;
    frmMain* main = nullptr;

    void SetUp() override {
        QDir::setCurrent(dir.path());
        Services::Get().desktopWindows = std::make_unique<FakeDesktopWindows>();
        Forms::SetQuitWhenEmpty(false);
        main = &Forms::Show<frmMain>();
    }
    void TearDown() override {
        Forms::UnloadAll();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QDir::setCurrent(oldDir);
    }
    // Hidden into the tray, or minimised where there is no tray.
    bool MainPutAway() const { return main->isHidden() || main->WindowState() == vbMinimized; }
    void BringMainBack() {
        main->SetWindowState(vbNormal);
        main->Show();
    }
    QString NotesText() { return Forms::Get<LumNavi>().lblCmnt->text(); }
};

}  // namespace

TEST_F(Launcher, TheZoomButtonShowsTheHintFirstThenTheMagnifier) {
    bool zoomDuringHint = true;
    fakes.messageBox->duringAsk = [&] { zoomDuringHint = Forms::IsLoaded<SpotZoom>(); };
    main->cmdTool_Click(0);
    ASSERT_EQ(fakes.messageBox->prompts.size(), 1);
    EXPECT_EQ(fakes.messageBox->prompts[0], "ズームを終了するには、カーソルを\nスクリーンの左端に移動下さい");
    EXPECT_EQ(fakes.messageBox->titles[0], AppTitle());
    EXPECT_FALSE(zoomDuringHint);
    EXPECT_TRUE(Forms::IsLoaded<SpotZoom>() && Forms::Get<SpotZoom>().isVisible());
    EXPECT_TRUE(MainPutAway());

    BringMainBack();
    Forms::Unload<SpotZoom>();
    main->menuZoom_Click();  // the menu item has no hint
    EXPECT_EQ(fakes.messageBox->prompts.size(), 1);
    EXPECT_TRUE(Forms::Get<SpotZoom>().isVisible());
    EXPECT_TRUE(MainPutAway());
}

TEST_F(Launcher, ToolsOpenFromButtonsAndMenusWithoutReloading) {
    main->cmdTool_Click(1);
    LumPass& pass = Forms::Get<LumPass>();
    EXPECT_TRUE(pass.isVisible());
    EXPECT_TRUE(MainPutAway());
    pass.cmdSetup_Click();
    pass.AppName->setText("typed, not saved");
    BringMainBack();
    main->menuPass_Click();
    EXPECT_EQ(&Forms::Get<LumPass>(), &pass);  // the same window, its contents kept
    EXPECT_EQ(pass.AppName->text(), "typed, not saved");

    BringMainBack();
    main->cmdTool_Click(2);
    EXPECT_TRUE(Forms::Get<LumNavi>().isVisible());
    EXPECT_TRUE(MainPutAway());
    BringMainBack();
    main->menuNavi_Click();
    EXPECT_TRUE(MainPutAway());

    BringMainBack();
    const int loaded = Forms::LoadedCount();
    main->cmdTool_Click(3);
    main->cmdTool_Click(7);
    EXPECT_EQ(Forms::LoadedCount(), loaded);
    EXPECT_FALSE(MainPutAway());
    main->cmdTool_Click(4);
    EXPECT_EQ(Forms::LoadedCount(), loaded);
    EXPECT_TRUE(MainPutAway());
}

// The steps in turn, on time, and the tour's end are watched on the desktop.
TEST_F(Launcher, TheTourShowsItsFrameWithoutHintsAndChoosingItAgainStartsOver) {
    main->menuDemo_Click();
    EXPECT_TRUE(main->Timer1->Enabled());
    EXPECT_EQ(main->Timer1->Interval(), 5000);
    LumNavi& navi = Forms::Get<LumNavi>();
    EXPECT_FALSE(navi.FrameFind->isHidden());
    EXPECT_TRUE(navi.RemoveCheck->isHidden());

    main->Timer1_Timer();
    main->Timer1_Timer();
    EXPECT_TRUE(Forms::IsLoaded<SpotZoom>());
    EXPECT_TRUE(fakes.messageBox->prompts.isEmpty());  // no zoom hint in the tour

    main->menuDemo_Click();  // chosen again: back to the start, the tour goes on from there
    EXPECT_EQ(main->DemoStep, 1);
    EXPECT_EQ(NotesText(), "This is Demo how to use Pelmora.");
    for (int step = 0; step < 4; ++step) main->Timer1_Timer();
    EXPECT_FALSE(main->Timer1->Enabled());
    EXPECT_EQ(main->DemoStep, 4);
}

TEST_F(Launcher, TheTourUnloadsTheMagnifierSafelyWhileItsQuestionIsOpen) {
    main->menuDemo_Click();
    main->Timer1_Timer();
    main->Timer1_Timer();
    SpotZoom& zoom = Forms::Get<SpotZoom>();
    zoomFakes.pointer->at = QPoint(0, 300);  // held at the left edge: the third tick asks
    fakes.messageBox->duringAsk = [&] { main->Timer1_Timer(); };
    for (int i = 0; i < 3 && !zoom.IsUnloaded(); ++i) zoom.tmrZoom_Timer();
    EXPECT_EQ(fakes.messageBox->prompts.value(0), "ズームを続けますか？");
    EXPECT_FALSE(Forms::IsLoaded<SpotZoom>());
    EXPECT_TRUE(Forms::Get<LumPass>().isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(NotesText(), "This is Demo for Password");
}

TEST_F(Launcher, LeavingDuringTheTourUnloadsOnlyTheWindowsNobodySees) {
    main->menuPass_Click();  // the user's own window, on the screen
    BringMainBack();
    main->menuDemo_Click();
    Forms::Unload<LumNavi>();  // the user closes the notes window ...
    main->Timer1_Timer();      // ... and the next step loads it again, unseen
    ASSERT_TRUE(Forms::IsLoaded<LumNavi>());
    EXPECT_TRUE(Forms::Get<LumNavi>().isHidden());

    Forms::Unload(main);
    EXPECT_FALSE(Forms::IsLoaded<LumNavi>());
    EXPECT_TRUE(Forms::IsLoaded<LumPass>());
}

namespace {

// Why a fixed text does not fit its box at the fonts installed here, or nothing when it fits.
QString Clipped(QWidget* widget) {
    const QFontMetrics metrics(widget->font());
    const QRect box = widget->contentsRect();
    auto tooBig = [&](const QString& text, int width, int height, int flags = Qt::TextWordWrap) {
        const QRect needed = metrics.boundingRect(QRect(0, 0, width, 10000), flags, text);
        if (needed.width() <= width && needed.height() <= height) return QString();
        return QStringLiteral("\"%1\" needs %2x%3, has %4x%5")
            .arg(text).arg(needed.width()).arg(needed.height()).arg(width).arg(height);
    };
    if (auto* label = qobject_cast<QLabel*>(widget); label && label->textFormat() != Qt::RichText)
        return tooBig(label->text(), box.width(), box.height(), label->wordWrap() ? Qt::TextWordWrap : 0);
    if (auto* button = qobject_cast<QPushButton*>(widget))
        return tooBig(QString(button->text()).remove(u'&'), box.width() - 4, box.height() - 2);
    if (auto* check = qobject_cast<QCheckBox*>(widget)) return tooBig(check->text(), box.width() - 20, box.height());
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        QStyleOptionComboBox option;
        option.initFrom(combo);
        option.editable = combo->isEditable();
        const QRect field =
            combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
        for (int i = 0; i < combo->count(); ++i)
            if (QString why = tooBig(combo->itemText(i), field.width() - 4, box.height()); !why.isEmpty()) return why;
    }
    return {};
}

}  // namespace

TEST_F(Launcher, EveryFixedTextIsWholeInItsBox) {
    LumPass& pass = Forms::Show<LumPass>();
    pass.cmdSetup_Click();
    Forms::Show<LumNavi>();
    Forms::Show<frmAbout>();
    Forms::Show<frmHelp>();
    const std::initializer_list<QWidget*> forms{main, &pass, &Forms::Get<LumNavi>(), &Forms::Get<frmAbout>(),
                                                &Forms::Get<frmHelp>()};
    for (QWidget* form : forms)
        for (QWidget* widget : form->findChildren<QWidget*>())
            EXPECT_EQ(Clipped(widget).toStdString(), "")
                << widget->metaObject()->className() << " in " << form->metaObject()->className();
    // The arrows are in the same sans-serif face as the dialogs, not in the window's Gothic.
    EXPECT_EQ(QFontInfo(pass.cmdSetNext->font()).family(), QFontInfo(Forms::Get<frmAbout>().lblTitle->font()).family());
}
