#include "Art.h"

#include <QPainter>
#include <QSvgRenderer>

namespace art {

QPixmap Picture(const QString& name, QSize size) {
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(QStringLiteral(":/pelmora/%1.svg").arg(name));
    QPainter painter(&pixmap);
    renderer.render(&painter);
    return pixmap;
}

QIcon Icon(const QString& name) {
    QIcon icon;
    for (int side : {16, 24, 32, 48, 64}) icon.addPixmap(Picture(name, QSize(side, side)));
    return icon;
}

QIcon ProgramIcon() { return Icon(QStringLiteral("pelmora")); }

}  // namespace art
