// The magnifier on an 800 x 600 desktop covered by a test pattern, with the real pointer,
// screen copy and clipboard: what it shows, where it sits, what it leaves on the clipboard,
// and its question at the left edge.

#include "Desktop.h"

#include <memory>
#include <optional>

using namespace desktop;

namespace {

const std::string kUserText = "what the user copied";

// The test pattern at screen pixel (x, y): every pixel has its own colour, so that a picture of
// any part of the screen tells where it was taken.
uint32_t PatternColor(int x, int y) {
    return uint32_t(x & 0xFF) << 16 | uint32_t(y & 0xFF) << 8 | uint32_t((x >> 8) << 4 | (y >> 8));
}

std::string ClipboardText() { return Shell("xclip -selection clipboard -o 2>/dev/null"); }

class ZoomDesktop : public ::testing::Test {
protected:
    Desk screen;
    Folder folder;
    std::unique_ptr<Program> host;
    Window zoom = 0;

    void SetUp() override {  // the pattern as the screen's background
        std::string image = "P6\n800 600\n255\n";
        for (int i = 0; i < 800 * 600; ++i)
            for (int shift : {16, 8, 0})
                image += char(PatternColor(i % 800, i / 800) >> shift);
        WriteFile(folder / "pattern.ppm", image);
        Shell("display -window root " + folder / "pattern.ppm");
        ASSERT_EQ(Mismatches({0, 0, 800, 600}, PatternColor), 0);
        // xclip stays behind to serve the selection: keep it off our pipe.
        Shell("printf '%s' '" + kUserText + "' | xclip -selection clipboard >/dev/null 2>&1");
        ASSERT_TRUE(WaitFor([&] { return ClipboardText() == kUserText; }));
        Shell("xdotool mousemove 500 400");
        host = std::make_unique<Program>(FORM_HOST " zoom");
        ASSERT_TRUE(zoom = screen.Await("SpotZoom")) << host->Stderr();
    }
    bool At(int x, int y) {
        const Rect r = screen.Area(zoom);
        return screen.Viewable(zoom) && r.x == x && r.y == y && r.width == 121 && r.height == 79;
    }
    // How many pixels of the screen area differ from expected(i, j); nullopt matches anything.
    int Mismatches(const Rect& area, const std::function<std::optional<uint32_t>(int, int)>& expected) {
        const std::vector<uint32_t> pixels = screen.Pixels(area);
        int wrong = pixels.empty() ? area.width * area.height : 0;
        for (size_t k = 0; k < pixels.size(); ++k) {
            const std::optional<uint32_t> want = expected(k % area.width, k / area.width);
            wrong += want && pixels[k] != *want;
        }
        return wrong;
    }
    Window HoldAtLeftEdgeUntilAsked() {
        Shell("xdotool mousemove 1 300");
        const Window question = screen.Await("Pelmora", 5);
        EXPECT_TRUE(question) << "no question at the left edge";
        return question;
    }
    Window Focus() { return std::stoul("0" + Shell("xdotool getwindowfocus -f 2>/dev/null")); }
};

}  // namespace

TEST_F(ZoomDesktop, ShowsThePointersSurroundingsEnlargedOnTheClipboardAndAsksAtTheEdge) {
    // 7900, 6200 twips at 15 twips per pixel.
    ASSERT_TRUE(WaitFor([&] { return At(527, 413); })) << "not beside the pointer";
    // Inside the single-line border: the screen from (465, 380), each pixel drawn 2 x 2.
    int wrong = -1;
    const auto enlarged = [](int i, int j) { return PatternColor(465 + i / 2, 380 + j / 2); };
    EXPECT_TRUE(WaitFor([&] { return (wrong = Mismatches({528, 414, 118, 77}, enlarged)) == 0; }, 3))
        << wrong << " pixels differ";
    EXPECT_NE(Focus(), zoom);
    EXPECT_TRUE(WaitFor([&] {
        return Shell("xclip -selection clipboard -t TARGETS -o 2>/dev/null").find("image/png") != std::string::npos;
    }));
    EXPECT_EQ(Shell("xclip -selection clipboard -t image/png -o 2>/dev/null | identify -format %wx%h - 2>/dev/null"),
              "120x80");

    // Near the right and bottom edges it jumps to the left of and above the pointer
    // (10250, 7650 twips). The copy (755, 570)-(875, 650) is partly off the screen, that
    // part black, and partly the magnifier itself, which is not checked; the magnifier
    // reaches past the screen's right edge, so only its visible part is read.
    Shell("xdotool mousemove 790 590");
    EXPECT_TRUE(WaitFor([&] { return At(683, 510); })) << "did not jump left and up";
    const auto clipped = [](int i, int j) -> std::optional<uint32_t> {
        const int x = 755 + i / 2, y = 570 + j / 2;
        if (x >= 800 || y >= 600) return 0u;
        if (x >= 683 && x < 804 && y >= 510 && y < 589) return std::nullopt;
        return PatternColor(x, y);
    };
    EXPECT_TRUE(WaitFor([&] { return (wrong = Mismatches({684, 511, 116, 77}, clipped)) == 0; }, 3))
        << wrong << " pixels differ";

    const Window question = HoldAtLeftEdgeUntilAsked();
    EXPECT_TRUE(WaitFor([&] { return At(-173, 313); })) << "not off the screen at the edge";  // -2600, 4700 twips
    EXPECT_TRUE(WaitFor([&] { return Focus() == question; })) << "the question has no focus";
    EXPECT_TRUE(screen.Answer("Escape"));  // No
    EXPECT_TRUE(WaitFor([&] { return !screen.Viewable(zoom); })) << "No left the magnifier open";
    EXPECT_TRUE(WaitFor([&] { return ClipboardText() == kUserText; })) << "the clipboard holds " << ClipboardText();
    EXPECT_FALSE(screen.Await("Pelmora", 1)) << "asked again after No";
    EXPECT_TRUE(host->Running()) << host->Stderr();
}

TEST_F(ZoomDesktop, YesAsksAgainAtTheEdgeAndUnloadingWhileAskingLeavesNoQuestion) {
    HoldAtLeftEdgeUntilAsked();
    EXPECT_TRUE(screen.Answer());  // Yes
    EXPECT_TRUE(screen.Await("Pelmora", 3)) << "not asked again";
    Shell("xdotool mousemove 500 400");
    EXPECT_TRUE(screen.Answer());
    EXPECT_TRUE(WaitFor([&] { return At(527, 413); })) << "did not come back beside the pointer";
    EXPECT_FALSE(screen.Await("Pelmora", 1)) << "asked again away from the edge";

    HoldAtLeftEdgeUntilAsked();
    host->Signal(SIGUSR1);  // unloaded from code, as the demo does
    EXPECT_TRUE(WaitFor([&] { return !screen.Find("Pelmora") && !screen.Viewable(zoom); })) << "question left behind";
    EXPECT_TRUE(WaitFor([&] { return ClipboardText() == kUserText; })) << "the clipboard holds " << ClipboardText();
    EXPECT_TRUE(host->Running()) << host->Stderr();
    host->Signal(SIGTERM);
    EXPECT_EQ(host->WaitExit(), 0) << host->Stderr();
}
