// Key notation parsing, and typing through the session's key sender (XTest on X11, a virtual
// keyboard on wlroots desktops, KWin's fake input on KDE Plasma, Mutter's remote desktop on GNOME)
// into a real window: keys per second with nothing lost, doubled or reordered. Run it under
// scripts/run-desktop (for Wayland --desktop sway, kde-wayland or gnome --no-tray); the window
// typed into is an xterm, or on Wayland the tests' Qt window as a native program. KWin and GNOME
// type no character off their layout: refused there.

#include "FocusWindow.h"
#include "KeySender.h"
#include "Services.h"
#include "Session.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>

#include "Desktop.h"  // after Qt: Xlib's macros would clash with its names

namespace {

void ParseFiftyKeyEntry(benchmark::State& state) {
    const QString entry = QStringLiteral("user.name+a@example{TAB}p4ss+(wd)^a{LEFT 3}~%x{+}{}}Zz09-_=é{ENTER}abcdef");
    size_t strokes = 0;
    for (auto _ : state) strokes = ParseKeys(entry).strokes.size();
    state.counters["keys"] = double(strokes);
}
BENCHMARK(ParseFiftyKeyEntry)->Unit(benchmark::kMicrosecond);

// Types the text into a fresh target each time: the time from the first key to the last
// character arriving, and whether every character arrived exactly.
void TypeIntoTarget(benchmark::State& state, const std::string& text) {
    const Folder folder;
    const ParsedKeys keys = ParseKeys(QString::fromStdString(text));
    const bool wayland = getenv("WAYLAND_DISPLAY");
    std::string typed;
    int exact = 0, runs = 0;
    for (auto _ : state) {
        const std::string output = folder / std::to_string(runs++);
        Program target(wayland ? Fields("Target", output) : Terminal("Target", output));
        const Window window = Await("Target");
        ActivateForTyping(window);
        QEventLoop settle;  // the session hears of the window (KWin tells over D-Bus)
        QTimer::singleShot(300, &settle, &QEventLoop::quit);
        settle.exec();
        const auto start = std::chrono::steady_clock::now();
        QString error;
        Services::Get().keySender->Send(keys.strokes, Services::Get().focusWindow->Current().window, &error);
        WaitFor([&] { return ReadFile(output).size() >= text.size(); }, 5);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        exact += (typed = ReadFile(output)) == text;
    }
    state.counters["keys_per_s"] = benchmark::Counter(double(keys.strokes.size()), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["exact_runs"] = exact;
}

// Characters on the layout: each is one key (with Shift where needed).
BENCHMARK_CAPTURE(TypeIntoTarget, OnTheLayout,
                  std::string("The quick brown fox jumps over the lazy dog 0123456789 @#$&*[]<>?!"))
    ->Unit(benchmark::kMillisecond)->Iterations(5)->UseManualTime();
// 40 kana, none on the us layout: on X11 each needs a spare keycode mapped for it.
BENCHMARK_CAPTURE(TypeIntoTarget, OffTheLayout,
                  std::string("あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらり"))
    ->Unit(benchmark::kMillisecond)->Iterations(5)->UseManualTime();

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    StartSession();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
