#pragma once

#include "Clipboard.h"
#include "Pointer.h"
#include "ScreenGrabber.h"
#include "Services.h"

#include <QRect>
#include <QStringList>

// A screen whose pixel (x, y) has the colour 0xXXXYYY-like value below; outside it is black.
inline QRgb FakeScreenColor(int x, int y) { return qRgb(x % 256, y % 256, (x / 256) * 16 + y / 256); }

class FakeScreenGrabber : public ScreenGrabber {
public:
    QSize size{800, 600};
    QList<QRect> grabs;
    QImage Grab(int left, int top, int width, int height) override {
        grabs << QRect(left, top, width, height);
        QImage image(width, height, QImage::Format_RGB32);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const bool on = QRect(QPoint(), size).contains(left + x, top + y);
                image.setPixel(x, y, on ? FakeScreenColor(left + x, top + y) : qRgb(0, 0, 0));
            }
        return image;
    }
    QSize ScreenSize() override { return size; }
};

class FakeClipboard : public Clipboard {
public:
    ClipboardContent content;
    QImage image;
    int sets = 0;
    void SetImage(const QImage& picture) override {
        ++sets;
        image = picture;
        content = {{QStringLiteral("image/png"), QByteArray("png")}};
    }
    QImage Image() override { return image; }
    ClipboardContent Save() override { return content; }
    void Restore(const ClipboardContent& saved) override {
        content = saved;
        image = QImage();
    }
    // Another program takes the clipboard with text.
    void TakeWithText(const QByteArray& text) {
        content = {{QStringLiteral("text/plain"), text}};
        image = QImage();
    }
};

class FakePointer : public Pointer {
public:
    QPoint at{500, 400};
    QPoint Position() override { return at; }
};

struct ZoomFakes {
    FakeScreenGrabber* grabber;
    FakeClipboard* clipboard;
    FakePointer* pointer;
    ZoomFakes() {
        Services& s = Services::Get();
        s.screenGrabber = std::make_unique<FakeScreenGrabber>();
        s.clipboard = std::make_unique<FakeClipboard>();
        s.pointer = std::make_unique<FakePointer>();
        grabber = static_cast<FakeScreenGrabber*>(s.screenGrabber.get());
        clipboard = static_cast<FakeClipboard*>(s.clipboard.get());
        pointer = static_cast<FakePointer*>(s.pointer.get());
    }
};
