#include "QtScreenGrabber.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <algorithm>

// Each monitor's part is grabbed on its own and the parts are joined: X refuses a grab that
// reaches past the root window, and between monitors of different sizes there is no picture.
// The copy has the real pixels of the most scaled monitor it meets.
QImage QtScreenGrabber::Grab(int left, int top, int width, int height) {
    if (width <= 0 || height <= 0) return {};
    const QRect wanted(left, top, width, height);
    qreal scale = 1;
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen->geometry().intersects(wanted)) scale = std::max(scale, screen->devicePixelRatio());
    QImage copy(wanted.size() * scale, QImage::Format_RGB32);
    copy.setDevicePixelRatio(scale);
    copy.fill(Qt::black);
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

QList<QRect> QtScreenGrabber::Monitors() {
    QList<QRect> monitors;
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen == QGuiApplication::primaryScreen()) monitors.prepend(screen->geometry());
        else monitors.append(screen->geometry());
    return monitors;
}

QRect QtScreenGrabber::Desktop() {
    QRect all;
    for (const QScreen* screen : QGuiApplication::screens()) all |= screen->geometry();
    return all;
}
