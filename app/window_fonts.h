#pragma once

#include <QFont>

// The window's two text faces, by the metric-compatible free fonts that stand
// in for them: "Arial" → Liberation Sans, "MS Sans Serif" → DejaVu Sans (its
// condensed cut, whose widths are closer).
// Sizes are pixel heights, as the layout gives them. GUI thread only.
namespace tavolo {

QFont arialFont(int pixelSize, bool bold = false, bool italic = false);
QFont msSansSerifFont(int pixelSize, bool bold = false);

}  // namespace tavolo
