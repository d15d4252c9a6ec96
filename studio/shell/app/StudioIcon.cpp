#include "studio/shell/app/StudioIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

QPixmap DrawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);

    // The picture: sky over a green hill.
    painter.setPen(QPen(QColor(40, 40, 60), 1));
    painter.setBrush(QColor(120, 170, 230));
    painter.drawRoundedRect(QRectF(1.5, 4.5, 24, 19), 2, 2);
    QPainterPath hill;
    hill.moveTo(2, 23);
    hill.cubicTo(8, 13, 14, 15, 25, 19);
    hill.lineTo(25, 23);
    hill.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(70, 150, 80));
    painter.drawPath(hill);

    // The lens, its handle to the lower right.
    painter.setPen(QPen(QColor(90, 60, 30), 4, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(23, 23), QPointF(29.5, 29.5));
    painter.setPen(QPen(QColor(30, 30, 30), 2.5));
    painter.setBrush(QColor(255, 255, 255, 110));
    painter.drawEllipse(QPointF(17, 16), 7.5, 7.5);
    return pixmap;
}

}  // namespace

QIcon StudioIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64}) icon.addPixmap(DrawIcon(size));
    return icon;
}
