#pragma once

#include <QImage>
#include <QSize>

// Copies a rectangle of the screen, in screen pixels. Real: QScreen::grabWindow
// on the primary screen; tests: a fake screen image.
class ScreenGrabber {
public:
    virtual ~ScreenGrabber() = default;
    // Always width x height, the parts outside the screen black; a null image when the desktop
    // gives no picture of the screen (a compositor without screen copy, or one gone).
    virtual QImage Grab(int left, int top, int width, int height) = 0;
    // The screen's size in pixels.
    virtual QSize ScreenSize() = 0;
};
