// The magnifier on the real screen (run under scripts/run-desktop): one tick (pointer read,
// move, repaint, the screen copy asked for; on X11 also taken, put on the real clipboard and
// drawn), and the time from a tick to its picture in the window.

#include "Forms.h"
#include "Services.h"
#include "Session.h"
#include "SpotZoom.h"
#include "Timer.h"

#include <QApplication>
#include <QCursor>
#include <QDeadlineTimer>
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

// From the tick to the enlarged picture in the window: on Wayland the copy comes with the
// compositor's next frame, after the tick has returned.
void TickToPicture(benchmark::State& state) {
    SpotZoom& zoom = Forms::Show<SpotZoom>();
    zoom.tmrZoom->SetEnabled(false);
    int step = 0;
    for (auto _ : state) {
        QCursor::setPos(300 + step % 200, 300 + step % 150);
        ++step;
        const qint64 before = zoom.Picture1->Canvas().cacheKey();
        zoom.tmrZoom_Timer();
        QDeadlineTimer deadline(1000);
        while (zoom.Picture1->Canvas().cacheKey() == before && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        if (deadline.hasExpired()) state.SkipWithError("no picture within a second");
    }
    Forms::Unload(&zoom);
}
BENCHMARK(TickToPicture)->Unit(benchmark::kMillisecond)->UseRealTime();

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
