#include "app/lcd_glyphs.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QStringList>
#include <QPainter>
#include <QPainterPath>

#include "app/core_text.h"

namespace tavolo {
namespace {

bool isWordChar(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Symbols drawn as pictures by drawLcdText; their text forms are in lcdGlyphText.
enum class Picture { None, Battery, Diode, Continuity, Hold };

Picture pictureOf(char c)
{
    switch (c) {
    case '$': return Picture::Battery;
    case ')': return Picture::Diode;
    case '&': return Picture::Continuity;
    case '"': return Picture::Hold;
    default: return Picture::None;
    }
}

QString firstInstalled(std::initializer_list<const char*> families, const char* fallback)
{
    const QStringList installed = QFontDatabase::families();
    for (const char* f : families) {
        const QString name = QString::fromLatin1(f);
        if (installed.contains(name))
            return name;
    }
    return QString::fromLatin1(fallback);
}

// Pictures fill a box `h` tall; they return the width they take.
qreal drawBattery(QPainter& p, QPointF at, qreal h)
{
    const qreal w = h * 0.9;
    const qreal bodyH = h * 0.42;
    const QRectF body(at.x() + 1, at.y() + (h - bodyH) / 2, w - h * 0.12 - 1, bodyH);
    p.save();
    p.setPen(QPen(Qt::black, qMax<qreal>(1.5, h / 14)));
    p.setBrush(Qt::NoBrush);
    p.drawRect(body);
    p.setBrush(Qt::black);
    p.drawRect(QRectF(body.right(), body.center().y() - bodyH / 5, h * 0.1, bodyH / 2.5));
    // a low charge: one cell of three left
    p.drawRect(body.adjusted(body.width() * 0.08, body.height() * 0.2, -body.width() * 0.7,
                             -body.height() * 0.2));
    p.restore();
    return w + h * 0.1;
}

qreal drawDiode(QPainter& p, QPointF at, qreal h)
{
    const qreal s = h * 0.55;
    const qreal top = at.y() + (h - s) / 2;
    QPainterPath tri;
    tri.moveTo(at.x() + 1, top);
    tri.lineTo(at.x() + 1, top + s);
    tri.lineTo(at.x() + 1 + s * 0.87, top + s / 2);
    tri.closeSubpath();
    p.save();
    p.setPen(QPen(Qt::black, qMax<qreal>(1.5, h / 14)));
    p.setBrush(Qt::black);
    p.drawPath(tri);
    p.drawLine(QPointF(at.x() + 1 + s * 0.87, top), QPointF(at.x() + 1 + s * 0.87, top + s));
    p.restore();
    return s + h * 0.2;
}

qreal drawContinuity(QPainter& p, QPointF at, qreal h)
{
    const qreal cy = at.y() + h / 2;
    const qreal dot = h * 0.14;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::black);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(at.x() + dot, cy), dot, dot);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::black, qMax<qreal>(1.5, h / 12), Qt::SolidLine, Qt::RoundCap));
    for (int i = 1; i <= 3; ++i) {
        const qreal r = h * 0.13 * i + dot;
        p.drawArc(QRectF(at.x() + dot - r, cy - r, 2 * r, 2 * r), -45 * 16, 90 * 16);
    }
    p.restore();
    return dot + h * 0.13 * 3 + dot + h * 0.1;
}

qreal drawHold(QPainter& p, QPointF at, qreal h)
{
    // The display's HOLD mark: an "H" in a frame, as narrow as a digit's gap allows.
    const qreal box = h * 0.7;
    const QRectF r(at.x() + 1, at.y() + (h - box) / 2, box * 0.85, box);
    p.save();
    p.setPen(QPen(Qt::black, qMax<qreal>(1.5, h / 16)));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);
    p.setFont(lcdSymbolFont(qRound(box * 0.8), true));
    p.drawText(r, Qt::AlignCenter, QStringLiteral("H"));
    p.restore();
    return r.width() + h * 0.1;
}

}  // namespace

bool isSegmentGlyph(char coded)
{
    return (coded >= '0' && coded <= '9') || coded == '-' || coded == '@';
}

QString lcdGlyphText(char coded)
{
    switch (coded) {
    case '@': return QStringLiteral("L");
    case '*': return QStringLiteral("\u03A9");         // Ω
    case '+': return QStringLiteral("\u00B5");         // µ
    case '&': return QStringLiteral("\u2022)))");      // •)))
    case '?': return QStringLiteral("\u00B0C");        // °C
    case ')': return QStringLiteral("\u25B6|");        // ▶|
    case '"': return QStringLiteral("HOLD");
    case '$': return QStringLiteral("BAT");
    case 'K': return QStringLiteral("k");
    default: break;
    }
    const auto u = static_cast<unsigned char>(coded);
    if (u < 0x20 || u == 0x7F)
        return QStringLiteral("\uFFFD");  // never part of a display text: show that it is wrong
    return QString(fromLcdCoded(coded));
}

QString lcdDisplayText(std::string_view coded)
{
    QString out;
    out.reserve(static_cast<qsizetype>(coded.size()) + 4);
    char previous = 0;  // last non-blank character written
    bool pendingBlank = false;
    for (char c : coded) {
        if (c == ' ') {
            pendingBlank = previous != 0;
            continue;
        }
        if (pendingBlank && isWordChar(previous) && isWordChar(c))
            out += QLatin1Char(' ');
        pendingBlank = false;
        out += lcdGlyphText(c);
        previous = c;
    }
    return out;
}

QFont lcdFont(int pixelHeight)
{
    static const QString family = firstInstalled({"DSEG7 Classic"}, "Monospace");
    QFont f(family);
    f.setPixelSize(qMax(1, pixelHeight));
    f.setStyleHint(QFont::Monospace);
    return f;
}

QFont lcdSymbolFont(int pixelHeight, bool bold)
{
    static const QString family = firstInstalled({"Liberation Sans", "Arial", "DejaVu Sans"}, "Sans Serif");
    QFont f(family);
    f.setPixelSize(qMax(1, pixelHeight));
    f.setBold(bold);
    // Glyphs Liberation Sans lacks (▶) come from DejaVu Sans.
    f.setFamilies({family, QStringLiteral("DejaVu Sans")});
    return f;
}

qreal drawLcdText(QPainter& painter, QPointF topLeft, std::string_view coded, int pixelHeight, bool bold)
{
    const QFont font = lcdSymbolFont(pixelHeight, bold);
    const QFontMetricsF fm(font);
    const qreal h = fm.ascent() + fm.descent();
    painter.save();
    painter.setFont(font);
    painter.setPen(Qt::black);
    qreal x = topLeft.x();
    QString run;  // consecutive plain-text characters, drawn together for kerning
    auto flush = [&] {
        if (run.isEmpty())
            return;
        painter.drawText(QPointF(x, topLeft.y() + fm.ascent()), run);
        x += fm.horizontalAdvance(run);
        run.clear();
    };
    for (char c : coded) {
        switch (pictureOf(c)) {
        case Picture::Battery: flush(); x += drawBattery(painter, QPointF(x, topLeft.y()), h); break;
        case Picture::Diode: flush(); x += drawDiode(painter, QPointF(x, topLeft.y()), h); break;
        case Picture::Continuity: flush(); x += drawContinuity(painter, QPointF(x, topLeft.y()), h); break;
        case Picture::Hold: flush(); x += drawHold(painter, QPointF(x, topLeft.y()), h); break;
        case Picture::None: run += c == ' ' ? QStringLiteral(" ") : lcdGlyphText(c); break;
        }
    }
    flush();
    painter.restore();
    return x - topLeft.x();
}

}  // namespace tavolo
