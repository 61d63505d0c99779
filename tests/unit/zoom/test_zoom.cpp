#include "SpotZoom.h"
#include "Support.h"
#include "Timer.h"

// From the pointer, the edge count and the screen: the edge count, the position text, the
// offsets and window position (twips) and the screen copy (pixels).
TEST(SpotZoom, TickFollowsThePointerFlipsAtTheEdgesAndAsksAtTheThirdTickAtTheLeft) {
    const ZoomScreen screen{15, 15, 12000, 9000}, room{15, 15, 11500, 8700}, half{7.5, 7.5, 6000, 4500};
    const struct {
        QPoint at;
        int16_t edges;
        ZoomScreen screen;
        QString step;
    } rows[] = {
        {{500, 400}, 0, screen, "0 [ 7500, 6000] offset 400 200 window 7900 6200 copy 465 380 585 460"},
        {{10, 5}, 1, screen, "0 [ 525, 300] offset 400 200 window 925 500 copy 0 0 120 80"},  // clamped
        {{700, 500}, 0, room, "0 [ 10500, 7500] offset 400 200 window 10900 7700 copy 665 480 785 560"},
        {{701, 501}, 0, room, "0 [ 10515, 7515] offset -1600 -1200 window 8915 6315 copy 666 481 786 561"},
        {{100, 21}, 0, half, "0 [ 750, 158] offset 400 200 window 1150 358 copy 65 1 185 81"},  // half to even
        {{0, 300}, 0, screen, "1 [-3000, 4500] offset 400 200 window -2600 4700 copy -235 280 -115 360"},
        {{2, 300}, 2, screen, "ask"},
        {{3, 300}, 2, screen, "0 [ 525, 4500] offset 400 200 window 925 4700 copy 0 280 120 360"},
    };
    for (const auto& row : rows) {
        const ZoomStep s = PlanZoomTick(row.at, row.edges, row.screen);
        const QString step = QString("%1 [%2] offset %3 %4 window %5 %6 copy %7 %8 %9 %10")
                                 .arg(s.edgeCount).arg(s.xyPos).arg(s.offsetX).arg(s.offsetY).arg(s.left)
                                 .arg(s.top).arg(s.captureLeft).arg(s.captureTop).arg(s.captureRight)
                                 .arg(s.captureBottom);
        EXPECT_EQ(s.ask ? "ask" : step, row.step);
    }
}

// The asking tick copies nothing, nor a tick whose events unload it; the clipboard comes back.
TEST(SpotZoom, NoCopyWhileAskingNorAfterAnUnloadInsideATick) {
    FakeServices fakes;
    const ClipboardContent user{{"text/plain", "user text"}};
    fakes.clipboard->content = user;
    SpotZoom& zoom = Forms::Show<SpotZoom>();
    zoom.tmrZoom->SetEnabled(false);
    fakes.pointer->at = {1, 300};
    for (int i = 0; i < 3; ++i) zoom.tmrZoom_Timer();  // two copies at the left edge, then the question
    EXPECT_EQ(fakes.messageBox->prompts, QStringList{"ズームを続けますか？"});
    EXPECT_EQ(fakes.clipboard->sets, 2);
    fakes.pointer->at = {500, 400};
    QMetaObject::invokeMethod(&zoom, [] { Forms::Unload<SpotZoom>(); }, Qt::QueuedConnection);  // in the repaint
    zoom.tmrZoom_Timer();
    EXPECT_EQ(fakes.clipboard->sets, 2);
    EXPECT_EQ(fakes.clipboard->content, user);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Where the picture comes after the tick, one overtaken by a later tick's, or by the unload, never shows.
TEST(SpotZoom, ShowsOnlyTheLastTicksPicture) {
    struct LateScreen : FakeScreenGrabber {
        std::vector<std::function<void()>> answers;
        void GrabThen(int x, int y, int w, int h, const std::function<void(const QImage&)>& done) override {
            answers.push_back([=, this] { done(Grab(x, y, w, h)); });
        }
    };
    FakeServices fakes;
    LateScreen* screen = Install<LateScreen>(fakes.s.screenGrabber);
    SpotZoom& zoom = Forms::Show<SpotZoom>();
    zoom.tmrZoom->SetEnabled(false);
    zoom.tmrZoom_Timer();
    zoom.tmrZoom_Timer();
    screen->answers[1]();
    screen->answers[0]();
    EXPECT_EQ(fakes.clipboard->sets, 1);
    zoom.tmrZoom_Timer();
    Forms::Unload(&zoom);
    screen->answers[2]();
    EXPECT_EQ(fakes.clipboard->sets, 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
