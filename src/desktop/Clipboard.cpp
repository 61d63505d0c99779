#include "Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

void QtClipboard::SetImage(const QImage& image) {
    auto* data = new QMimeData;
    data->setImageData(image);
    // A picture every few tenths of a second is no copy of the user's: clipboard managers
    // (Klipper, CopyQ and others) keep what carries this mark out of their history.
    data->setData(QStringLiteral("x-kde-passwordManagerHint"), QByteArrayLiteral("secret"));
    QGuiApplication::clipboard()->setMimeData(data);  // the clipboard takes ownership
}

QImage QtClipboard::Image() { return QGuiApplication::clipboard()->image(); }

ClipboardContent QtClipboard::Save() {
    ClipboardContent content;
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data) return content;
    for (const QString& format : data->formats()) {
        // Qt's own image format carries no bytes of its own; image/png and the like do.
        if (format == QLatin1String("application/x-qt-image")) continue;
        const QByteArray bytes = data->data(format);
        if (!bytes.isEmpty()) content.append({format, bytes});
    }
    return content;
}

void QtClipboard::Restore(const ClipboardContent& content) {
    if (content.isEmpty()) {
        QGuiApplication::clipboard()->clear();
        return;
    }
    auto* data = new QMimeData;
    for (const auto& [format, bytes] : content) data->setData(format, bytes);
    QGuiApplication::clipboard()->setMimeData(data);  // the clipboard takes ownership
}
