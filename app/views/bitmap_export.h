#pragma once

#include <QString>

class QImage;

namespace tavolo {

// The chart bitmap's name rule: a name whose extension is not exactly "bmp"
// (case-sensitive) gets ".bmp" in place of its extension, or added when it has
// none. Only the last path component's extension counts.
QString bitmapFileName(const QString& chosen);

// Writes `image` as a BMP file at `path`, replacing an existing file only once
// the new one is complete, so a failure leaves the old file as it was.
// Returns an empty text on success, else the message for the user:
// Cannot create file "<path>". <reason>
QString writeBitmapFile(const QImage& image, const QString& path);

}  // namespace tavolo
