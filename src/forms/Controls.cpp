#include "Controls.h"

#include "Forms.h"
#include "Twips.h"

#include <QCursor>
#include <QLabel>
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

QFont SansSerifFont(double points) {
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                      QStringLiteral("Nimbus Sans"), QStringLiteral("DejaVu Sans")});
    font.setPointSizeF(points);
    return font;
}

void GrowToFit(QLabel* label) {
    label->resize(label->width(), std::max(label->height(), label->heightForWidth(label->width())));
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
