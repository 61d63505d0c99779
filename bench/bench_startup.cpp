// Start-up of the real program on the virtual desktop: from process start to its
// main window mapped and its icon embedded in the tray, and the resident memory
// it then holds. Run it under scripts/run-desktop.

#include "Desktop.h"
#include "ProcStats.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <csignal>
#include <string>

namespace {

void StartToTrayAndWindow(benchmark::State& state) {
    double rss = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        Program program(PELMORA_BINARY);
        const bool up = WaitFor([] { return Find(MainTitle) && TrayIcon(); });
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        if (!up) {
            state.SkipWithError("the program did not come up");
            break;
        }
        state.SetIterationTime(elapsed.count());
        Pause(0.3);  // let it settle before reading its memory
        rss = ResidentMegabytes(program.Pid());
        kill(program.Pid(), SIGTERM);
        program.WaitExit();
        WaitFor([] { return !TrayIcon(); });
    }
    state.counters["rss_MB"] = rss;
}

}  // namespace

BENCHMARK(StartToTrayAndWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK_MAIN();
