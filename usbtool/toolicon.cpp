// A stick with a plug and an arrow out of it, in two sizes.
#include "usbtool/toolicon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace zelvar {

namespace {

QPixmap drawIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);

    // The stick's body and its plug.
    p.setPen(QPen(QColor(20, 40, 90), 1.5));
    p.setBrush(QColor(40, 90, 170));
    p.drawRoundedRect(QRectF(3, 9, 18, 14), 3, 3);
    p.setBrush(QColor(200, 205, 215));
    p.drawRect(QRectF(21, 12, 7, 8));
    p.setBrush(QColor(20, 40, 90));
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(23.5, 14, 2, 1.5));
    p.drawRect(QRectF(23.5, 16.5, 2, 1.5));

    // An arrow on the body: files go out.
    p.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(7, 16), QPointF(16, 16));
    QPainterPath head;
    head.moveTo(12.5, 12.5);
    head.lineTo(16.5, 16);
    head.lineTo(12.5, 19.5);
    p.setBrush(Qt::NoBrush);
    p.drawPath(head);
    return pixmap;
}

} // namespace

QIcon toolIcon()
{
    QIcon icon;
    icon.addPixmap(drawIcon(16));
    icon.addPixmap(drawIcon(32));
    icon.addPixmap(drawIcon(48));
    return icon;
}

} // namespace zelvar
