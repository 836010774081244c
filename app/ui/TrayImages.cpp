#include "app/ui/TrayImages.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace spoolar {

namespace {

QPixmap drawImage(TrayImage image, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);

    // The sheet coming out of the printer.
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(9, 3, 14, 13));
    p.setPen(QPen(QColor(150, 150, 150), 1));
    for (int y = 7; y <= 13; y += 3)
        p.drawLine(QPointF(11.5, y), QPointF(20.5, y));

    // The printer body.
    const QColor body = image == TrayImage::Processing ? QColor(230, 126, 34) : QColor(0, 120, 212);
    p.setPen(QPen(body.darker(140), 1.2));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(3, 13, 26, 12), 3, 3);
    p.setBrush(QColor(40, 40, 40));
    p.drawRect(QRectF(8, 21, 16, 7));

    // The lamp: blinks while idle, lit while busy.
    const bool lit = image != TrayImage::Idle0;
    p.setPen(Qt::NoPen);
    p.setBrush(lit ? QColor(80, 220, 100) : QColor(30, 70, 40));
    p.drawEllipse(QPointF(25, 17), 2, 2);

    if (image == TrayImage::RemoteFetch) {
        // A download arrow over the sheet.
        QPainterPath arrow;
        arrow.moveTo(16, 19);
        arrow.lineTo(10, 12);
        arrow.lineTo(14, 12);
        arrow.lineTo(14, 4);
        arrow.lineTo(18, 4);
        arrow.lineTo(18, 12);
        arrow.lineTo(22, 12);
        arrow.closeSubpath();
        p.setPen(QPen(Qt::white, 1));
        p.setBrush(QColor(37, 99, 235));
        p.drawPath(arrow);
    }
    return pixmap;
}

} // namespace

QIcon trayImage(TrayImage image)
{
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64})
        icon.addPixmap(drawImage(image, size));
    return icon;
}

QIcon programIcon()
{
    return trayImage(TrayImage::Idle1);
}

} // namespace spoolar
