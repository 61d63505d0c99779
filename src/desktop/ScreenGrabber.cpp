#include "ScreenGrabber.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPoint>
#include <QScreen>
#include <algorithm>

QImage ScreenGrabber::Joined(const QRect& wanted, const QList<Part>& parts) {
    qreal scale = 1;
    for (const Part& part : parts) {
        if (part.picture.isNull()) return {};
        scale = std::max(scale, qreal(part.picture.width()) / part.area.width());
    }
    QImage copy(wanted.size() * scale, QImage::Format_RGB32);
    copy.setDevicePixelRatio(scale);
    copy.fill(Qt::black);
    QPainter painter(&copy);
    for (const Part& part : parts) painter.drawImage(QRectF(part.area.translated(-wanted.topLeft())), part.picture);
    return copy;
}

QRect ScreenGrabber::Desktop() {
    QRect all;
    for (const QRect& monitor : Monitors()) all |= monitor;
    return all;
}

QList<QRect> ScreenGrabber::PrimaryFirst(QList<QRect> monitors) {
    const QScreen* primary = QGuiApplication::primaryScreen();
    const qsizetype at = primary ? monitors.indexOf(primary->geometry()) : -1;
    if (at > 0) monitors.move(at, 0);
    return monitors;
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
