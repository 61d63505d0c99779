#include "KWinScreenShot.h"

#include <QDBusArgument>
#include <QDBusUnixFileDescriptor>
#include <QDeadlineTimer>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

// The call asking KWin for the area's picture, written into a pipe whose read end it gives back.
QDBusMessage CaptureCall(const QRect& area, int* readEnd) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return {};
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.KWin.ScreenShot2"), QStringLiteral("/org/kde/KWin/ScreenShot2"),
        QStringLiteral("org.kde.KWin.ScreenShot2"), QStringLiteral("CaptureArea"));
    call << area.x() << area.y() << uint(area.width()) << uint(area.height())
         // KWin 6.x hides the caller's own windows unless told not to; the picture is of what is seen.
         << QVariantMap{{QStringLiteral("native-resolution"), true}, {QStringLiteral("hide-caller-windows"), false}}
         << QVariant::fromValue(QDBusUnixFileDescriptor(ends[1]));
    close(ends[1]);  // the message holds its own copy
    *readEnd = ends[0];
    return call;
}

// The picture as KWin's answer describes it, read from the pipe within a second, which is then
// closed; null when KWin refused or wrote less.
QImage ReadPicture(const QDBusMessage& reply, int readEnd) {
    const QVariantMap results = qdbus_cast<QVariantMap>(reply.arguments().value(0));
    const int height = results.value("height").toInt(), stride = results.value("stride").toInt();
    const bool answered = reply.type() == QDBusMessage::ReplyMessage && stride > 0 && height > 0;
    QByteArray pixels(answered ? qsizetype(stride) * height : 0, Qt::Uninitialized);
    qsizetype got = 0;
    // KWin may hold a copy of the write end for a while: the answer's size, not the pipe's end, says when.
    const QDeadlineTimer deadline(1000);
    for (pollfd fd{readEnd, POLLIN, 0}; got < pixels.size() && poll(&fd, 1, int(deadline.remainingTime())) > 0;) {
        const ssize_t n = read(readEnd, pixels.data() + got, size_t(pixels.size() - got));
        if (n <= 0) break;
        got += n;
    }
    close(readEnd);
    if (!answered || got < pixels.size()) return {};
    return QImage(reinterpret_cast<const uchar*>(pixels.constData()), results.value("width").toInt(), height, stride,
                  QImage::Format(results.value("format").toInt()))
        .copy();
}

}  // namespace

DBusScreenShot::Request KWinScreenShot::Ask(const QRect& area) {
    int readEnd = -1;
    QDBusMessage call = CaptureCall(area, &readEnd);
    return {call, [readEnd](const QDBusMessage& reply) { return ReadPicture(reply, readEnd); }};
}
