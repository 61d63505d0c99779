#pragma once

#include "QtScreenGrabber.h"

#include <QDBusMessage>
#include <QObject>
#include <functional>

// Pictures of the screen, native windows included, that a compositor's D-Bus service takes at its
// next frame (KWin's screenshot service, our GNOME Shell extension). Null where it gives none:
// the magnifier then says it has no picture.
class DBusScreenShot : public QtScreenGrabber {
public:
    QImage Grab(int left, int top, int width, int height) override;
    // Answered from the event loop when the service has the frame, so that the caller waits for none.
    void GrabThen(int left, int top, int width, int height,
                  const std::function<void(const QImage&)>& done) override;

protected:
    struct Request {
        QDBusMessage call;  // not a method call when the picture cannot be asked for
        std::function<QImage(const QDBusMessage& reply)> picture;
    };
    // The call asking for the area's picture (within the screen), and how its answer becomes one.
    virtual Request Ask(const QRect& area) = 0;

private:
    QObject answers_;  // the answers on their way, dropped with the grabber
};
