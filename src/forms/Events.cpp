#include "Events.h"

#include "Forms.h"

#include <QCoreApplication>
#include <QTime>

void DoEvents() {
    PauseScope pause;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

double SystemClock::SecondsOfDay() { return QTime::currentTime().msecsSinceStartOfDay() / 1000.0; }
