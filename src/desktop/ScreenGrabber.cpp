#include "ScreenGrabber.h"

#include <QPainter>
#include <QPoint>
#include <algorithm>

QImage ScreenGrabber::Framed(const QRect& wanted, const QRect& visible, const QImage& part) {
    if (!visible.isEmpty() && part.isNull()) return {};
    QImage copy(wanted.size(), QImage::Format_RGB32);
    copy.fill(Qt::black);
    if (!visible.isEmpty()) QPainter(&copy).drawImage(visible.topLeft() - wanted.topLeft(), part);
    return copy;
}

QRect ScreenGrabber::Monitor(std::optional<QRect> area) {
    const QList<QRect> monitors = Monitors();
    if (monitors.isEmpty() || !area) return monitors.value(0);
    const auto shown = [&](const QRect& monitor) {
        const QRect common = monitor.intersected(*area);
        return qint64(common.width()) * common.height();
    };
    const auto distance = [&](const QRect& monitor) {
        const QPoint middle = area->center();
        const QPoint nearest(std::clamp(middle.x(), monitor.left(), monitor.right()),
                             std::clamp(middle.y(), monitor.top(), monitor.bottom()));
        return (nearest - middle).manhattanLength();
    };
    return *std::ranges::min_element(monitors, [&](const QRect& a, const QRect& b) {
        return shown(a) != shown(b) ? shown(a) > shown(b) : distance(a) < distance(b);
    });
}
