#include "DesktopWindows.h"
#include "Fakes.h"
#include "FileDialog.h"
#include "Twips.h"

#include <gtest/gtest.h>

TEST(Twips, RoundsHalvesToEven) {
    EXPECT_EQ(twips::RoundHalfEven(0.5), 0);
    EXPECT_EQ(twips::RoundHalfEven(1.5), 2);
    EXPECT_EQ(twips::RoundHalfEven(2.5), 2);
    EXPECT_EQ(twips::RoundHalfEven(-2.5), -2);
    EXPECT_EQ(twips::RoundHalfEven(2.51), 3);
    EXPECT_EQ(twips::RoundHalfEven(34.333), 34);
}

TEST(Twips, ConvertsAtFifteenTwipsPerPixelOnA96DpiScreen) {
    ASSERT_DOUBLE_EQ(twips::PerPixelX(), 15.0);
    EXPECT_EQ(twips::ToPixelsX(6900), 460);
    EXPECT_EQ(twips::ToPixelsY(3660), 244);
    EXPECT_EQ(twips::ToPixelsX(1815), 121);  // 121.0
    EXPECT_EQ(twips::ToPixelsX(1807.5), 120);  // 120.5 goes to the even neighbour
    EXPECT_EQ(twips::FromPixelsX(500), 7500);
}

TEST(MsgBox, TurnsCarriageReturnsIntoLineBreaksAndDefaultsToTheApplicationTitle) {
    FakeServices fakes;
    EXPECT_EQ(MsgBox(QStringLiteral("a\rb\r\nc")), vbOK);
    EXPECT_EQ(fakes.messageBox->prompts.last(), QStringLiteral("a\nb\nc"));
    EXPECT_EQ(fakes.messageBox->titles.last(), QStringLiteral("Pelmora"));
    fakes.messageBox->answers = {vbNo};
    EXPECT_EQ(MsgBox(QStringLiteral("q"), vbYesNo, QStringLiteral("Own")), vbNo);
    EXPECT_EQ(fakes.messageBox->titles.last(), QStringLiteral("Own"));
}

TEST(CommonDialog, ConvertsTheFilterAndKeepsTheNameWhenCancelled) {
    EXPECT_EQ(QtNameFilters(QStringLiteral("navilist(.dat)|*.dat|Text(.txt)|*.txt|(*.*)|*.*")),
              QStringLiteral("navilist(.dat) (*.dat);;Text(.txt) (*.txt);;(*.*) (*.*)"));
    FakeServices fakes;
    CommonDialog dialog;
    dialog.FileName = QStringLiteral("palist.dat");
    dialog.Filter = QStringLiteral("palist(.dat)|*.dat");
    dialog.ShowOpen();
    EXPECT_EQ(dialog.FileName, QStringLiteral("palist.dat"));
    fakes.fileDialog->names = {QStringLiteral("/tmp/other.dat")};
    dialog.ShowSave();
    EXPECT_EQ(dialog.FileName, QStringLiteral("/tmp/other.dat"));
    EXPECT_EQ(fakes.fileDialog->calls, QStringList({"open palist(.dat)|*.dat", "save palist(.dat)|*.dat"}));
}

// The walk's order from what the window manager and the X server publish: clients A, B, C
// (0xA, 0xB, 0xC) in frames 0x1A, 0x1B, 0x1C.
TEST(FrontToBack, PutsTheActiveWindowFirstThenFollowsTheServersStacking) {
    struct Case {
        const char* what;
        uint32_t active;
        std::vector<uint32_t> clients, framesBottomUp, expected;
    };
    const std::vector<Case> cases{
        {"list in order", 0xC, {0xA, 0xB, 0xC}, {0x1A, 0x1B, 0x1C}, {0xC, 0xB, 0xA}},
        {"list left as mapped (fluxbox)", 0xA, {0xA, 0xB, 0xC}, {0x1C, 0x1B, 0x1A}, {0xA, 0xB, 0xC}},
        {"list top first (icewm), none active", 0, {0xC, 0xB, 0xA}, {0x1A, 0x1B, 0x1C}, {0xC, 0xB, 0xA}},
        {"active below the others (tiled, i3)", 0xA, {0xA, 0xB, 0xC}, {0x1A, 0x1B, 0x1C}, {0xA, 0xC, 0xB}},
        {"active not a client (the root)", 0x99, {0xA, 0xB}, {0x1A, 0x1B}, {0xB, 0xA}},
        {"a client without a frame goes last", 0, {0xA, 0xD, 0xB}, {0x1A, 0x1B}, {0xB, 0xA, 0xD}},
    };
    const auto frameOf = [](uint32_t client) { return client == 0xD ? 0u : client + 0x10; };
    for (const Case& c : cases)
        EXPECT_EQ(FrontToBack(c.active, c.clients, c.framesBottomUp, frameOf), c.expected) << c.what;
}
