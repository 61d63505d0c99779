// Covers the whole screen with a pattern in which every pixel has its own colour
// (PatternColor), so that a picture of any part of it tells where it was taken.

#include "Pattern.h"

#include <QApplication>
#include <QPainter>
#include <QScreen>
#include <QWidget>

class PatternWindow : public QWidget {
public:
    PatternWindow() {
        setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint |
                       Qt::WindowDoesNotAcceptFocus);
        setWindowTitle(QStringLiteral("ZoomPattern"));
        setGeometry(QGuiApplication::primaryScreen()->geometry());
        image_ = QImage(size(), QImage::Format_RGB32);
        for (int y = 0; y < image_.height(); ++y)
            for (int x = 0; x < image_.width(); ++x) image_.setPixel(x, y, PatternColor(x, y));
    }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).drawImage(0, 0, image_); }

private:
    QImage image_;
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    PatternWindow window;
    window.show();
    return app.exec();
}
