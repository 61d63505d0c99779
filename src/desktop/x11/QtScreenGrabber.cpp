#include "QtScreenGrabber.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <algorithm>
#include <climits>

// Each monitor's part is grabbed on its own and the parts are joined: X refuses a grab that
// reaches past the root window, and between monitors of different sizes there is no picture.
QImage QtScreenGrabber::Grab(int left, int top, int width, int height) {
    if (width <= 0 || height <= 0) return {};
    QImage copy(width, height, QImage::Format_RGB32);
    copy.fill(Qt::black);
    const QRect wanted(left, top, width, height);
    QPainter painter(&copy);
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect visible = wanted.intersected(screen->geometry());
        if (visible.isEmpty()) continue;
        const QPoint origin = screen->geometry().topLeft();
        painter.drawPixmap(visible.topLeft() - wanted.topLeft(),
                           screen->grabWindow(0, visible.x() - origin.x(), visible.y() - origin.y(), visible.width(),
                                              visible.height()));
    }
    return copy;
}

QRect QtScreenGrabber::Monitor(std::optional<QPoint> at) {
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!at) return primary ? primary->geometry() : QRect();
    QRect nearest;
    long best = LONG_MAX;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect area = screen->geometry();
        const long dx = std::max({area.left() - at->x(), 0, at->x() - area.right()}),
                   dy = std::max({area.top() - at->y(), 0, at->y() - area.bottom()});
        if (dx * dx + dy * dy < best) best = dx * dx + dy * dy, nearest = area;
    }
    return nearest;
}

QRect QtScreenGrabber::Desktop() {
    QRect all;
    for (const QScreen* screen : QGuiApplication::screens()) all |= screen->geometry();
    return all;
}
