// Sheet "Spese" as records, without the window: what an append, a modify and
// a delete leave on the sheet, the ID counter, the clients' list, and the
// query work area with its balances.

#include "platform/engine/vbconv.h"
#include "platform/engine/workbook.h"
#include "store/book.h"
#include "store/ledgersheet.h"
#include "store/schema.h"

#include <QTest>

using namespace store;
using namespace store::ledgersheet;

namespace {

// Every row of a list source, `columns` texts each.
std::vector<QStringList> readAll(const ListRows& source, int columns = kEntryColumns) {
    std::vector<QStringList> out;
    for (int r = 0; r < source.rows(); ++r) {
        QStringList texts;
        for (int c = 0; c < columns; ++c) texts << source.text(r, c);
        out.push_back(texts);
    }
    return out;
}

std::vector<QStringList> textsOf(const std::vector<ListedEntry>& rows) {
    std::vector<QStringList> out;
    for (const ListedEntry& e : rows) out.push_back(e.texts);
    return out;
}

struct Fixture {
    xl::Application app;
    Book book{app};
    Fixture() { app.adopt(newStarterWorkbook()); }
    xl::Worksheet& spese() { return app.Sheets(kSpese); }
    xl::Worksheet& pratica() { return app.Sheets(kPratica); }
    QString text(int row, int col) { return vb::CStr(spese().Cells(row, col).GetValue()); }
    QStringList row(int r, int firstCol = ColId) {
        QStringList out;
        for (int c = firstCol; c < firstCol + kEntryColumns; ++c) out << text(r, c);
        return out;
    }
    // A row as it may have been typed on the sheet by hand.
    void put(int r, const QList<xl::Value>& cells) {
        for (int c = 0; c < cells.size(); ++c)
            if (!cells[c].isEmpty()) spese().Cells(r, c + 1).SetValue(cells[c]);
    }
};

LedgerEntry entry(const QString& practice, const QString& client, const QString& description, qint64 cents,
                  bool expense) {
    return {practice, client, QDate(2024, 3, 1), description, expense, Money::fromCents(cents)};
}

xl::Value v(const char* s) { return xl::Value(QString::fromUtf8(s)); }
xl::Value n(double d) { return xl::Value(d); }

} // namespace

class TestLedgerSheet : public QObject {
    Q_OBJECT
private slots:
    void appendWritesTheStoredForms();
    void appendTakesTheFirstRowWithoutId();
    void appendRefusesAFullSheet();
    void counter();
    void findUpdateAndRemoveReachTheListedEntry();
    void removeLeavesTheWorkAreaInPlace();
    void practiceDeletedWithItsEntries();
    void entriesAndClients();
    void queryByPracticeAndItsBalances();
    void queryByClientIsExact();
    void practiceOfTheList();
    void listSourcesReadAsTheListsAndKeepTheirTime();
};

void TestLedgerSheet::appendWritesTheStoredForms() {
    Fixture fx;
    QCOMPARE(appendLedgerEntry(fx.book, 7, entry("5", "ROSSI MARIO", "Perizia", 150000, true)), Outcome::Done);
    QCOMPARE(appendLedgerEntry(fx.book, 8, entry("7bis", "BIANCHI SRL", "Fondo", 90050, false)), Outcome::Done);
    QCOMPARE(appendLedgerEntry(fx.book, 9, entry(" 6", "VERDI", "Bollo", 0, true)), Outcome::Done);

    // The expense keeps its minus in the text; the kind follows the flag.
    QCOMPARE(fx.row(2), (QStringList{"7", "5", "ROSSI MARIO", "01/03/2024", "Perizia", "S", "-1.500,00"}));
    QCOMPARE(fx.row(3), (QStringList{"8", "7bis", "BIANCHI SRL", "01/03/2024", "Fondo", "A", "900,50"}));
    // An expense of nothing is still written with its minus.
    QCOMPARE(fx.text(4, ColAmount), QStringLiteral("-0,00"));
    // ID and a whole practice number are numbers, anything else stays text;
    // the amount is text and the date a date value.
    QVERIFY(fx.spese().valueAt(2, ColId).isNumeric());
    QVERIFY(fx.spese().valueAt(2, ColPractice).isNumeric());
    QVERIFY(fx.spese().valueAt(4, ColPractice).isNumeric());
    QCOMPARE(fx.text(4, ColPractice), QStringLiteral("6"));
    QVERIFY(fx.spese().valueAt(3, ColPractice).isText());
    QVERIFY(fx.spese().valueAt(2, ColAmount).isText());
    QVERIFY(fx.spese().valueAt(2, ColDate).isNumeric());
    // The counter is moved past the ID just given.
    QCOMPARE(ledgerCounterText(fx.book), QStringLiteral("10"));
}

void TestLedgerSheet::appendTakesTheFirstRowWithoutId() {
    Fixture fx;
    fx.put(2, {n(1), n(5), v("ROSSI MARIO"), {}, v("Primo"), v("A"), v("10,00")});
    fx.put(3, {{}, n(5), v("ROSSI MARIO"), {}, v("Senza ID"), v("A"), v("20,00")});
    fx.put(4, {n(3), n(5), v("ROSSI MARIO"), {}, v("Terzo"), v("S"), v("-5,00")});
    // An empty client cell is left empty, not written as an empty text.
    QCOMPARE(appendLedgerEntry(fx.book, 4, entry("6", QString(), "Nuovo", 100, false)), Outcome::Done);
    QCOMPARE(fx.text(3, ColId), QStringLiteral("4"));
    QCOMPARE(fx.text(3, ColDescription), QStringLiteral("Nuovo"));
    QVERIFY(fx.spese().valueAt(3, ColClient).isEmpty());
    QCOMPARE(fx.text(4, ColDescription), QStringLiteral("Terzo"));
}

void TestLedgerSheet::appendRefusesAFullSheet() {
    Fixture fx;
    for (int r = 2; r <= vb::kMaxRow16; ++r) fx.spese().cellRef(r, ColId).value = xl::Value(r);
    fx.spese().GetRange(kCounterCell).SetValue(n(40000));
    QCOMPARE(appendLedgerEntry(fx.book, 40000, entry("5", "ROSSI MARIO", "Oltre", 100, false)), Outcome::SheetFull);
    QVERIFY(fx.spese().valueAt(vb::kMaxRow16 + 1, ColId).isEmpty());
    QCOMPARE(ledgerCounterText(fx.book), QStringLiteral("40000"));
}

void TestLedgerSheet::counter() {
    Fixture fx;
    // A new ledger has no counter until the panel is first opened.
    QCOMPARE(nextLedgerId(fx.book), std::nullopt);
    startLedgerCounter(fx.book);
    QCOMPARE(nextLedgerId(fx.book), std::optional<qint64>(1));
    QCOMPARE(setLedgerCounter(fx.book, QStringLiteral(" 41 ")), Outcome::Done);
    startLedgerCounter(fx.book); // an existing counter stays
    QCOMPARE(nextLedgerId(fx.book), std::optional<qint64>(41));
    for (const char* bad : {"0", "-3", "1,5", "X1", "12 3"}) {
        QCOMPARE(setLedgerCounter(fx.book, QString::fromUtf8(bad)), Outcome::Invalid);
        QCOMPARE(ledgerCounterText(fx.book), QStringLiteral("41"));
    }
    // A counter typed as text on the sheet gives no ID.
    fx.spese().GetRange(kCounterCell).SetValue(v("X1"));
    QCOMPARE(nextLedgerId(fx.book), std::nullopt);
}

void TestLedgerSheet::findUpdateAndRemoveReachTheListedEntry() {
    Fixture fx;
    // ID 1 twice after a renumbering: the description tells them apart.
    fx.put(2, {n(1), n(5), v("ROSSI MARIO"), {}, v("Primo"), v("A"), v("10,00")});
    fx.put(3, {n(1), n(6), v("BIANCHI SRL"), {}, v("Secondo"), v("S"), v("-20,00")});
    fx.put(4, {n(2), n(5), v("ROSSI MARIO"), {}, v("Terzo"), v("S"), v("-5,00")});
    const ListedEntry second{{"1", "6", "BIANCHI SRL", "02/02/2024", "Secondo", "S", "20,00"}};
    // Date and amount as a list shows them do not count.
    QCOMPARE(findLedgerEntry(fx.book, second), 3);
    QCOMPARE(findLedgerEntry(fx.book, ListedEntry{{"1", "6", "BIANCHI SRL", "", "Altro", "S", ""}}), 0);
    QCOMPARE(findLedgerEntry(fx.book, ListedEntry{{"", "", "", "", "", "", ""}}), 0);
    QCOMPARE(findLedgerEntry(fx.book, ListedEntry{}), 0);

    QCOMPARE(
        updateLedgerEntry(fx.book, second, QStringLiteral("1"), entry("6", "BIANCHI SRL", "Cambiato", 2500, false)),
        Outcome::Done);
    QCOMPARE(fx.row(3), (QStringList{"1", "6", "BIANCHI SRL", "01/03/2024", "Cambiato", "A", "25,00"}));
    QCOMPARE(fx.text(2, ColDescription), QStringLiteral("Primo"));
    // The loaded entry is no longer on the sheet as it was listed.
    QCOMPARE(updateLedgerEntry(fx.book, second, QStringLiteral("1"), entry("6", "X", "Y", 1, false)),
             Outcome::NotFound);
    QCOMPARE(removeLedgerEntry(fx.book, second), Outcome::NotFound);

    const ListedEntry first{{"1", "5", "ROSSI MARIO", "", "Primo", "A", ""}};
    QCOMPARE(removeLedgerEntry(fx.book, first), Outcome::Done);
    QCOMPARE(fx.text(2, ColDescription), QStringLiteral("Cambiato"));
    QCOMPARE(fx.text(3, ColDescription), QStringLiteral("Terzo"));
    QCOMPARE(fx.row(4), QStringList(kEntryColumns, QString()));
}

void TestLedgerSheet::removeLeavesTheWorkAreaInPlace() {
    Fixture fx;
    fx.put(2, {n(1), n(5), v("ROSSI MARIO"), {}, v("Primo"), v("A"), v("10,00")});
    fx.put(3, {n(2), n(5), v("ROSSI MARIO"), {}, v("Secondo"), v("S"), v("-4,00")});
    queryLedgerByPractice(fx.book, QStringLiteral("5"));
    totalLedgerArea(fx.book);
    QCOMPARE(removeLedgerEntry(fx.book, ListedEntry{{"1", "5", "ROSSI MARIO", "", "Primo", "A", ""}}), Outcome::Done);
    QCOMPARE(fx.text(2, ColDescription), QStringLiteral("Secondo"));
    // The area still lists what the query found; the printouts read it there.
    QCOMPARE(fx.text(2, kAreaFirstCol + ColDescription - 1), QStringLiteral("Primo"));
    QCOMPARE(fx.text(3, kAreaFirstCol + ColDescription - 1), QStringLiteral("Secondo"));
    QCOMPARE(fx.spese().valueAt(kTotalRow, kAreaAmountCol).numberValue(), 6.0);
}

void TestLedgerSheet::practiceDeletedWithItsEntries() {
    Fixture fx;
    QCOMPARE(removeLedgerEntriesOfPractice(fx.book, 5), Outcome::NotFound);
    fx.put(2, {n(1), n(5), v("ROSSI MARIO"), {}, v("uno"), v("A"), v("1,00")});
    fx.put(3, {n(2), n(6), v("BIANCHI SRL"), {}, v("due"), v("A"), v("2,00")});
    fx.put(4, {n(3), v("5"), v("ROSSI MARIO"), {}, v("tre"), v("A"), v("3,00")});
    fx.put(5, {n(4), n(5), v("ROSSI MARIO"), {}, v("quattro"), v("A"), v("4,00")});
    fx.put(6, {n(5), n(55), v("ROSSI MARIO"), {}, v("cinque"), v("A"), v("5,00")});
    fx.put(7, {n(6), {}, v("NESSUNO"), {}, v("sei"), v("A"), v("6,00")});
    fx.put(8, {n(7), n(5), v("ROSSI MARIO"), {}, v("sette"), v("A"), v("7,00")});
    QCOMPARE(removeLedgerEntriesOfPractice(fx.book, 5), Outcome::Done);
    // Consecutive entries of the practice all go; a number typed as text is
    // the same practice, 55 is not; the walk stops at the first entry
    // without a practice.
    QStringList left;
    for (int r = 2; r <= 5; ++r) left << fx.text(r, ColDescription);
    QCOMPARE(left, (QStringList{"due", "cinque", "sei", "sette"}));
}

void TestLedgerSheet::entriesAndClients() {
    Fixture fx;
    QVERIFY(ledgerEntries(fx.book).empty());
    fx.put(2, {n(1), n(5), v("rossi mario"), {}, v("a"), v("A"), v("1,00")});
    fx.put(3, {{}, n(5), v("ZETA"), {}, v("senza ID"), v("A"), v("1,00")});
    fx.put(4, {n(3), n(5), v("ROSSI MARIO"), {}, v("b"), v("A"), v("1,00")});
    fx.put(5, {n(4), n(9), n(1234), {}, v("c"), v("A"), v("1,00")});
    fx.put(6, {n(5), n(9), v("Bianchi"), {}, v("d"), v("A"), v("1,00")});

    const std::vector<ListedEntry> listed = ledgerEntries(fx.book);
    QCOMPARE(listed.size(), size_t(4));
    QCOMPARE(listed[0].description(), QStringLiteral("a"));
    QCOMPARE(listed[1].id(), QStringLiteral("3"));

    // Letter case ignored, the upper row's spelling kept; numbers first,
    // texts by character code; the empty item first in a short ledger.
    QCOMPARE(ledgerClients(fx.book), (QStringList{"", "1234", "Bianchi", "ZETA", "rossi mario"}));
}

void TestLedgerSheet::queryByPracticeAndItsBalances() {
    Fixture fx;
    PracticeQuery none = queryLedgerByPractice(fx.book, QStringLiteral("5"));
    QVERIFY(!none.ledgerHasEntries);
    QCOMPARE(none.copied, 0);

    fx.put(2, {n(1), n(5), v("ROSSI MARIO"), v("12/01/2024"), v("Fondo"), v("A"), v("100,10")});
    fx.put(3, {n(2), n(6), v("BIANCHI SRL"), {}, v("Altra pratica"), v("S"), v("-35,00")});
    fx.put(4, {n(3), n(5), v("ROSSI MARIO"), {}, v("Perizia"), v("S"), v("-100,00")});
    fx.put(5, {n(4), n(5), v("ROSSI MARIO"), {}, v("Bollo"), v("S"), n(-0.1)});
    fx.put(6, {n(5), v("5 "), v("ROSSI MARIO"), {}, v("Altro numero"), v("S"), v("-1,00")});
    fx.put(7, {n(6), n(5), v("ROSSI MARIO"), {}, v("Illeggibile"), v("S"), v("dieci")});
    // What a previous query left below is gone.
    fx.spese().Cells(9, kAreaFirstCol).SetValue(v("vecchio"));

    const PracticeQuery q = queryLedgerByPractice(fx.book, QStringLiteral("5"));
    QVERIFY(q.ledgerHasEntries);
    QCOMPARE(q.copied, 4);
    QVERIFY(q.badAmount);
    QCOMPARE(fx.row(1, kAreaFirstCol), ledgerAreaHeaders());
    QCOMPARE(fx.text(5, kAreaFirstCol + ColDescription - 1), QStringLiteral("Illeggibile"));
    QVERIFY(fx.spese().valueAt(9, kAreaFirstCol).isEmpty());
    // A date typed as text becomes a date; a text amount a number.
    QVERIFY(fx.spese().valueAt(2, kAreaFirstCol + ColDate - 1).isNumeric());
    QVERIFY(fx.spese().valueAt(2, kAreaAmountCol).isNumeric());

    // 100,10 - 100,00 - 0,10 is nothing, not a remainder of fractions.
    const Money sheet = totalLedgerArea(fx.book);
    QVERIFY(sheet.isZero());
    QCOMPARE(fx.spese().valueAt(kTotalRow, kAreaAmountCol).numberValue(), 0.0);

    const PracticeBalances b = practiceBalances(QStringLiteral("1.300,00"), Money::fromCents(-25050));
    QCOMPARE(b.practice, Money::fromCents(104950));
    // An estimate that is no amount counts zero, and is shown as it is.
    const PracticeBalances odd = practiceBalances(QStringLiteral("da definire"), Money::fromCents(-100));
    QCOMPARE(odd.practice, Money::fromCents(-100));

    writeLedgerSummary(fx.book, b, QDate(2024, 5, 6));
    const std::vector<ListedEntry> area = ledgerAreaRows(fx.book);
    QCOMPARE(area.size(), size_t(8));
    QCOMPARE(area[4].texts, (QStringList{"*", "", "", "", "Situazione 06/05/2024", "", "**********"}));
    QCOMPARE(area[5].amount(), QStringLiteral("1.300,00"));
    QCOMPARE(area[6].amount(), QStringLiteral("-250,5"));
    QCOMPARE(area[7].description(), QStringLiteral("Saldo Pratica €"));
    QCOMPARE(area[7].amount(), QStringLiteral("1049,5"));
    QVERIFY(area[7].isSummary());
    QVERIFY(!area[0].isSummary());
}

void TestLedgerSheet::queryByClientIsExact() {
    Fixture fx;
    fx.put(2, {n(1), n(5), v("ROSSI MARIO"), {}, v("a"), v("A"), v("1,00")});
    fx.put(3, {n(2), n(5), v("Rossi Mario"), {}, v("b"), v("A"), v("2,00")});
    fx.put(4, {n(3), n(7), v("ROSSI MARIO"), {}, v("c"), v("S"), v("-3,00")});
    QVERIFY(queryLedgerByClient(fx.book, QStringLiteral("ROSSI MARIO")));
    const std::vector<ListedEntry> area = ledgerAreaRows(fx.book);
    QCOMPARE(area.size(), size_t(2));
    QCOMPARE(area[1].description(), QStringLiteral("c"));
    // Amounts stay as the sheet holds them: the client list has no total.
    QVERIFY(fx.spese().valueAt(3, kAreaAmountCol).isText());
    // No client, or one nobody has: the area is emptied and nothing found.
    QVERIFY(!queryLedgerByClient(fx.book, QString()));
    QVERIFY(ledgerAreaRows(fx.book).empty());
    QVERIFY(!queryLedgerByClient(fx.book, QStringLiteral("ROSSI")));
}

void TestLedgerSheet::practiceOfTheList() {
    Fixture fx;
    xl::Worksheet& p = fx.pratica();
    auto practice = [&](int row, double number, const char* client, const char* estimate) {
        p.Cells(row, 1).SetValue(n(number));
        p.Cells(row, 3).SetValue(v(client));
        p.Cells(row, 12).SetValue(v(estimate));
    };
    practice(2, 5, "ROSSI MARIO", "300,00");
    practice(3, 7, "verdi anna", "");
    QCOMPARE(ledgerPracticeNumbers(fx.book), (QStringList{"5", "7"}));
    const auto seven = ledgerPractice(fx.book, 1, QStringLiteral("7"));
    QVERIFY(seven);
    QCOMPARE(seven->client, QStringLiteral("verdi anna"));
    // The sheet was sorted since the list was filled: found by its number.
    practice(2, 7, "verdi anna", "");
    practice(3, 5, "ROSSI MARIO", "300,00");
    const auto five = ledgerPractice(fx.book, 0, QStringLiteral("5"));
    QVERIFY(five);
    QCOMPARE(five->number, QStringLiteral("5"));
    QCOMPARE(five->estimate, QStringLiteral("300,00"));
    QVERIFY(!ledgerPractice(fx.book, 0, QStringLiteral("99")));
}

void TestLedgerSheet::listSourcesReadAsTheListsAndKeepTheirTime() {
    Fixture fx;
    QCOMPARE(ledgerEntrySource(fx.book)->rows(), 0);
    QCOMPARE(ledgerAreaSource(fx.book)->rows(), 0);
    fx.put(2, {n(1), n(5), v("ROSSI MARIO"), v("12/01/2024"), v("Fondo"), v("A"), v("100,10")});
    fx.put(3, {{}, n(6), v("ZETA"), {}, v("senza ID"), v("A"), v("1,00")});
    fx.put(4, {n(3), n(5), v("ROSSI MARIO"), {}, v("Perizia"), v("S"), v("-100,00")});
    fx.put(5, {n(4), n(5), n(1234), {}, v("Bollo"), v("S"), n(-0.1)});
    fx.spese().Cells(5, ColDate).SetValue(xl::Value::date(vb::DateSerial(QDate(2024, 2, 29))));

    // The entries: rows without an ID left out, dates and amounts as read.
    const std::vector<QStringList> entries = textsOf(ledgerEntries(fx.book));
    const std::shared_ptr<const ListRows> entrySource = ledgerEntrySource(fx.book);
    QCOMPARE(entrySource->rows(), 3);
    QCOMPARE(readAll(*entrySource), entries);
    QCOMPARE(entrySource->text(1, ColDescription - 1), QStringLiteral("Perizia"));
    QCOMPARE(entrySource->text(2, ColDate - 1), QStringLiteral("29/02/2024"));
    QVERIFY(entrySource->text(3, 0).isEmpty());
    QVERIFY(entrySource->text(0, kEntryColumns).isEmpty());

    // The work area after a query by practice, with its summary rows.
    const PracticeQuery q = queryLedgerByPractice(fx.book, QStringLiteral("5"));
    QCOMPARE(q.copied, 3);
    writeLedgerSummary(fx.book, practiceBalances(QStringLiteral("1.300,00"), totalLedgerArea(fx.book)),
                       QDate(2024, 5, 6));
    const std::vector<QStringList> area = textsOf(ledgerAreaRows(fx.book));
    const std::shared_ptr<const ListRows> areaSource = ledgerAreaSource(fx.book);
    QCOMPARE(area.size(), std::size_t(7));
    QCOMPARE(readAll(*areaSource), area);
    QCOMPARE(areaSource->text(0, ColDate - 1), QStringLiteral("12/01/2024"));

    // Whatever the sheet goes through next, both keep what they read.
    QVERIFY(removeLedgerEntry(fx.book, ledgerEntries(fx.book)[1]) == Outcome::Done);
    fx.spese().Cells(2, ColDescription).SetValue(v("cambiata"));
    QVERIFY(queryLedgerByClient(fx.book, QStringLiteral("ROSSI MARIO")));
    QVERIFY(textsOf(ledgerEntries(fx.book)) != entries);
    QVERIFY(textsOf(ledgerAreaRows(fx.book)) != area);
    QCOMPARE(readAll(*entrySource), entries);
    QCOMPARE(readAll(*areaSource), area);
    QCOMPARE(readAll(*ledgerEntrySource(fx.book)), textsOf(ledgerEntries(fx.book)));
    QCOMPARE(readAll(*ledgerAreaSource(fx.book)), textsOf(ledgerAreaRows(fx.book)));
}

QTEST_GUILESS_MAIN(TestLedgerSheet)
#include "tst_ledgersheet.moc"
