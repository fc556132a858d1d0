#include "app/views/bitmap_export.h"

#include <QDir>
#include <QImage>
#include <QImageWriter>
#include <QSaveFile>

namespace tavolo {

QString writeBitmapFile(const QImage& image, const QString& path)
{
    const auto failure = [&path](const QString& reason) {
        return QStringLiteral("Cannot create file \"%1\". %2")
            .arg(QDir::toNativeSeparators(path), reason);
    };
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failure(file.errorString());
    QImageWriter writer(&file, "BMP");
    if (!writer.write(image)) {
        file.cancelWriting();
        return failure(writer.errorString());
    }
    if (!file.commit())
        return failure(file.errorString());
    return {};
}

}  // namespace tavolo
