#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

class Form;

// A form's timer control: Enabled and Interval (ms) as the program sets them.
// A tick that comes while the previous tick of the same timer is still running
// (paused in a message box or DoEvents) is dropped rather than nested.
class Timer : public QObject {
    Q_OBJECT
public:
    Timer(Form* owner, int intervalMs, bool enabled, std::function<void()> onTimer);

    bool Enabled() const { return timer_.isActive(); }
    void SetEnabled(bool enabled);
    int Interval() const { return timer_.interval(); }
    void SetInterval(int intervalMs);

private:
    void tick();

    Form* owner_;
    QTimer timer_;
    std::function<void()> onTimer_;
    bool running_ = false;
};
