#include "KeyNotation.h"
#include "Support.h"
#include "Timer.h"
#include "Twips.h"
#include "X11DesktopWindows.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTest>
#include <X11/keysym.h>

TEST(KeyNotation, ParsesEachConstructAndRefusesInvalidTextWhole) {
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
    for (const char* bad : {"ab{TAB", "a}b", "(ab", "a)b", "{NOPE}", "{TAB x}", "pw+", "+(a^)", "a\nb"}) {
        const ParsedKeys parsed = ParseKeys(bad);
        EXPECT_TRUE(parsed.strokes.empty() && !parsed.ok()) << bad;
    }
    EXPECT_EQ(ParseKeys("pw{NOPE}").error, "\"{NOPE}\" is not a known key name");
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
void Settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}
}  // namespace

// A form loads unseen at its first reference; unloaded under a paused handler it lives on, timers
// stopped, until the handler returns. A slow tick never nests, and no tick comes early.
TEST(Forms, LoadUnloadUnderAPausedHandlerAndTimers) {
    FakeServices fakes;
    QPointer<frmProbe> probe = &Forms::Get<frmProbe>(), reloaded;
    EXPECT_FALSE(probe->isVisible());
    EXPECT_EQ(&Forms::Show<frmProbe>(), probe.data());
    fakes.messageBox->duringAsk = [&] {
        Forms::Unload<frmProbe>();
        Settle();
        EXPECT_FALSE(probe.isNull() || probe->isVisible());
        probe->tmrTick->SetEnabled(true);
        reloaded = &Forms::Get<frmProbe>();
    };
    probe->cmdAsk_Click();
    EXPECT_FALSE(probe->tmrTick->Enabled());
    Settle();
    EXPECT_TRUE(probe.isNull());
    reloaded->close();  // the title bar's close unloads
    EXPECT_EQ(journal, QStringList({"load", "query 1", "unload", "load", "resumed unloaded", "query 0", "unload"}));

    frmProbe& form = Forms::Get<frmProbe>();
    int depth = 0, deepest = 0;
    new Timer(&form, 5, true, [&] {
        deepest = std::max(deepest, ++depth);
        QTest::qWait(20);
        --depth;
    });
    QElapsedTimer clock;
    std::vector<qint64> ticks;
    new Timer(&form, 500, true, [&] { ticks.push_back(clock.nsecsElapsed()); });
    clock.start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks.size() == 2; }, 2000));
    Forms::Unload(&form);
    EXPECT_EQ(deepest, 1);
    for (size_t i = 0; i < ticks.size(); ++i) EXPECT_GE(ticks[i], qint64(i + 1) * 499'000'000) << "tick " << i;
    Settle();
}

TEST(Platform, TwipsFileFilterAndFrontToBack) {
    for (auto [value, rounded] : {std::pair{0.5, 0}, {1.5, 2}, {-2.5, -2}, {2.51, 3}})
        EXPECT_EQ(twips::RoundHalfEven(value), rounded);
    EXPECT_EQ(twips::ToPixelsX(1807.5), 120);  // 120.5 pixels at 15 twips a pixel
    EXPECT_EQ(QtNameFilters("a(.dat)|*.dat|(*.*)|*.*"), "a(.dat) (*.dat);;(*.*) (*.*)");
    // What no window manager of the desktop tests does: the root active, a client without a frame.
    const auto frameOf = [](uint32_t client) { return client == 0xD ? 0u : client + 0x10; };
    EXPECT_EQ(FrontToBack(0x99, {0xA, 0xB}, {0x1A, 0x1B}, frameOf), (std::vector<uint32_t>{0xB, 0xA}));
    EXPECT_EQ(FrontToBack(0, {0xA, 0xD, 0xB}, {0x1A, 0x1B}, frameOf), (std::vector<uint32_t>{0xB, 0xA, 0xD}));
}
