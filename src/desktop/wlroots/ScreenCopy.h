#pragma once

#include "Pointer.h"
#include "ScreenGrabber.h"

#include <QObject>
#include <QRect>
#include <map>
#include <memory>

class WaylandConnection;
struct WaylandOutput;

// Pictures of the screen from a wlroots compositor (screencopy into shared memory), and the
// pointer found in them. Clients are told no pointer position, but where the compositor shows
// the pointer on a cursor plane of the graphics card, it draws it into a picture only when
// asked, so a picture with it differs from one without it where the pointer is. Where it draws
// the pointer into every picture (software cursors: virtual machines, headless sessions), no
// picture tells, and XWayland's pointer serves: exact over X11 windows, still over others.
class ScreenCopy : public ScreenGrabber, public Pointer {
public:
    explicit ScreenCopy(std::shared_ptr<WaylandConnection> wayland);
    ~ScreenCopy() override;

    // Parts outside the output are black; a null image when the compositor gives no picture.
    QImage Grab(int left, int top, int width, int height) override;
    // The compositor fills the picture at its next frame: the answer comes from the event loop.
    void GrabThen(int left, int top, int width, int height,
                  const std::function<void(const QImage&)>& done) override;
    QList<QRect> Monitors() override;
    // Looked for around where it was last, then on the whole desktop; where it was last when
    // it is nowhere to be seen.
    QPoint Position() override;

    // The region (layout pixels) as the compositor shows it, black off the outputs; null on failure.
    QImage Capture(const QRect& region, bool withPointer);

    struct Request;
    struct Shot;

private:
    // One picture of each output's part of the region.
    std::unique_ptr<Shot> Start(const QRect& region, bool withPointer);
    std::unique_ptr<Request> Start(const WaylandOutput& output, const QRect& part, bool withPointer);

    std::shared_ptr<WaylandConnection> wayland_;
    std::map<int, std::unique_ptr<Shot>> pending_;  // pictures on their way to a GrabThen
    int lastId_ = 0;
    QObject answers_;  // the queued answers, dropped with the grabber
    QPoint pointer_{-1, -1};
    bool drawnIntoEveryPicture_ = false;
};
