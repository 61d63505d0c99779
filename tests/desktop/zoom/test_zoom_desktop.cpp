// The magnifier over a test pattern: what it shows, where, its question, the clipboard.

#include "Desktop.h"

// Each pixel its own colour: a part tells where it was taken.
uint32_t Pattern(int x, int y) { return (x & 255) << 16 | (y & 255) << 8 | (x >> 8) << 4 | y >> 8; }

string Clipboard() { return Shell("xclip -selection clipboard -o 2>/dev/null"); }

class Zoom : public ::testing::Test {
protected:
    Folder folder;
    std::unique_ptr<Program> pattern, program;
    Window zoom = 0;
    int scale = 1;  // real pixels to a desktop pixel

    // The pattern over the whole screen: the root window's background, on Wayland a window at the back.
    void SetUp() override {
        string image = "P6\n800 600\n255\n";
        for (int i = 0; i < 800 * 600; ++i) {
            const uint32_t colour = Pattern(i % 800, i / 800);
            image += {char(colour >> 16), char(colour >> 8), char(colour)};
        }
        WriteFile(folder / "pattern.ppm", image);
        if (sway)  // drawn by swaybg, as sway's user
            Shell("chmod 755 " + folder.path + "; convert " + folder / "pattern.ppm" + " " + folder / "pattern.png" +
                  "; swaymsg output '*' bg " + folder / "pattern.png" + " stretch");
        else if (!kwin && !gnome)
            Shell("display -window root " + folder / "pattern.ppm");
        pattern = std::make_unique<Program>(kwin || gnome ? "display -title Pattern " + folder / "pattern.ppm" : "true");
        if (Await("Pattern") && kwin)  // a window at the back, borderless, over the whole screen
            KWinWindows("for (const w of ws) if (w.caption == 'Pattern') { w.noBorder = true; w.keepBelow = true; "
                        "w.frameGeometry = {x: 0, y: 0, width: 800, height: 600}; }");
        else if (gnome) {
            GnomeWindows("for (const w of ws) if (w.get_title() == \"Pattern\") { w.make_fullscreen(); w.lower(); }");
            ASSERT_TRUE(SOON(Area(Find("Pattern")).width == 800)) << "the pattern is not over the screen";
        }
    }
    // Pelmora with the magnifier open.
    void Open() {
        program = Pelmora("alt+t z");
        zoom = Await("SpotZoom");
        if (sway)  // which cannot minimise the main window, over the pattern
            Shell("swaymsg '[title=\"^Pelmora - Utility\"] move scratchpad' >/dev/null");
    }
    // Whether the magnifier shows the screen from (left, top), each real pixel drawn 2 x 2 inside
    // its border; black where no monitor shows the pattern.
    bool Shows(int left, int top, const std::function<bool(int, int)>& onMonitor = nullptr) {
        const int width = 118 * scale;
        return WaitFor([&] {
            const std::vector<uint32_t> shown = Pixels(zoom, {scale, scale, width, 77 * scale});
            for (int i = 0; i < int(shown.size()); ++i) {
                const int x = left + i % width / 2, y = top + i / width / 2;
                if (shown[i] != (!onMonitor || onMonitor(x, y) ? Pattern(x, y) : 0)) return false;
            }
            return !shown.empty();
        }, 5);
    }
    // The magnifier's window is at (x, y), in desktop pixels of 15 twips.
    bool At(int x, int y) {
        return SOON(Viewable(zoom) && Area(zoom).x == x * scale && Area(zoom).y == y * scale &&
                    Area(zoom).width == 121 * scale && Area(zoom).height == 79 * scale);
    }
};

TEST_F(Zoom, EnlargesBesideThePointerAndAsksAtTheEdge) {
    // xclip stays to serve the selection: off our pipe.
    Shell("echo copied | xclip -selection clipboard >/dev/null 2>&1");
    MovePointer(500, 400);
    ASSERT_TRUE(SOON(Clipboard() == "copied\n"));
    Open();
    ASSERT_TRUE(At(527, 413));
    // KWin gives no screenshots where it composites with QPainter, having no render node (KWin 6
    // on these machines): the user is told so instead.
    const bool pictures = !kwin || Shell("gdbus call --session --dest org.kde.KWin --object-path /KWin --method "
                                         "org.kde.KWin.supportInformation").find("Type: QPainter") == string::npos;
    const auto told = [&] { return program->Stderr().find("gets no picture of the screen") != string::npos; };
    EXPECT_TRUE(pictures || WaitFor(told)) << program->Stderr();
    // Inside the border: the screen from (465, 380), each pixel drawn 2 x 2.
    EXPECT_TRUE(!pictures || Shows(465, 380)) << "not the screen beside the pointer, enlarged; " << program->Stderr();
    EXPECT_TRUE(!pictures || SOON(Shell("xclip -selection clipboard -t x-kde-passwordManagerHint -o") == "secret"))
        << "the picture is not marked for clipboard managers";
    if (gnome) {  // the extension turned off and on, as at a screen lock: it serves the magnifier again
        Shell("gnome-extensions disable pelmora@example.org; gnome-extensions enable pelmora@example.org");
        EXPECT_TRUE(SOON(std::regex_search(Shell("gnome-extensions info pelmora@example.org"),
                                           std::regex("State: (ENABLED|ACTIVE)"))));
    }
    MovePointer(790, 590);  // near the right and bottom edges
    EXPECT_TRUE(At(683, 510)) << "did not jump left and up";

    MovePointer(1, 300);
    EXPECT_TRUE(At(-173, 313)) << "not off the screen at the edge";
    ASSERT_TRUE(Await("Pelmora", 3));
    MovePointer(500, 400);
    EXPECT_TRUE(Answer());  // Yes
    EXPECT_TRUE(At(527, 413));
    EXPECT_FALSE(Await("Pelmora", 1)) << "asked away from the edge";
    MovePointer(1, 300);
    EXPECT_TRUE(Answer("Escape"));  // No
    EXPECT_TRUE(SOON(!Viewable(zoom)));
    EXPECT_TRUE(SOON(Clipboard() == "copied\n")) << Clipboard();
    EXPECT_FALSE(Await("Pelmora", 1)) << "asked again after No";
    EXPECT_TRUE(program->Running()) << program->Stderr();
}

// Two monitors of different sizes in both orders, set while the magnifier runs: its window flips
// at the pointer's monitor's edges, and its picture joins what the monitors show, black off them.
// The window stays clear of the part of the picture it shows, which X would copy too.
TEST_F(Zoom, KeepsToTheMonitorUnderThePointer) {
    if (sway || kwin || gnome) GTEST_SKIP() << "X11's monitors";
    MovePointer(200, 200);
    Open();
    SetMonitors({{0, 0, 500, 600}, {500, 0, 300, 400}});
    MovePointer(640, 350);
    EXPECT_TRUE(At(667, 270)) << "not right of the pointer and up, inside the right monitor";
    EXPECT_TRUE(Shows(605, 330)) << "not the right monitor's picture";
    MovePointer(510, 390);
    EXPECT_TRUE(At(537, 310));
    EXPECT_TRUE(Shows(475, 370, [](int x, int y) { return x < 500 || y < 400; })) << "not both monitors' pixels";

    SetMonitors({{300, 0, 500, 600}, {0, 0, 300, 400}});
    MovePointer(200, 350);
    EXPECT_TRUE(At(227, 270)) << "not up, inside the left monitor";
    EXPECT_TRUE(Shows(165, 330)) << "not the left monitor's picture";
    MovePointer(301, 300);
    EXPECT_FALSE(Await("Pelmora", 1)) << "asked at the inner edge of a monitor";
    MovePointer(1, 300);
    EXPECT_TRUE(Answer("Escape"));
    EXPECT_TRUE(SOON(!Viewable(zoom)));
    SetMonitors({});
}

// At 192 dpi Qt draws with twice the pixels: the magnifier enlarges the screen's real pixels, sharp,
// and keeps its size and place in twips.
TEST_F(Zoom, SharpOnAScaledScreen) {
    if (sway || kwin || gnome) GTEST_SKIP() << "X11's Xft.dpi";
    Shell("echo 'Xft.dpi: 192' | xrdb -merge");
    scale = 2;
    MovePointer(400, 300);
    Open();
    EXPECT_TRUE(At(227, 163));
    EXPECT_TRUE(Shows(330, 260)) << "not the screen's real pixels, each drawn 2 x 2";
    Shell("echo 'Xft.dpi: 96' | xrdb -merge");
}
