// The safe write of the chart's BMP file.
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

#include "app/views/bitmap_export.h"

class BitmapExportTest : public QObject {
    Q_OBJECT

private slots:
    void writesABmpOfTheImagesSize()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("chart.bmp"));
        QImage image(376, 269, QImage::Format_RGB32);
        image.fill(Qt::white);
        QVERIFY(tavolo::writeBitmapFile(image, path).isEmpty());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.read(2), QByteArray("BM"));
        QImage back(path, "BMP");
        QCOMPARE(back.size(), QSize(376, 269));
    }

    void failureNamesTheFileAndKeepsTheOldOne()
    {
        QTemporaryDir dir;
        const QString missing = dir.filePath(QStringLiteral("no/such/folder/chart.bmp"));
        QImage image(10, 10, QImage::Format_RGB32);
        image.fill(Qt::white);
        const QString message = tavolo::writeBitmapFile(image, missing);
        QVERIFY(message.startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(missing)));
        QVERIFY(message.size() > QStringLiteral("Cannot create file \"%1\". ").arg(missing).size());

        // A read-only folder: the old file survives untouched.
        const QString path = dir.filePath(QStringLiteral("old.bmp"));
        {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("old contents");
        }
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        const QString again = tavolo::writeBitmapFile(image, path);
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (again.isEmpty())
            QSKIP("running with rights that ignore folder permissions");
        QFile old(path);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old contents"));
    }
};

QTEST_MAIN(BitmapExportTest)
#include "test_bitmap_export.moc"
