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
    // Always width x height desktop pixels (more real ones on a scaled screen, its device pixel ratio
    // set), the parts outside the screen black; a null image when the desktop
    // gives no picture of the screen (a compositor without screen copy, or one gone).
    virtual QImage Grab(int left, int top, int width, int height) = 0;
    // Grab's picture handed to done when the desktop has it: here at once; where pictures come
    // with the compositor's next frame, later from the event loop, so that the caller waits for none.
    virtual void GrabThen(int left, int top, int width, int height, const std::function<void(const QImage&)>& done) {
        done(Grab(left, top, width, height));
    }
    // The monitor that shows most of the area (the nearest to its middle where it is on none), or
    // the primary one without an area: its rectangle in desktop pixels; empty when none is known.
    QRect Monitor(std::optional<QRect> area = std::nullopt);
    // The monitor under a point.
    QRect Monitor(QPoint at) { return Monitor(QRect(at, QSize(1, 1))); }
    // The monitors' rectangles in desktop pixels, the primary one first. Asked each time: monitors
    // come, go and move while the program runs.
    virtual QList<QRect> Monitors() = 0;
    // The rectangle that holds every monitor.
    QRect Desktop();

protected:
    // The monitors' areas with the one Qt calls primary first.
    static QList<QRect> PrimaryFirst(QList<QRect> monitors);
    // A picture of an area of the desktop; it has more pixels than the area where its monitor is scaled.
    struct Part {
        QRect area;
        QImage picture;
    };
    // The wanted rectangle joined from its parts, with the real pixels of the most scaled one (its
    // device pixel ratio set), black where no part is; null when a part has no picture.
    static QImage Joined(const QRect& wanted, const QList<Part>& parts);
    // The wanted rectangle from the picture of its visible part.
    static QImage Framed(const QRect& wanted, const QRect& visible, const QImage& part) {
        return Joined(wanted, visible.isEmpty() ? QList<Part>() : QList<Part>{{visible, part}});
    }
};
