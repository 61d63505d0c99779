#pragma once

#include "Clipboard.h"
#include "Pointer.h"
#include "ScreenGrabber.h"
#include "Services.h"

// An 800 x 600 screen of one colour, a clipboard that counts the pictures put on it, a pointer.
struct FakeScreenGrabber : ScreenGrabber {
    QImage Grab(int, int, int width, int height) override {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        return image;
    }
    QSize ScreenSize() override { return {800, 600}; }
};

struct FakeClipboard : Clipboard {
    ClipboardContent content;
    QImage image;
    int sets = 0;
    void SetImage(const QImage& picture) override { ++sets; image = picture; content = {{"image/png", "png"}}; }
    QImage Image() override { return image; }
    ClipboardContent Save() override { return content; }
    void Restore(const ClipboardContent& saved) override { content = saved; image = QImage(); }
};

struct FakePointer : Pointer {
    QPoint at{500, 400};
    QPoint Position() override { return at; }
};

struct ZoomFakes {
    FakeClipboard* clipboard = new FakeClipboard;
    FakePointer* pointer = new FakePointer;
    ZoomFakes() {
        Services& s = Services::Get();
        s.screenGrabber = std::make_unique<FakeScreenGrabber>();
        s.clipboard.reset(clipboard);
        s.pointer.reset(pointer);
    }
};
