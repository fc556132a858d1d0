#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>

// The window's pictures, drawn in code so the program carries no image files.
// Each call draws afresh (cheap at these sizes); the LCD panel keeps the two it
// paints at every repaint. GUI thread only.
namespace tavolo {

QIcon windowIcon();                         // a bar chart of four bars on a grey grid, 16 and 32 px
QPixmap relativePicture(int size);          // LCDREL: the relative-mode triangle (Δ)
QPixmap receivePicture(QSize size);         // LCDsend: data arriving from the meter
QPixmap connectionPicture(bool displayLit); // CONok / CONokN: a PC beside a meter, 25 × 24
QPixmap magnifierPicture(bool plus);        // TbFd (+) / TbSx (−), 25 × 25

// 16 × 15 speed-button pictures.
QIcon floppyIcon();
QIcon firstIcon();     // a bar and two left triangles, blue
QIcon previousIcon();  // two left triangles
QIcon nextIcon();      // two right triangles
QIcon lastIcon();      // two right triangles and a bar
QIcon blankPageIcon();
QIcon openFolderIcon();  // with its greyed variant for the disabled state
QIcon printerIcon();

}  // namespace tavolo
