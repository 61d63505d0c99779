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
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

QStringList texts(const QList<QAction*>& actions) {
    QStringList out;
    for (QAction* a : actions) out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
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

