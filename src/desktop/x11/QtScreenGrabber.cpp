#include "QtScreenGrabber.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

// Each monitor's part is grabbed on its own and the parts are joined: X refuses a grab that
// reaches past the root window, and between monitors of different sizes there is no picture.
QImage QtScreenGrabber::Grab(int left, int top, int width, int height) {
    if (width <= 0 || height <= 0) return {};
    const QRect wanted(left, top, width, height);
    QList<Part> parts;
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect visible = wanted.intersected(screen->geometry());
        if (visible.isEmpty()) continue;
        const QPoint origin = screen->geometry().topLeft();
        const QPixmap picture = screen->grabWindow(0, visible.x() - origin.x(), visible.y() - origin.y(),
                                                   visible.width(), visible.height());
        parts.append({visible, picture.toImage()});
    }
    return Joined(wanted, parts);
}

QList<QRect> QtScreenGrabber::Monitors() {
    QList<QRect> monitors;
    for (const QScreen* screen : QGuiApplication::screens()) monitors.append(screen->geometry());
    return PrimaryFirst(monitors);
}
