#pragma once

#include <QFrame>

#include "decode/panel_state.h"

namespace tavolo {

// The picture of the meter's display (Panel1): five seven-segment digits, the
// sign, four points, the annunciators, the REL and receive pictures and the bar
// graph PBar2 along the bottom edge (0, 164, 334 × 17). It draws the panel state
// it was last given and keeps no state of its own. GUI thread only.
class LcdPanelWidget : public QFrame {
    Q_OBJECT

public:
    explicit LcdPanelWidget(QWidget* parent = nullptr);

    // Takes the state to draw and asks for a repaint (Qt merges repaint requests).
    void setState(const PanelState& state);
    const PanelState& state() const { return m_state; }

    // What the digits read, as a person would read them off the display:
    // hidden digits are left out, lit points appear as ".", the sign as "-",
    // the overload L as "L" ("22000" at start, "1.23", "-0.L").
    QString readout() const;

    // Where each part is drawn, in the panel's coordinates (for layout checks).
    static QRect digitRect(int index);  // index 0..4: LcdD0, LcdDa, LcdDb, LcdDc, LcdDd
    static QRect pointRect(int index);  // index 0..3: LcdP0..LcdP3
    static QRect barRect();             // PBar2

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void paintDigits(QPainter& p) const;
    void paintAnnunciators(QPainter& p) const;
    void paintBar(QPainter& p) const;

    PanelState m_state;
};

}  // namespace tavolo
