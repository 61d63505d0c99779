// The magnifier over a test pattern: what it shows, where, its question, the clipboard.

#include "Desktop.h"

// Each pixel its own colour: a part tells where it was taken.
uint32_t Pattern(int x, int y) { return (x & 255) << 16 | (y & 255) << 8 | (x >> 8) << 4 | y >> 8; }

string Clipboard() { return Shell("xclip -selection clipboard -o 2>/dev/null"); }

TEST(Zoom, EnlargesBesideThePointerAndAsksAtTheEdge) {
    Folder folder;
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
    Program pattern(kwin || gnome ? "display -title Pattern " + folder / "pattern.ppm" : "true");
    if (Await("Pattern") && kwin)  // a window at the back, borderless, over the whole screen
        KWinWindows("for (const w of ws) if (w.caption == 'Pattern') { w.noBorder = true; w.keepBelow = true; "
                    "w.frameGeometry = {x: 0, y: 0, width: 800, height: 600}; }");
    else if (gnome) {
        GnomeWindows("for (const w of ws) if (w.get_title() == \"Pattern\") { w.make_fullscreen(); w.lower(); }");
        ASSERT_TRUE(SOON(Area(Find("Pattern")).width == 800)) << "the pattern is not over the screen";
    }
    // xclip stays to serve the selection: off our pipe.
    Shell("echo copied | xclip -selection clipboard >/dev/null 2>&1");
    MovePointer(500, 400);
    ASSERT_TRUE(SOON(Clipboard() == "copied\n"));
    const auto program = Pelmora("alt+t z");
    const Window zoom = Await("SpotZoom");
    if (sway)  // which cannot minimise the main window, over the pattern
        Shell("swaymsg '[title=\"^Pelmora - Utility\"] move scratchpad' >/dev/null");
    const auto at = [&](int x, int y) {  // in pixels of 15 twips
        const Rect r = Area(zoom);
        return Viewable(zoom) && r.x == x && r.y == y && r.width == 121 && r.height == 79;
    };
    ASSERT_TRUE(SOON(at(527, 413)));
    // KWin gives no screenshots where it composites with QPainter, having no render node (KWin 6
    // on these machines): the user is told so instead.
    const bool pictures = !kwin || Shell("gdbus call --session --dest org.kde.KWin --object-path /KWin --method "
                                         "org.kde.KWin.supportInformation").find("Type: QPainter") == string::npos;
    const auto told = [&] { return program->Stderr().find("gets no picture of the screen") != string::npos; };
    EXPECT_TRUE(pictures || WaitFor(told)) << program->Stderr();
    // Inside the border: the screen from (465, 380), each pixel drawn 2 x 2.
    EXPECT_TRUE(!pictures || WaitFor([&] {
        const std::vector<uint32_t> shown = Pixels(zoom, {1, 1, 118, 77});
        for (int i = 0; i < int(shown.size()); ++i)
            if (shown[i] != Pattern(465 + i % 118 / 2, 380 + i / 118 / 2)) return false;
        return !shown.empty();
    }, 5)) << "not the screen beside the pointer, enlarged; " << program->Stderr();
    EXPECT_TRUE(!pictures || SOON(Shell("xclip -selection clipboard -t x-kde-passwordManagerHint -o") == "secret"))
        << "the picture is not marked for clipboard managers";
    if (gnome) {  // the extension turned off and on, as at a screen lock: it serves the magnifier again
        Shell("gnome-extensions disable pelmora@example.org; gnome-extensions enable pelmora@example.org");
        EXPECT_TRUE(SOON(std::regex_search(Shell("gnome-extensions info pelmora@example.org"),
                                           std::regex("State: (ENABLED|ACTIVE)"))));
    }
    MovePointer(790, 590);  // near the right and bottom edges
    EXPECT_TRUE(SOON(at(683, 510))) << "did not jump left and up";

    MovePointer(1, 300);
    EXPECT_TRUE(SOON(at(-173, 313))) << "not off the screen at the edge";
    ASSERT_TRUE(Await("Pelmora", 3));
    MovePointer(500, 400);
    EXPECT_TRUE(Answer());  // Yes
    EXPECT_TRUE(SOON(at(527, 413)));
    EXPECT_FALSE(Await("Pelmora", 1)) << "asked away from the edge";
    MovePointer(1, 300);
    EXPECT_TRUE(Answer("Escape"));  // No
    EXPECT_TRUE(SOON(!Viewable(zoom)));
    EXPECT_TRUE(SOON(Clipboard() == "copied\n")) << Clipboard();
    EXPECT_FALSE(Await("Pelmora", 1)) << "asked again after No";
    EXPECT_TRUE(program->Running()) << program->Stderr();
}
