// The magnifier on the real screen (run under scripts/run-desktop): one tick (pointer read,
// move, repaint, the screen copy asked for; on X11 also taken, put on the real clipboard and
// drawn), and the time from a tick to its picture in the window.

#include "Forms.h"
#include "Pointer.h"
#include "Services.h"
#include "Session.h"
#include "SpotZoom.h"
#include "Timer.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <benchmark/benchmark.h>

namespace {

// The desktop's pointer, read as the magnifier reads it, at a new place each time, so that the
// window really moves and repaints: a walk of ours, since not every desktop lets a program move
// the pointer (GNOME's ignores XWayland's warps, and its pointer may rest at the left edge,
// where the magnifier asks whether to close).
class WalkingPointer : public Pointer {
public:
    explicit WalkingPointer(std::shared_ptr<Pointer> desktop) : desktop_(std::move(desktop)) {}
    QPoint Position() override {
        desktop_->Position();
        ++step_;
        return {300 + step_ % 200, 300 + step_ % 150};
    }

private:
    std::shared_ptr<Pointer> desktop_;
    int step_ = 0;
};

void OneTick(benchmark::State& state) {
    SpotZoom& zoom = Forms::Show<SpotZoom>();
    zoom.tmrZoom->SetEnabled(false);  // ticks come from the loop below only
    for (auto _ : state) zoom.tmrZoom_Timer();
    Forms::Unload(&zoom);
}
BENCHMARK(OneTick)->Unit(benchmark::kMillisecond)->UseRealTime();

// From the tick to the enlarged picture in the window: on Wayland the copy comes with the
// compositor's next frame, after the tick has returned.
void TickToPicture(benchmark::State& state) {
    SpotZoom& zoom = Forms::Show<SpotZoom>();
    zoom.tmrZoom->SetEnabled(false);
    for (auto _ : state) {
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
    Services::Get().pointer = std::make_shared<WalkingPointer>(Services::Get().pointer);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
