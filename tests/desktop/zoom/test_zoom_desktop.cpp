// The magnifier over a test pattern: what it shows, where, its question, the clipboard.

#include "Desktop.h"

// Each pixel its own colour: a part tells where it was taken.
uint32_t Pattern(int x, int y) { return (x & 255) << 16 | (y & 255) << 8 | (x >> 8) << 4 | y >> 8; }

string Clipboard() { return Shell("xclip -selection clipboard -o 2>/dev/null"); }

class Zoom : public ::testing::Test {
protected:
    Folder folder;
    std::unique_ptr<Program> program;
    std::vector<Window> patterns;
    Window zoom = 0;
    int scale = 1;  // X's pixels to a desktop pixel
    int drawn = 2;  // the magnifier's pixels to a real one
    string wrong;  // the first pixel Shows found wrong
    // The screen the pattern covers: X's whole screen; on sway each output's part is set apart.
    const int width = sway ? 800 : Area(root).width, height = 600;

    // The pattern over the whole screen: the root window's background; on KWin and GNOME the
    // background of a window at the back, on GNOME one on each monitor.
    void SetUp() override {
        string image = "P6\n" + to_string(width) + " " + to_string(height) + "\n255\n";
        for (int i = 0; i < width * height; ++i) {
            const uint32_t colour = Pattern(i % width, i / width);
            image += {char(colour >> 16), char(colour >> 8), char(colour)};
        }
        WriteFile(folder / "pattern.ppm", image);
        if (sway) {  // drawn by swaybg, as sway's user
            Shell("chmod 755 " + folder.path + "; convert " + folder / "pattern.ppm" + " " + folder / "pattern.png" +
                  "; swaymsg output '*' bg " + folder / "pattern.png" + " stretch");
            return;
        }
        if (!kwin && !gnome) return (void)Shell("display -window root " + folder / "pattern.ppm");
        for (const Rect& part : gnome ? ListedMonitors() : std::vector<Rect>{{0, 0, width, height}}) {
            const string name = "Pattern" + to_string(part.x), file = folder / (name + ".ppm");
            const Window window = XCreateSimpleWindow(display, root, part.x, 0, part.width, height, 0, 0, 0);
            patterns.push_back(window);
            XStoreName(display, window, name.c_str());
            // Without a title bar, which GNOME would make room for by shrinking the window; GNOME 48
            // then went on showing its picture of that size, enlarged, once it was full screen.
            const Atom motif = XInternAtom(display, "_MOTIF_WM_HINTS", False);
            const long undecorated[5] = {2, 0, 0, 0, 0};
            XChangeProperty(display, window, motif, motif, 32, PropModeReplace, (const unsigned char*)undecorated, 5);
            XMapWindow(display, window);
            XSync(display, False);
            // Drawn once the window is in place: the viewer centres its picture in the window.
            ASSERT_TRUE(SOON(PlacePattern(window, name, part))) << "the pattern is not over the screen";
            Shell("convert " + folder / "pattern.ppm" + " -crop " + to_string(part.width) + "x" + to_string(height) +
                  "+" + to_string(part.x) + "+0 " + file + "; display -window " + to_string(window) + " " + file);
        }
    }
    void TearDown() override {
        for (Window window : patterns) XDestroyWindow(display, window);
    }
    // A pattern's window at the back, borderless, over its part of the screen (on GNOME full screen on
    // its monitor); asked again until the compositor has taken the window on and placed it.
    bool PlacePattern(Window window, const string& name, const Rect& part) {
        const string x = to_string(part.x);
        if (gnome)
            return GnomeEval("const d = global.display, w = global.get_window_actors().map(a => a.meta_window)"
                             ".find(w => w.get_title() == \"" + name + "\"); if (w) { for (let i = 0; i < "
                             "d.get_n_monitors(); ++i) if (d.get_monitor_geometry(i).x == " + x + ") w.move_to_monitor(i); "
                             "w.make_fullscreen(); w.lower(); } !!w && w.is_fullscreen() && w.get_frame_rect().x == " + x)
                .toBool();
        KWinWindows("for (const w of ws) if (w.caption == '" + name + "') { w.noBorder = true; w.keepBelow = true; "
                    "w.frameGeometry = {x: " + x + ", y: 0, width: " + to_string(part.width) + ", height: 600}; }");
        const Rect placed = Area(window);
        return placed.x == part.x && placed.y == 0 && placed.width == part.width;
    }
    // Pelmora with the magnifier open.
    void Open() {
        program = Pelmora("alt+t z");
        zoom = Await("SpotZoom");
        if (sway)  // which cannot minimise the main window, over the pattern
            Shell("swaymsg '[title=\"^Pelmora - Utility\"] move scratchpad' >/dev/null");
        else  // it hides or minimises: over the pattern, it would be in the magnifier's picture
            EXPECT_TRUE(SOON(!Viewable(Find(MainTitle, false)))) << "the main window stays on the screen";
    }
    // The monitors set; on sway each output shows the pattern at its real pixels, from its place times its scale.
    void Layout(const std::vector<Rect>& monitors, int realPixels = 1) {
        SetMonitors(monitors, realPixels);
        if (!sway) return;
        for (const QJsonValue& output : QJsonDocument::fromJson(QByteArray::fromStdString(
                                             Shell("swaymsg -r -t get_outputs"))).array()) {
            const QJsonObject r = output["rect"].toObject();
            const int s = output["scale"].toInt();
            if (r["x"].toInt() >= 800) continue;  // set aside
            const string name = output["name"].toString().toStdString(), part = folder / (name + ".png");
            Shell("convert " + folder / "pattern.ppm" + " -crop " + to_string(r["width"].toInt() * s) + "x" +
                  to_string(r["height"].toInt() * s) + "+" + to_string(r["x"].toInt() * s) + "+" +
                  to_string(r["y"].toInt() * s) + " +repage " + part + " && swaymsg output " + name + " bg " + part +
                  " stretch >/dev/null");
        }
    }
    // KWin gives no screenshots where it composites with QPainter, having no render node (KWin 6
    // on these machines): the user is told so instead.
    static bool Pictures() {
        return !kwin || Shell("gdbus call --session --dest org.kde.KWin --object-path /KWin --method "
                              "org.kde.KWin.supportInformation").find("Type: QPainter") == string::npos;
    }
    // Whether the magnifier shows the screen from (left, top), each real pixel drawn 2 x 2 (or as
    // drawn says) inside its border; black where no monitor shows the pattern.
    bool Shows(int left, int top, const std::function<bool(int, int)>& onMonitor = nullptr) {
        const int width = 118 * scale;
        return WaitFor([&] {
            const std::vector<uint32_t> shown = Pixels(zoom, {scale, scale, width, 77 * scale});
            for (int i = 0; i < int(shown.size()); ++i) {
                const int x = left + i % width / drawn, y = top + i / width / drawn;
                if (const uint32_t wanted = !onMonitor || onMonitor(x, y) ? Pattern(x, y) : 0; shown[i] != wanted) {
                    char told[80];
                    std::snprintf(told, sizeof told, "at (%d, %d) #%06x, not #%06x; ", x, y, shown[i], wanted);
                    wrong = told;
                    return false;
                }
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
    const bool pictures = Pictures();
    const auto told = [&] { return program->Stderr().find("gets no picture of the screen") != string::npos; };
    EXPECT_TRUE(pictures || WaitFor(told)) << program->Stderr();
    // Inside the border: the screen from (465, 380), each pixel drawn 2 x 2.
    EXPECT_TRUE(!pictures || Shows(465, 380)) << "not the screen beside the pointer, enlarged: " << wrong << program->Stderr();
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
    if (kwin || gnome) GTEST_SKIP() << "X11's monitors and sway's outputs";
    MovePointer(200, 200);
    Open();
    Layout({{0, 0, 500, 600}, {500, 0, 300, 400}});
    MovePointer(640, 350);
    EXPECT_TRUE(At(667, 270)) << "not right of the pointer and up, inside the right monitor";
    EXPECT_TRUE(Shows(605, 330)) << "not the right monitor's picture";
    MovePointer(510, 390);
    EXPECT_TRUE(At(537, 310));
    EXPECT_TRUE(Shows(475, 370, [](int x, int y) { return x < 500 || y < 400; })) << "not both monitors' pixels";

    Layout({{300, 0, 500, 600}, {0, 0, 300, 400}});
    MovePointer(200, 350);
    EXPECT_TRUE(At(227, 270)) << "not up, inside the left monitor";
    EXPECT_TRUE(Shows(165, 330)) << "not the left monitor's picture";
    MovePointer(301, 300);
    EXPECT_FALSE(Await("Pelmora", 1)) << "asked at the inner edge of a monitor";
    MovePointer(1, 300);
    EXPECT_TRUE(Answer("Escape"));
    EXPECT_TRUE(SOON(!Viewable(zoom)));
    Layout({});
}

// KWin's outputs or GNOME's monitors, made side by side at their start: the magnifier keeps to the right one's edges and
// joins both outputs' pixels across their border.
TEST_F(Zoom, KeepsToTheOutputsMadeAtStart) {
    const std::vector<Rect> monitors = ListedMonitors();
    if ((!kwin && !gnome) || monitors.size() < 2) GTEST_SKIP() << "KWin's or GNOME's two outputs";
    if (!Pictures()) GTEST_SKIP() << "KWin gives no pictures here";
    const Rect right = monitors[1];
    MovePointer(right.x + 100, 300);
    Open();
    EXPECT_TRUE(At(right.x + 127, 313)) << "not right of the pointer on the right output";
    EXPECT_TRUE(Shows(right.x + 65, 280)) << "not the right output's picture: " << wrong;
    MovePointer(right.x + right.width - 10, 300);
    EXPECT_TRUE(At(right.x + right.width - 117, 313)) << "did not jump left at the right output's edge";
    MovePointer(right.x + 10, 300);
    EXPECT_TRUE(Shows(right.x - 25, 280)) << "not both outputs' pixels: " << wrong;
}

// On a scaled screen the magnifier enlarges the screen's real pixels and keeps its size and place
// in twips: on X11 at 192 dpi Qt draws with twice the pixels, each real one 2 x 2; sway doubles
// XWayland's windows on an output at scale 2, and the magnifier shows each real pixel once.
TEST_F(Zoom, SharpOnAScaledScreen) {
    if (kwin || gnome) GTEST_SKIP() << "X11's Xft.dpi and sway's output scale";
    if (sway) Layout({{0, 0, 400, 300}}, 2);
    else Shell("echo 'Xft.dpi: 192' | xrdb -merge");
    scale = sway ? 1 : 2;
    drawn = sway ? 1 : 2;
    MovePointer(200 * scale, 150 * scale);
    Open();
    EXPECT_TRUE(At(227, 163));
    EXPECT_TRUE(Shows(330, 260)) << "not the screen's real pixels; " << program->Stderr();
    if (sway) Layout({});
    else Shell("echo 'Xft.dpi: 96' | xrdb -merge");
}
