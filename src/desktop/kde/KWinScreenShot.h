#pragma once

#include "QtScreenGrabber.h"

// Pictures of the screen from KWin's screenshot service, native windows included: KWin writes
// the area asked for into a pipe of ours. It needs KWin compositing with OpenGL; where KWin
// refuses, the picture is null and the magnifier says it has none.
class KWinScreenShot : public QtScreenGrabber {
public:
    QImage Grab(int left, int top, int width, int height) override;

private:
    // The area, within the screen, as KWin shows it; null on refusal.
    static QImage Capture(const QRect& area);
};
