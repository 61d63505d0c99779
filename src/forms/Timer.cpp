#include "Timer.h"

#include "Form.h"

Timer::Timer(Form* owner, int intervalMs, bool enabled, std::function<void()> onTimer)
    : QObject(owner), owner_(owner), onTimer_(std::move(onTimer)) {
    // The intervals are ones the user sees (the tour's steps, the magnifier's and the notes'
    // refresh); Qt's default coarse timers may fire up to 5% early.
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(intervalMs);
    connect(&timer_, &QTimer::timeout, this, &Timer::tick);
    SetEnabled(enabled);
}

void Timer::SetEnabled(bool enabled) {
    if (enabled && !owner_->IsUnloaded() && timer_.interval() > 0)
        timer_.start();
    else
        timer_.stop();
}

void Timer::SetInterval(int intervalMs) {
    const bool wasEnabled = Enabled();
    timer_.setInterval(intervalMs);
    SetEnabled(wasEnabled);
}

void Timer::tick() {
    if (owner_->IsUnloaded()) {
        timer_.stop();
        return;
    }
    if (running_) return;
    running_ = true;
    onTimer_();
    running_ = false;
}
