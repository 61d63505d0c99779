// The notes window's scan (run under scripts/run-desktop; for Wayland --desktop sway, kde-wayland
// or gnome --no-tray) with 100 other windows of another program: the walk down the windows in
// front plus the title match, when the front window qualifies and when none does; and one screen
// copy onto the clipboard, from the asking to the picture there.

#include "DesktopWindows.h"
#include "NaviMod.h"
#include "Services.h"
#include "Session.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QWidget>
#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

namespace {

constexpr int Windows = 100;

// Windows counted in the walk.
int Walked() {
    DesktopWindows& desktop = *Services::Get().desktopWindows;
    int count = 0;
    for (uint32_t w = desktop.First(); w; w = desktop.Next(w)) ++count;
    return count;
}

// The other program: 100 borderless windows, which never qualify on X11 (on Wayland every
// window does), and one application window, in front with "front". Native on Wayland.
int ShowWindows(int argc, char** argv) {
    QGuiApplication::setDesktopFileName(QStringLiteral("other-program"));  // not ours: the walk takes it
    QApplication app(argc, argv);
    std::vector<std::unique_ptr<QWidget>> windows;
    for (int i = 0; i < Windows; ++i) {
        windows.push_back(std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint));
        windows.back()->setGeometry(10 + i * 3, 10 + i * 2, 200, 100);
        windows.back()->show();
    }
    QWidget front;
    front.setWindowTitle(QStringLiteral("Front application"));
    if (argc > 2) {
        front.show();
        front.activateWindow();
    }
    return app.exec();
}

void Scan(benchmark::State& state, bool frontQualifies) {
    QProcess others;
    QStringList arguments{"--windows"};
    if (frontQualifies) arguments << "front";
    if (qEnvironmentVariableIsSet("WAYLAND_DISPLAY")) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "wayland");
        others.setProcessEnvironment(environment);
    }
    others.start(QCoreApplication::applicationFilePath(), arguments);
    QElapsedTimer waited;
    waited.start();
    while (Walked() != Windows + int(frontQualifies) && waited.elapsed() < 20000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    waited.restart();
    while (frontQualifies && FrontTaskTitle([] { return 0u; }) != "Front application" && waited.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    QStringList titles;
    for (int i = 0; i < 23; ++i) titles << QStringLiteral("Note %1").arg(i);
    titles << QStringLiteral("Front application");
    QString title;
    int index = 0;
    for (auto _ : state) {
        title = FrontTaskTitle([] { return 0u; });
        index = MatchTitle(titles, title);
        benchmark::DoNotOptimize(index);
    }
    if (index != (frontQualifies ? 24 : 0))
        state.SkipWithError(("the scan found \"" + title.toStdString() + "\"").c_str());
    others.kill();
    others.waitForFinished();
}
void TypicalScan(benchmark::State& state) { Scan(state, true); }
void WorstScan(benchmark::State& state) { Scan(state, false); }
BENCHMARK(TypicalScan)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(WorstScan)->Unit(benchmark::kMicrosecond)->UseRealTime();

void Capture(benchmark::State& state) {
    int step = 0;
    for (auto _ : state) {
        const int x = 100 + step++ % 300;
        bool answered = false;  // on Wayland the picture comes with the compositor's next frame
        CaptureToClipboard(x, 200, x + 120, 280, [] { return true; }, [&](bool) { answered = true; });
        while (!answered) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}
BENCHMARK(Capture)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && qstrcmp(argv[1], "--windows") == 0) return ShowWindows(argc, argv);
    QApplication app(argc, argv);
    StartSession();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
