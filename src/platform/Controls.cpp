#include "Controls.h"

#include "Forms.h"
#include "Twips.h"

#include <QCursor>
#include <QMenu>
#include <QMouseEvent>

void Place(QWidget* control, double left, double top, double width, double height) {
    control->setGeometry(twips::ToPixelsX(left), twips::ToPixelsY(top), twips::ToPixelsX(width),
                         twips::ToPixelsY(height));
}

QFont GothicFont(double points, bool bold) {
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ ゴシック"), QStringLiteral("MS Gothic"), QStringLiteral("IPAGothic"),
                      QStringLiteral("IPAexGothic"), QStringLiteral("Noto Sans CJK JP"), QStringLiteral("VL Gothic")});
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) { setMouseTracking(true); }

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    emit MouseMove(0, 0, float(at.x() * twips::PerPixelX()), float(at.y() * twips::PerPixelY()));
}

void PopupMenu(QMenu* menu) {
    PauseScope pause;
    menu->exec(QCursor::pos());
}
