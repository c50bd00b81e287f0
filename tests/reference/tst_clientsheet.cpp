// The client register without a window: reading, finding, appending with
// the ID counter, rewriting and deleting clients, and how IDs are read and
// compared.

#include "storetest.h"

#include "store/clientsheet.h"
#include "store/rows.h"

#include <QtTest>

using namespace storetest;
using store::ClientRecord;
using store::Outcome;

namespace {

const QString kCliente = QStringLiteral("Cliente");

ClientRecord client(const QString& name) {
    ClientRecord c;
    c.name = name;
    return c;
}

// Two clients, ROSSI (ID 1) and BIANCHI (ID 2), and the counter at 3.
void seed(xl::Worksheet& s) {
    put(s, 2, 1, xl::Value::number(1));
    put(s, 2, 2, xl::Value::text(QStringLiteral("ROSSI MARIO")));
    put(s, 2, 4, xl::Value::date(vb::DateSerial(QDate(2020, 3, 15))));
    put(s, 3, 1, xl::Value::number(2));
    put(s, 3, 2, xl::Value::text(QStringLiteral("BIANCHI SRL")));
    put(s, 1, 256, xl::Value::number(3));
}

} // namespace

class TestClientSheet : public QObject {
    Q_OBJECT
private slots:
    void everyColumnReadsAsItsField() {
        OpenBook b;
        xl::Worksheet& s = b.sheet(kCliente);
        seed(s);
        for (int col = 3; col <= 17; ++col)
            if (col != 4) put(s, 2, col, xl::Value::text(QStringLiteral("c%1").arg(col)));
        put(s, 2, 18, xl::Value::text(QStringLiteral("beyond Q")));
        const ClientRecord c = store::readClient(b.book, 2);
        QCOMPARE(c.id, QStringLiteral("1"));
        QCOMPARE(c.name, QStringLiteral("ROSSI MARIO"));
        QCOMPARE(c.date, QStringLiteral("15/03/2020"));
        const auto& fields = store::clientFields();
        for (int col = 3; col <= 17; ++col)
            if (col != 4) QCOMPARE(c.*fields[col - 1], QStringLiteral("c%1").arg(col));
        QCOMPARE(c.moreNotes, QStringLiteral("c17"));
        QCOMPARE(store::readClient(b.book, 3).code, QString());
        QCOMPARE(store::readClient(b.book, 9).name, QString()); // a row past the clients
    }

    void appendTakesTheCounterAndMovesItOn() {
        OpenBook b;
        xl::Worksheet& s = b.sheet(kCliente);
        seed(s);
        ClientRecord c = client(QStringLiteral("NERI ANNA"));
        c.id = QStringLiteral("99"); // whatever the form showed: the counter decides
        c.date = QStringLiteral("05/06/2021");
        c.postalCode = QStringLiteral("00100");
        c.notes = QStringLiteral("prima riga\nseconda riga");
        QCOMPARE(store::appendClient(b.book, c), Outcome::Done);
        QCOMPARE(c.id, QStringLiteral("3"));
        QCOMPARE(at(s, 4, 1), xl::Value::number(3));
        QCOMPARE(textAt(s, 4, 2), QStringLiteral("NERI ANNA"));
        QVERIFY(at(s, 4, 4).isDate());
        QCOMPARE(textAt(s, 4, 4), QStringLiteral("05/06/2021"));
        QCOMPARE(at(s, 4, 6), xl::Value::text(QStringLiteral("00100"))); // a code, not a number
        QCOMPARE(textAt(s, 4, 16), QStringLiteral("prima riga\nseconda riga"));
        QCOMPARE(at(s, 1, 256), xl::Value::number(4));
        QCOMPARE(store::clientCounterText(b.book), QStringLiteral("4"));

        // No date, or one that is no date: D stays empty; a gap in A is
        // filled first, and nothing of the old row's date survives.
        put(s, 2, 1, xl::Value());
        c = client(QStringLiteral("GIALLI"));
        c.date = QStringLiteral("31/02/2021");
        QCOMPARE(store::appendClient(b.book, c), Outcome::Done);
        QCOMPARE(textAt(s, 2, 2), QStringLiteral("GIALLI"));
        QCOMPARE(at(s, 2, 1), xl::Value::number(4));
        QVERIFY(store::isBlank(at(s, 2, 4)));
        QCOMPARE(at(s, 1, 256), xl::Value::number(5));

        // A counter given as text holding a whole number still counts.
        put(s, 1, 256, xl::Value::text(QStringLiteral("7")));
        c = client(QStringLiteral("VERDI"));
        QCOMPARE(store::appendClient(b.book, c), Outcome::Done);
        QCOMPARE(c.id, QStringLiteral("7"));
        QCOMPARE(at(s, 5, 1), xl::Value::number(7));
        QCOMPARE(at(s, 1, 256), xl::Value::number(8));
    }

    void appendRefusalsWriteNothing() {
        OpenBook b;
        xl::Worksheet& s = b.sheet(kCliente);
        // An empty counter, or one that is not a whole number from 1 up,
        // would hand every new client the same ID.
        for (const xl::Value& bad : {xl::Value(), xl::Value::text(QStringLiteral("abc")), xl::Value::number(0),
                                     xl::Value::number(2.5), xl::Value::number(-1)}) {
            put(s, 1, 256, bad);
            ClientRecord c = client(QStringLiteral("NERI"));
            QCOMPARE(store::appendClient(b.book, c), Outcome::Invalid);
            QVERIFY(store::isBlank(at(s, 2, 1)));
            QVERIFY(store::isBlank(at(s, 2, 2)));
            QCOMPARE(at(s, 1, 256), bad);
        }
        // Column A full to the last row a record may take.
        put(s, 1, 256, xl::Value::number(1));
        for (int r = 2; r <= vb::kMaxRow16; ++r) put(s, r, 1, xl::Value::number(r));
        ClientRecord c = client(QStringLiteral("NERI"));
        QCOMPARE(store::appendClient(b.book, c), Outcome::SheetFull);
        QCOMPARE(at(s, 1, 256), xl::Value::number(1));
        QVERIFY(store::isBlank(at(s, vb::kMaxRow16 + 1, 1)));
    }

    void updateRewritesTheRowButKeepsWhatItCannotTake() {
        OpenBook b;
        xl::Worksheet& s = b.sheet(kCliente);
        seed(s);
        ClientRecord c = store::readClient(b.book, 3);
        c.code = QStringLiteral("B02");
        c.date = QStringLiteral("1/2/2022");
        QCOMPARE(store::updateClient(b.book, 3, c), Outcome::Done);
        QCOMPARE(textAt(s, 3, 3), QStringLiteral("B02"));
        QVERIFY(at(s, 3, 4).isDate());
        QCOMPARE(textAt(s, 3, 4), QStringLiteral("01/02/2022"));
        QCOMPARE(at(s, 3, 1), xl::Value::number(2)); // a number stays a number

        // A date that does not convert leaves D as it was; an emptied ID
        // keeps the client's own, so the row never looks free.
        c.date = QStringLiteral("31/02/2019");
        c.id = QStringLiteral("  ");
        QCOMPARE(store::updateClient(b.book, 3, c), Outcome::Done);
        QCOMPARE(textAt(s, 3, 4), QStringLiteral("01/02/2022"));
        QCOMPARE(at(s, 3, 1), xl::Value::number(2));
        // A typed ID: digits go in as a number, anything else as text.
        c.id = QStringLiteral(" 12 ");
        store::updateClient(b.book, 3, c);
        QCOMPARE(at(s, 3, 1), xl::Value::number(12));
        c.id = QStringLiteral("B12");
        store::updateClient(b.book, 3, c);
        QCOMPARE(at(s, 3, 1), xl::Value::text(QStringLiteral("B12")));

        // The header row is never a client.
        for (int row : {0, 1}) {
            QCOMPARE(store::updateClient(b.book, row, c), Outcome::NotFound);
            QCOMPARE(textAt(s, 1, 1), QStringLiteral("ID"));
            QCOMPARE(textAt(s, 1, 3), QStringLiteral("Codice"));
        }
    }

    void removeTakesOnlyTheClientStillShown() {
        OpenBook b;
        xl::Worksheet& s = b.sheet(kCliente);
        seed(s);
        put(s, 4, 1, xl::Value::number(2));
        put(s, 4, 2, xl::Value::text(QStringLiteral("VERDI LUCA")));
        // The row holds someone else: nothing goes.
        QCOMPARE(store::clientAt(b.book, 3, QStringLiteral("1")), Outcome::ChangedMeanwhile);
        QCOMPARE(store::removeClient(b.book, 3, QStringLiteral("1")), Outcome::ChangedMeanwhile);
        QCOMPARE(store::removeClient(b.book, 3, QString()), Outcome::ChangedMeanwhile);
        QCOMPARE(textAt(s, 3, 2), QStringLiteral("BIANCHI SRL"));
        QCOMPARE(store::removeClient(b.book, 1, QStringLiteral("ID")), Outcome::NotFound);
        QCOMPARE(textAt(s, 1, 1), QStringLiteral("ID"));

        // VERDI shares ID 2 with BIANCHI above it; the row asked for goes,
        // the rows below move up, and the sheet is left active.
        b.sheet(QStringLiteral("Pratica")).Activate();
        QCOMPARE(store::clientAt(b.book, 4, QStringLiteral("2")), Outcome::Done);
        QCOMPARE(store::removeClient(b.book, 4, QStringLiteral("2")), Outcome::Done);
        QCOMPARE(textAt(s, 3, 2), QStringLiteral("BIANCHI SRL"));
        QVERIFY(store::isBlank(at(s, 4, 2)));
        QCOMPARE(b.activeSheet(), kCliente);
        QCOMPARE(store::removeClient(b.book, 2, QStringLiteral("1")), Outcome::Done);
        QCOMPARE(textAt(s, 2, 2), QStringLiteral("BIANCHI SRL"));
        QCOMPARE(store::clientNames(b.book), QStringList{QStringLiteral("BIANCHI SRL")});
    }

    void findAndListStopAtTheFirstEmptyCell() {
        OpenBook b;
        xl::Worksheet& s = b.sheet(kCliente);
        seed(s);
        put(s, 4, 1, xl::Value::text(QStringLiteral("A7")));
        put(s, 4, 2, xl::Value::text(QStringLiteral("TESTO")));
        put(s, 5, 1, xl::Value::number(2));
        put(s, 5, 2, xl::Value::text(QStringLiteral("DOPPIO")));
        put(s, 7, 1, xl::Value::number(9)); // after a gap
        put(s, 7, 2, xl::Value::text(QStringLiteral("DOPO IL VUOTO")));
        QCOMPARE(store::findClient(b.book, QStringLiteral("2")).value_or(-1), 3); // the first of two
        QCOMPARE(store::findClient(b.book, QStringLiteral(" A7 ")).value_or(-1), 4);
        QVERIFY(!store::findClient(b.book, QStringLiteral("9")));
        QVERIFY(!store::findClient(b.book, QStringLiteral("ID")));
        QVERIFY(!store::findClient(b.book, QString()));

        b.sheet(QStringLiteral("Pratica")).Activate();
        QCOMPARE(store::clientNames(b.book), (QStringList{"ROSSI MARIO", "BIANCHI SRL", "TESTO", "DOPPIO"}));
        QCOMPARE(b.activeSheet(), QStringLiteral("Pratica")); // reading leaves the active sheet
        store::activateClients(b.book);
        QCOMPARE(b.activeSheet(), kCliente);
    }

    void theCounterStartsAtOneOnlyWhenEmpty() {
        OpenBook b;
        xl::Worksheet& s = b.sheet(kCliente);
        QCOMPARE(store::clientCounterText(b.book), QString());
        store::ensureClientCounter(b.book);
        QCOMPARE(at(s, 1, 256), xl::Value::number(1));
        put(s, 1, 256, xl::Value::text(QString())); // an empty text is empty too
        store::ensureClientCounter(b.book);
        QCOMPARE(at(s, 1, 256), xl::Value::number(1));
        store::setClientCounter(b.book, 17);
        store::ensureClientCounter(b.book);
        QCOMPARE(store::clientCounterText(b.book), QStringLiteral("17"));
        put(s, 1, 256, xl::Value::text(QStringLiteral("abc"))); // shown as it is, not reset
        store::ensureClientCounter(b.book);
        QCOMPARE(store::clientCounterText(b.book), QStringLiteral("abc"));
    }

    void aFieldLongerThanACellIsFound() {
        ClientRecord c = client(QStringLiteral("NERI"));
        c.notes = QString(xl::kMaxCellText, QLatin1Char('y'));
        QVERIFY(!store::overlongField(c)); // exactly as long as a cell allows
        c.moreNotes = QString(xl::kMaxCellText + 1, QLatin1Char('x'));
        QVERIFY(store::overlongField(c) == &ClientRecord::moreNotes);
        c.code = c.moreNotes;
        QVERIFY(store::overlongField(c) == &ClientRecord::code); // the first in column order
    }

    void firstEmptyRowFillsGapsAndStopsAtTheRowLimit() {
        xl::Workbook book;
        xl::Worksheet& s = book.AddSheet(QStringLiteral("Varie"));
        s.Cells(1, 1).SetValue(xl::Value::text(QStringLiteral("Num.Faldone")));
        QCOMPARE(store::firstEmptyRow(s, 1), 2);
        s.Cells(2, 1).SetValue(xl::Value::text(QStringLiteral("1")));
        s.Cells(4, 1).SetValue(xl::Value::text(QStringLiteral("3")));
        QCOMPARE(store::firstEmptyRow(s, 1), 3);
        // An empty text is an empty cell.
        s.Cells(3, 1).SetValue(xl::Value::text(QString()));
        QCOMPARE(store::firstEmptyRow(s, 1), 3);
        // Another column is another table.
        QCOMPARE(store::firstEmptyRow(s, 5), 1);
        for (int r = 1; r <= vb::kMaxRow16; ++r) s.Cells(r, 5).SetValue(xl::Value::number(r));
        QCOMPARE(store::firstEmptyRow(s, 5), 0);
    }

    void idsAreWholeNumbersFromOne() {
        QCOMPARE(store::wholeId(QStringLiteral("7")).value_or(-1), 7.0);
        QCOMPARE(store::wholeId(QStringLiteral(" 12 ")).value_or(-1), 12.0);
        QCOMPARE(store::wholeId(QStringLiteral("1.000")).value_or(-1), 1000.0); // Italian grouping
        for (const char* bad : {"", "abc", "0", "-3", "2,5", "7bis", "1e30"})
            QVERIFY2(!store::wholeId(QString::fromUtf8(bad)), bad);
        QCOMPARE(store::wholeId(xl::Value::number(5)).value_or(-1), 5.0);
        QVERIFY(!store::wholeId(xl::Value::number(5.5)));
        QVERIFY(!store::wholeId(xl::Value()));
        QVERIFY(!store::wholeId(xl::Value::boolean(true)));
        QVERIFY(!store::wholeId(xl::Value::date(45000)));
    }

    void idCellsMatchOnlyTheirOwnKind() {
        QVERIFY(store::idMatches(xl::Value::number(5), QStringLiteral("5")));
        QVERIFY(!store::idMatches(xl::Value::number(5), QStringLiteral("6")));
        QVERIFY(!store::idMatches(xl::Value::number(5), QStringLiteral("5abc")));
        QVERIFY(store::idMatches(xl::Value::text(QStringLiteral("A7")), QStringLiteral("A7")));
        // Cells that hold no number never match a number, and never fail.
        QVERIFY(!store::idMatches(xl::Value::text(QStringLiteral("abc")), QStringLiteral("5")));
        QVERIFY(!store::idMatches(xl::Value(), QStringLiteral("5")));
        QVERIFY(!store::idMatches(xl::Value::error(7), QStringLiteral("5")));
        QVERIFY(!store::idMatches(xl::Value::boolean(true), QStringLiteral("1")));
        QVERIFY(!store::idMatches(xl::Value::text(QString()), QString()));
    }
};

QTEST_MAIN(TestClientSheet)
#include "tst_clientsheet.moc"
