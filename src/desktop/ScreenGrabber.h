#pragma once

#include <QImage>
#include <QRect>
#include <functional>
#include <optional>

// Copies a rectangle of the desktop, in desktop pixels, across the monitors it meets, and tells
// where the monitors are. Real: QScreen::grabWindow on each monitor, a compositor's screenshot;
// tests: a fake screen image.
class ScreenGrabber {
public:
    virtual ~ScreenGrabber() = default;
    // Always width x height, the parts outside the screen black; a null image when the desktop
    // gives no picture of the screen (a compositor without screen copy, or one gone).
    virtual QImage Grab(int left, int top, int width, int height) = 0;
    // Grab's picture handed to done when the desktop has it: here at once; where pictures come
    // with the compositor's next frame, later from the event loop, so that the caller waits for none.
    virtual void GrabThen(int left, int top, int width, int height, const std::function<void(const QImage&)>& done) {
        done(Grab(left, top, width, height));
    }
    // The monitor the point is on (the nearest where it is on none), or the primary one without a
    // point: its rectangle in desktop pixels.
    virtual QRect Monitor(std::optional<QPoint> at = std::nullopt) = 0;

protected:
    // The wanted rectangle, black where it leaves the monitors; null when the visible part has no picture.
    static QImage Framed(const QRect& wanted, const QRect& visible, const QImage& part);
};
