#include "ScreenGrabber.h"

#include <QPainter>

QImage ScreenGrabber::Framed(const QRect& wanted, const QRect& visible, const QImage& part) {
    if (!visible.isEmpty() && part.isNull()) return {};
    QImage copy(wanted.size(), QImage::Format_RGB32);
    copy.fill(Qt::black);
    if (!visible.isEmpty()) QPainter(&copy).drawImage(visible.topLeft() - wanted.topLeft(), part);
    return copy;
}
