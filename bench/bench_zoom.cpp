// One magnifier tick on the real screen (run under scripts/run-desktop): pointer read,
// move, repaint, screen copy onto the real clipboard, and the enlargement drawn.

#include "Forms.h"
#include "Services.h"
#include "Session.h"
#include "SpotZoom.h"
#include "Timer.h"

#include <QApplication>
#include <QCursor>
#include <benchmark/benchmark.h>

namespace {

void OneTick(benchmark::State& state) {
    SpotZoom& zoom = Forms::Show<SpotZoom>();
    zoom.tmrZoom->SetEnabled(false);  // ticks come from the loop below only
    int step = 0;
    for (auto _ : state) {
        // A new place each time, so that the window really moves and repaints.
        QCursor::setPos(300 + step % 200, 300 + step % 150);
        ++step;
        zoom.tmrZoom_Timer();
    }
    Forms::Unload(&zoom);
}
BENCHMARK(OneTick)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    Forms::SetQuitWhenEmpty(false);
    StartSession();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
