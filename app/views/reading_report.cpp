#include "app/views/reading_report.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

#include "app/core_text.h"
#include "app/window_fonts.h"
#include "record/reading_table.h"

namespace tavolo {
namespace {

int pixelsFor(double points, double dotsPerMm)
{
    return std::max(1, static_cast<int>(std::lround(points * 25.4 / 72.0 * dotsPerMm)));
}

// Left edges of the columns within the band, in millimetres.
constexpr double kNoMm = 8.5;
constexpr double kTimeMm = 33.9;
constexpr double kFunctionTitleMm = 64.3;
constexpr double kFunctionFieldMm = 65.6;
constexpr double kValueMm = 99.5;
constexpr double kUnitTitleMm = 132.3;
constexpr double kUnitFieldMm = 131.2;
constexpr double kJudgeMm = 163.0;
constexpr double kTitleTopMm = 2.1;
constexpr double kColumnTitleTopMm = 4.2;
constexpr double kFieldTopMm = 2.1;
constexpr double kFooterTopMm = 4.2;

}  // namespace

ReadingReport::ReadingReport(const ReadingTable& table, std::size_t rowCount)
    : m_table(table),
      m_rows(std::min(rowCount, table.rowCount())),
      m_lcdText([](std::string_view text) { return fromLcdCoded(text); }),
      m_lcdFont([](int pixels) { return arialFont(pixels); })
{
}

void ReadingReport::setLcdText(LcdTextMapper mapper, LcdFontMaker font)
{
    if (mapper)
        m_lcdText = std::move(mapper);
    if (font)
        m_lcdFont = std::move(font);
}

int ReadingReport::pageCount() const
{
    const auto perPage = static_cast<std::size_t>(rowsPerPage());
    return static_cast<int>((m_rows + perPage - 1) / perPage);
}

void ReadingReport::renderPage(QPainter& painter, int page, double dotsPerMm) const
{
    if (page < 0 || page >= pageCount())
        return;
    const auto mm = [dotsPerMm](double v) { return v * dotsPerMm; };
    const int fontPixels = pixelsFor(kFontPoints, dotsPerMm);
    const QFont arial = arialFont(fontPixels);
    const QFont lcd = m_lcdFont(fontPixels);

    painter.save();
    painter.setPen(Qt::black);
    // Texts are placed by their top edge like the report's labels; the width
    // is generous because labels size themselves to their text.
    const auto drawAt = [&](const QFont& font, double leftMm, double topMm, const QString& text) {
        painter.setFont(font);
        const QRectF box(mm(leftMm), mm(topMm), mm(kBandWidthMm), mm(kDetailBandMm));
        painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    };

    const double left = kMarginMm;
    double top = kMarginMm;

    // Title band: "Data Report", centred across the band.
    painter.setFont(lcd);
    painter.drawText(QRectF(mm(left), mm(top + kTitleTopMm), mm(kBandWidthMm), mm(kHeaderBandMm)),
                     Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine,
                     QStringLiteral("Data Report"));
    top += kHeaderBandMm;

    // Column titles; only "Function" is in Arial.
    const double titleTop = top + kColumnTitleTopMm;
    drawAt(lcd, left + kNoMm, titleTop, QStringLiteral("No"));
    drawAt(lcd, left + kTimeMm, titleTop, QStringLiteral("Time"));
    drawAt(arial, left + kFunctionTitleMm, titleTop, QStringLiteral("Function"));
    drawAt(lcd, left + kValueMm, titleTop, QStringLiteral("Value"));
    drawAt(lcd, left + kUnitTitleMm, titleTop, QStringLiteral("Unit"));
    drawAt(lcd, left + kJudgeMm, titleTop, QStringLiteral("Judge"));
    top += kColumnHeaderBandMm;

    const auto perPage = static_cast<std::size_t>(rowsPerPage());
    const std::size_t first = static_cast<std::size_t>(page) * perPage;
    const std::size_t last = std::min(m_rows, first + perPage);
    for (std::size_t row = first; row < last; ++row) {
        const double fieldTop = top + kFieldTopMm;
        const auto no = m_table.intValue(row, TableField::No);
        drawAt(arial, left + kNoMm, fieldTop, no ? QString::number(*no) : QString());
        drawAt(arial, left + kTimeMm, fieldTop, fromLcdCoded(m_table.text(row, TableField::Time)));
        drawAt(arial, left + kFunctionFieldMm, fieldTop, fromLcdCoded(m_table.text(row, TableField::DcAc)));
        drawAt(arial, left + kValueMm, fieldTop, fromLcdCoded(m_table.text(row, TableField::Value)));
        drawAt(lcd, left + kUnitFieldMm, fieldTop, m_lcdText(m_table.text(row, TableField::Unit)));
        drawAt(lcd, left + kJudgeMm, fieldTop, m_lcdText(m_table.text(row, TableField::Auto)));
        top += kDetailBandMm;
    }

    // The footer sits at the foot of the page, whatever the rows above took.
    const double footerTop = kPaperHeightMm - kMarginMm - kFooterBandMm;
    drawAt(lcd, left + kNoMm, footerTop + kFooterTopMm, QStringLiteral("Test Data"));
    painter.restore();
}

}  // namespace tavolo
