// The shared pieces of the reference panels: which combo entry counts as
// chosen, where a new record goes, and how IDs are read and compared.

#include "platform/engine/vbconv.h"
#include "platform/engine/workbook.h"
#include "reference/records.h"

#include <QComboBox>
#include <QtTest>

class TestRecords : public QObject {
    Q_OBJECT
private slots:
    void chosenEntryMustStillReadAsItself() {
        QComboBox box;
        box.setEditable(true);
        box.setInsertPolicy(QComboBox::NoInsert);
        QCOMPARE(refdata::chosenIndex(&box), -1); // empty list
        box.addItems({QStringLiteral("ROSSI"), QStringLiteral("BIANCHI")});
        box.setCurrentIndex(1);
        QCOMPARE(refdata::chosenIndex(&box), 1);
        QCOMPARE(refdata::chosenRow(&box), 3);
        // Typed over: Qt keeps entry 1 current, but the text names no entry.
        box.setEditText(QStringLiteral("BIANCHI S.R.L."));
        QCOMPARE(box.currentIndex(), 1);
        QCOMPARE(refdata::chosenIndex(&box), -1);
        QCOMPARE(refdata::chosenRow(&box), 0);
        // Another entry's text typed over the current one is not a choice either.
        box.setEditText(QStringLiteral("ROSSI"));
        QCOMPARE(refdata::chosenIndex(&box), -1);
        box.setEditText(QString());
        QCOMPARE(refdata::chosenIndex(&box), -1);
    }

    void firstEmptyRowFillsGapsAndStopsAtTheRowLimit() {
        xl::Workbook book;
        xl::Worksheet& s = book.AddSheet(QStringLiteral("Varie"));
        s.Cells(1, 1).SetValue(xl::Value::text(QStringLiteral("Num.Faldone")));
        QCOMPARE(refdata::firstEmptyRow(s, 1), 2);
        s.Cells(2, 1).SetValue(xl::Value::text(QStringLiteral("1")));
        s.Cells(4, 1).SetValue(xl::Value::text(QStringLiteral("3")));
        QCOMPARE(refdata::firstEmptyRow(s, 1), 3);
        // An empty text is an empty cell.
        s.Cells(3, 1).SetValue(xl::Value::text(QString()));
        QCOMPARE(refdata::firstEmptyRow(s, 1), 3);
        // Another column is another table.
        QCOMPARE(refdata::firstEmptyRow(s, 5), 1);
        for (int r = 1; r <= vb::kMaxRow16; ++r) s.Cells(r, 5).SetValue(xl::Value::number(r));
        QCOMPARE(refdata::firstEmptyRow(s, 5), 0);
    }

    void listStopsAtTheFirstEmptyCell() {
        xl::Workbook book;
        xl::Worksheet& s = book.AddSheet(QStringLiteral("Cliente"));
        s.Cells(1, 2).SetValue(xl::Value::text(QStringLiteral("Ragione Sociale/Cognome Nome")));
        s.Cells(2, 2).SetValue(xl::Value::text(QStringLiteral("ROSSI")));
        s.Cells(3, 2).SetValue(xl::Value::number(12.5));
        s.Cells(5, 2).SetValue(xl::Value::text(QStringLiteral("after the gap")));
        QComboBox box;
        box.setEditable(true);
        box.addItem(QStringLiteral("stale"));
        refdata::fillFromColumn(&box, s, 2);
        QCOMPARE(box.count(), 2);
        QCOMPARE(box.itemText(0), QStringLiteral("ROSSI"));
        QCOMPARE(box.itemText(1), QStringLiteral("12,5"));
        QCOMPARE(refdata::chosenIndex(&box), -1); // filling chooses nothing
        refdata::fillFromColumn(&box, s, 2); // twice: still each once
        QCOMPARE(box.count(), 2);
    }

    void idsAreWholeNumbersFromOne() {
        QCOMPARE(refdata::wholeId(QStringLiteral("7")).value_or(-1), 7.0);
        QCOMPARE(refdata::wholeId(QStringLiteral(" 12 ")).value_or(-1), 12.0);
        QCOMPARE(refdata::wholeId(QStringLiteral("1.000")).value_or(-1), 1000.0); // Italian grouping
        for (const char* bad : {"", "abc", "0", "-3", "2,5", "7bis", "1e30"})
            QVERIFY2(!refdata::wholeId(QString::fromUtf8(bad)), bad);
        QCOMPARE(refdata::wholeId(xl::Value::number(5)).value_or(-1), 5.0);
        QVERIFY(!refdata::wholeId(xl::Value::number(5.5)));
        QVERIFY(!refdata::wholeId(xl::Value()));
        QVERIFY(!refdata::wholeId(xl::Value::boolean(true)));
        QVERIFY(!refdata::wholeId(xl::Value::date(45000)));
    }

    void idCellsMatchOnlyTheirOwnKind() {
        QVERIFY(refdata::idMatches(xl::Value::number(5), QStringLiteral("5")));
        QVERIFY(!refdata::idMatches(xl::Value::number(5), QStringLiteral("6")));
        QVERIFY(!refdata::idMatches(xl::Value::number(5), QStringLiteral("5abc")));
        QVERIFY(refdata::idMatches(xl::Value::text(QStringLiteral("A7")), QStringLiteral("A7")));
        // Cells that hold no number never match a number, and never fail.
        QVERIFY(!refdata::idMatches(xl::Value::text(QStringLiteral("abc")), QStringLiteral("5")));
        QVERIFY(!refdata::idMatches(xl::Value(), QStringLiteral("5")));
        QVERIFY(!refdata::idMatches(xl::Value::error(7), QStringLiteral("5")));
        QVERIFY(!refdata::idMatches(xl::Value::boolean(true), QStringLiteral("1")));
        QVERIFY(!refdata::idMatches(xl::Value::text(QString()), QString()));
    }
};

QTEST_MAIN(TestRecords)
#include "tst_records.moc"
