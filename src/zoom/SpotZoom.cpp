#include "SpotZoom.h"

#include "Clipboard.h"
#include "Controls.h"
#include "DesktopWindows.h"
#include "Events.h"
#include "Forms.h"
#include "MessageBox.h"
#include "NaviMod.h"
#include "Pointer.h"
#include "ScreenGrabber.h"
#include "Services.h"
#include "Timer.h"
#include "Twips.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPainter>
#include <cstdio>
#include <utility>

ZoomPicture::ZoomPicture(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
}

// The canvas has the window's real pixels: on a scaled screen the picture, taken at the screen's
// real resolution, is enlarged from those, and stays sharp.
void ZoomPicture::PaintPicture(const QImage& picture, double x, double y, double width, double height) {
    const qreal scale = devicePixelRatioF();
    if (canvas_.size() != contentsRect().size() * scale) {
        QImage resized(contentsRect().size() * scale, QImage::Format_RGB32);
        resized.setDevicePixelRatio(scale);
        resized.fill(palette().color(QPalette::Window));
        QPainter(&resized).drawImage(0, 0, canvas_);
        canvas_ = resized;
    }
    QImage stretched = picture.scaled(QSize(twips::ToPixelsX(width), twips::ToPixelsY(height)) * scale,
                                      Qt::IgnoreAspectRatio, Qt::FastTransformation);
    stretched.setDevicePixelRatio(scale);
    QPainter(&canvas_).drawImage(twips::ToPixelsX(x), twips::ToPixelsY(y), stretched);
    update();
}

void ZoomPicture::ShowNoPicture(const QString& why) {
    canvas_ = QImage(contentsRect().size() * devicePixelRatioF(), QImage::Format_RGB32);
    canvas_.setDevicePixelRatio(devicePixelRatioF());
    canvas_.fill(palette().color(QPalette::Window));
    QPainter painter(&canvas_);
    painter.setFont(SansSerifFont(8.25));
    painter.drawText(canvas_.rect(), Qt::AlignCenter | Qt::TextWordWrap, why);
    update();
}

void ZoomPicture::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (canvas_.isNull()) return;
    QPainter painter(this);
    painter.setClipRect(contentsRect());
    painter.drawImage(contentsRect().topLeft(), canvas_);
}

ZoomStep PlanZoomTick(QPoint cursor, int16_t edgeCount, const ZoomScreen& screen) {
    ZoomStep step;
    step.edgeCount = edgeCount;
    step.cursor = cursor;
    int x = cursor.x(), y = cursor.y();
    if (x < 3) {
        if (edgeCount == 2) {
            step.ask = true;
            return step;
        }
        step.edgeCount = int16_t(edgeCount + 1);
        x = -200;
    } else {
        step.edgeCount = 0;
        if (x < 35) x = 35;
    }
    if (y < 20) y = 20;
    step.cursor = QPoint(x, y);

    step.posXTwips = int32_t(twips::RoundHalfEven(x * screen.twipsPerPixelX));
    step.posYTwips = int32_t(twips::RoundHalfEven(y * screen.twipsPerPixelY));
    // Numbers as the program writes them: a blank where a minus sign would go.
    const auto text = [](int32_t n) { return (n < 0 ? QString() : QStringLiteral(" ")) + QString::number(n); };
    step.xyPos = text(step.posXTwips) + QLatin1Char(',') + text(step.posYTwips);

    step.offsetX = screen.rightTwips - step.posXTwips < 1000 ? -1600 : 400;
    step.offsetY = screen.bottomTwips - step.posYTwips < 1200 ? -1200 : 200;
    step.left = step.posXTwips + step.offsetX;
    step.top = step.posYTwips + step.offsetY;

    step.captureLeft = x - 35;
    step.captureTop = y - 20;
    step.captureRight = x + 85;
    step.captureBottom = y + 60;
    return step;
}

QString ZoomQuestion() { return QStringLiteral("ズームを続けますか？"); }

SpotZoom::SpotZoom() {
    // Borderless, left alone by the window manager so that it sits exactly where it is
    // moved (off the screen too, at the left edge), and never takes the keyboard focus
    // from the window the user works in.
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint |
                   Qt::WindowDoesNotAcceptFocus);
    SetCaption(QStringLiteral("SpotZoom"));
    // An alpha channel, though every pixel is drawn opaque: GNOME's compositor casts no shadow
    // from such a window onto the screen it magnifies.
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(true);

    Picture1 = new ZoomPicture(Client());
    Place(Picture1, 0, 0, 1800, 1200);
    XYPos = new QLabel(QStringLiteral("Label1"), Client());
    Place(XYPos, 0, 1320, 1815, 375);
    tmrZoom = new Timer(this, 300, true, [this] { tmrZoom_Timer(); });

    SetClientSize(1815, 1185);
    Move(6795, 6120);
}

void SpotZoom::Form_Load() {
    ZoomWidth = float(twips::PerPixelX() * 240);
    ZoomHeight = float(twips::PerPixelY() * 160);
    EdgeCount = 0;
    // Every tick overwrites the clipboard; what the user had on it comes back at unload.
    savedClipboard_ = Services::Get().clipboard->Save();
}

void SpotZoom::Form_Unload() {
    Services::Get().clipboard->Restore(savedClipboard_);
    // Unloaded while the question is open (the demo does that): the question goes too,
    // and the paused tick then finds the window unloaded and ends.
    if (asking_) {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(window);
            if (box && box->isVisible() && box->text() == ZoomQuestion()) box->close();
        }
    }
}

void SpotZoom::tmrZoom_Timer() {
    if (asking_) return;  // the question is open: one at a time

    // 1. Pointer.
    CursorPos = Services::Get().pointer->Position();

    // 2. to 8. Left edge, clamps, twips, position text, offsets, the window's place.
    const QRect monitor = Services::Get().screenGrabber->Monitor(CursorPos);
    ZoomScreen screen;
    screen.twipsPerPixelX = twips::PerPixelX();
    screen.twipsPerPixelY = twips::PerPixelY();
    screen.rightTwips = (monitor.x() + monitor.width()) * screen.twipsPerPixelX;
    screen.bottomTwips = (monitor.y() + monitor.height()) * screen.twipsPerPixelY;
    const ZoomStep step = PlanZoomTick(CursorPos, EdgeCount, screen);

    if (step.ask) {
        // The question takes the keyboard focus itself; the magnifier never accepts it.
        asking_ = true;
        const int answer = MsgBox(ZoomQuestion(), vbYesNo);
        asking_ = false;
        if (IsUnloaded()) return;
        if (answer == vbNo) {
            tmrZoom->SetEnabled(false);
            Forms::Unload(this);
        }
        return;
    }

    EdgeCount = step.edgeCount;
    CursorPos = step.cursor;
    PosXTwips = step.posXTwips;
    PosYTwips = step.posYTwips;
    XYPos->setText(step.xyPos);
    OffsetX = step.offsetX;
    OffsetY = step.offsetY;
    Move(step.left, step.top);

    // 9. Repaint the moved window before the screen is copied.
    DoEvents();
    if (IsUnloaded()) return;

    // 10. The copy, shown when the desktop has it; a later tick's copy makes this one stale.
    const int capture = ++captures_;
    const QPointer<SpotZoom> self(this);
    CaptureToClipboard(
        step.captureLeft, step.captureTop, step.captureRight, step.captureBottom,
        [self, capture] { return self && !self->IsUnloaded() && capture == self->captures_; },
        [this](bool copied) { ShowCapture(copied); });
}

void SpotZoom::ShowCapture(bool copied) {
    // Where the desktop gives no picture, the magnifier says so rather than show an old one.
    if (!copied) {
        const QString waiting = Services::Get().desktopWindows->Waiting();
        Picture1->ShowNoPicture(waiting.isEmpty() ? QStringLiteral("No picture of the screen") : waiting);
        if (!std::exchange(toldNoPicture_, true))
            std::fputs("pelmora: the magnifier gets no picture of the screen from this desktop.\n", stderr);
        return;
    }

    // 11. The enlargement. Another program may have taken the clipboard in between:
    // then the last picture stays.
    const QImage picture = Services::Get().clipboard->Image();
    if (!picture.isNull()) Picture1->PaintPicture(picture, 0, 0, ZoomWidth, ZoomHeight);
}
