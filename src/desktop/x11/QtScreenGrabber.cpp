#include "QtScreenGrabber.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

QImage QtScreenGrabber::Grab(int left, int top, int width, int height) {
    if (width <= 0 || height <= 0) return {};
    QImage copy(width, height, QImage::Format_RGB32);
    copy.fill(Qt::black);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return copy;
    // X refuses a grab that reaches past the root window, so only the visible part is
    // grabbed and the rest stays black.
    const QRect wanted(left, top, width, height);
    const QRect visible = wanted.intersected(screen->geometry());
    if (visible.isEmpty()) return copy;
    const QPoint origin = screen->geometry().topLeft();
    const QPixmap shot = screen->grabWindow(0, visible.x() - origin.x(), visible.y() - origin.y(), visible.width(),
                                            visible.height());
    QPainter painter(&copy);
    painter.drawPixmap(visible.topLeft() - wanted.topLeft(), shot);
    return copy;
}

QSize QtScreenGrabber::ScreenSize() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->size() : QSize();
}
