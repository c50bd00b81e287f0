// The binder and sector tables side by side without a window: each grows at
// its own first empty cell, a rewrite never reaches the header row, and the
// sector's name stays as it is.

#include "storetest.h"

#include "store/rows.h"
#include "store/varie.h"

#include <QtTest>

using namespace storetest;
using store::Outcome;

namespace {

const QString kVarie = QStringLiteral("Varie");

} // namespace

class TestVarie : public QObject {
    Q_OBJECT
private slots:
    void eachTableGrowsAtItsOwnFirstEmptyCell() {
        OpenBook b;
        xl::Worksheet& s = b.sheet(kVarie);
        seedVarie(s);
        QCOMPARE(store::appendSector(b.book, {QStringLiteral("Penale"), QStringLiteral("Cause penali")}),
                 Outcome::Done);
        QCOMPARE(textAt(s, 3, 5), QStringLiteral("Penale"));
        QCOMPARE(textAt(s, 3, 6), QStringLiteral("Cause penali"));
        QCOMPARE(store::appendBinder(b.book, {QStringLiteral("13"), QStringLiteral("Nuovo"), QStringLiteral("nota")}),
                 Outcome::Done);
        QCOMPARE(at(s, 5, 1), xl::Value::text(QStringLiteral("13"))); // the text of the box, not a number
        QCOMPARE(textAt(s, 5, 2), QStringLiteral("Nuovo"));
        QCOMPARE(textAt(s, 5, 3), QStringLiteral("nota"));
        QVERIFY(store::isBlank(at(s, 4, 5)));
        QCOMPARE(textAt(s, 1, 4), QStringLiteral("ID")); // column D belongs to nobody

        // A gap in a key column is filled first; the other table is not one.
        put(s, 3, 1, xl::Value::text(QString()));
        QCOMPARE(store::appendBinder(b.book, {QStringLiteral("99"), {}, {}}), Outcome::Done);
        QCOMPARE(textAt(s, 3, 1), QStringLiteral("99"));
        QCOMPARE(textAt(s, 3, 2), QString()); // its old description goes with the new record
        QCOMPARE(store::appendSector(b.book, {QStringLiteral("Lavoro"), {}}), Outcome::Done);
        QCOMPARE(textAt(s, 4, 5), QStringLiteral("Lavoro"));
    }

    void aFullKeyColumnTakesNoRecord() {
        OpenBook b;
        xl::Worksheet& s = b.sheet(kVarie);
        for (int r = 2; r <= vb::kMaxRow16; ++r) put(s, r, 5, xl::Value::number(r));
        QCOMPARE(store::appendSector(b.book, {QStringLiteral("Penale"), QStringLiteral("x")}), Outcome::SheetFull);
        QVERIFY(store::isBlank(at(s, vb::kMaxRow16 + 1, 5)));
        QVERIFY(store::isBlank(at(s, vb::kMaxRow16 + 1, 6)));
        QCOMPARE(store::appendBinder(b.book, {QStringLiteral("1"), {}, {}}), Outcome::Done); // the binders still grow
        QCOMPARE(textAt(s, 2, 1), QStringLiteral("1"));
    }

    void rewritesKeepTheHeaderAndTheSectorName() {
        OpenBook b;
        xl::Worksheet& s = b.sheet(kVarie);
        seedVarie(s);
        QCOMPARE(store::updateBinder(
                     b.book, 4, {QStringLiteral("12"), QStringLiteral("Archivio 2020"), QStringLiteral("scaffale 3")}),
                 Outcome::Done);
        const store::BinderRecord binder = store::readBinder(b.book, 4);
        QCOMPARE(binder.number, QStringLiteral("12"));
        QCOMPARE(binder.description, QStringLiteral("Archivio 2020"));
        QCOMPARE(binder.notes, QStringLiteral("scaffale 3"));
        QCOMPARE(store::readBinder(b.book, 3).description, QStringLiteral("Faldone 11"));

        // Only the description of a sector changes: its name is what the
        // practices hold.
        QCOMPARE(store::updateSector(b.book, 2, {QStringLiteral("Civile e famiglia"), QStringLiteral("nuove")}),
                 Outcome::Done);
        const store::SectorRecord sector = store::readSector(b.book, 2);
        QCOMPARE(sector.name, QStringLiteral("Civile"));
        QCOMPARE(sector.description, QStringLiteral("nuove"));

        for (int row : {0, 1}) {
            QCOMPARE(store::updateBinder(b.book, row, {QStringLiteral("77"), QStringLiteral("x"), QStringLiteral("y")}),
                     Outcome::NotFound);
            QCOMPARE(store::updateSector(b.book, row, {QStringLiteral("X"), QStringLiteral("X")}), Outcome::NotFound);
        }
        QCOMPARE(textAt(s, 1, 1), QStringLiteral("Num.Faldone"));
        QCOMPARE(textAt(s, 1, 2), QStringLiteral("Descizione"));
        QCOMPARE(textAt(s, 1, 3), QStringLiteral("Nota"));
        QCOMPARE(textAt(s, 1, 6), QStringLiteral("Descrizione"));
    }

    void listsAndFindsStopAtTheFirstEmptyKey() {
        OpenBook b;
        xl::Worksheet& s = b.sheet(kVarie);
        seedVarie(s);
        put(s, 3, 5, xl::Value::number(12.5));
        put(s, 5, 5, xl::Value::text(QStringLiteral("after the gap")));
        b.sheet(QStringLiteral("Pratica")).Activate();
        QCOMPARE(store::sectorNames(b.book), (QStringList{"Civile", "12,5"}));
        QCOMPARE(b.activeSheet(), kVarie); // as the panels' refills leave it
        QCOMPARE(store::binderNumbers(b.book), (QStringList{"10", "11", "12"}));
        QCOMPARE(store::findSector(b.book, QStringLiteral("12,5")).value_or(-1), 3);
        QVERIFY(!store::findSector(b.book, QStringLiteral("after the gap")));
        QVERIFY(!store::findSector(b.book, QStringLiteral("Settore"))); // the header is no sector
        QCOMPARE(store::findBinder(b.book, QStringLiteral("11")).value_or(-1), 3);
        QVERIFY(!store::findBinder(b.book, QStringLiteral("Civile")));
    }
};

QTEST_MAIN(TestVarie)
#include "tst_varie.moc"
