// The About box and the Help window over fakes: their texts and frame, how they
// load, close and reload, and which clicks open their links.

#include "QStringPrinter.h"
#include "BrowseURL.h"
#include "Fakes.h"
#include "Forms.h"
#include "Twips.h"
#include "frmAbout.h"
#include "frmHelp.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

void settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// Both windows' links lead to this browser.
struct Windows : public ::testing::Test {
    FakeServices services;
    BrowserFakes fakes;
    Windows() { fakes.commands->keys["http\\shell\\open\\command"] = {REG_SZ, "browser "}; }
    ~Windows() override {
        Forms::Unload<frmAbout>();
        Forms::Unload<frmHelp>();
        settle();
    }
    // A control's place, or a window's client area, in twips.
    QRect Placed(QWidget* w) const {
        const QRect r = w->geometry();
        return {int(twips::FromPixelsX(r.x())), int(twips::FromPixelsY(r.y())), int(twips::FromPixelsX(r.width())),
                int(twips::FromPixelsY(r.height()))};
    }
};

}  // namespace

TEST_F(Windows, TheAboutBoxShowsTitleVersionCopyrightAndAddressInItsFrame) {
    frmAbout& about = Forms::Show<frmAbout>();
    EXPECT_EQ(about.Caption(), "About Pelmora");
    EXPECT_EQ(about.lblTitle->text(), "Pelmora");
    EXPECT_EQ(about.lblVersion->text(), "Version 1.0.0");
    EXPECT_EQ(VersionText(2, 12, 3), "Version 2.12.3");
    EXPECT_TRUE(about.lblDescription->text().startsWith("Copyright"));
    EXPECT_TRUE(about.lblURL->text().startsWith("https://"));
    EXPECT_FALSE(about.windowIcon().isNull());
    EXPECT_EQ(Placed(about.lblURL), QRect(840, 1080, 3255, 255));
    EXPECT_EQ(about.picIcon->size(), QSize(32, 32));
    EXPECT_EQ(about.lblURL->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_TRUE(about.lblURL->font().underline());

    // Fixed size, close box only, the client area where the layout puts it.
    const Qt::WindowFlags flags = about.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(about.minimumSize(), about.maximumSize());
    EXPECT_EQ(Placed(&about), QRect(2340, 1935, 4455, 2670));
}

TEST_F(Windows, TheHelpWindowJoinsItsNotesAndCarriesTheLinkBesideTheIcon) {
    frmHelp& help = Forms::Show<frmHelp>();
    EXPECT_EQ(help.Caption(), "Pelmora - Help");
    EXPECT_EQ(help.lblUninst->text(), QStringLiteral("Ｐｅｌｍｏｒａをアンインストールするには、パッケージマネージャーで "
                                                     "pelmora パッケージを削除して下さい（例: sudo apt remove pelmora）。"));
    EXPECT_EQ(help.lblRunMod->text(),
              QStringLiteral("ＰｅｌｍｏｒａはQt 6のライブラリで動きます。ライブラリはパッケージマネージャーで入れて下さい。"));
    EXPECT_EQ(help.lblURL[0]->text(), "Goto - Vector FTP Site");
    EXPECT_EQ(help.cmdClose->text(), QStringLiteral("終了"));
    EXPECT_EQ(Placed(help.lblURL[0]), QRect(1080, 840, 2805, 285));
    EXPECT_EQ(Placed(help.picIcon2).topLeft(), QPoint(120, 840));
    // Both can be open at once.
    EXPECT_TRUE(Forms::Show<frmAbout>().isVisible());
    EXPECT_TRUE(help.isVisible());
}

TEST_F(Windows, ShowingAnOpenWindowOnlyRaisesItAndEnterEscOrTheCloseBoxUnloadIt) {
    frmAbout* first = &Forms::Show<frmAbout>();
    first->lblTitle->setText("changed");
    EXPECT_EQ(&Forms::Show<frmAbout>(), first);
    EXPECT_EQ(first->lblTitle->text(), "changed");
    for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        QTest::keyClick(&Forms::Show<frmAbout>(), Qt::Key(key));
        EXPECT_FALSE(Forms::IsLoaded<frmAbout>()) << key;
        frmHelp& help = Forms::Show<frmHelp>();
        help.cmdClose->setFocus();
        QTest::keyClick(help.cmdClose, Qt::Key(key));
        EXPECT_FALSE(Forms::IsLoaded<frmHelp>()) << key;
        settle();
    }
    Forms::Show<frmHelp>().close();
    EXPECT_FALSE(Forms::IsLoaded<frmHelp>());
    // Loaded afresh, with its texts set again.
    EXPECT_EQ(Forms::Show<frmAbout>().lblTitle->text(), "Pelmora");
}

TEST_F(Windows, APressOnTheHelpLinkThatEndsOutsideItOpensNothing) {
    frmHelp& help = Forms::Show<frmHelp>();
    QTest::mousePress(help.lblURL[0], Qt::LeftButton);
    QTest::mouseRelease(help.lblURL[0], Qt::LeftButton, {}, QPoint(-5, -5));
    EXPECT_TRUE(fakes.starter->starts.isEmpty());
}
