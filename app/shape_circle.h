#pragma once

#include <QColor>
#include <QWidget>

namespace tavolo {

// The verdict circle of the limit panel: a circle of the widget's smaller side,
// centred in it (113 × 121 gives a circle of 113 with 4 pixels above and below),
// drawn with a one-pixel black pen and the current brush colour. GUI thread only.
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
