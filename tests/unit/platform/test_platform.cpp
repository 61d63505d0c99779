#include "DesktopWindows.h"
#include "Fakes.h"
#include "FileDialog.h"
#include "Files.h"
#include "Forms.h"
#include "KeyNotation.h"
#include "Timer.h"
#include "Twips.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTest>
#include <X11/keysym.h>
#include <gtest/gtest.h>

TEST(KeyNotation, StrokesAndEveryRefusalWithItsReason) {
    const int S = KeyStroke::Shift, C = KeyStroke::Control, A = KeyStroke::Alt;
    const KeyStroke left{0, XK_Left, 0};
    const struct { const char* text; std::vector<KeyStroke> strokes; } good[] = {
        {"a+b", {{'a'}, {'b', 0, S}}}, {"^%x", {{'x', 0, C | A}}}, {"+(ab)c", {{'a', 0, S}, {'b', 0, S}, {'c'}}},
        {"^(a+(b))", {{'a', 0, C}, {'b', 0, C | S}}}, {"パス é", {{U'パ'}, {U'ス'}, {' '}, {U'é'}}},
        {"~{TAB}{enter}{F12}", {{0, XK_Return}, {0, XK_Tab}, {0, XK_Return}, {0, XK_F12}}}, {"{LEFT 3}", {left, left, left}},
        {"{+}{^}{%}{~}{(}{)}{{}{}}", {{'+'}, {'^'}, {'%'}, {'~'}, {'('}, {')'}, {'{'}, {'}'}}},
        {"{x 2}[]", {{'x'}, {'x'}, {'['}, {']'}}}, {"\t\r", {{0, XK_Tab}, {0, XK_Return}}}, {"", {}}};
    for (const auto& row : good) EXPECT_EQ(ParseKeys(QString::fromUtf8(row.text)).strokes, row.strokes) << row.text;
    const char* bad[][2] = {{"ab{TAB", "an opening brace is not closed"}, {"{}", "an opening brace is not closed"},
                            {"a}b", "a closing brace has no opening one"}, {"(ab", "an opening parenthesis is not closed"},
                            {"a)b", "a closing parenthesis has no opening one"},
                            {"{NOSUCHKEY}", "\"{NOSUCHKEY}\" is not a known key name"},
                            {"{TAB x}", "\"{TAB x}\" has no valid repeat count"},
                            {"pass+", "a modifier (+ ^ %) at the end has no key to act on"},
                            {"+(a^)", "a modifier (+ ^ %) before ')' has no key to act on"},
                            {"a\nb", "the text holds a control character that is no key"}};
    for (auto [text, why] : bad) {
        const ParsedKeys parsed = ParseKeys(QString::fromUtf8(text));
        EXPECT_EQ(parsed.error, why) << text;
        EXPECT_TRUE(parsed.strokes.empty() && !parsed.ok()) << text;
    }
}

namespace {
QStringList journal;
class frmProbe : public Form {
public:
    Timer* tmrTick = new Timer(this, 10, true, [] {});
    void cmdAsk_Click() { MsgBox("pause"), journal << (IsUnloaded() ? "resumed unloaded" : "resumed"); }
protected:
    void Form_Load() override { journal << "load"; }
    void Form_QueryUnload(int&, int mode) override { journal << QString("query %1").arg(mode); }
    void Form_Unload() override { journal << "unload"; }
};
void Settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete), QCoreApplication::processEvents(); }
}  // namespace

// A form loads unseen on its first reference, is reused, and lives on, unloaded, under a paused handler;
// the next reference loads a fresh one. Unloading stops its timers for good.
TEST(Forms, LoadReuseUnloadUnderAPausedHandlerAndTimers) {
    FakeServices fakes;
    QPointer<frmProbe> probe = &Forms::Get<frmProbe>(), reloaded;
    EXPECT_FALSE(probe->isVisible());
    EXPECT_EQ(&Forms::Show<frmProbe>(), probe.data());
    fakes.messageBox->duringAsk = [&] {
        Forms::Unload<frmProbe>();
        Settle();
        EXPECT_FALSE(probe.isNull() || probe->isVisible() || probe->tmrTick->Enabled());
        probe->tmrTick->SetEnabled(true);
        reloaded = &Forms::Get<frmProbe>();
    };
    probe->cmdAsk_Click();
    EXPECT_FALSE(probe->tmrTick->Enabled());
    Settle();
    EXPECT_TRUE(probe.isNull());
    ASSERT_FALSE(reloaded.isNull());
    reloaded->close();  // the title bar's close unloads
    EXPECT_FALSE(Forms::IsLoaded<frmProbe>());
    EXPECT_EQ(journal, QStringList({"load", "query 1", "unload", "load", "resumed unloaded", "query 0", "unload"}));
    Settle();

    // A slow tick is never nested in itself; on a fixed schedule, a tick never comes before its time.
    frmProbe& form = Forms::Get<frmProbe>();
    int depth = 0, deepest = 0;
    Timer* slow = new Timer(&form, 5, true, [&] { deepest = std::max(deepest, ++depth), QTest::qWait(30), --depth; });
    QTest::qWait(50);
    slow->SetEnabled(false);
    EXPECT_EQ(deepest, 1);
    QElapsedTimer clock;
    std::vector<qint64> ticks;
    new Timer(&form, 500, true, [&] { ticks.push_back(clock.nsecsElapsed()); });
    clock.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks.size() >= 2; }, 2000));
    for (size_t i = 0; i < ticks.size(); ++i) EXPECT_GE(ticks[i], qint64(i + 1) * 500'000'000 - 1'000'000) << "tick " << i;
    Forms::Unload(&form);
    Settle();
}

TEST(Platform, TwipsFileDialogAndFrontToBack) {
    for (auto [value, rounded] : {std::pair{0.5, 0}, {1.5, 2}, {2.5, 2}, {-2.5, -2}, {2.51, 3}}) EXPECT_EQ(twips::RoundHalfEven(value), rounded);
    EXPECT_EQ(twips::ToPixelsX(1807.5), 120);  // 15 twips a pixel at 96 dpi; 120.5 goes to the even neighbour
    EXPECT_EQ(twips::FromPixelsX(500), 7500);
    EXPECT_EQ(QtNameFilters("navilist(.dat)|*.dat|Text(.txt)|*.txt|(*.*)|*.*"), "navilist(.dat) (*.dat);;Text(.txt) (*.txt);;(*.*) (*.*)");
    FakeServices fakes;
    CommonDialog dialog;
    dialog.FileName = "palist.dat";
    dialog.Filter = "palist(.dat)|*.dat";
    dialog.ShowOpen();  // cancelled: the name stays
    fakes.fileDialog->names = {"/tmp/other.dat"};
    dialog.ShowSave();
    EXPECT_EQ(dialog.FileName + " " + fakes.fileDialog->calls.join(", "), "/tmp/other.dat open palist(.dat)|*.dat, save palist(.dat)|*.dat");
    // The cases the window managers of the desktop tests never show: clients A, B, D in frames 0x1A, 0x1B, none.
    const auto frameOf = [](uint32_t client) { return client == 0xD ? 0u : client + 0x10; };
    EXPECT_EQ(FrontToBack(0x99, {0xA, 0xB}, {0x1A, 0x1B}, frameOf), (std::vector<uint32_t>{0xB, 0xA}));  // the root active
    EXPECT_EQ(FrontToBack(0, {0xA, 0xD, 0xB}, {0x1A, 0x1B}, frameOf), (std::vector<uint32_t>{0xB, 0xA, 0xD}));
}
