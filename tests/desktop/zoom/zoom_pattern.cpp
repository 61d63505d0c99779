// Covers the whole screen with a pattern in which every pixel has its own colour
// (PatternColor), so that a picture of any part of it tells where it was taken.

#include "Pattern.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel window;
    window.setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint |
                          Qt::WindowDoesNotAcceptFocus);
    window.setWindowTitle(QStringLiteral("ZoomPattern"));
    window.setGeometry(QGuiApplication::primaryScreen()->geometry());
    QImage image(window.size(), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, PatternColor(x, y));
    window.setPixmap(QPixmap::fromImage(image));
    window.show();
    return app.exec();
}
