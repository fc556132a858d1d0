#include "app/pictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace tavolo {
namespace {

const QColor kNavy(0, 0, 128);
const QColor kButtonBlue(0, 0, 255);

QPixmap blank(QSize size)
{
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    return pm;
}

QPixmap buttonPixmap(void (*draw)(QPainter&))
{
    QPixmap pm = blank(QSize(16, 15));
    QPainter p(&pm);
    draw(p);
    return pm;
}

void triangle(QPainter& p, qreal tipX, qreal baseX, qreal cy, qreal half)
{
    p.drawPolygon(QPolygonF({QPointF(tipX, cy), QPointF(baseX, cy - half), QPointF(baseX, cy + half)}));
}

QPixmap greyed(const QPixmap& source)
{
    QImage img = source.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const QRgb px = img.pixel(x, y);
            if (qAlpha(px) == 0)
                continue;
            const int g = 128 + qGray(px) / 2;
            img.setPixel(x, y, qRgba(g, g, g, qAlpha(px)));
        }
    }
    return QPixmap::fromImage(img);
}

}  // namespace

QIcon windowIcon()
{
    QIcon icon;
    for (int size : {16, 32}) {
        QPixmap pm(size, size);
        pm.fill(QColor(192, 192, 192));
        QPainter p(&pm);
        const qreal u = size / 16.0;
        p.setPen(QPen(QColor(128, 128, 128), 1));
        for (int i = 1; i < 4; ++i) {
            p.drawLine(QPointF(0, i * 4 * u), QPointF(size, i * 4 * u));
            p.drawLine(QPointF(i * 4 * u, 0), QPointF(i * 4 * u, size));
        }
        const QColor colours[4] = {Qt::red, Qt::blue, Qt::magenta, Qt::green};
        const qreal heights[4] = {7, 12, 9, 14};
        p.setPen(QPen(Qt::black, 1));
        for (int i = 0; i < 4; ++i) {
            p.setBrush(colours[i]);
            p.drawRect(QRectF((1 + i * 3.6) * u, size - heights[i] * u - u, 2.8 * u, heights[i] * u));
        }
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

QPixmap relativePicture(int size)
{
    QPixmap pm = blank(QSize(size, size));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, qMax(2, size / 8), Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    const qreal m = size * 0.15;
    p.drawPolygon(QPolygonF({QPointF(size / 2.0, m), QPointF(size - m, size - m), QPointF(m, size - m)}));
    return pm;
}

QPixmap receivePicture(QSize size)
{
    // A plug with its cable, the display's "data link" sign.
    QPixmap pm = blank(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = size.width();
    const qreal h = size.height();
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawRoundedRect(QRectF(w * 0.35, h * 0.22, w * 0.38, h * 0.56), 2, 2);
    p.drawRect(QRectF(w * 0.73, h * 0.32, w * 0.16, h * 0.1));
    p.drawRect(QRectF(w * 0.73, h * 0.58, w * 0.16, h * 0.1));
    QPainterPath cable;
    cable.moveTo(w * 0.35, h * 0.5);
    cable.cubicTo(w * 0.18, h * 0.5, w * 0.2, h * 0.9, w * 0.02, h * 0.9);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::black, qMax<qreal>(2, h / 9), Qt::SolidLine, Qt::RoundCap));
    p.drawPath(cable);
    return pm;
}

QPixmap connectionPicture(bool displayLit)
{
    QPixmap pm = blank(QSize(25, 24));
    QPainter p(&pm);
    // the PC: monitor on a stand
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(192, 192, 192));
    p.drawRect(0, 3, 13, 11);
    p.setBrush(QColor(0, 0, 128));
    p.drawRect(2, 5, 9, 7);
    p.setBrush(QColor(192, 192, 192));
    p.drawRect(4, 15, 5, 2);
    p.drawRect(1, 18, 11, 3);
    // the meter: a yellow body with its display and dial
    p.setBrush(QColor(255, 255, 0));
    p.drawRect(15, 1, 9, 21);
    p.setBrush(displayLit ? QColor(0, 255, 0) : QColor(64, 64, 64));
    p.drawRect(16, 3, 7, 5);
    p.setBrush(Qt::black);
    p.drawEllipse(QRect(17, 11, 5, 5));
    // the cable between them
    p.setPen(QPen(displayLit ? QColor(255, 0, 0) : QColor(128, 128, 128), 1));
    p.drawLine(13, 20, 15, 20);
    return pm;
}

QPixmap magnifierPicture(bool plus)
{
    QPixmap pm = blank(QSize(25, 25));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(QColor(220, 240, 255));
    p.drawEllipse(QRectF(2, 2, 14, 14));
    p.setPen(QPen(QColor(128, 64, 0), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(15, 15), QPointF(22, 22));
    p.setPen(QPen(Qt::black, 2));
    p.drawLine(QPointF(5.5, 9), QPointF(12.5, 9));
    if (plus)
        p.drawLine(QPointF(9, 5.5), QPointF(9, 12.5));
    return pm;
}

QIcon floppyIcon()
{
    return QIcon(buttonPixmap([](QPainter& p) {
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(kNavy);
        p.drawRect(1, 0, 13, 14);
        p.setBrush(Qt::white);
        p.drawRect(3, 1, 9, 5);
        p.setBrush(QColor(192, 192, 192));
        p.drawRect(4, 9, 7, 5);
        p.fillRect(5, 10, 2, 3, kNavy);
    }));
}

QIcon firstIcon()
{
    return QIcon(buttonPixmap([](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kButtonBlue);
        p.drawRect(2, 3, 2, 9);
        triangle(p, 4, 9, 7.5, 4.5);
        triangle(p, 9, 14, 7.5, 4.5);
    }));
}

QIcon previousIcon()
{
    return QIcon(buttonPixmap([](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kButtonBlue);
        triangle(p, 3, 8, 7.5, 4.5);
        triangle(p, 8, 13, 7.5, 4.5);
    }));
}

QIcon nextIcon()
{
    return QIcon(buttonPixmap([](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kButtonBlue);
        triangle(p, 8, 3, 7.5, 4.5);
        triangle(p, 13, 8, 7.5, 4.5);
    }));
}

QIcon lastIcon()
{
    return QIcon(buttonPixmap([](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kButtonBlue);
        triangle(p, 7, 2, 7.5, 4.5);
        triangle(p, 12, 7, 7.5, 4.5);
        p.drawRect(12, 3, 2, 9);
    }));
}

QIcon blankPageIcon()
{
    return QIcon(buttonPixmap([](QPainter& p) {
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(Qt::white);
        p.drawPolygon(QPolygon({QPoint(3, 0), QPoint(10, 0), QPoint(13, 3), QPoint(13, 14), QPoint(3, 14)}));
        p.drawPolyline(QPolygon({QPoint(10, 0), QPoint(10, 3), QPoint(13, 3)}));
    }));
}

QIcon openFolderIcon()
{
    const QPixmap normal = buttonPixmap([](QPainter& p) {
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(QColor(255, 255, 0));
        p.drawPolygon(QPolygon({QPoint(0, 3), QPoint(5, 3), QPoint(6, 5), QPoint(12, 5), QPoint(12, 13), QPoint(0, 13)}));
        p.setBrush(QColor(128, 128, 0));
        p.drawPolygon(QPolygon({QPoint(0, 13), QPoint(3, 7), QPoint(15, 7), QPoint(12, 13)}));
    });
    QIcon icon(normal);
    icon.addPixmap(greyed(normal), QIcon::Disabled);
    return icon;
}

QIcon printerIcon()
{
    return QIcon(buttonPixmap([](QPainter& p) {
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(Qt::white);
        p.drawRect(4, 0, 8, 6);
        p.setBrush(QColor(192, 192, 192));
        p.drawRect(0, 5, 15, 6);
        p.setBrush(Qt::white);
        p.drawRect(3, 10, 10, 4);
        p.fillRect(12, 7, 2, 1, QColor(0, 255, 0));
    }));
}

}  // namespace tavolo
