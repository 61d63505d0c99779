#include "SpotZoom.h"
#include "Support.h"
#include "Timer.h"

// From the pointer, the edge count and the screen: the edge count, the position text, the
// offsets, the window's place (twips) and the screen copy (pixels).
TEST(SpotZoom, TickFollowsFlipsAndAsks) {
    // 800 x 600 pixels; 833 x 660 at 192 dpi; the right-hand one of 800 + 1024 pixels.
    const ZoomScreen screen{15, 15, 12000, 9000}, room{7.5, 7.5, 6250, 4950}, right{15, 15, 27360, 11520};
    const struct {
        QPoint at;
        int16_t edges;
        ZoomScreen screen;
        QString step;
    } rows[] = {
        {{10, 5}, 1, screen, "0 [ 525, 300] 400 200 925 500 0 0 120 80"},  // clamped
        {{700, 500}, 0, room, "0 [ 5250, 3750] 400 200 5650 3950 665 480 785 560"},
        {{701, 503}, 0, room, "0 [ 5258, 3772] -1600 -1200 3658 2572 666 483 786 563"},  // halves to even
        {{0, 300}, 0, screen, "1 [-3000, 4500] 400 200 -2600 4700 -235 280 -115 360"},
        {{2, 300}, 2, screen, "ask 2 [] 0 0 0 0 0 0 0 0"},  // and nothing else
        {{3, 300}, 2, screen, "0 [ 525, 4500] 400 200 925 4700 0 280 120 360"},
        {{1000, 700}, 0, right, "0 [ 15000, 10500] 400 -1200 15400 9300 965 680 1085 760"},  // its own edges
    };
    for (const auto& row : rows) {
        const ZoomStep s = PlanZoomTick(row.at, row.edges, row.screen);
        const QString step = QString("%1 [%2] %3 %4 %5 %6 %7 %8 %9 %10").arg(s.edgeCount).arg(s.xyPos)
                                 .arg(s.offsetX).arg(s.offsetY).arg(s.left).arg(s.top).arg(s.captureLeft)
                                 .arg(s.captureTop).arg(s.captureRight).arg(s.captureBottom);
        EXPECT_EQ((s.ask ? "ask " : "") + step, row.step);
    }
}

// Where the picture comes after the tick, one overtaken by a later tick's or by the unload never
// shows; the asking tick asks for none, nor a tick whose repaint unloads; the clipboard comes back.
TEST_F(InFolder, ShowsTheLastPictureAndRestoresTheClipboard) {
    struct LateScreen : FakeScreenGrabber {
        std::vector<std::function<void()>> answers;
        void GrabThen(int x, int y, int w, int h, const std::function<void(const QImage&)>& done) override {
            answers.push_back([=, this] { done(Grab(x, y, w, h)); });
        }
    };
    LateScreen* screen = Install<LateScreen>(s.screenGrabber);
    const ClipboardContent user{{"text/plain", "user text"}};
    clipboard->content = user;
    SpotZoom& zoom = Forms::Show<SpotZoom>();
    zoom.tmrZoom->SetEnabled(false);
    for (int i = 0; i < 2; ++i) zoom.tmrZoom_Timer();
    screen->answers[1]();
    screen->answers[0]();
    EXPECT_EQ(clipboard->sets, 1);
    pointer->at = {1, 300};
    for (int i = 0; i < 3; ++i) zoom.tmrZoom_Timer();  // two copies at the left edge, then the question
    EXPECT_EQ(messageBox->prompts, QStringList{ZoomQuestion()});
    pointer->at = {500, 400};
    QMetaObject::invokeMethod(&zoom, [] { Forms::Unload<SpotZoom>(); }, Qt::QueuedConnection);  // in the repaint
    zoom.tmrZoom_Timer();
    ASSERT_EQ(screen->answers.size(), 4u);
    screen->answers[3]();
    EXPECT_EQ(clipboard->sets, 1);
    EXPECT_EQ(clipboard->content, user);
}
