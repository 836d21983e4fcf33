#include "AppIcon.h"

#include <QPainter>
#include <QPainterPath>

namespace AppIcon {

QPixmap pixmap(int size)
{
    QPixmap image(size, size);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    QPainterPath shield;
    shield.moveTo(s * 0.5, s * 0.04);
    shield.lineTo(s * 0.9, s * 0.18);
    shield.cubicTo(s * 0.9, s * 0.6, s * 0.72, s * 0.84, s * 0.5, s * 0.96);
    shield.cubicTo(s * 0.28, s * 0.84, s * 0.1, s * 0.6, s * 0.1, s * 0.18);
    shield.closeSubpath();
    painter.fillPath(shield, QColor(0x1f, 0x5f, 0xa8));
    painter.setPen(QPen(Qt::white, s * 0.09, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    // The tick of a checkpoint that was visited.
    painter.drawPolyline(QPolygonF({QPointF(s * 0.3, s * 0.5), QPointF(s * 0.45, s * 0.65), QPointF(s * 0.72, s * 0.35)}));
    return image;
}

QIcon icon()
{
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128})
        icon.addPixmap(pixmap(size));
    return icon;
}

}
