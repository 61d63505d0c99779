#include "Wait.h"

#include "Events.h"
#include "Forms.h"
#include "Services.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>

namespace {

constexpr double SecondsPerDay = 86400;

// Seconds from start to now on a time-of-day clock that wraps at midnight.
double Elapsed(double start, double now) {
    double elapsed = now - start;
    if (elapsed < 0) elapsed += SecondsPerDay;
    return elapsed;
}

}  // namespace

void Wait(double seconds) {
    PauseScope pause;
    Clock& clock = *Services::Get().clock;
    const double start = clock.SecondsOfDay();
    // The monotonic timer ends the wait even if the wall clock is set back meanwhile.
    QElapsedTimer monotonic;
    monotonic.start();
    const qint64 limitMs = qint64(seconds * 1000) + 1000;

    for (;;) {
        const double elapsed = Elapsed(start, clock.SecondsOfDay());
        if (elapsed >= seconds || monotonic.elapsed() >= limitMs) return;
        // Sleep until an event arrives or a short tick passes, so the clock is read again.
        const int tickMs = std::clamp(int((seconds - elapsed) * 1000), 1, 50);
        QTimer tick;
        tick.setSingleShot(true);
        tick.start(tickMs);
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}
