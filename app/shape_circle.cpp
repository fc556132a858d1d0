#include "app/shape_circle.h"

#include <QPainter>
#include <QPalette>

#include <algorithm>

namespace tavolo {

ShapeCircle::ShapeCircle(QWidget* parent)
    : QWidget(parent), m_brush(palette().color(QPalette::ToolTipBase))
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ShapeCircle::setBrushColor(const QColor& color)
{
    if (color == m_brush)
        return;
    m_brush = color;
    update();
}

void ShapeCircle::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(m_brush);
    // A circle as wide as the smaller side, centred along the longer one.
    const int side = std::min(width(), height());
    const QRectF circle((width() - side) / 2, (height() - side) / 2, side, side);
    p.drawEllipse(circle.adjusted(0.5, 0.5, -0.5, -0.5));
}

}  // namespace tavolo
