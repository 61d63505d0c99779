// What the resident program costs on the virtual desktop (run under scripts/run-desktop):
// processor time while it waits in the tray, and while the notes window watches on its
// 700 ms tick, each over 30 s; and its resident memory with every window open.

#include "Desktop.h"
#include "ProcStats.h"

#include <benchmark/benchmark.h>

namespace {

constexpr double Seconds = 30;

bool Up(Window& main) {
    return WaitFor([&] { return (main = Find(MainTitle)) && TrayIcon(); });
}

// Percent of one core the program uses over the next 30 s.
double CpuPercent(const Program& program) {
    const double before = CpuSeconds(program.Pid());
    Pause(Seconds);
    return 100 * (CpuSeconds(program.Pid()) - before) / Seconds;
}

void BringBack(Window main) {
    Click(TrayIcon(), 1, 2);
    WaitFor([&] { return Viewable(main); });
    Activate(main);
}

void Resident(benchmark::State& state) {
    for (auto _ : state) {
        Program program(PELMORA_BINARY);
        Window main = 0;
        if (!Up(main)) {
            state.SkipWithError("the program did not come up");
            break;
        }
        Activate(main);
        Key("alt+t c");  // into the tray
        state.counters["idle_tray_cpu_pct"] = CpuPercent(program);

        BringBack(main);
        Key("alt+t n");
        state.counters["notes_watching_cpu_pct"] = CpuPercent(program);

        // Every window open: the notes are already; the notebook, the magnifier, Help, About.
        for (const char* keys : {"alt+t p", "alt+t z"}) {
            BringBack(main);
            Key(keys);
        }
        BringBack(main);
        Key("alt+h h");
        Activate(main);
        Key("alt+h a");
        Pause(2);
        state.counters["all_open_rss_MB"] = ResidentMegabytes(program.Pid());
    }
}
BENCHMARK(Resident)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
