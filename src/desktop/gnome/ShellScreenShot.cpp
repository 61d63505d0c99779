#include "ShellScreenShot.h"

#include "ShellWindows.h"

DBusScreenShot::Request ShellScreenShot::Ask(const QRect& area) {
    return {ShellWindows::Call(QStringLiteral("CaptureArea"), {area.x(), area.y(), area.width(), area.height()}),
            [](const QDBusMessage& reply) {
                if (reply.type() != QDBusMessage::ReplyMessage) return QImage();
                return QImage::fromData(reply.arguments().value(0).toByteArray(), "PNG");
            }};
}
