#include "app/window_fonts.h"

#include <QStringList>

namespace tavolo {
namespace {

QFont make(const QStringList& families, int pixelSize, bool bold, bool italic)
{
    QFont f;
    f.setFamilies(families);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setItalic(italic);
    f.setStyleHint(QFont::SansSerif);
    return f;
}

}  // namespace

QFont arialFont(int pixelSize, bool bold, bool italic)
{
    return make(QStringList{QStringLiteral("Liberation Sans"), QStringLiteral("Arial")}, pixelSize, bold, italic);
}

QFont msSansSerifFont(int pixelSize, bool bold)
{
    // The condensed cut of DejaVu Sans: its widths come near the original face's,
    // so captions fit the places the layout gives them ("Repeat", "Pass").
    return make(QStringList{QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans"),
                            QStringLiteral("MS Sans Serif")},
                pixelSize, bold, false);
}

}  // namespace tavolo
