#pragma once

#include "ScreenGrabber.h"

// The monitors as Qt knows them: RandR's on X11 (XWayland's outputs under a compositor).
class QtScreenGrabber : public ScreenGrabber {
public:
    QImage Grab(int left, int top, int width, int height) override;
    QList<QRect> Monitors() override;
};
