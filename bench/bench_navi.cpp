// The notes window's scan on the real X server (run under scripts/run-desktop) with
// 100 mapped windows: the walk down the stacking order plus the title match, when the
// front window qualifies and when none does; and one screen copy onto the clipboard.

#include "DesktopWindows.h"
#include "NaviMod.h"
#include "Services.h"
#include "Session.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

namespace {

constexpr int Windows = 100;

// Windows counted in the stacking order as the window manager publishes it.
int Stacked() {
    DesktopWindows& desktop = *Services::Get().desktopWindows;
    int count = 0;
    for (uint32_t w = desktop.First(); w; w = desktop.Next(w)) ++count;
    return count;
}

// 100 borderless windows (they never qualify) and one application window on top.
struct Desktop {
    std::vector<std::unique_ptr<QWidget>> others;
    QWidget front;
    QStringList titles;

    Desktop() {
        for (int i = 0; i < Windows; ++i) {
            auto window = std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint);
            window->setWindowTitle(QStringLiteral("Pop-up %1").arg(i));
            window->setGeometry(10 + i * 3, 10 + i * 2, 200, 100);
            window->show();
            others.push_back(std::move(window));
        }
        front.setWindowTitle(QStringLiteral("Front application"));
        for (int i = 0; i < 23; ++i) titles << QStringLiteral("Note %1").arg(i);
        titles << QStringLiteral("Front application");
    }
    // Waits until the window manager lists the expected windows, the front one on top.
    void Settle(bool withFront) {
        QElapsedTimer waited;
        waited.start();
        const auto settled = [&] {
            const uint32_t top = Services::Get().desktopWindows->First();
            return Stacked() == Windows + int(withFront) && (!withFront || top == uint32_t(front.winId()));
        };
        while (!settled() && waited.elapsed() < 10000) {
            if (withFront) front.raise();
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        }
    }
};

// Made in main, so that its windows go before the application does.
Desktop* theDesktop = nullptr;

void Scan(benchmark::State& state, bool frontQualifies) {
    Desktop& desktop = *theDesktop;
    desktop.Settle(false);
    desktop.front.setVisible(frontQualifies);
    desktop.Settle(frontQualifies);
    QString title;
    int index = 0;
    for (auto _ : state) {
        title = FrontTaskTitle([] { return 0u; });
        index = MatchTitle(desktop.titles, title);
        benchmark::DoNotOptimize(index);
    }
    if (index != (frontQualifies ? 24 : 0) || title.isEmpty() == frontQualifies)
        state.SkipWithError(("the scan found \"" + title.toStdString() + "\"").c_str());
}
void TypicalScan(benchmark::State& state) { Scan(state, true); }
void WorstScan(benchmark::State& state) { Scan(state, false); }
BENCHMARK(TypicalScan)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(WorstScan)->Unit(benchmark::kMicrosecond)->UseRealTime();

void Capture(benchmark::State& state) {
    int step = 0;
    for (auto _ : state) {
        const int x = 100 + step++ % 300;
        CaptureToClipboard(x, 200, x + 120, 280);
    }
}
BENCHMARK(Capture)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    StartSession();
    Desktop desktop;
    theDesktop = &desktop;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
