#pragma once

#include "QtScreenGrabber.h"

#include <QObject>

// Pictures of the screen from KWin's screenshot service, native windows included: KWin writes
// the area asked for into a pipe of ours at its next frame. It needs KWin compositing with
// OpenGL; where KWin refuses, the picture is null and the magnifier says it has none.
class KWinScreenShot : public QtScreenGrabber {
public:
    QImage Grab(int left, int top, int width, int height) override;
    // Answered from the event loop when KWin has the frame, so that the caller waits for none.
    void GrabThen(int left, int top, int width, int height,
                  const std::function<void(const QImage&)>& done) override;

private:
    QObject answers_;  // the answers on their way, dropped with the grabber
};
