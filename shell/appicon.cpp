// Drawing of the program icon.
#include "shell/appicon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace zelvar {

QImage drawProgramIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    p.setPen(Qt::NoPen);

    p.setBrush(QColor(0x1d, 0x27, 0x33));
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);

    QPainterPath beam;
    beam.moveTo(30, 22);
    beam.lineTo(58, 6);
    beam.lineTo(58, 40);
    beam.closeSubpath();
    p.setBrush(QColor(0xff, 0xd5, 0x4a, 0xd8));
    p.drawPath(beam);

    p.setBrush(QColor(0x8f, 0xa3, 0xb8));
    p.drawRoundedRect(QRectF(14, 46, 28, 8), 2, 2);
    p.drawRect(QRectF(18, 34, 4, 14));
    p.drawRect(QRectF(34, 34, 4, 14));
    p.setBrush(QColor(0xc9, 0xd4, 0xdf));
    p.drawEllipse(QPointF(28, 26), 12, 12);
    p.setBrush(QColor(0xff, 0xd5, 0x4a));
    p.drawEllipse(QPointF(30, 24), 6, 6);
    return image;
}

QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(drawProgramIcon(size)));
    return icon;
}

} // namespace zelvar
