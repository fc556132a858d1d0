#pragma once

#include <QColor>
#include <QWidget>

namespace tavolo {

// The verdict circle of the limit panel: an ellipse filling the widget, drawn
// with a one-pixel black pen and the current brush colour. GUI thread only.
class ShapeCircle : public QWidget {
    Q_OBJECT

public:
    explicit ShapeCircle(QWidget* parent = nullptr);

    QColor brushColor() const { return m_brush; }
    void setBrushColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_brush;
};

}  // namespace tavolo
