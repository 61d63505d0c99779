#include "DialogFrame.h"

#include "Controls.h"
#include "Twips.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

// What Qt has no setting for, written before each map, where the window manager
// reads it: the state that keeps the window out of the taskbar (Qt keeps state
// atoms it does not manage itself), and, if asked, no icon at all.
void setWindowManagerHints(QWidget* window, bool noIcon) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->display()) return;
    Display* display = x11->display();
    const ::Window id = static_cast<::Window>(window->winId());
    const Atom state = XInternAtom(display, "_NET_WM_STATE", False);
    Atom skip = XInternAtom(display, "_NET_WM_STATE_SKIP_TASKBAR", False);
    Atom type;
    int format;
    unsigned long count = 0, after;
    unsigned char* data = nullptr;
    bool present = false;
    if (XGetWindowProperty(display, id, state, 0, 64, False, XA_ATOM, &type, &format, &count, &after, &data) ==
            Success && data && format == 32)
        for (unsigned long i = 0; i < count; ++i) present |= reinterpret_cast<Atom*>(data)[i] == skip;
    if (data) XFree(data);
    if (!present)
        XChangeProperty(display, id, state, XA_ATOM, 32, PropModeAppend, reinterpret_cast<unsigned char*>(&skip), 1);
    if (noIcon) XDeleteProperty(display, id, XInternAtom(display, "_NET_WM_ICON", False));
    XFlush(display);
}

}  // namespace

DialogForm::DialogForm() {
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(0xE0, 0xE0, 0xE0));
    palette.setColor(QPalette::WindowText, Qt::black);
    setPalette(palette);
    setAutoFillBackground(true);
    setFont(SansSerifFont(8.25));
    SetClientSize(4455, 2670);
    setFixedSize(size());
    // setGeometry places the client area, which is where the layout's position points.
    setGeometry(QRect(QPoint(twips::ToPixelsX(2340), twips::ToPixelsY(1935)), size()));
}

void DialogForm::SetDefaultCancelButton(QPushButton* button) {
    defaultCancel_ = button;
    button->setDefault(true);  // drawn as the default; Enter on it presses it once
}

void DialogForm::changeEvent(QEvent* event) {
    Form::changeEvent(event);
    // The window has no minimise button, but some window managers minimise any window
    // from their own menus; out of the taskbar it could then not be got back.
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized))
        QTimer::singleShot(0, this, [this] {
            if (!IsUnloaded()) SetWindowState(vbNormal);
        });
}

void DialogForm::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (defaultCancel_ && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape)) {
        defaultCancel_->click();
        return;
    }
    Form::keyPressEvent(event);
}

void DialogForm::showEvent(QShowEvent* event) {
    setWindowManagerHints(this, noWindowIcon_);
    Form::showEvent(event);
}

EtchedLine::EtchedLine(QWidget* parent) : QWidget(parent) {
    // From 120 to 4335 twips, from one pixel above the 1440 line to one below it.
    const int left = twips::ToPixelsX(120);
    setGeometry(left, twips::ToPixelsY(1440) - 1, twips::ToPixelsX(4335) - left + 1, 3);
}

void EtchedLine::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // Line1(0): white, two pixels from the 1440 line down; the grey one covers its upper half.
    painter.fillRect(0, 1, width(), 2, QColor(255, 255, 255));
    // Line1(1): grey, one pixel, on the 1440 line.
    painter.fillRect(0, 1, twips::ToPixelsX(4320) - twips::ToPixelsX(120) + 1, 1, QColor(128, 128, 128));
}

LinkLabel::LinkLabel(QWidget* parent) : QLabel(parent) {
    QFont font = SansSerifFont(8.25);
    font.setUnderline(true);
    setFont(font);
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    setPalette(palette);
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void LinkLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    pressed_ = true;
    // A release lost to a message box opened by the last double click must not
    // swallow the next click.
    secondOfDouble_ = false;
}

void LinkLabel::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    pressed_ = true;
    secondOfDouble_ = true;  // set before the handler, which may pause in a message box
    emit DblClick();
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressed_) return;
    pressed_ = false;
    if (secondOfDouble_) {
        secondOfDouble_ = false;
        return;
    }
    if (rect().contains(event->position().toPoint())) emit Click();
}
