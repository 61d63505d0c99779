// The magnifier on an 800 x 600 desktop covered by a test pattern, with the real pointer,
// screen copy and clipboard: what it shows, where it sits, and its question at the left edge.

#include "Desktop.h"

#include <memory>

namespace {

const std::string kCopied = "what the user copied";

// Every pixel of the pattern has its own colour: a picture of a part of it tells where it was taken.
uint32_t Pattern(int x, int y) { return (x & 255) << 16 | (y & 255) << 8 | (x >> 8) << 4 | y >> 8; }

std::string Clipboard() { return Shell("xclip -selection clipboard -o 2>/dev/null"); }

class Zoom : public ::testing::Test {
protected:
    Folder folder;
    std::unique_ptr<Program> host;
    Window zoom = 0;

    void SetUp() override {
        std::string image = "P6\n800 600\n255\n";
        for (int i = 0; i < 800 * 600; ++i) {
            const uint32_t colour = Pattern(i % 800, i / 800);
            image += {char(colour >> 16), char(colour >> 8), char(colour)};
        }
        WriteFile(folder / "pattern.ppm", image);
        Shell("display -window root " + folder / "pattern.ppm");
        // xclip stays behind to serve the selection: keep it off our pipe.
        Shell("printf '" + kCopied + "' | xclip -selection clipboard >/dev/null 2>&1; xdotool mousemove 500 400");
        ASSERT_TRUE(WaitFor([&] { return Clipboard() == kCopied; }));
        host = std::make_unique<Program>(FORM_HOST " zoom");
        ASSERT_TRUE(zoom = Await("SpotZoom")) << host->Stderr();
    }
    bool At(int x, int y) {  // in pixels; 15 twips each
        const Rect r = Area(zoom);
        return Viewable(zoom) && r.x == x && r.y == y && r.width == 121 && r.height == 79;
    }
    void AskedAtTheLeftEdge() {
        Shell("xdotool mousemove 1 300");
        ASSERT_TRUE(Await("Pelmora", 5)) << "no question at the left edge";
    }
};

}  // namespace

TEST_F(Zoom, ShowsThePointersSurroundingsEnlargedAndAsksAtTheLeftEdge) {
    ASSERT_TRUE(WaitFor([&] { return At(527, 413); })) << "not beside the pointer";
    // Inside the single-line border: the screen from (465, 380), each pixel drawn 2 x 2.
    const Rect inside{528, 414, 118, 77};
    EXPECT_TRUE(WaitFor([&] {
        const std::vector<uint32_t> shown = Pixels(inside);
        for (int i = 0; i < int(shown.size()); ++i)
            if (shown[i] != Pattern(465 + i % inside.width / 2, 380 + i / inside.width / 2)) return false;
        return !shown.empty();
    }, 3)) << "the magnifier does not show the screen beside the pointer, enlarged";
    // Near the right and bottom edges it jumps to the left of and above the pointer.
    Shell("xdotool mousemove 790 590");
    EXPECT_TRUE(WaitFor([&] { return At(683, 510); })) << "did not jump left and up";

    AskedAtTheLeftEdge();
    EXPECT_TRUE(WaitFor([&] { return At(-173, 313); })) << "not off the screen at the edge";
    EXPECT_TRUE(Answer());  // Yes
    EXPECT_TRUE(Await("Pelmora", 3)) << "not asked again";
    Shell("xdotool mousemove 500 400");
    EXPECT_TRUE(Answer());
    EXPECT_TRUE(WaitFor([&] { return At(527, 413); })) << "did not come back beside the pointer";
    EXPECT_FALSE(Await("Pelmora", 1)) << "asked away from the edge";

    AskedAtTheLeftEdge();
    EXPECT_TRUE(Answer("Escape"));  // No
    EXPECT_TRUE(WaitFor([&] { return !Viewable(zoom); })) << "No left the magnifier open";
    EXPECT_TRUE(WaitFor([&] { return Clipboard() == kCopied; })) << "the clipboard holds " << Clipboard();
    EXPECT_FALSE(Await("Pelmora", 1)) << "asked again after No";
    EXPECT_TRUE(host->Running()) << host->Stderr();
}
