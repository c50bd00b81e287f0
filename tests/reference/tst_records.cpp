// What the reference panels decide from their combo boxes: which entry
// counts as chosen (and so which record row), and how a list is filled again.

#include "platform/engine/vbconv.h"
#include "platform/engine/workbook.h"
#include "reference/choice.h"
#include "store/book.h"
#include "store/clientsheet.h"

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

    void listStopsAtTheFirstEmptyCell() {
        xl::Application app;
        auto wb = std::make_unique<xl::Workbook>();
        xl::Worksheet& s = wb->AddSheet(QStringLiteral("Cliente"));
        app.adopt(std::move(wb));
        store::Book book(app);
        s.Cells(1, 2).SetValue(xl::Value::text(QStringLiteral("Ragione Sociale/Cognome Nome")));
        s.Cells(2, 2).SetValue(xl::Value::text(QStringLiteral("ROSSI")));
        s.Cells(3, 2).SetValue(xl::Value::number(12.5));
        s.Cells(5, 2).SetValue(xl::Value::text(QStringLiteral("after the gap")));
        QComboBox box;
        box.setEditable(true);
        box.addItem(QStringLiteral("stale"));
        refdata::refill(&box, store::clientNames(book));
        QCOMPARE(box.count(), 2);
        QCOMPARE(box.itemText(0), QStringLiteral("ROSSI"));
        QCOMPARE(box.itemText(1), QStringLiteral("12,5"));
        QCOMPARE(refdata::chosenIndex(&box), -1);        // filling chooses nothing
        refdata::refill(&box, store::clientNames(book)); // twice: still each once
        QCOMPARE(box.count(), 2);
    }
};

QTEST_MAIN(TestRecords)
#include "tst_records.moc"
