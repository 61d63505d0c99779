// The whole program on a real desktop: every tool from its button and its menu item,
// Help and About beside the main window, and the demo tour, driven like a person.

#include "Controls.h"
#include "ProgramOnDesktop.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <chrono>
#include <gtest/gtest.h>

using namespace desktop;

namespace {

const QStringList kTourTexts = {"This is Demo how to use Pelmora.", "This Comment Window is Demo for Navigation.",
                                "This is Demo for Zoom", "This is Demo for Password"};
// Where the notes window draws its note label, in its pixels.
const QRect kNoteLabel(56, 16, 153, 73);

// Which of the tour's texts the note label on the screen shows: the closest of their renderings
// here off the screen, at most 2 % of its pixels off; -1 when it looks like none of them.
int ShownTourText(desktop::Screen& screen, desktop::Window notes) {
    static int argc = 1;
    static char* argv[] = {const_cast<char*>("launcher_desktop"), nullptr};
    if (!qApp) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        new QApplication(argc, argv);
        qunsetenv("QT_QPA_PLATFORM");  // the program started by later tests must use the real screen
    }
    const desktop::Rect window = screen.Area(notes);
    const std::vector<uint32_t> shot =
        screen.Pixels({window.x + kNoteLabel.x(), window.y + kNoteLabel.y(), kNoteLabel.width(), kNoteLabel.height()});
    int best = -1, fewest = kNoteLabel.width() * kNoteLabel.height() / 50;
    for (int i = 0; i < kTourTexts.size() && !shot.empty(); ++i) {
        QWidget parent;
        parent.resize(kNoteLabel.right() + 1, kNoteLabel.bottom() + 1);
        QLabel label(kTourTexts[i], &parent);
        label.setTextFormat(Qt::PlainText);
        label.setWordWrap(true);
        label.setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label.setFont(GothicFont(9.75));
        label.setGeometry(kNoteLabel);
        const QImage rendered = parent.grab(kNoteLabel).toImage();
        int differing = 0;
        for (size_t k = 0; k < shot.size(); ++k)
            differing += std::abs(qGray(shot[k]) - qGray(rendered.pixel(k % kNoteLabel.width(), k / kNoteLabel.width()))) > 64;
        if (differing < fewest) fewest = differing, best = i;
    }
    return best;
}

class Launcher : public ProgramOnDesktop {
protected:
    void SetUp() override { ProgramOnDesktop::SetUp(), screen.Activate(main); }
    bool Shown(const std::string& title) { return screen.Shown(title) != 0; }
    void BringMainBack() {
        screen.Click(screen.TrayIcon(), 1, 2);
        ASSERT_TRUE(WaitFor([&] { return MainShown(); }));
        screen.Activate(main);
    }
    // The tool buttons, in pixels of the main window: three groups 80 px apart, each 57 px
    // square, below the menu bar (the window is 244 px high without it); the tray button at
    // the bottom right.
    void ClickTool(int index) {
        const int menuBar = screen.Area(main).height - 244;
        screen.ClickAt(main, index == 4 ? 420 : 44, menuBar + (index == 4 ? 204 : 44 + 80 * index));
    }
};

}  // namespace

TEST_F(Launcher, EachToolOpensFromItsButtonAndMenuAndTheMainWindowGoesToTheTray) {
    ClickTool(0);
    ASSERT_TRUE(WaitFor([&] { return Shown("Pelmora"); })) << "no zoom hint";
    EXPECT_FALSE(Shown("SpotZoom"));
    screen.Key("Return");
    EXPECT_TRUE(WaitFor([&] { return Shown("SpotZoom"); }));
    EXPECT_TRUE(WaitFor([&] { return !screen.Viewable(main); }));
    EXPECT_TRUE(screen.TrayIcon());

    BringMainBack();
    screen.Key("alt+t p");
    ASSERT_TRUE(WaitFor([&] { return Shown("LumPassword"); }));
    EXPECT_TRUE(WaitFor([&] { return !screen.Viewable(main); }));
    const Window pass = screen.FindByTitle("LumPassword");

    BringMainBack();
    screen.Key("alt+t n");
    EXPECT_TRUE(WaitFor([&] { return screen.FindByTitle("Navigation Notes") != 0; }));
    EXPECT_TRUE(WaitFor([&] { return !screen.Viewable(main); }));

    // Opening an open tool again shows the same window, not a second one.
    BringMainBack();
    ClickTool(1);
    EXPECT_TRUE(WaitFor([&] { return !screen.Viewable(main); }));
    EXPECT_EQ(screen.FindByTitle("LumPassword"), pass);
    EXPECT_TRUE(screen.Viewable(pass));

    BringMainBack();
    ClickTool(4);
    EXPECT_TRUE(WaitFor([&] { return !screen.Viewable(main); }));

    BringMainBack();
    screen.Key("alt+h h");
    EXPECT_TRUE(WaitFor([&] { return Shown("Pelmora - Help"); }));
    screen.Activate(main);
    screen.Key("alt+h a");
    EXPECT_TRUE(WaitFor([&] { return Shown("About Pelmora"); }));
    EXPECT_TRUE(MainShown());
}

TEST_F(Launcher, TheDemoTourShowsTheNotesTheMagnifierAndTheNotebookInTurn) {
    screen.Key("alt+h d");
    Window notes = 0;
    ASSERT_TRUE(WaitFor([&] {
        notes = screen.FindByTitle("Notes: ");
        return notes && screen.Viewable(notes) && screen.IsAbove(notes);
    })) << "the notes window did not show the tour";
    EXPECT_TRUE(WaitFor([&] { return ShownTourText(screen, notes) == 0; }, 2)) << "no introduction";
    EXPECT_FALSE(Shown("SpotZoom"));

    // Each step 5 s after the one before, counted from the start of the tour.
    const auto start = std::chrono::steady_clock::now();
    const auto until = [&](double seconds) {
        return seconds - std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    EXPECT_TRUE(WaitFor([&] { return ShownTourText(screen, notes) == 1; }, until(7))) << "no navigation text";
    EXPECT_TRUE(WaitFor([&] { return Shown("SpotZoom") && ShownTourText(screen, notes) == 2; }, until(12)));
    EXPECT_TRUE(WaitFor([&] { return Shown("LumPassword") && !Shown("SpotZoom") && ShownTourText(screen, notes) == 3; },
                        until(17)));
    EXPECT_TRUE(WaitFor([&] { return !Shown("LumPassword") && screen.FindByTitle("Notes: ") == 0; }, until(22)));
    EXPECT_TRUE(MainShown());
    EXPECT_TRUE(screen.TrayIcon());
    EXPECT_FALSE(WaitFor([&] { return Shown("SpotZoom") || Shown("LumPassword"); }, 6)) << "the tour went on";
}

TEST_F(Launcher, LeavingDuringTheTourStopsItAndLeavesOnlyWindowsOnTheScreen) {
    screen.Key("alt+h d");
    ASSERT_TRUE(WaitFor([&] { return Shown("SpotZoom"); }, 13));
    Shell("xdotool mousemove 400 300");
    ChooseFromTrayMenu("x");
    EXPECT_TRUE(WaitFor([&] { return !screen.TrayIcon() && !screen.Viewable(main); }));
    EXPECT_FALSE(WaitFor([&] { return Shown("LumPassword"); }, 6)) << "the tour went on without its window";

    // The notes window and the magnifier are on the screen; closing them ends the program.
    const Window notes = screen.FindByTitle("Notes: ");
    ASSERT_TRUE(notes && screen.Viewable(notes));
    screen.Activate(notes);
    screen.Key("alt+F4");
    Shell("xdotool mousemove 1 300");
    ASSERT_TRUE(WaitFor([&] { return Shown("Pelmora"); }, 5)) << "no question at the left edge";
    screen.Key("Escape");  // No: the magnifier closes
    EXPECT_EQ(program.WaitExit(), 0) << program.Stderr();
}
