#include "app/gui/console_icon.h"

#include <QPainter>
#include <QPixmap>

namespace tarnwell {

QImage DrawConsoleIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0x1f, 0x5f, 0x8b));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(0, 0, size, size), size / 6.0, size / 6.0);
    // A camera body with an upward arrow: a device being upgraded.
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(size * 0.18, size * 0.45, size * 0.5, size * 0.35));
    painter.drawPolygon(QPolygonF({QPointF(size * 0.68, size * 0.52), QPointF(size * 0.86, size * 0.42),
                                   QPointF(size * 0.86, size * 0.83), QPointF(size * 0.68, size * 0.73)}));
    painter.setBrush(QColor(0xf2, 0xa9, 0x00));
    painter.drawPolygon(QPolygonF({QPointF(size * 0.43, size * 0.08), QPointF(size * 0.63, size * 0.3),
                                   QPointF(size * 0.23, size * 0.3)}));
    return image;
}

QIcon ConsoleIcon() {
    QIcon icon;
    for (int size : {16, 32, 48}) icon.addPixmap(QPixmap::fromImage(DrawConsoleIcon(size)));
    return icon;
}

} // namespace tarnwell
