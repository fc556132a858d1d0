#include "app/views/bitmap_export.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QSaveFile>

namespace tavolo {

QString bitmapFileName(const QString& chosen)
{
    const qsizetype slash = std::max(chosen.lastIndexOf(QLatin1Char('/')),
                                     chosen.lastIndexOf(QDir::separator()));
    const qsizetype dot = chosen.lastIndexOf(QLatin1Char('.'));
    if (dot <= slash)  // no extension in the file's own name
        return chosen + QStringLiteral(".bmp");
    if (chosen.mid(dot + 1) == QLatin1String("bmp"))
        return chosen;
    return chosen.left(dot) + QStringLiteral(".bmp");
}

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
