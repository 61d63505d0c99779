#pragma once

#include "ScreenGrabber.h"

class QtScreenGrabber : public ScreenGrabber {
public:
    QImage Grab(int left, int top, int width, int height) override;
    QSize ScreenSize() override;
};
