#include "KWinScreenShot.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QFile>
#include <QPainter>
#include <fcntl.h>
#include <unistd.h>

QImage KWinScreenShot::Capture(const QRect& area) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return {};
    QDBusMessage reply;
    {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.kde.KWin.ScreenShot2"), QStringLiteral("/org/kde/KWin/ScreenShot2"),
            QStringLiteral("org.kde.KWin.ScreenShot2"), QStringLiteral("CaptureArea"));
        call << area.x() << area.y() << uint(area.width()) << uint(area.height())
             << QVariantMap{{QStringLiteral("native-resolution"), true}}
             << QVariant::fromValue(QDBusUnixFileDescriptor(ends[1]));
        close(ends[1]);  // the message holds a copy, gone with it: then the pipe ends with KWin's
        reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 1000);
    }
    QFile pipe;
    pipe.open(ends[0], QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    if (reply.type() != QDBusMessage::ReplyMessage) return {};
    const QVariantMap results = qdbus_cast<QVariantMap>(reply.arguments().value(0));
    const QByteArray pixels = pipe.readAll();
    const int height = results.value("height").toInt(), stride = results.value("stride").toInt();
    if (stride <= 0 || pixels.size() < qsizetype(stride) * height) return {};
    return QImage(reinterpret_cast<const uchar*>(pixels.constData()), results.value("width").toInt(), height, stride,
                  QImage::Format(results.value("format").toInt()))
        .copy();
}

QImage KWinScreenShot::Grab(int left, int top, int width, int height) {
    if (width <= 0 || height <= 0) return {};
    QImage copy(width, height, QImage::Format_RGB32);
    copy.fill(Qt::black);
    const QRect wanted(left, top, width, height), visible = wanted & QRect(QPoint(), ScreenSize());
    if (visible.isEmpty()) return copy;
    const QImage shot = Capture(visible);
    if (shot.isNull()) return {};
    QPainter(&copy).drawImage(visible.topLeft() - wanted.topLeft(), shot);
    return copy;
}
