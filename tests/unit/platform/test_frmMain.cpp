#include "Controls.h"
#include "Fakes.h"
#include "Timer.h"
#include "Forms.h"
#include "Twips.h"
#include "frmMain.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

QStringList texts(const QList<QAction*>& actions) {
    QStringList out;
    for (QAction* a : actions) out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

void trayMessage(frmMain& main, int code) {
    QMouseEvent move(QEvent::MouseMove, QPointF(code, 0), QPointF(code, 0), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(main.picNotifier, &move);
}

class MainWindow : public ::testing::Test {
protected:
    FakeServices fakes;
    frmMain& main = Forms::Show<frmMain>();
    void TearDown() override {
        Forms::Unload<frmMain>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

}  // namespace

TEST_F(MainWindow, IsLaidOutWithItsCaptionGroupsAndMenus) {
    EXPECT_EQ(main.windowTitle(), QStringLiteral("Pelmora - Utility for Windows "));
    EXPECT_EQ(main.Client()->size(), QSize(460, 244));
    const QStringList titles = {"ズーム", "パスワード", "ナビゲート"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(main.Title[i]->text(), titles[i]);
        EXPECT_TRUE(main.cmdGrp[i]->isVisibleTo(&main));
    }
    EXPECT_EQ(main.Label[1]->text(), QStringLiteral("マウス操作だけでパスワード入力を可能にします "));
    EXPECT_EQ(main.Label[1]->geometry().topLeft(), QPoint(96, 40));  // its height follows the font
    EXPECT_FALSE(main.cmdGrp[3]->isVisibleTo(&main));
    EXPECT_EQ(main.cmdGrp[2]->geometry(), QRect(8, 160, 225, 81));
    EXPECT_EQ(main.cmdTool[4]->toolTip(), QStringLiteral("Stores to taskicon"));
    EXPECT_EQ(texts(main.menuTool->actions()), QStringList({"&Zoom", "&Password", "&Navigation", "-", "&Close"}));
    EXPECT_EQ(texts(main.menuHelp->actions()), QStringList({"&Demo", "&Help", "-", "&About Pelmora"}));
    EXPECT_EQ(texts(main.mnuPopMenu->actions()), QStringList({"&Show", "-", "E&xit"}));
    EXPECT_FALSE(main.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(main.Timer1->Enabled());
    EXPECT_EQ(main.Timer1->Interval(), 5000);
}

TEST_F(MainWindow, WithoutATrayClosingAndStoringMinimiseInsteadOfHiding) {
    ASSERT_FALSE(main.HasTrayIcon());  // the offscreen platform has no tray
    main.menuClose->trigger();
    EXPECT_TRUE(main.isVisible());
    EXPECT_EQ(main.WindowState(), vbMinimized);
    main.mnuPopMenuShow->trigger();
    EXPECT_EQ(main.WindowState(), vbNormal);
    main.cmdTool[4]->click();
    EXPECT_TRUE(main.isVisible());
    EXPECT_EQ(main.WindowState(), vbMinimized);
}

TEST_F(MainWindow, DecodesTrayMessagesFromTheMouseMoveX) {
    main.SetWindowState(vbMinimized);
    for (int code : {0x200, 0x201, 0x202, 0x204, 0x206}) trayMessage(main, code);
    EXPECT_EQ(main.WindowState(), vbMinimized) << "only a double-click restores";
    trayMessage(main, 0x203);
    EXPECT_TRUE(main.isVisible());
    EXPECT_EQ(main.WindowState(), vbNormal);
}

TEST_F(MainWindow, ExitUnloadsTheWindow) {
    main.mnuPopMenuExit->trigger();
    EXPECT_FALSE(Forms::IsLoaded<frmMain>());
}
