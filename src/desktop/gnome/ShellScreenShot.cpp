#include "ShellScreenShot.h"

#include "ShellWindows.h"

#include <QDBusConnection>
#include <QDBusPendingCallWatcher>

namespace {

QDBusMessage CaptureCall(const QRect& area) {
    return ShellWindows::Call(QStringLiteral("CaptureArea"), {area.x(), area.y(), area.width(), area.height()});
}

// The PNG the extension answers with; null when it did not answer.
QImage Picture(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage) return {};
    return QImage::fromData(reply.arguments().value(0).toByteArray(), "PNG");
}

}  // namespace

QImage ShellScreenShot::Grab(int left, int top, int width, int height) {
    if (width <= 0 || height <= 0) return {};
    const QRect wanted(left, top, width, height), visible = wanted & QRect(QPoint(), ScreenSize());
    if (visible.isEmpty()) return Framed(wanted, visible, {});
    return Framed(wanted, visible, Picture(QDBusConnection::sessionBus().call(CaptureCall(visible), QDBus::Block, 1000)));
}

void ShellScreenShot::GrabThen(int left, int top, int width, int height,
                               const std::function<void(const QImage&)>& done) {
    const QRect wanted(left, top, width, height), visible = wanted & QRect(QPoint(), ScreenSize());
    if (visible.isEmpty()) return done(Grab(left, top, width, height));
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(CaptureCall(visible), 1000),
                                                &answers_);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &answers_, [=] {
        watcher->deleteLater();
        done(Framed(wanted, visible, Picture(watcher->reply())));
    });
}
