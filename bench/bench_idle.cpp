// What the resident program costs on the virtual desktop (run under scripts/run-desktop):
// processor time while it waits in the tray, and while the notes window watches on its
// 700 ms tick, each over 30 s; and its resident memory with every window open.

#include "Desktop.h"
#include "ProcStats.h"

#include <benchmark/benchmark.h>

namespace {

using desktop::Program;
using desktop::Screen;

constexpr double Seconds = 30;

bool Up(Screen& screen, desktop::Window& main) {
    return desktop::WaitFor([&] {
        main = screen.FindByTitle("Pelmora - Utility for Windows ");
        return main && screen.Viewable(main) && screen.TrayIcon();
    });
}

// Percent of one core the program uses over the next 30 s.
double CpuPercent(const Program& program) {
    const double before = CpuSeconds(program.Pid());
    desktop::WaitFor([] { return false; }, Seconds);
    return 100 * (CpuSeconds(program.Pid()) - before) / Seconds;
}

void BringBack(Screen& screen, desktop::Window main) {
    screen.Click(screen.TrayIcon(), 1, 2);
    desktop::WaitFor([&] { return screen.Viewable(main); });
    screen.Activate(main);
}

void Resident(benchmark::State& state) {
    Screen screen;
    for (auto _ : state) {
        Program program(PELMORA_BINARY);
        desktop::Window main = 0;
        if (!Up(screen, main)) {
            state.SkipWithError("the program did not come up");
            break;
        }
        screen.Activate(main);
        screen.Key("alt+t c");  // into the tray
        state.counters["idle_tray_cpu_pct"] = CpuPercent(program);

        BringBack(screen, main);
        screen.Key("alt+t n");
        state.counters["notes_watching_cpu_pct"] = CpuPercent(program);

        // Every window open: the notes are already; the notebook, the magnifier, Help, About.
        for (const char* keys : {"alt+t p", "alt+t z"}) {
            BringBack(screen, main);
            screen.Key(keys);
        }
        BringBack(screen, main);
        screen.Key("alt+h h");
        screen.Activate(main);
        screen.Key("alt+h a");
        desktop::WaitFor([] { return false; }, 2);
        state.counters["all_open_rss_MB"] = ResidentMegabytes(program.Pid());
    }
}
BENCHMARK(Resident)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
