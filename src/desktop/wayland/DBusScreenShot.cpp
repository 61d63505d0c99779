#include "DBusScreenShot.h"

#include <QDBusConnection>
#include <QDBusPendingCallWatcher>

QImage DBusScreenShot::Grab(int left, int top, int width, int height) {
    if (width <= 0 || height <= 0) return {};
    const QRect wanted(left, top, width, height), visible = wanted & Desktop();
    const Request request = visible.isEmpty() ? Request() : Ask(visible);
    if (request.call.type() != QDBusMessage::MethodCallMessage) return Framed(wanted, visible, {});
    return Framed(wanted, visible, request.picture(QDBusConnection::sessionBus().call(request.call, QDBus::Block, 1000)));
}

void DBusScreenShot::GrabThen(int left, int top, int width, int height,
                              const std::function<void(const QImage&)>& done) {
    if (width <= 0 || height <= 0) return done({});
    const QRect wanted(left, top, width, height), visible = wanted & Desktop();
    const Request request = visible.isEmpty() ? Request() : Ask(visible);
    if (request.call.type() != QDBusMessage::MethodCallMessage) return done(Framed(wanted, visible, {}));
    auto* watcher =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(request.call, 1000), &answers_);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &answers_, [=] {
        watcher->deleteLater();
        done(Framed(wanted, visible, request.picture(watcher->reply())));
    });
}
