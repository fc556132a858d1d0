#include "app/lcd_panel_widget.h"

#include <QFontMetricsF>
#include <QPainter>

#include "app/core_text.h"
#include "app/lcd_glyphs.h"
#include "app/pictures.h"

namespace tavolo {
namespace {

constexpr int kDigitTop = 28;
constexpr int kDigitLefts[5] = {40, 88, 136, 184, 232};
// A digit's ink is 36 pixels wide, so each point (two pixels after it) sits in
// the gap before the next digit, as on the meter.
constexpr int kDigitWidth = 36;
// The glyphs stand on the points' baseline (113 + 8).
constexpr int kDigitBottom = 121;
constexpr LcdControl kDigitControls[5] = {LcdControl::LcdD0, LcdControl::LcdDa, LcdControl::LcdDb,
                                          LcdControl::LcdDc, LcdControl::LcdDd};
constexpr LcdControl kPointControls[4] = {LcdControl::LcdP0, LcdControl::LcdP1, LcdControl::LcdP2,
                                          LcdControl::LcdP3};
constexpr QRect kPointRects[4] = {QRect(79, 113, 7, 8), QRect(127, 113, 7, 8), QRect(175, 113, 7, 8),
                                  QRect(224, 113, 9, 8)};

struct Annunciator {
    LcdControl control;
    const char* coded;  // in the LCD coding
    int pixelHeight;
    bool bold;
    int left;
    int top;
};

// Places and sizes of the display's annunciators (left, top inside the panel).
constexpr Annunciator kAnnunciators[] = {
    {LcdControl::LcdAC, "AC", 21, true, 6, 54},
    {LcdControl::LcdDc1, "DC", 21, true, 5, 54},
    {LcdControl::LcdAuto, "Auto range", 16, true, 56, 131},
    {LcdControl::LcdManu, "MANU", 16, true, 168, 131},
    {LcdControl::LCDHold, "\"", 35, false, 8, 102},
    {LcdControl::LCDBATT, "$", 35, false, 280, -1},
    {LcdControl::LcdV, "V", 24, false, 256, 11},
    {LcdControl::LCDA, "A", 24, false, 256, 10},
    {LcdControl::LCDF, "F", 24, false, 256, 10},
    {LcdControl::LCDHz, "Hz", 24, false, 296, 98},
    {LcdControl::LCDohm, "*", 19, false, 312, 81},
    {LcdControl::LCDk, "k", 24, false, 286, 76},
    {LcdControl::LCDM1, "M", 19, false, 286, 81},
    {LcdControl::Lcdm, "m", 24, false, 232, 9},
    {LcdControl::LCDu, "+", 32, false, 240, 3},
    {LcdControl::LCDn, "n", 24, false, 232, 10},
    {LcdControl::LCDBF, "%", 21, false, 296, 40},
    {LcdControl::LCDDI, ")", 29, false, 184, 9},
    {LcdControl::LCDFm, "&", 32, false, 192, 8},
    {LcdControl::LCDFS, "?", 24, false, 304, 57},
};

// The seven-segment face sized so an "8" fills a digit cell from the top of the
// digit row down to the points' baseline.
struct DigitFace {
    QFont font;
    qreal baselineShift = 0;  // added to kDigitBottom to place the baseline
    qreal leftShift = 0;      // added to a digit's left edge so the ink starts there
    qreal middleY = 0;        // the middle segment's centre, panel coordinates
    qreal segment = 0;        // a segment's thickness
};

const DigitFace& digitFace()
{
    static const DigitFace face = [] {
        DigitFace f;
        const qreal wantHeight = kDigitBottom - (kDigitTop + 8);
        QFont font = lcdFont(100);
        QRectF eight = QFontMetricsF(font).tightBoundingRect(QStringLiteral("8"));
        if (eight.height() > 0) {
            qreal scale = wantHeight / eight.height();
            if (eight.width() * scale > kDigitWidth)
                scale = kDigitWidth / eight.width();
            font = lcdFont(qMax(8, qRound(100 * scale)));
            eight = QFontMetricsF(font).tightBoundingRect(QStringLiteral("8"));
        }
        f.font = font;
        f.baselineShift = -eight.bottom();
        f.leftShift = -eight.left();
        f.middleY = kDigitBottom - eight.height() / 2;
        f.segment = qMax<qreal>(4, eight.width() * 0.16);
        return f;
    }();
    return face;
}

}  // namespace

LcdPanelWidget::LcdPanelWidget(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void LcdPanelWidget::setState(const PanelState& state)
{
    m_state = state;
    update();
}

QRect LcdPanelWidget::digitRect(int index)
{
    return QRect(kDigitLefts[index], kDigitTop, kDigitWidth, kDigitBottom - kDigitTop);
}

QRect LcdPanelWidget::pointRect(int index) { return kPointRects[index]; }

QRect LcdPanelWidget::barRect() { return QRect(0, 164, 334, 17); }

QString LcdPanelWidget::readout() const
{
    QString text;
    if (m_state.visible(LcdControl::LcdFH))
        text += QLatin1Char('-');
    for (int i = 0; i < 5; ++i) {
        if (m_state.visible(kDigitControls[i])) {
            for (char c : m_state.digitCaptions[static_cast<std::size_t>(i)])
                text += lcdGlyphText(c);
        }
        if (i < 4 && m_state.visible(kPointControls[i]))
            text += QLatin1Char('.');
    }
    return text;
}

void LcdPanelWidget::paintEvent(QPaintEvent* event)
{
    {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        paintDigits(p);
        paintAnnunciators(p);
        paintBar(p);
    }
    QFrame::paintEvent(event);  // the bevel on top
}

void LcdPanelWidget::paintDigits(QPainter& p) const
{
    const DigitFace& face = digitFace();
    p.setPen(Qt::black);
    p.setFont(face.font);
    for (int i = 0; i < 5; ++i) {
        if (!m_state.visible(kDigitControls[i]))
            continue;
        QString glyphs;
        for (char c : m_state.digitCaptions[static_cast<std::size_t>(i)])
            glyphs += isSegmentGlyph(c) ? lcdGlyphText(c) : QString(fromLcdCoded(c));
        if (glyphs.isEmpty())
            continue;
        p.drawText(QPointF(kDigitLefts[i] + 1 + face.leftShift, kDigitBottom + face.baselineShift), glyphs);
    }
    if (m_state.visible(LcdControl::LcdFH)) {
        // the sign: one bar level with the digits' middle segment, in its 28-pixel cell
        p.fillRect(QRectF(5 + 3, face.middleY - face.segment / 2, 28 - 6, face.segment), Qt::black);
    }
    for (int i = 0; i < 4; ++i) {
        if (m_state.visible(kPointControls[i]))
            p.fillRect(kPointRects[i], Qt::black);
    }
}

void LcdPanelWidget::paintAnnunciators(QPainter& p) const
{
    for (const Annunciator& a : kAnnunciators) {
        if (m_state.visible(a.control))
            drawLcdText(p, QPointF(a.left, a.top), a.coded, a.pixelHeight, a.bold);
    }
    // Drawn once: the panel repaints at up to 25 times a second.
    static const QPixmap rel = relativePicture(24);
    static const QPixmap send = receivePicture(QSize(36, 29));
    if (m_state.visible(LcdControl::LCDREL))
        p.drawPixmap(QRect(129, 10, 24, 24), rel);
    if (m_state.visible(LcdControl::LCDsend))
        p.drawPixmap(QRect(5, 4, 36, 29), send);
}

void LcdPanelWidget::paintBar(QPainter& p) const
{
    const QRect r = barRect();
    p.fillRect(r, palette().color(QPalette::Button));
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    const int maximum = m_state.barMaximum;
    const int position = m_state.barPosition;
    if (maximum <= 0 || position <= 0)
        return;
    // A position above the maximum (an overload of a larger count class) is a full bar.
    const int inner = r.width() - 4;
    const int filled = position >= maximum ? inner : static_cast<int>(qint64(inner) * position / maximum);
    const QColor fill = palette().color(QPalette::Highlight);
    // drawn as blocks, as the display's bar graph is segmented
    const int block = 8;
    for (int x = 0; x < filled; x += block + 2) {
        const int w = qMin(block, filled - x);
        p.fillRect(QRect(r.left() + 2 + x, r.top() + 2, w, r.height() - 4), fill);
    }
}

}  // namespace tavolo
