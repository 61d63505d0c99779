#include "KeyNotation.h"
#include "Support.h"
#include "Timer.h"
#include "Twips.h"
#include "X11DesktopWindows.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTest>
#include <X11/keysym.h>
#include <thread>

using namespace std::chrono_literals;

TEST(KeyNotation, ParsesEachConstructAndRefusesBadTextWhole) {
    const int S = KeyStroke::Shift, C = KeyStroke::Control, A = KeyStroke::Alt;
    const std::pair<const char*, std::vector<KeyStroke>> good[] = {
        {"aパ é", {{'a'}, {U'パ'}, {' '}, {U'é'}}},
        {"a+b^%x", {{'a'}, {'b', 0, S}, {'x', 0, C | A}}},
        {"+(ab)c", {{'a', 0, S}, {'b', 0, S}, {'c'}}},
        {"^(a+(b))", {{'a', 0, C}, {'b', 0, C | S}}},
        {"~\t\r", {{0, XK_Return}, {0, XK_Tab}, {0, XK_Return}}},
        {"{enter}{F12 2}", {{0, XK_Return}, {0, XK_F12}, {0, XK_F12}}},
        {"{+}{}}{x 2}", {{'+'}, {'}'}, {'x'}, {'x'}}},
    };
    for (const auto& [text, strokes] : good) EXPECT_EQ(ParseKeys(QString::fromUtf8(text)).strokes, strokes) << text;
    for (const char* bad : {"ab{TAB", "a}b", "(ab", "a)b", "{NOPE}", "{TAB x}", "pw+", "+(a^)b", "a\nb"})
        EXPECT_TRUE(ParseKeys(bad).strokes.empty() && !ParseKeys(bad).ok()) << bad;
}

namespace {
QStringList journal;
struct frmProbe : Form {
    Timer* tmrTick = new Timer(this, 10, true, [] {});
    void cmdAsk_Click() {
        MsgBox("pause");
        journal << (IsUnloaded() ? "resumed unloaded" : "resumed");
    }
    void Form_Load() override { journal << "load"; }
    void Form_QueryUnload(int&, int mode) override { journal << QString("query %1").arg(mode); }
    void Form_Unload() override { journal << "unload"; }
};
}  // namespace

// A form loads unseen at its first reference; unloaded under a paused handler it lives on, timers
// stopped, until the handler returns. A slow tick never nests, and no tick comes early (started
// 10 ms past a half second, where a timer that may come early would rather come).
TEST_F(InFolder, UnloadUnderAPausedHandlerAndTimers) {
    QPointer<frmProbe> probe = &Forms::Get<frmProbe>(), reloaded;
    EXPECT_FALSE(probe->isVisible());
    EXPECT_EQ(&Forms::Show<frmProbe>(), probe.data());
    messageBox->duringAsk = [&] {
        Forms::Unload<frmProbe>();
        EXPECT_FALSE(probe->isVisible() || probe->tmrTick->Enabled());
        QTest::qWait(0);  // events, and the deletes they leave
        EXPECT_FALSE(probe.isNull());
        probe->tmrTick->SetEnabled(true);
        reloaded = &Forms::Get<frmProbe>();
    };
    probe->cmdAsk_Click();
    EXPECT_FALSE(probe->tmrTick->Enabled());
    QTest::qWait(0);
    EXPECT_TRUE(probe.isNull());

    int depth = 0, deepest = 0;
    Timer* slow = new Timer(reloaded, 5, true, [&] {
        deepest = std::max(deepest, ++depth);
        slow->SetEnabled(depth == 1);  // restarted, as a handler may do, before it pauses
        QTest::qWait(20);
        --depth;
    });
    std::this_thread::sleep_for((510ms - std::chrono::steady_clock::now().time_since_epoch() % 500ms) % 500ms);
    QElapsedTimer clock;
    std::vector<qint64> ticks;
    new Timer(reloaded, 500, true, [&] { ticks.push_back(clock.nsecsElapsed()); });
    clock.start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks.size() == 2; }, 2000));
    reloaded->close();  // the title bar's close unloads
    EXPECT_EQ(journal, QStringList({"load", "query 1", "unload", "load", "resumed unloaded", "query 0", "unload"}));
    EXPECT_EQ(deepest, 1);
    for (size_t i = 0; i < ticks.size(); ++i) EXPECT_GE(ticks[i], qint64(i + 1) * 499'000'000) << "tick " << i;
}

TEST(Platform, TwipsFileFilterAndFrontToBack) {
    EXPECT_EQ(twips::ToPixelsX(1807.5), 120);  // 120.5 pixels at 15 twips a pixel
    EXPECT_EQ(QtNameFilters("a(.dat)|*.dat|(*.*)|*.*"), "a(.dat) (*.dat);;(*.*) (*.*)");
    // What no window manager of the desktop tests does: the root active, a client without a frame.
    const auto frameOf = [](uint32_t client) { return client == 0xD ? 0u : client + 0x10; };
    EXPECT_EQ(FrontToBack(0x99, {0xA, 0xB}, {0x1A, 0x1B}, frameOf), (std::vector<uint32_t>{0xB, 0xA}));
    EXPECT_EQ(FrontToBack(0, {0xA, 0xD, 0xB}, {0x1A, 0x1B}, frameOf), (std::vector<uint32_t>{0xB, 0xA, 0xD}));
}

// Two monitors, the primary on the right and smaller: a point's, a window's and no area's.
TEST(Platform, MonitorOfAPointOrAWindow) {
    FakeScreenGrabber screens;
    const QRect primary(1024, 0, 800, 600), left(0, 0, 1024, 768);
    screens.monitors = {primary, left};
    EXPECT_EQ(screens.Monitor(), primary);
    EXPECT_EQ(screens.Monitor(QPoint(1023, 700)), left);
    EXPECT_EQ(screens.Monitor(QPoint(1500, 700)), primary) << "below the smaller one: the nearest";
    EXPECT_EQ(screens.Monitor(QRect(900, 100, 400, 300)), primary) << "the one that shows most of the window";
    screens.monitors.clear();
    EXPECT_EQ(screens.Monitor(QPoint(5, 5)), QRect());
}
