#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "app/views/filter_suffix.h"
#include "app/views/recording_dialogs.h"

using namespace tavolo;

// The data save dialog, answered as a user would: a filter picked in its combo
// box, a name typed without extension, then Save.
class TestFileDialogSuffix : public QObject {
    Q_OBJECT

private:
    // Runs the real save dialog; `picks` are the filters chosen by keyboard, in turn.
    static QString saveAs(const QString& folder, const QString& typed, const QStringList& picks)
    {
        FileDialogRequest request;
        request.kind = FileDialogRequest::Kind::SaveData;
        request.filter = saveDataFilter();
        request.defaultSuffix = QStringLiteral("xls");
        request.startName = folder + QLatin1Char('/') + typed;
        QTimer::singleShot(0, [picks] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            auto* combo = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            QVERIFY(combo);
            combo->setFocus();
            for (const QString& pick : picks) {
                const int target = combo->findText(pick);
                QVERIFY(target >= 0);
                while (combo->currentIndex() != target)
                    QTest::keyClick(combo, combo->currentIndex() < target ? Qt::Key_Down : Qt::Key_Up);
            }
            QMetaObject::invokeMethod(dialog, "accept");  // the Save button
        });
        return showFileDialog(nullptr, request);
    }

private slots:
    void filtersKeepTheirTextsAndOrderWithCsvLast()
    {
        QCOMPARE(saveDataFilter(), QStringLiteral("Excel File(*.xls);;XML(*.xml);;Txt File(*.txt);;CSV (*.csv)"));
        QCOMPARE(openDataFilter(), QStringLiteral("Exel File(*.xls);;XML (*.xml);;Txt File(*.txt);;CSV (*.csv)"));
    }

    void pickedFilterGivesTheSuffix_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("picks");
        QTest::addColumn<QString>("saved");
        const QString csv = QStringLiteral("CSV (*.csv)");
        // (Not "data": Qt checks a typed relative name against the working folder.)
        QTest::newRow("no filter picked") << "readings" << QStringList() << "readings.xls";
        QTest::newRow("csv picked") << "readings" << QStringList{csv} << "readings.csv";
        QTest::newRow("csv, then back to xml") << "readings" << QStringList{csv, QStringLiteral("XML(*.xml)")}
                                               << "readings.xls";
        // Qt's own dialog puts the picked filter's extension in place of a typed one.
        QTest::newRow("typed extension follows the pick") << "readings.txt" << QStringList{csv}
                                                          << "readings.csv";
    }
    void pickedFilterGivesTheSuffix()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, picks);
        QFETCH(QString, saved);
        QTemporaryDir dir;
        const QString path = saveAs(dir.path(), typed, picks);
        QCOMPARE(path, dir.filePath(saved));
    }

    void suffixRule()
    {
        QCOMPARE(suffixForPickedFilter(QStringLiteral("CSV (*.csv)"), QStringLiteral("xls")), QStringLiteral("csv"));
        QCOMPARE(suffixForPickedFilter(QStringLiteral("Txt File(*.txt)"), QStringLiteral("xls")), QStringLiteral("xls"));
        QCOMPARE(suffixForPickedFilter(QStringLiteral("Bitmaps (*.bmp)"), QStringLiteral("bmp")), QStringLiteral("bmp"));
    }
};

QTEST_MAIN(TestFileDialogSuffix)
#include "test_file_dialog_suffix.moc"
