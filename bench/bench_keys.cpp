// Key notation parsing, and typing through XTest into a real window (run this one
// under scripts/run-desktop): keys per second with nothing lost, doubled or reordered.

#include "Desktop.h"
#include "KeySender.h"

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

void TypeIntoTarget(benchmark::State& state) {
    const std::string output = "/tmp/pelmora-bench-keys-" + std::to_string(getpid());
    desktop::Screen screen;
    desktop::Program target(KEY_TARGET " " + output);
    desktop::Window window = 0;
    if (!desktop::WaitFor([&] { return (window = screen.Shown("Key Target")) != 0; })) {
        state.SkipWithError("no target window");
        return;
    }
    screen.Activate(window);
    // Plain characters only, so that the text is its own notation.
    const std::string text = "The quick brown fox jumps over the lazy dog 0123456789 @#$&*[]<>?!";
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
BENCHMARK(TypeIntoTarget)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
