#pragma once

#include <QFont>
#include <QString>

#include <cstddef>
#include <functional>
#include <string_view>

class QPainter;

namespace tavolo {

class ReadingTable;

// The printed report of the reading table: A4 portrait, 10 mm margins, and on
// every page a title band, a column-title band, up to rowsPerPage() detail
// bands and a footer band. Pages are laid out by arithmetic alone, so a table
// of ten million rows has its page count at once and any page can be drawn
// without walking the rows before it.
//
// Layout in millimetres from the paper's top-left corner. One renderPage()
// routine draws a page for the preview and for the printer alike.
//
// The report covers the rows present when it was made (rowCount), so readings
// recorded while the preview is open do not move its pages. The table must
// outlive the report and must not be cleared while the report is shown.
// GUI thread only.
class ReadingReport {
public:
    static constexpr double kPaperWidthMm = 210.0;
    static constexpr double kPaperHeightMm = 297.0;
    static constexpr double kMarginMm = 10.0;
    static constexpr double kBandWidthMm = 190.0;
    static constexpr double kHeaderBandMm = 13.2;
    static constexpr double kColumnHeaderBandMm = 13.2;
    static constexpr double kDetailBandMm = 6.6;
    static constexpr double kFooterBandMm = 13.2;
    static constexpr double kFontPoints = 10.0;

    // Detail bands that fit between the column titles and the footer: 35.
    static constexpr int rowsPerPage()
    {
        return static_cast<int>(
            (kPaperHeightMm - 2 * kMarginMm - kHeaderBandMm - kColumnHeaderBandMm - kFooterBandMm) /
            kDetailBandMm);
    }

    using LcdTextMapper = std::function<QString(std::string_view)>;
    // Font for texts in the LCD coding at a pixel height on the target device.
    using LcdFontMaker = std::function<QFont(int pixelHeight)>;

    ReadingReport(const ReadingTable& table, std::size_t rowCount);

    void setLcdText(LcdTextMapper mapper, LcdFontMaker font);

    std::size_t rowCount() const { return m_rows; }
    // No pages for an empty table.
    int pageCount() const;

    // Draws page `page` (0-based) with its top-left paper corner at the
    // painter's origin, at `dotsPerMm` device pixels per millimetre.
    void renderPage(QPainter& painter, int page, double dotsPerMm) const;

private:
    const ReadingTable& m_table;
    std::size_t m_rows;
    LcdTextMapper m_lcdText;
    LcdFontMaker m_lcdFont;
};

}  // namespace tavolo
