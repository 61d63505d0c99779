// The whole program on a real desktop: every tool from its button and its menu item,
// Help and About beside the main window, and the demo tour, driven like a person.

#include "Controls.h"
#include "ProgramOnDesktop.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <chrono>
#include <gtest/gtest.h>
#include <sstream>

using namespace desktop;

namespace {

const QStringList kTourTexts = {"This is Demo how to use Pelmora.", "This Comment Window is Demo for Navigation.",
                                "This is Demo for Zoom", "This is Demo for Password"};
// Where the notes window draws its note label, in its pixels.
const QRect kNoteLabel(56, 16, 153, 73);

// The note label as the notes window draws it, rendered here off the screen.
QImage RenderedNote(const QString& text) {
    static int argc = 1;
    static char name[] = "launcher_desktop";
    static char* argv[] = {name, nullptr};
    if (!qApp) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        new QApplication(argc, argv);
        qunsetenv("QT_QPA_PLATFORM");  // the program started by later tests must use the real screen
    }
    QWidget window;
    window.resize(kNoteLabel.right() + 1, kNoteLabel.bottom() + 1);
    auto* label = new QLabel(text, &window);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setFont(GothicFont(9.75));
    label->setGeometry(kNoteLabel);
    return window.grab(kNoteLabel).toImage().convertToFormat(QImage::Format_RGB32);
}

int Differences(const QImage& a, const QImage& b) {
    int differing = 0;
    for (int y = 0; y < a.height() && y < b.height(); ++y)
        for (int x = 0; x < a.width() && x < b.width(); ++x)
            if (std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y))) > 64) ++differing;
    return differing;
}

// Which of the tour's texts the note label on the screen shows (the closest rendering),
// or -1 when it looks like none of them.
int ShownTourText(desktop::Window notes) {
    const std::string file = "/tmp/launcher-note-" + std::to_string(getpid()) + ".png";
    desktop::Shell("import -window " + std::to_string(notes) + " " + file);
    const QImage shot = QImage(QString::fromStdString(file)).copy(kNoteLabel).convertToFormat(QImage::Format_RGB32);
    std::remove(file.c_str());
    int best = -1, fewest = kNoteLabel.width() * kNoteLabel.height() / 50;  // at most 2 % off
    for (int i = 0; i < kTourTexts.size(); ++i) {
        const int d = Differences(shot, RenderedNote(kTourTexts[i]));
        if (d < fewest) fewest = d, best = i;
    }
    return best;
}

class Launcher : public ProgramOnDesktop {
protected:
    void SetUp() override {
        ProgramOnDesktop::SetUp();
        screen.Activate(main);
    }

    bool Shown(const std::string& title) { return screen.Shown(title) != 0; }
    bool MainShown() { return screen.Viewable(main) && !screen.IsMinimised(main); }
    void BringMainBack() {
        screen.Click(screen.TrayIcon(), 1, 2);
        ASSERT_TRUE(WaitFor([&] { return MainShown(); }));
        screen.Activate(main);
    }
    // The tool buttons, in pixels of the main window: three groups 80 px apart, each
    // button 57 px square, below the menu bar; the tray button at the bottom right.
    void ClickTool(int index) {
        std::istringstream geometry(Shell("xdotool getwindowgeometry --shell " + std::to_string(main)));
        int height = 0;
        for (std::string line; std::getline(geometry, line);)
            if (line.rfind("HEIGHT=", 0) == 0) height = std::stoi(line.substr(7));
        const int menuBar = height - 244;
        if (index == 4)
            screen.ClickAt(main, 420, menuBar + 204);
        else
            screen.ClickAt(main, 44, menuBar + 44 + 80 * index);
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
    EXPECT_TRUE(WaitFor([&] { return ShownTourText(notes) == 0; }, 2)) << "no introduction";
    EXPECT_FALSE(Shown("SpotZoom"));

    // Each step 5 s after the one before, counted from the start of the tour.
    const auto start = std::chrono::steady_clock::now();
    const auto until = [&](double seconds) {
        return seconds - std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    EXPECT_TRUE(WaitFor([&] { return ShownTourText(notes) == 1; }, until(7))) << "no navigation text";
    EXPECT_TRUE(WaitFor([&] { return Shown("SpotZoom") && ShownTourText(notes) == 2; }, until(12)));
    EXPECT_TRUE(WaitFor([&] { return Shown("LumPassword") && !Shown("SpotZoom") && ShownTourText(notes) == 3; },
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
