#include "Fakes.h"
#include "Forms.h"
#include "NaviMod.h"
#include "SpotZoom.h"
#include "Timer.h"
#include "Twips.h"
#include "ZoomFakes.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const ZoomScreen k800x600{15, 15, 12000, 9000};

void settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// The magnifier loaded over fakes, its timer stopped so that each tick is the test's.
struct Zoom {
    FakeServices services;
    ZoomFakes fakes;
    ClipboardContent userClipboard{{"text/plain", "user text"}, {"text/html", "<b>user</b>"}};
    SpotZoom* form;

    Zoom() {
        fakes.clipboard->content = userClipboard;
        form = &Forms::Show<SpotZoom>();
        form->tmrZoom->SetEnabled(false);
    }
    ~Zoom() {
        Forms::Unload<SpotZoom>();
        settle();
    }
    void Ticks(int n) {
        for (int i = 0; i < n; ++i) form->tmrZoom_Timer();
    }
};

}  // namespace

TEST(ZoomTick, FollowsThePointerWithItsOffsetsAndCapturesAroundIt) {
    const ZoomStep s = PlanZoomTick({500, 400}, 0, k800x600);
    EXPECT_FALSE(s.ask);
    EXPECT_EQ(s.xyPos, " 7500, 6000");
    EXPECT_EQ(s.left, 7900);
    EXPECT_EQ(s.top, 6200);
    EXPECT_EQ(QRect(QPoint(s.captureLeft, s.captureTop), QPoint(s.captureRight, s.captureBottom)),
              QRect(QPoint(465, 380), QPoint(585, 460)));

    // Clamps at the left and top.
    const ZoomStep clamped = PlanZoomTick({10, 5}, 1, k800x600);
    EXPECT_EQ(clamped.edgeCount, 0);
    EXPECT_EQ(clamped.captureLeft, 0);
    EXPECT_EQ(clamped.captureTop, 0);
    EXPECT_EQ(clamped.xyPos, " 525, 300");

    // Exactly 1000 (1200) twips of room keeps the offset positive; less flips it.
    const ZoomScreen room{15, 15, 11500, 8700};
    EXPECT_EQ(PlanZoomTick({700, 500}, 0, room).offsetX, 400);
    EXPECT_EQ(PlanZoomTick({700, 500}, 0, room).offsetY, 200);
    EXPECT_EQ(PlanZoomTick({701, 501}, 0, room).offsetX, -1600);
    EXPECT_EQ(PlanZoomTick({701, 501}, 0, room).offsetY, -1200);

    // Twips round halves to the even neighbour.
    const ZoomScreen half{7.5, 7.5, 6000, 4500};
    EXPECT_EQ(PlanZoomTick({100, 21}, 0, half).posYTwips, 158);
    EXPECT_EQ(PlanZoomTick({100, 23}, 0, half).posYTwips, 172);
}

TEST(ZoomTick, TwoTicksAtTheLeftEdgeTakeXAsMinus200AndTheThirdAsks) {
    for (int x : {0, 1, 2, -5}) {
        const ZoomStep first = PlanZoomTick({x, 300}, 0, k800x600);
        EXPECT_EQ(first.edgeCount, 1);
        EXPECT_EQ(first.xyPos, "-3000, 4500");
        EXPECT_EQ(first.left, -2600);
        EXPECT_EQ(first.captureLeft, -235);
        EXPECT_EQ(PlanZoomTick({x, 300}, 1, k800x600).edgeCount, 2);
        EXPECT_TRUE(PlanZoomTick({x, 300}, 2, k800x600).ask);
    }
    EXPECT_EQ(PlanZoomTick({3, 300}, 2, k800x600).edgeCount, 0);
    EXPECT_FALSE(PlanZoomTick({3, 300}, 2, k800x600).ask);
}

TEST(SpotZoom, ATickMovesTheWindowAndDrawsTheTwoTimesEnlargement) {
    Zoom zoom;
    SpotZoom& f = *zoom.form;
    EXPECT_TRUE(f.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(f.windowFlags() & Qt::WindowDoesNotAcceptFocus);
    EXPECT_EQ(f.geometry(), QRect(453, 408, 121, 79));  // 6795, 6120 twips, 1815 x 1185
    EXPECT_EQ(f.ZoomWidth, 3600);
    EXPECT_EQ(f.ZoomHeight, 2400);

    zoom.Ticks(1);
    EXPECT_EQ(f.XYPos->text(), " 7500, 6000");
    EXPECT_EQ(f.geometry().topLeft(), QPoint(twips::ToPixelsX(7900), twips::ToPixelsY(6200)));
    ASSERT_EQ(zoom.fakes.grabber->grabs, QList<QRect>{QRect(465, 380, 120, 80)});

    zoom.fakes.pointer->at = {790, 590};  // near the right and bottom edges
    zoom.Ticks(1);
    EXPECT_EQ(f.OffsetX, -1600);
    EXPECT_EQ(f.OffsetY, -1200);
    EXPECT_EQ(f.geometry().topLeft(), QPoint(twips::ToPixelsX(10250), twips::ToPixelsY(7650)));
}

TEST(SpotZoom, TheEdgeQuestionYesKeepsZoomingNoUnloadsAndPutsTheUserClipboardBack) {
    Zoom zoom;
    zoom.fakes.pointer->at = {1, 300};
    zoom.fakes.clipboard->sets = 0;
    zoom.Ticks(2);
    EXPECT_EQ(zoom.form->EdgeCount, 2);
    EXPECT_EQ(zoom.form->geometry().x(), twips::ToPixelsX(-2600));
    EXPECT_EQ(zoom.fakes.clipboard->sets, 2);
    EXPECT_TRUE(zoom.services.messageBox->prompts.isEmpty());

    zoom.services.messageBox->answers = {vbYes};
    zoom.Ticks(1);
    EXPECT_EQ(zoom.services.messageBox->prompts, QStringList{ZoomQuestion()});
    EXPECT_EQ(zoom.services.messageBox->titles, QStringList{AppTitle()});
    EXPECT_EQ(zoom.fakes.clipboard->sets, 2);  // the asking tick copies nothing
    EXPECT_EQ(zoom.form->EdgeCount, 2);

    zoom.form->tmrZoom->SetEnabled(true);
    zoom.services.messageBox->answers = {vbNo};
    QPointer<SpotZoom> form = zoom.form;
    zoom.Ticks(1);
    EXPECT_EQ(zoom.services.messageBox->prompts.size(), 2);
    EXPECT_FALSE(Forms::IsLoaded<SpotZoom>());
    EXPECT_FALSE(form->tmrZoom->Enabled());
    EXPECT_EQ(zoom.fakes.clipboard->content, zoom.userClipboard);
    settle();
    EXPECT_TRUE(form.isNull());
}

TEST(SpotZoom, MovingAwayBeforeTheThirdTickResetsTheCount) {
    Zoom zoom;
    zoom.fakes.pointer->at = {0, 300};
    zoom.Ticks(2);
    zoom.fakes.pointer->at = {400, 300};
    zoom.Ticks(1);
    EXPECT_EQ(zoom.form->EdgeCount, 0);
    zoom.fakes.pointer->at = {0, 300};
    zoom.Ticks(2);
    EXPECT_TRUE(zoom.services.messageBox->prompts.isEmpty());
}

TEST(SpotZoom, EveryWayOfUnloadingPutsTheUserClipboardBack) {
    for (int way = 0; way < 2; ++way) {
        Zoom zoom;
        zoom.Ticks(1);
        EXPECT_NE(zoom.fakes.clipboard->content, zoom.userClipboard);
        if (way == 0)
            Forms::Unload<SpotZoom>();  // the demo
        else
            Forms::UnloadAll();  // program exit
        EXPECT_EQ(zoom.fakes.clipboard->content, zoom.userClipboard) << way;
    }
}

TEST(SpotZoom, NoSecondQuestionWhileOneIsOpenAndUnloadingDuringItEndsCleanly) {
    Zoom zoom;
    zoom.fakes.pointer->at = {0, 300};
    zoom.Ticks(2);
    QPointer<SpotZoom> form = zoom.form;
    form->tmrZoom->SetEnabled(true);
    int setsDuring = -1;
    zoom.services.messageBox->duringAsk = [&] {
        const int before = zoom.fakes.clipboard->sets;
        QTest::qWait(700);  // the timer's ticks come due while the question is open
        form->tmrZoom_Timer();
        setsDuring = zoom.fakes.clipboard->sets - before;
        Forms::Unload<SpotZoom>();
        settle();
        EXPECT_FALSE(form.isNull()) << "destroyed under the open question";
    };
    zoom.services.messageBox->answers = {vbYes};
    zoom.Ticks(1);
    EXPECT_EQ(zoom.services.messageBox->prompts.size(), 1);
    EXPECT_EQ(setsDuring, 0);
    EXPECT_EQ(zoom.fakes.clipboard->content, zoom.userClipboard);
    settle();
    EXPECT_TRUE(form.isNull());
}

TEST(SpotZoom, UnloadedWhileEventsRunInATickItCopiesNothingMore) {
    Zoom zoom;
    QMetaObject::invokeMethod(zoom.form, [] { Forms::Unload<SpotZoom>(); }, Qt::QueuedConnection);
    const int before = zoom.fakes.clipboard->sets;
    zoom.Ticks(1);
    EXPECT_EQ(zoom.fakes.clipboard->sets, before);
    EXPECT_EQ(zoom.fakes.clipboard->content, zoom.userClipboard);
}

TEST(SpotZoom, ATickWithoutAPictureOnTheClipboardKeepsTheLastOne) {
    Zoom zoom;
    zoom.Ticks(1);
    const QImage last = zoom.form->Picture1->Canvas();
    // Another program takes the clipboard between the copy and the read-back.
    struct Stealing : FakeClipboard {
        void SetImage(const QImage&) override { TakeWithText("theirs"); }
    };
    Services::Get().clipboard = std::make_unique<Stealing>();
    zoom.fakes.pointer->at = {200, 200};
    zoom.Ticks(1);
    EXPECT_EQ(zoom.form->Picture1->Canvas(), last);
    EXPECT_TRUE(Forms::IsLoaded<SpotZoom>());
}

TEST(CaptureToClipboard, PutsTheRectangleOnTheClipboardAsItsOnlyItem) {
    ZoomFakes fakes;
    fakes.clipboard->TakeWithText("before");
    CaptureToClipboard(10, 20, 130, 100);
    EXPECT_EQ(fakes.grabber->grabs, QList<QRect>{QRect(10, 20, 120, 80)});
    EXPECT_EQ(fakes.clipboard->content.size(), 1);
    EXPECT_EQ(fakes.clipboard->image.size(), QSize(120, 80));
    EXPECT_EQ(fakes.clipboard->image.pixel(0, 0), FakeScreenColor(10, 20));
}
