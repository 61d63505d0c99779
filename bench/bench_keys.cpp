// Key notation parsing, and typing through XTest into a real window (run this one
// under scripts/run-desktop): keys per second with nothing lost, doubled or reordered.

#include "Desktop.h"
#include "XTestKeySender.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

namespace {

void ParseFiftyKeyEntry(benchmark::State& state) {
    const QString entry = QStringLiteral("user.name+a@example{TAB}p4ss+(wd)^a{LEFT 3}~%x{+}{}}Zz09-_=é{ENTER}abcdef");
    size_t strokes = 0;
    for (auto _ : state) strokes = ParseKeys(entry).strokes.size();
    state.counters["keys"] = double(strokes);
}
BENCHMARK(ParseFiftyKeyEntry)->Unit(benchmark::kMicrosecond);

// Types the text (its own notation) into the key target: keys per second, and whether every
// character arrived exactly.
void TypeIntoTarget(benchmark::State& state, const std::string& text) {
    const std::string output = "/tmp/pelmora-bench-keys-" + std::to_string(getpid());
    desktop::Screen screen;
    desktop::Program target(KEY_TARGET " " + output);
    desktop::Window window = 0;
    if (!desktop::WaitFor([&] { return (window = screen.Shown("Key Target")) != 0; })) {
        state.SkipWithError("no target window");
        return;
    }
    screen.Activate(window);
    const ParsedKeys keys = ParseKeys(QString::fromStdString(text));
    std::string typed;
    for (auto _ : state) {
        desktop::Shell("xdotool key ctrl+a BackSpace");
        desktop::WaitFor([&] { return desktop::ReadFile(output).empty(); }, 2);
        QString error;
        XTestKeySender().Send(keys.strokes, &error);
        desktop::WaitFor([&] { return desktop::ReadFile(output).size() >= text.size(); }, 5);
        typed = desktop::ReadFile(output);
    }
    state.counters["keys_per_s"] =
        benchmark::Counter(double(keys.strokes.size()), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["exact"] = typed == text ? 1 : 0;
    std::remove(output.c_str());
}

// Characters on the layout: each is one key (with Shift where needed).
BENCHMARK_CAPTURE(TypeIntoTarget, OnTheLayout,
                  std::string("The quick brown fox jumps over the lazy dog 0123456789 @#$&*[]<>?!"))
    ->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
// 40 kana, none on the us layout: each needs a spare keycode mapped for it.
BENCHMARK_CAPTURE(TypeIntoTarget, OffTheLayout,
                  std::string("あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらり"))
    ->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
