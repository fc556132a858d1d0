#pragma once

#include <QString>

class QImage;

namespace tavolo {

// Writes `image` as a BMP file at `path`, replacing an existing file only once
// the new one is complete, so a failure leaves the old file as it was.
// Returns an empty text on success, else the message for the user:
// Cannot create file "<path>". <reason>
QString writeBitmapFile(const QImage& image, const QString& path);

}  // namespace tavolo
