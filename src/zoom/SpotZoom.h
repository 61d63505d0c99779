#pragma once

#include "Clipboard.h"
#include "Form.h"

#include <QFrame>
#include <QImage>
#include <QPoint>
#include <cstdint>

class QLabel;
class Timer;

// A picture box with a single-line border. What is drawn into it stays until it is
// drawn over, and is clipped by the box.
class ZoomPicture : public QFrame {
    Q_OBJECT
public:
    explicit ZoomPicture(QWidget* parent);
    // Draws the picture with its upper-left corner at (x, y), stretched to width x
    // height (twips), pixel for pixel without smoothing.
    void PaintPicture(const QImage& picture, double x, double y, double width, double height);
    // What the box shows inside its border.
    const QImage& Canvas() const { return canvas_; }
    // Says in the box that there is no picture of the screen, instead of keeping an old one.
    void ShowNoPicture(const QString& why);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage canvas_;
};

// The screen as one tick sees it: the monitor under the pointer, whose right and bottom edges
// (desktop twips) the window keeps inside.
struct ZoomScreen {
    double twipsPerPixelX = 15, twipsPerPixelY = 15;
    double rightTwips = 0, bottomTwips = 0;
};

// What one tick decides from the pointer position and the edge count so far.
struct ZoomStep {
    bool ask = false;  // third tick at the left edge: ask, change nothing else
    int16_t edgeCount = 0;
    QPoint cursor;  // adjusted pointer position, pixels
    int32_t posXTwips = 0, posYTwips = 0;
    QString xyPos;
    int16_t offsetX = 0, offsetY = 0;
    long left = 0, top = 0;  // window position, twips
    int32_t captureLeft = 0, captureTop = 0, captureRight = 0, captureBottom = 0;
};

ZoomStep PlanZoomTick(QPoint cursor, int16_t edgeCount, const ZoomScreen& screen);

// The question asked after three ticks at the left edge.
QString ZoomQuestion();

// The magnifier: a borderless window that follows the pointer and shows the
// screen around it enlarged two times.
class SpotZoom : public Form {
    Q_OBJECT
public:
    SpotZoom();

    ZoomPicture* Picture1 = nullptr;
    Timer* tmrZoom = nullptr;
    QLabel* XYPos = nullptr;

    int16_t EdgeCount = 0;
    float ZoomWidth = 0, ZoomHeight = 0;
    int16_t OffsetX = 0, OffsetY = 0;
    QPoint CursorPos;
    int32_t PosXTwips = 0, PosYTwips = 0;

    void tmrZoom_Timer();

protected:
    void Form_Load() override;
    void Form_Unload() override;

private:
    void ShowCapture(bool copied);

    ClipboardContent savedClipboard_;
    int captures_ = 0;  // copies asked for, the last one the one shown
    bool asking_ = false;
    bool toldNoPicture_ = false;
};
