#include "studio/shell/animation/PlaybackBitmaps.h"

#include <QPainter>
#include <QPolygonF>

namespace {

constexpr int kSize = 16;

void Triangle(QPainter& painter, qreal left, qreal right, bool pointsRight) {
    const qreal tip = pointsRight ? right : left;
    const qreal base = pointsRight ? left : right;
    painter.drawPolygon(QPolygonF({QPointF(base, 3), QPointF(tip, 8), QPointF(base, 13)}));
}

}  // namespace

QPixmap PlaybackBitmap(int buttonId) {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(32, 48, 96));
    switch (buttonId) {
        case 1182:  // play
            Triangle(painter, 4, 13, true);
            break;
        case 1183:  // pause
            painter.drawRect(QRectF(4, 3, 3, 10));
            painter.drawRect(QRectF(9, 3, 3, 10));
            break;
        case 1184:  // stop
            painter.drawRect(QRectF(4, 4, 8, 8));
            break;
        case 1047:  // forward
            Triangle(painter, 1, 8, true);
            Triangle(painter, 8, 15, true);
            break;
        case 1186:  // rewind
            Triangle(painter, 1, 8, false);
            Triangle(painter, 8, 15, false);
            break;
        default:
            break;
    }
    return pixmap;
}
