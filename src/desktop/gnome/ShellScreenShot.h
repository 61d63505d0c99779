#pragma once

#include "QtScreenGrabber.h"

#include <QObject>

// Pictures of the screen, native windows included, from Pelmora's GNOME Shell extension, which
// takes them with the shell's own screenshot at its next frame. Null where the extension does
// not serve: the magnifier then says it has no picture.
class ShellScreenShot : public QtScreenGrabber {
public:
    QImage Grab(int left, int top, int width, int height) override;
    // Answered from the event loop when the shell has the frame, so that the caller waits for none.
    void GrabThen(int left, int top, int width, int height,
                  const std::function<void(const QImage&)>& done) override;

private:
    QObject answers_;  // the answers on their way, dropped with the grabber
};
