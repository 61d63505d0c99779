// The magnifier on an 800 x 600 virtual desktop covered by a test pattern, with the
// real pointer, screen copy and clipboard: what it shows, where it sits, what it
// leaves on the clipboard, and its question at the left edge.

#include "Desktop.h"
#include "Pattern.h"

#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

// After GoogleTest: Xlib's macros (None, Status) would break its headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

// Xlib's Window and the harness's are the same 32-bit-id type.
using desktop::Program;
using desktop::Shell;
using desktop::WaitFor;

namespace {

const std::string kUserText = "what the user copied";

// Local helpers over Xlib: the shared harness stays as it is.
struct Pixels {
    Display* display = XOpenDisplay(nullptr);
    ~Pixels() { XCloseDisplay(display); }

    // The window's position on the screen and its size; empty when it is not mapped.
    bool Geometry(Window window, int& x, int& y, int& w, int& h) {
        XWindowAttributes a;
        if (!XGetWindowAttributes(display, window, &a) || a.map_state != IsViewable) return false;
        Window child;
        XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
        w = a.width;
        h = a.height;
        return true;
    }
    // Counts the pixels of the screen area (x, y, w, h) that differ from expected(i, j);
    // an empty expectation matches anything.
    template <class Expected>
    int Mismatches(int x, int y, int w, int h, const Expected& expected) {
        XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, w, h, AllPlanes, ZPixmap);
        if (!image) return w * h;
        int wrong = 0;
        for (int j = 0; j < h; ++j)
            for (int i = 0; i < w; ++i) {
                const std::optional<uint32_t> want = expected(i, j);
                wrong += want && (XGetPixel(image, i, j) & 0xFFFFFF) != *want;
            }
        XDestroyImage(image);
        return wrong;
    }
    Window Focus() {
        Window focus;
        int revert;
        XGetInputFocus(display, &focus, &revert);
        return focus;
    }
};

std::string ClipboardTargets() { return Shell("xclip -selection clipboard -t TARGETS -o 2>/dev/null"); }
std::string ClipboardText() { return Shell("xclip -selection clipboard -o 2>/dev/null"); }
// Width x height of the clipboard's PNG picture, and the file it was saved to.
std::string ClipboardPicture(const std::string& file) {
    Shell("xclip -selection clipboard -t image/png -o > " + file + " 2>/dev/null");
    return Shell("identify -format %wx%h " + file + " 2>/dev/null");
}

class ZoomDesktop : public ::testing::Test {
protected:
    desktop::Screen screen;
    Pixels pixels;
    Program pattern{ZOOM_PATTERN};
    std::unique_ptr<Program> host;
    Window zoom = 0;

    void SetUp() override {
        ASSERT_TRUE(WaitFor([&] {
            const Window w = screen.FindByTitle("ZoomPattern");
            return w && screen.Viewable(w);
        })) << pattern.Stderr();
        // xclip stays behind to serve the selection: keep it off our pipe.
        Shell("printf '%s' '" + kUserText + "' | xclip -selection clipboard >/dev/null 2>&1");
        ASSERT_TRUE(WaitFor([&] { return ClipboardText() == kUserText; }));
        Shell("xdotool mousemove 500 400");
        host = std::make_unique<Program>(ZOOM_HOST);
        ASSERT_TRUE(WaitFor([&] { return (zoom = screen.FindByTitle("SpotZoom")) && screen.Viewable(zoom); }))
            << host->Stderr();
    }

    bool At(int wantX, int wantY) {
        int x, y, w, h;
        return pixels.Geometry(zoom, x, y, w, h) && x == wantX && y == wantY && w == 121 && h == 79;
    }
    Window Question() {
        const Window w = screen.FindByTitle("Pelmora");
        return w && screen.Viewable(w) ? w : 0;
    }
    void HoldAtLeftEdgeUntilAsked() {
        Shell("xdotool mousemove 1 300");
        ASSERT_TRUE(WaitFor([&] { return Question() != 0; }, 5)) << "no question at the left edge";
    }
};

}  // namespace

TEST_F(ZoomDesktop, ShowsTheAreaAroundThePointerEnlargedTwoTimesBesideIt) {
    // 7900, 6200 twips at 15 twips per pixel.
    ASSERT_TRUE(WaitFor([&] { return At(527, 413); })) << "not beside the pointer";
    // Inside the single-line border: the screen from (465, 380), each pixel drawn 2 x 2.
    const auto enlarged = [](int i, int j) -> std::optional<uint32_t> {
        return PatternColor(465 + i / 2, 380 + j / 2);
    };
    int wrong = -1;
    EXPECT_TRUE(WaitFor([&] { return (wrong = pixels.Mismatches(528, 414, 118, 77, enlarged)) == 0; }, 3))
        << wrong << " pixels differ";
    EXPECT_NE(pixels.Focus(), zoom);

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
    EXPECT_TRUE(WaitFor([&] { return (wrong = pixels.Mismatches(684, 511, 116, 77, clipped)) == 0; }, 3))
        << wrong << " pixels differ";
}

TEST_F(ZoomDesktop, HoldsItsPictureOnTheClipboardAndPutsTheUserTextBackAfterNo) {
    EXPECT_TRUE(WaitFor([&] { return ClipboardTargets().find("image/png") != std::string::npos; }));
    EXPECT_EQ(ClipboardPicture("/tmp/zoom-desktop-clip.png"), "120x80");
    HoldAtLeftEdgeUntilAsked();
    EXPECT_TRUE(WaitFor([&] { return At(-173, 313); })) << "not off the screen at the edge";  // -2600, 4700 twips
    EXPECT_TRUE(WaitFor([&] { return pixels.Focus() == Question(); })) << "the question has no focus";
    screen.Key("Escape");  // No
    EXPECT_TRUE(WaitFor([&] { return !screen.Viewable(zoom) && Question() == 0; }));
    EXPECT_TRUE(WaitFor([&] { return ClipboardText() == kUserText; })) << ClipboardText();
    EXPECT_FALSE(WaitFor([&] { return Question() != 0; }, 1.0)) << "asked again after No";
    EXPECT_TRUE(host->Running()) << host->Stderr();
}

TEST_F(ZoomDesktop, YesKeepsZoomingAndAsksAgainWhileThePointerStaysAtTheEdge) {
    HoldAtLeftEdgeUntilAsked();
    const Window first = Question();
    screen.Key("Return");  // Yes
    ASSERT_TRUE(WaitFor([&] { return Question() == 0 || Question() != first; }));
    EXPECT_TRUE(WaitFor([&] { return Question() != 0; }, 3)) << "not asked again";
    Shell("xdotool mousemove 500 400");
    screen.Key("Return");
    EXPECT_TRUE(WaitFor([&] { return At(527, 413); })) << "did not come back beside the pointer";
    EXPECT_FALSE(WaitFor([&] { return Question() != 0; }, 1.0));
}

TEST_F(ZoomDesktop, UnloadedWhileAskingItLeavesNoQuestionAndTheProgramEndsCleanly) {
    HoldAtLeftEdgeUntilAsked();
    host->Signal(SIGUSR1);  // unloaded from code, as the demo does
    EXPECT_TRUE(WaitFor([&] { return Question() == 0 && !screen.Viewable(zoom); })) << "question left behind";
    EXPECT_TRUE(WaitFor([&] { return ClipboardText() == kUserText; })) << ClipboardText();
    EXPECT_TRUE(host->Running()) << host->Stderr();
    host->Signal(SIGTERM);
    EXPECT_EQ(host->WaitExit(), 0) << host->Stderr();
}
