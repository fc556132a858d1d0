// The grid's model over the reading table: titles, alignments, the LCD coding
// of the unit column, exact insert announcements, resets and freezing.
#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

#include "app/views/reading_table_model.h"
#include "record/reading_table.h"

using tavolo::ReadingTable;
using tavolo::ReadingTableModel;
using tavolo::RowValues;

namespace {

void appendRows(ReadingTable& table, int count, int firstNo = 1)
{
    for (int i = 0; i < count; ++i) {
        RowValues row;
        row.no = firstNo + i;
        row.time = "10:15:07";
        row.dcAc = "DC";
        row.value = "01.234";
        row.unit = "K*";
        row.judge = i % 2 ? "Fail" : "Pass";
        row.nval = 1234;
        table.appendRow(row);
    }
}

}  // namespace

class ReadingTableModelTest : public QObject {
    Q_OBJECT

private slots:
    void columnsTitlesAndAlignment()
    {
        ReadingTable table;
        appendRows(table, 1);
        table.appendRow(RowValues{});  // a row of empty fields
        ReadingTableModel model(table);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setLcdTextMapper([](std::string_view coded) {
            return coded == "K*" ? QStringLiteral("k\u03a9") : QString::fromLatin1(coded.data());
        });

        QCOMPARE(model.columnCount(), 6);
        const QStringList titles{"No", "time", "Function", "Value", "Unit", "Judge"};
        for (int c = 0; c < 6; ++c)
            QCOMPARE(model.headerData(c, Qt::Horizontal).toString(), titles[c]);
        const QList<int> widths{53, 50, 70, 56, 35, -1};
        for (int c = 0; c < 6; ++c)
            QCOMPARE(ReadingTableModel::columnWidth(c), widths[c]);

        QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("1"));
        QCOMPARE(model.data(model.index(0, 1)).toString(), QStringLiteral("10:15:07"));
        QCOMPARE(model.data(model.index(0, 4)).toString(), QStringLiteral("k\u03a9"));
        QCOMPARE(model.data(model.index(0, 5)).toString(), QStringLiteral("Pass"));
        QVERIFY(model.data(model.index(1, 0)).toString().isEmpty());
        QVERIFY(model.data(model.index(1, 5)).toString().isEmpty());

        const int right = Qt::AlignRight | Qt::AlignVCenter;
        const QList<int> align{right, int(Qt::AlignCenter), int(Qt::AlignCenter), right, right,
                               int(Qt::AlignLeft | Qt::AlignVCenter)};
        for (int c = 0; c < 6; ++c)
            QCOMPARE(model.data(model.index(0, c), Qt::TextAlignmentRole).toInt(), align[c]);
        QCOMPARE(model.data(model.index(0, 0), Qt::FontRole).value<QFont>().pixelSize(), 12);
        QCOMPARE(model.headerData(0, Qt::Horizontal, Qt::FontRole).value<QFont>().pixelSize(), 11);
        QVERIFY(!(model.flags(model.index(0, 3)) & Qt::ItemIsEditable));
    }

    void appendsAreAnnouncedOverExactlyTheNewRows()
    {
        ReadingTable table;
        appendRows(table, 3);
        ReadingTableModel model(table);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);

        QVERIFY(!model.syncWithTable());  // nothing new
        appendRows(table, 5, 4);
        QCOMPARE(model.rowCount(), 3);  // not announced yet
        QVERIFY(model.syncWithTable());
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(inserted.at(0).at(1).toInt(), 3);
        QCOMPARE(inserted.at(0).at(2).toInt(), 7);
        QCOMPARE(model.rowCount(), 8);
        QCOMPARE(reset.count(), 0);

        // An emptied table resets the model rather than pretending rows moved.
        table.clear();
        QVERIFY(model.data(model.index(7, 3)).isNull());  // stale row read before the sync
        QVERIFY(model.syncWithTable());
        QCOMPARE(reset.count(), 1);
        QCOMPARE(model.rowCount(), 0);
    }

    void frozenModelCatchesUpWhenThawed()
    {
        ReadingTable table;
        ReadingTableModel model(table);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setFrozen(true);
        appendRows(table, 4);
        QVERIFY(!model.syncWithTable());
        QCOMPARE(model.rowCount(), 0);
        model.setFrozen(false);
        QCOMPARE(model.rowCount(), 4);
    }
};

QTEST_MAIN(ReadingTableModelTest)
#include "test_reading_table_model.moc"
