// The practices as records of sheet "Pratica", on the engine alone: what the
// insert, the modify and the delete leave in the cells, the finds by number,
// the counter, the sorts, the practice list and the search work area.

#include "platform/engine/vbconv.h"
#include "store/ledgersheet.h"
#include "store/practicesheet.h"
#include "store/schema.h"

#include <QRandomGenerator>
#include <QTest>

#include <cstring>
#include <optional>
#include <random>

using store::Outcome;
using store::PracticeRecord;
namespace sheet = store::practices;
namespace area = store::search;

namespace {

// A workbook of the program's shape, open in an engine of its own.
struct Fixture {
    Fixture() { excel.adopt(store::newStarterWorkbook()); }
    xl::Application excel;
    store::Book book{excel};
    xl::Worksheet& pratica() { return book.sheet(store::kPratica); }
    xl::Worksheet& spese() { return book.sheet(store::kSpese); }
    xl::Value at(int row, int col) { return pratica().Cells(row, col).GetValue(); }
    QString text(int row, int col) { return vb::CStr(at(row, col)); }
};

PracticeRecord record(const QString& number, const QString& client = QStringLiteral("ROSSI MARIO")) {
    PracticeRecord r;
    r.number = number;
    r.opened = QStringLiteral("15/03/2024");
    r.client = client;
    r.subject = QStringLiteral("Ricorso");
    r.description = QStringLiteral("Descrizione");
    r.sector = QStringLiteral("CIVILE");
    r.place = QStringLiteral("Arm.1");
    r.binder = QStringLiteral("3");
    r.notes = QStringLiteral("Nota");
    r.estimate = QStringLiteral("1.500,50");
    return r;
}

// A practice row as an insert leaves it: number, date, client, flags.
void putPractice(xl::Worksheet& s, int row, double number, const QString& client, const QString& prep = {},
                 const QString& done = {}) {
    s.Cells(row, 1).SetValue(xl::Value(number));
    s.Cells(row, 2).SetValue(xl::Value::date(vb::DateSerial(QDate(2024, 2, int(number) % 28 + 1))));
    s.Cells(row, 3).SetValue(xl::Value(client));
    s.Cells(row, 4).SetValue(xl::Value(QStringLiteral("Oggetto %1").arg(number)));
    if (!prep.isEmpty()) s.Cells(row, 9).SetValue(xl::Value(prep));
    if (!done.isEmpty()) s.Cells(row, 10).SetValue(xl::Value(done));
    s.Cells(row, 12).SetValue(xl::Value(QStringLiteral("%1,00").arg(number * 100)));
}

} // namespace

class TestPracticeSheet : public QObject {
    Q_OBJECT
private slots:
    void listRowsStopAtTheFirstGap();
    void listSourceReadsEachRowAsListRows();
    void listSourceKeepsTheSheetAsItWas();
    void listSourceOfALongSheet();
    void sortByNumberKeepsEachRecordWhole();
    void sortOfTheListButtonsTakesEveryRecord();
    void appendWritesEveryCellOfAGapRow();
    void appendRefusesABadDateAndAFullSheet();
    void updateKeepsItsOwnStorage();
    void findsByNumberAsStored();
    void findsByNumberAfterEveryEdit();
    void removeTakesTheWholeRowOfThatNumberOnly();
    void ledgerEntriesOfAPracticeGoWithIt();
    void counterReadsWhatAnOldInsertLeft();
    void estimateIsAnAmountOrNothing();
    void recordFromListTexts();
    void searchByStateFillsTheAreaAfresh();
    void searchByClientIsExactAndCarriesFlags();
    void searchCopiesValuesAsTheyRead();
    void searchLeavesWhatEmptyingCopyingAndSortingLeave();
    void searchRepeatedSeesWhatChangedSince();
    void searchAfterPracticesChangedMatchesTheStepByStepSearch();
};

void TestPracticeSheet::listRowsStopAtTheFirstGap() {
    Fixture fx;
    xl::Worksheet& p = fx.pratica();
    p.GetRange(QStringLiteral("A2")).SetValue(xl::Value(3));
    p.GetRange(QStringLiteral("B2")).SetValue(xl::Value::date(vb::DateSerial(QDate(2024, 7, 15))));
    p.GetRange(QStringLiteral("L2")).SetValue(xl::Value("1.234,50"));
    p.GetRange(QStringLiteral("A4")).SetValue(xl::Value(9));
    const auto rows = sheet::listRows(fx.book);
    QCOMPARE(rows.size(), std::size_t(1));
    QCOMPARE(rows[0].size(), 12);
    QCOMPARE(rows[0][0], QStringLiteral("3"));
    QCOMPARE(rows[0][1], QStringLiteral("15/07/2024"));
    QCOMPARE(rows[0][11], QStringLiteral("1.234,50"));
    QCOMPARE(sheet::numbers(fx.book), QStringList{QStringLiteral("3")});

    QCOMPARE(sheet::listHeaders(fx.book), store::practiceHeaders());
    QCOMPARE(sheet::listWidths().size(), std::size_t(12));
}

namespace {
// Every row of the source, read whole.
std::vector<QStringList> readAll(const ListRows& source, int columns = 12) {
    std::vector<QStringList> out;
    for (int r = 0; r < source.rows(); ++r) {
        QStringList texts;
        for (int c = 0; c < columns; ++c) texts << source.text(r, c);
        out.push_back(texts);
    }
    return out;
}
} // namespace

void TestPracticeSheet::listSourceReadsEachRowAsListRows() {
    Fixture fx;
    xl::Worksheet& p = fx.pratica();
    // As an insert leaves a practice: a number, a date value, "SI" flags.
    putPractice(p, 2, 3, QStringLiteral("ROSSI MARIO"), QStringLiteral("SI"));
    QVERIFY(sheet::append(fx.book, record(QStringLiteral("8"))) == Outcome::Done);
    // As a modify leaves it: the date as text, the unset flags as blanks.
    QVERIFY(sheet::update(fx.book, record(QStringLiteral("3"), QStringLiteral("BIANCHI SRL"))) == Outcome::Done);
    // As a hand edit in a spreadsheet may leave it: a number in text, a
    // fraction, a plain number in the date column, a date in the estimate.
    p.Cells(4, 1).SetValue(xl::Value(QStringLiteral("12")));
    p.Cells(4, 2).SetValue(xl::Value(45000.0));
    p.Cells(4, 8).SetValue(xl::Value(2.5));
    p.Cells(4, 12).SetValue(xl::Value::date(vb::DateSerial(QDate(2023, 12, 31))));
    p.Cells(4, 11).SetValue(xl::Value(QStringLiteral("riga uno\r\nriga due")));
    // A number shown through a date format reads as that date.
    p.Cells(5, 1).SetValue(xl::Value(20.0));
    p.Cells(5, 10).SetValue(xl::Value(45123.0));
    p.Cells(5, 10).SetNumberFormat(QStringLiteral("dd/mm/yyyy"));
    // Past the gap: in neither.
    p.Cells(7, 1).SetValue(xl::Value(99.0));

    const std::vector<QStringList> expected = sheet::listRows(fx.book);
    QCOMPARE(expected.size(), std::size_t(4));
    const std::shared_ptr<const ListRows> source = sheet::listSource(fx.book);
    QCOMPARE(source->rows(), 4);
    QCOMPARE(readAll(*source), expected);
    QCOMPARE(source->text(0, 1), QStringLiteral("15/03/2024"));
    QCOMPARE(source->text(0, 8), QStringLiteral(" "));
    QCOMPARE(source->text(1, 1), QStringLiteral("15/03/2024"));
    QCOMPARE(source->text(1, 11), QStringLiteral("1.500,50"));
    QCOMPARE(source->text(2, 7), QStringLiteral("2,5"));
    QCOMPARE(source->text(3, 9), QStringLiteral("16/07/2023"));
    // Outside its rows and columns a source has no text.
    QVERIFY(source->text(4, 0).isEmpty());
    QVERIFY(source->text(0, 12).isEmpty());
    QVERIFY(source->text(-1, 0).isEmpty());

    // An empty sheet gives an empty list.
    Fixture empty;
    QCOMPARE(sheet::listSource(empty.book)->rows(), 0);
}

void TestPracticeSheet::listSourceKeepsTheSheetAsItWas() {
    Fixture fx;
    xl::Worksheet& p = fx.pratica();
    const int numbers[] = {12, 3, 7, 5};
    for (int i = 0; i < 4; ++i) putPractice(p, i + 2, numbers[i], QStringLiteral("CLIENTE %1").arg(numbers[i]));
    const std::vector<QStringList> before = sheet::listRows(fx.book);
    const std::shared_ptr<const ListRows> source = sheet::listSource(fx.book);

    // Every change the panels make to the sheet after a fill.
    sheet::sortByNumber(fx.book);
    QCOMPARE(fx.text(2, 1), QStringLiteral("3"));
    QVERIFY(sheet::append(fx.book, record(QStringLiteral("40"))) == Outcome::Done);
    QVERIFY(sheet::remove(fx.book, 7) == Outcome::Done);
    QVERIFY(sheet::update(fx.book, record(QStringLiteral("12"), QStringLiteral("ALTRO"))) == Outcome::Done);
    sheet::sort(fx.book, store::PracticeKey::Client, false);
    p.Cells(3, 4).SetValue(xl::Value(QStringLiteral("scritto a mano")));
    p.Cells(2, 12).SetValue(xl::Value(1.0));
    p.Cells(2, 12).SetNumberFormat(QStringLiteral("dd/mm/yyyy"));

    QCOMPARE(source->rows(), 4);
    QCOMPARE(readAll(*source), before);
    // A new source shows the sheet as it is now.
    QCOMPARE(readAll(*sheet::listSource(fx.book)), sheet::listRows(fx.book));
    QVERIFY(sheet::listRows(fx.book) != before);

    // Still read whole once the workbook is closed, as the window may be
    // painted while it ends.
    fx.excel.Close();
    QCOMPARE(readAll(*source), before);
}

void TestPracticeSheet::listSourceOfALongSheet() {
    Fixture fx;
    xl::Worksheet& p = fx.pratica();
    const int n = 1300;
    for (int i = 0; i < n; ++i) putPractice(p, i + 2, n - i, QStringLiteral("CLIENTE %1").arg(i % 37));
    const std::vector<QStringList> before = sheet::listRows(fx.book);
    const std::shared_ptr<const ListRows> source = sheet::listSource(fx.book);
    QCOMPARE(source->rows(), n);

    // Rows everywhere in the sheet written after the source was taken.
    sheet::sortByNumber(fx.book);
    for (int row = 2; row <= n + 1; row += 97) p.Cells(row, 3).SetValue(xl::Value(QStringLiteral("scritto")));
    p.Cells(300, 1).EntireRow().Delete();
    QVERIFY(sheet::append(fx.book, record(QStringLiteral("5000"))) == Outcome::Done);

    QCOMPARE(readAll(*source), before);
    QCOMPARE(source->text(n - 1, 0), QStringLiteral("1"));
    QCOMPARE(readAll(*sheet::listSource(fx.book)), sheet::listRows(fx.book));
}

void TestPracticeSheet::sortByNumberKeepsEachRecordWhole() {
    Fixture fx;
    xl::Worksheet& p = fx.pratica();
    const int numbers[] = {12, 3, 7};
    for (int i = 0; i < 3; ++i) putPractice(p, i + 2, numbers[i], QStringLiteral("CLIENTE %1").arg(numbers[i]));
    // Past a gap: not a record, not sorted.
    p.Cells(7, 1).SetValue(xl::Value(1));
    sheet::sortByNumber(fx.book);
    const int sorted[] = {3, 7, 12};
    for (int i = 0; i < 3; ++i) {
        const int row = i + 2;
        QCOMPARE(fx.at(row, 1).numberValue(), double(sorted[i]));
        QCOMPARE(p.Cells(row, 3).Text(), QStringLiteral("CLIENTE %1").arg(sorted[i]));
        QCOMPARE(p.Cells(row, 12).Text(), QStringLiteral("%1,00").arg(sorted[i] * 100));
    }
    QCOMPARE(fx.at(7, 1).numberValue(), 1.0);
    QCOMPARE(p.Cells(1, 1).Text(), QStringLiteral("Num.Prat."));

    // An empty sheet sorts to nothing, without complaint.
    Fixture empty;
    sheet::sortByNumber(empty.book);
    QCOMPARE(empty.pratica().Cells(1, 1).Text(), QStringLiteral("Num.Prat."));
}

void TestPracticeSheet::sortOfTheListButtonsTakesEveryRecord() {
    Fixture fx;
    xl::Worksheet& p = fx.pratica();
    putPractice(p, 2, 5, QStringLiteral("BIANCHI"));
    putPractice(p, 3, 2, QStringLiteral("VERDI"));
    // A gap row: the buttons' sort reaches past it, to the last number.
    putPractice(p, 5, 9, QStringLiteral("ARANCI"));

    sheet::sort(fx.book, store::PracticeKey::Client, false);
    QCOMPARE(fx.text(2, 3), QStringLiteral("VERDI"));
    QCOMPARE(fx.text(3, 3), QStringLiteral("BIANCHI"));
    QCOMPARE(fx.text(4, 3), QStringLiteral("ARANCI"));
    QCOMPARE(fx.text(4, 1), QStringLiteral("9"));

    sheet::sort(fx.book, store::PracticeKey::Number, true);
    QCOMPARE(fx.text(2, 1), QStringLiteral("2"));
    QCOMPARE(fx.text(3, 1), QStringLiteral("5"));
    QCOMPARE(fx.text(4, 1), QStringLiteral("9"));
    QCOMPARE(fx.text(3, 3), QStringLiteral("BIANCHI"));
    QCOMPARE(p.Cells(1, 1).Text(), QStringLiteral("Num.Prat."));
}

void TestPracticeSheet::appendWritesEveryCellOfAGapRow() {
    Fixture fx;
    xl::Worksheet& p = fx.pratica();
    putPractice(p, 2, 1, QStringLiteral("BIANCHI"));
    // Row 3 is a gap whose other cells still hold an old practice.
    p.Cells(3, 3).SetValue(xl::Value(QStringLiteral("VECCHIO")));
    p.Cells(3, 9).SetValue(xl::Value(QStringLiteral("SI")));
    p.Cells(3, 11).SetValue(xl::Value(QStringLiteral("nota vecchia")));
    putPractice(p, 4, 2, QStringLiteral("VERDI"));

    PracticeRecord r = record(QStringLiteral(" 7"));
    r.client.clear();
    r.notes.clear();
    r.completed = true;
    QCOMPARE(sheet::append(fx.book, r), Outcome::Done);
    // The number is a number cell, the date a date value.
    QVERIFY(fx.at(3, 1).isNumeric());
    QCOMPARE(fx.at(3, 1).numberValue(), 7.0);
    QVERIFY(fx.at(3, 2).isNumeric());
    QCOMPARE(fx.text(3, 2), QStringLiteral("15/03/2024"));
    QVERIFY(fx.at(3, 3).isEmpty());
    QVERIFY(fx.at(3, 9).isEmpty());
    QCOMPARE(fx.text(3, 10), QStringLiteral("SI"));
    QVERIFY(fx.at(3, 11).isEmpty());
    QCOMPARE(fx.text(3, 12), QStringLiteral("1.500,50"));
    QCOMPARE(sheet::counter(fx.book), 7.0);
    QCOMPARE(fx.text(4, 3), QStringLiteral("VERDI"));

    // A number that is no whole number stays text, in the row and the counter.
    QCOMPARE(sheet::append(fx.book, record(QStringLiteral("7bis"))), Outcome::Done);
    QVERIFY(fx.at(5, 1).isText());
    QCOMPARE(fx.text(5, 1), QStringLiteral("7bis"));
    QCOMPARE(sheet::counter(fx.book), 0.0);
}

void TestPracticeSheet::appendRefusesABadDateAndAFullSheet() {
    Fixture fx;
    PracticeRecord r = record(QStringLiteral("4"));
    r.opened = QStringLiteral("31/02/2024");
    QCOMPARE(sheet::append(fx.book, r), Outcome::Invalid);
    QVERIFY(fx.at(2, 1).isEmpty());
    QCOMPARE(sheet::counter(fx.book), 0.0);

    // Every row a 16-bit row number reaches is taken.
    for (int row = 2; row <= vb::kMaxRow16; ++row) fx.pratica().Cells(row, 1).SetValue(xl::Value(row));
    QCOMPARE(sheet::append(fx.book, record(QStringLiteral("40000"))), Outcome::SheetFull);
    QVERIFY(fx.at(vb::kMaxRow16 + 1, 1).isEmpty());
    QCOMPARE(sheet::counter(fx.book), 0.0);
}

void TestPracticeSheet::updateKeepsItsOwnStorage() {
    Fixture fx;
    xl::Worksheet& p = fx.pratica();
    putPractice(p, 2, 1, QStringLiteral("BIANCHI"), QStringLiteral("SI"));
    putPractice(p, 3, 5, QStringLiteral("VERDI"), QString(), QStringLiteral("SI"));
    QVERIFY(sheet::any(fx.book));

    PracticeRecord r = record(QStringLiteral("5"), QStringLiteral("NERI"));
    r.opened = QStringLiteral("01/04/2024");
    r.inPreparation = true;
    r.estimate.clear();
    QCOMPARE(sheet::update(fx.book, r), Outcome::Done);
    // The modify writes the date as the panel shows it, and a blank for a
    // box left unticked.
    QVERIFY(fx.at(3, 2).isText());
    QCOMPARE(fx.text(3, 2), QStringLiteral("01/04/2024"));
    QCOMPARE(fx.text(3, 3), QStringLiteral("NERI"));
    QCOMPARE(fx.text(3, 9), QStringLiteral("SI"));
    QCOMPARE(fx.text(3, 10), QStringLiteral(" "));
    QVERIFY(fx.at(3, 12).isEmpty());
    QCOMPARE(fx.text(2, 3), QStringLiteral("BIANCHI"));
    // The counter is the insert's business only.
    QCOMPARE(sheet::counter(fx.book), 0.0);

    // Past a gap the modify does not look.
    putPractice(p, 5, 8, QStringLiteral("ROSSI"));
    QCOMPARE(sheet::update(fx.book, record(QStringLiteral("8"))), Outcome::NotFound);
    QCOMPARE(fx.text(5, 3), QStringLiteral("ROSSI"));
    QCOMPARE(sheet::update(fx.book, record(QStringLiteral("99"))), Outcome::NotFound);

    Fixture empty;
    QVERIFY(!sheet::any(empty.book));
}

void TestPracticeSheet::findsByNumberAsStored() {
    Fixture fx;
    xl::Worksheet& p = fx.pratica();
    putPractice(p, 2, 5, QStringLiteral("BIANCHI"), QStringLiteral("SI"));
    p.Cells(3, 1).SetValue(xl::Value(QStringLiteral("7bis")));
    // Past a gap the finds by number still look.
    putPractice(p, 6, 12, QStringLiteral("VERDI"));

    QVERIFY(sheet::exists(fx.book, QStringLiteral("5")));
    QVERIFY(sheet::exists(fx.book, QStringLiteral(" 5 ")));
    QVERIFY(sheet::exists(fx.book, QStringLiteral("7bis")));
    QVERIFY(sheet::exists(fx.book, QStringLiteral("12")));
    QVERIFY(!sheet::exists(fx.book, QStringLiteral("7")));

    const std::optional<PracticeRecord> found = sheet::find(fx.book, QStringLiteral("12"));
    QVERIFY(found);
    QCOMPARE(found->client, QStringLiteral("VERDI"));
    QCOMPARE(found->estimate, QStringLiteral("1200,00"));
    QVERIFY(!found->inPreparation);
    QVERIFY(sheet::find(fx.book, QStringLiteral("5"))->inPreparation);
    QVERIFY(!sheet::find(fx.book, QStringLiteral("6")));
}

// The finds by number keep what they read of each block of rows: after any
// mix of edits they must still land on the row a walk down the column finds,
// whether the numbers are numbers, texts of digits, dates or other texts,
// past gaps, after deletes, sorts, formats of the whole column and searches
// that write beside the records.
void TestPracticeSheet::findsByNumberAfterEveryEdit() {
    Fixture fx;
    xl::Worksheet& p = fx.pratica();
    auto blank = [&](int row) {
        const xl::Value& v = p.valueAt(row, 1);
        return v.isEmpty() || (v.isText() && v.textValue().isEmpty());
    };
    auto lastFilled = [&] {
        for (int row = p.usedRows(); row >= 1; --row)
            if (!blank(row)) return row;
        return 0;
    };
    auto runEnd = [&] {
        int row = 2;
        while (!blank(row)) ++row;
        return row - 1;
    };
    // The first row of rows 2..last whose number cell reads as `key`.
    auto walk = [&](const QString& key, int last) {
        const std::optional<double> n = vb::CDbl(key);
        for (int row = 2; row <= last; ++row) {
            const xl::Value v = fx.at(row, 1);
            if (v.type() == xl::ValueType::Number ? n && *n == v.numberValue() : vb::CellEqualsText(v, key)) return row;
        }
        return 0;
    };
    auto texts = [&](int row) {
        QStringList t;
        for (int col = 1; col <= 12; ++col) t << fx.text(row, col);
        return t;
    };

    std::mt19937 rng(11);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    // Every row carries a tag of its own in D, so that a find landing on
    // another row with the same number shows.
    int tag = 0;
    auto number = [&](int row, const xl::Value& v) {
        p.Cells(row, 1).SetValue(v);
        p.Cells(row, 4).SetValue(xl::Value(QStringLiteral("riga %1").arg(++tag)));
    };
    for (int row = 2; row <= 1100; ++row)
        number(row, row % 5 ? xl::Value(double(pick(400))) : xl::Value(QString::number(pick(400))));

    for (int step = 0; step < 400; ++step) {
        const int row = 2 + pick(1200);
        switch (pick(14)) {
        case 0: number(row, xl::Value(double(pick(400)))); break;
        case 1: number(row, xl::Value(QString::number(pick(400)))); break;
        case 2: number(row, xl::Value(QStringLiteral("%1bis").arg(pick(400)))); break;
        case 3: number(row, xl::Value::date(45000 + pick(30))); break;
        case 4: p.Cells(row, 1).ClearContents(); break;
        case 5: p.cellRef(row, 1).value = xl::Value(QString()); break; // an empty text stored as such
        case 6: p.deleteRows(row, 1 + pick(300)); break;
        case 7: p.Cells(row, 27 + pick(6)).SetValue(xl::Value(double(pick(400)))); break; // the search area
        case 8: {
            int copied = 0;
            area::findByClient(fx.book, QStringLiteral("ROSSI MARIO"), copied);
            area::sortResults(fx.book, copied);
            break;
        }
        case 9: sheet::sortByNumber(fx.book); break;
        case 10:
            p.Columns(QStringLiteral("A"))
                .SetNumberFormat(pick(2) ? QStringLiteral("0") : QStringLiteral("dd/mm/yyyy"));
            break;
        case 11: number(row, xl::Value::boolean(pick(2))); break;
        case 12: QCOMPARE(sheet::append(fx.book, record(QString::number(pick(400)))), Outcome::Done); break;
        default: p.Cells(row, 2).SetValue(xl::Value(double(pick(400)))); break; // a neighbouring column
        }
        for (int k = 0; k < 4; ++k) {
            const int n = pick(400);
            const QString keys[] = {QString::number(n),
                                    QStringLiteral(" %1 ").arg(n),
                                    QStringLiteral("%1bis").arg(n),
                                    QString(),
                                    vb::CStr(xl::Value::date(45000 + n % 30)),
                                    QStringLiteral("VERO")};
            const QString key = keys[pick(6)];
            const std::optional<qint64> whole = sheet::wholeNumber(key);
            const int row = walk(whole ? QString::number(*whole) : key, lastFilled());
            QCOMPARE(sheet::exists(fx.book, key), row != 0);
            const std::optional<PracticeRecord> found = sheet::find(fx.book, key);
            QCOMPARE(found.has_value(), row != 0);
            if (row) QCOMPARE(*found, PracticeRecord::fromTexts(texts(row)));
        }
        // A modify rewrites the first practice of the run with that number.
        if (step % 5 == 0) {
            PracticeRecord r = record(QString::number(pick(400)));
            r.subject = QStringLiteral("modifica %1").arg(step);
            const int row = walk(r.number, runEnd());
            QCOMPARE(sheet::update(fx.book, r), row ? Outcome::Done : Outcome::NotFound);
            if (row) QCOMPARE(fx.text(row, 4), r.subject);
        }
    }
}

void TestPracticeSheet::removeTakesTheWholeRowOfThatNumberOnly() {
    Fixture fx;
    xl::Worksheet& p = fx.pratica();
    putPractice(p, 2, 1, QStringLiteral("BIANCHI"));
    p.Cells(3, 1).SetValue(xl::Value(QStringLiteral("2bis")));
    putPractice(p, 4, 2, QStringLiteral("VERDI"));
    putPractice(p, 5, 3, QStringLiteral("NERI"));

    QCOMPARE(sheet::remove(fx.book, 2), Outcome::Done);
    QCOMPARE(fx.text(3, 1), QStringLiteral("2bis"));
    QCOMPARE(fx.text(4, 1), QStringLiteral("3"));
    QCOMPARE(fx.text(4, 3), QStringLiteral("NERI"));
    QCOMPARE(fx.text(4, 12), QStringLiteral("300,00"));
    QVERIFY(fx.at(5, 1).isEmpty());
    QCOMPARE(sheet::remove(fx.book, 2), Outcome::NotFound);
    QCOMPARE(sheet::remove(fx.book, 42), Outcome::NotFound);
}

void TestPracticeSheet::ledgerEntriesOfAPracticeGoWithIt() {
    Fixture fx;
    QCOMPARE(store::removeLedgerEntriesOfPractice(fx.book, 4), Outcome::NotFound);

    xl::Worksheet& s = fx.spese();
    const double practices[] = {4, 4, 5, 4};
    for (int i = 0; i < 4; ++i) {
        s.Cells(i + 2, 1).SetValue(xl::Value(i + 1));
        s.Cells(i + 2, 2).SetValue(xl::Value(practices[i]));
        s.Cells(i + 2, 5).SetValue(xl::Value(QStringLiteral("voce %1").arg(i + 1)));
    }
    // Entries one after the other: each moves up into the row just emptied
    // and is looked at again.
    QCOMPARE(store::removeLedgerEntriesOfPractice(fx.book, 4), Outcome::Done);
    QCOMPARE(vb::CStr(s.Cells(2, 2).GetValue()), QStringLiteral("5"));
    QCOMPARE(vb::CStr(s.Cells(2, 5).GetValue()), QStringLiteral("voce 3"));
    QVERIFY(s.Cells(3, 2).GetValue().isEmpty());
    // No entry of the practice left: still done, nothing else touched.
    QCOMPARE(store::removeLedgerEntriesOfPractice(fx.book, 4), Outcome::Done);
    QCOMPARE(vb::CStr(s.Cells(2, 5).GetValue()), QStringLiteral("voce 3"));
}

void TestPracticeSheet::counterReadsWhatAnOldInsertLeft() {
    Fixture fx;
    xl::Range iv1 = fx.pratica().GetRange(store::kCounterCell);
    QCOMPARE(sheet::counter(fx.book), 0.0);
    iv1.SetValue(xl::Value(QStringLiteral("12")));
    QCOMPARE(sheet::counter(fx.book), 12.0);
    iv1.SetValue(xl::Value(QStringLiteral("7bis")));
    QCOMPARE(sheet::counter(fx.book), 0.0);
    iv1.SetValue(xl::Value(41));
    QCOMPARE(sheet::counter(fx.book), 41.0);
    sheet::resetCounter(fx.book);
    QVERIFY(iv1.GetValue().isNumeric());
    QCOMPARE(sheet::counter(fx.book), 0.0);
}

void TestPracticeSheet::estimateIsAnAmountOrNothing() {
    QCOMPARE(sheet::estimateText(QString()), QString());
    QCOMPARE(sheet::estimateText(QStringLiteral("   ")), QString());
    QCOMPARE(sheet::estimateText(QStringLiteral("1500,5")), QStringLiteral("1.500,50"));
    QCOMPARE(sheet::estimateText(QStringLiteral(" 1.234,567 ")), QStringLiteral("1.234,57"));
    QCOMPARE(sheet::estimateText(QStringLiteral("-3")), QStringLiteral("-3,00"));
    QVERIFY(!sheet::estimateText(QStringLiteral("mille")));
    QVERIFY(!sheet::estimateText(QStringLiteral("12,5 euro")));
    // More digits than a cell keeps exactly.
    QVERIFY(!sheet::estimateText(QStringLiteral("1234567890123456")));

    QCOMPARE(sheet::wholeNumber(QStringLiteral(" 42 ")), std::optional<qint64>(42));
    QVERIFY(!sheet::wholeNumber(QStringLiteral("1 2")));
    QVERIFY(!sheet::wholeNumber(QStringLiteral("-1")));
    QVERIFY(!sheet::wholeNumber(QStringLiteral("7bis")));
}

void TestPracticeSheet::recordFromListTexts() {
    const QStringList texts{QStringLiteral("5"),   QStringLiteral("15/03/2024"), QStringLiteral("ROSSI"),
                            QStringLiteral("ogg"), QStringLiteral("descr"),      QStringLiteral("CIVILE"),
                            QStringLiteral("A1"),  QStringLiteral("3"),          QStringLiteral(" "),
                            QStringLiteral("SI"),  QStringLiteral("nota"),       QStringLiteral("abc")};
    const PracticeRecord r = PracticeRecord::fromTexts(texts);
    QCOMPARE(r.number, QStringLiteral("5"));
    QCOMPARE(r.binder, QStringLiteral("3"));
    // Only "SI" is set; the blank a modify writes is not.
    QVERIFY(!r.inPreparation);
    QVERIFY(r.completed);
    // A text that is no amount is shown as it stands.
    QCOMPARE(r.estimate, QStringLiteral("abc"));
    // A short row reads the missing fields as empty.
    const PracticeRecord shortRow = PracticeRecord::fromTexts({QStringLiteral("9")});
    QCOMPARE(shortRow.number, QStringLiteral("9"));
    QVERIFY(shortRow.estimate.isEmpty());
}

void TestPracticeSheet::searchByStateFillsTheAreaAfresh() {
    Fixture fx;
    xl::Worksheet& p = fx.pratica();
    putPractice(p, 2, 1, QStringLiteral("VERDI"), QStringLiteral("SI"));
    putPractice(p, 3, 2, QStringLiteral("BIANCHI"), QStringLiteral(" "), QStringLiteral("SI"));
    // Past a gap, with the date typed as text.
    putPractice(p, 5, 3, QStringLiteral("AZZURRI"), QStringLiteral("SI"));
    p.Cells(5, 2).SetValue(xl::Value(QStringLiteral("02/01/2024")));
    // What an earlier search left further down.
    p.Cells(9, 27).SetValue(xl::Value(QStringLiteral("VECCHIO")));

    int copied = 0;
    area::findByState(fx.book, false, copied);
    QCOMPARE(copied, 2);
    QVERIFY(p.Cells(9, 27).GetValue().isEmpty());
    QCOMPARE(p.Cells(1, 27).Text(), QStringLiteral("Cliente"));
    QCOMPARE(p.Cells(1, 30).Text(), QStringLiteral("Oggetto"));
    QVERIFY(p.Cells(2, 29).GetValue().isNumeric());
    QVERIFY(p.Cells(3, 29).GetValue().isNumeric());

    area::sortResults(fx.book, copied);
    const auto rows = area::results(fx.book, copied, area::kStateColumns);
    // The list reads the same texts on demand, and keeps them past the next
    // search.
    const std::shared_ptr<const ListRows> shown = area::resultSource(fx.book, copied, area::kStateColumns);
    QCOMPARE(readAll(*shown, area::kStateColumns), rows);
    QCOMPARE(rows.size(), std::size_t(2));
    QCOMPARE(rows[0], (QStringList{QStringLiteral("AZZURRI"), QStringLiteral("3"), QStringLiteral("02/01/2024"),
                                   QStringLiteral("Oggetto 3")}));
    QCOMPARE(rows[1][0], QStringLiteral("VERDI"));

    copied = 0;
    area::findByState(fx.book, true, copied);
    QCOMPARE(copied, 1);
    QCOMPARE(area::results(fx.book, copied, 4)[0][0], QStringLiteral("BIANCHI"));
    QCOMPARE(readAll(*area::resultSource(fx.book, copied, 4), 4), area::results(fx.book, copied, 4));
    QCOMPARE(readAll(*shown, area::kStateColumns), rows);
    QVERIFY(p.Cells(3, 27).GetValue().isEmpty());

    area::leave(fx.book);
    QVERIFY(p.Cells(2, 27).GetValue().isEmpty());
    QCOMPARE(p.Cells(1, 27).Text(), QStringLiteral("Cliente"));
    QCOMPARE(fx.text(2, 3), QStringLiteral("VERDI"));
}

void TestPracticeSheet::searchByClientIsExactAndCarriesFlags() {
    Fixture fx;
    xl::Worksheet& p = fx.pratica();
    putPractice(p, 2, 1, QStringLiteral("ROSSI"), QStringLiteral("SI"));
    putPractice(p, 3, 2, QStringLiteral("rossi"));
    putPractice(p, 4, 3, QStringLiteral("ROSSI "));
    putPractice(p, 5, 4, QStringLiteral("ROSSI"), QString(), QStringLiteral("SI"));

    int copied = 0;
    area::findByClient(fx.book, QStringLiteral("ROSSI"), copied);
    QCOMPARE(copied, 2);
    QCOMPARE(p.Cells(1, 31).Text(), QStringLiteral("In Istrutt."));
    QCOMPARE(p.Cells(1, 32).Text(), QStringLiteral("Complet."));
    const auto rows = area::results(fx.book, copied, area::kClientColumns);
    QCOMPARE(rows[0][1], QStringLiteral("1"));
    QCOMPARE(rows[0][4], QStringLiteral("SI"));
    QCOMPARE(rows[1][1], QStringLiteral("4"));
    QCOMPARE(rows[1][5], QStringLiteral("SI"));

    copied = 0;
    area::findByClient(fx.book, QStringLiteral("NESSUNO"), copied);
    QCOMPARE(copied, 0);
    QVERIFY(p.Cells(2, 27).GetValue().isEmpty());
}

// The search copies each cell as reading it gives it: a number under a date
// format arrives as a date (and makes a General target a date), a target's
// own format stays, a client that is a number matches its text.
void TestPracticeSheet::searchCopiesValuesAsTheyRead() {
    Fixture fx;
    xl::Worksheet& p = fx.pratica();
    putPractice(p, 2, 7, QStringLiteral("VERDI"), QStringLiteral("SI"));
    p.Cells(2, 1).SetNumberFormat(QStringLiteral("dd/mm/yyyy"));
    p.Cells(2, 4).SetValue(xl::Value(12.5));
    putPractice(p, 3, 8, QStringLiteral("x"), QStringLiteral("SI"), QStringLiteral("SI"));
    p.Cells(3, 3).SetValue(xl::Value(42));
    p.Cells(3, 2).SetValue(xl::Value(QStringLiteral("non è una data")));
    p.Columns(QStringLiteral("AD")).SetNumberFormat(QStringLiteral("0.00"));
    // Practices below the flags' last row are not looked at, whatever they hold.
    putPractice(p, 40, 9, QStringLiteral("42"));

    int copied = 0;
    area::findByState(fx.book, false, copied);
    QCOMPARE(copied, 2);
    QVERIFY(p.Cells(2, 28).GetValue().isDate());
    QCOMPARE(p.Cells(2, 28).NumberFormat(), QStringLiteral("dd/mm/yyyy"));
    QCOMPARE(p.Cells(2, 28).GetValue().numberValue(), 7.0);
    QCOMPARE(p.Cells(3, 28).NumberFormat(), QStringLiteral("General"));
    QCOMPARE(p.Cells(3, 28).GetValue(), xl::Value(8.0));
    QCOMPARE(p.Cells(2, 29).NumberFormat(), QStringLiteral("dd/mm/yyyy"));
    QVERIFY(p.Cells(3, 29).GetValue().isEmpty()); // no date to copy
    QCOMPARE(p.Cells(2, 30).GetValue(), xl::Value(12.5));
    QCOMPARE(p.Cells(2, 30).Text(), QStringLiteral("12,50"));
    QCOMPARE(p.Cells(3, 27).GetValue(), xl::Value(42.0));
    QVERIFY(p.Cells(2, 31).GetValue().isEmpty()); // no flags in this search

    copied = 0;
    area::findByClient(fx.book, QStringLiteral("42"), copied);
    QCOMPARE(copied, 2);
    // Clearing the area leaves its formats: the number lands in the cell the
    // date above made a date.
    QCOMPARE(area::results(fx.book, copied, area::kClientColumns)[0],
             (QStringList{QStringLiteral("42"), QStringLiteral("08/01/1900"), QString(), QStringLiteral("Oggetto 8"),
                          QStringLiteral("SI"), QStringLiteral("SI")}));
    QCOMPARE(area::results(fx.book, copied, 2)[1], (QStringList{QStringLiteral("42"), QStringLiteral("9")}));
}

namespace {

// The search as emptying the area, copying every result through ranges and
// sorting them leaves it, step by step.
int searchStepByStep(xl::Worksheet& p, int flagColumn, const QString* client, bool sort) {
    auto blank = [](const xl::Value& v) { return v.isEmpty() || (v.isText() && v.textValue().isEmpty()); };
    int areaLast = 0;
    for (int r = 1; r <= p.usedRows(); ++r)
        for (int c = 27; c <= 32; ++c)
            if (!blank(p.valueAt(r, c))) areaLast = r;
    if (areaLast >= 2) p.Cells(2, 27).Resize(areaLast - 1, 6).ClearContents();
    const int columns = client ? area::kClientColumns : area::kStateColumns;
    for (int i = 0; i < columns; ++i) p.Cells(1, 27 + i).SetValue(xl::Value(area::columns()[i].caption));
    // The practices looked at end with the last number or client.
    int lastPractice = 0;
    for (int r = 1; r <= p.usedRows(); ++r)
        if (!blank(p.valueAt(r, 1)) || !blank(p.valueAt(r, 3))) lastPractice = r;
    int copied = 0;
    for (int row = 2; row <= (client ? lastPractice : p.usedRows()); ++row) {
        if (client ? vb::CStr(p.Cells(row, 3).GetValue()) != *client
                   : p.valueAt(row, flagColumn) != xl::Value(QStringLiteral("SI")))
            continue;
        const int target = 2 + copied++;
        auto put = [&](int col, const xl::Value& v) {
            if (blank(v)) return;
            try {
                p.Cells(target, col).SetValue(v);
            } catch (const xl::Error&) {
            }
        };
        put(27, p.Cells(row, 3).GetValue());
        put(28, p.Cells(row, 1).GetValue());
        const xl::Value d = p.Cells(row, 2).GetValue();
        if (d.isNumeric())
            put(29, xl::Value::date(d.numberValue()));
        else if (const auto date = d.isText() ? vb::CDate(d.textValue()) : std::nullopt)
            put(29, xl::Value::date(vb::DateSerial(*date)));
        put(30, p.Cells(row, 4).GetValue());
        if (client) {
            put(31, p.Cells(row, 9).GetValue());
            put(32, p.Cells(row, 10).GetValue());
        }
    }
    if (sort && copied >= 2)
        p.GetRange(p.Cells(2, 27), p.Cells(1 + copied, 30)).Sort(p.Cells(2, 27), xl::xlAscending, xl::xlNo);
    return copied;
}

// Both sheets hold the same cells: values to the bit, formulas, formats,
// and the same cells absent.
bool sameCells(const xl::Worksheet& a, const xl::Worksheet& b, QString* where) {
    if (a.usedRows() != b.usedRows()) {
        *where = QStringLiteral("rows %1 and %2").arg(a.usedRows()).arg(b.usedRows());
        return false;
    }
    for (int r = 1; r <= a.usedRows(); ++r)
        for (int c = 1; c <= 40; ++c) {
            const xl::Cell* x = a.cellAt(r, c);
            const xl::Cell* y = b.cellAt(r, c);
            bool same = (x == nullptr) == (y == nullptr) && a.effectiveStyle(r, c) == b.effectiveStyle(r, c);
            if (same && x) {
                const double u = x->value.numberValue(), v = y->value.numberValue();
                same = x->value.type() == y->value.type() && x->value.textValue() == y->value.textValue() &&
                       std::memcmp(&u, &v, sizeof u) == 0 && bool(x->kept) == bool(y->kept);
            }
            if (!same) {
                *where = QStringLiteral("row %1, column %2").arg(r).arg(c);
                return false;
            }
        }
    return true;
}

// One search of `kind` (0 and 1: sorted, in preparation or completed; 2: in
// preparation; 3: by `client`) made by the store on `mine` and step by step
// on `steps`: the same count, the same cells and the same formats.
void searchBothWays(Fixture& mine, Fixture& steps, int kind, const QString& client, const QString& context) {
    int copied = 0, expected = 0;
    if (kind == 0) {
        area::findByStateSorted(mine.book, false, copied);
        expected = searchStepByStep(steps.pratica(), 9, nullptr, true);
    } else if (kind == 1) {
        area::findByStateSorted(mine.book, true, copied);
        expected = searchStepByStep(steps.pratica(), 10, nullptr, true);
    } else if (kind == 2) {
        area::findByState(mine.book, false, copied);
        expected = searchStepByStep(steps.pratica(), 9, nullptr, false);
    } else {
        area::findByClient(mine.book, client, copied);
        expected = searchStepByStep(steps.pratica(), 0, &client, false);
    }
    QCOMPARE(copied, expected);
    QString where;
    QVERIFY2(sameCells(mine.pratica(), steps.pratica(), &where), qPrintable(context + where));
    QCOMPARE(mine.book.workbook().styles().size(), steps.book.workbook().styles().size());
}

} // namespace

// The search writes only what changes, and its cells end as emptying the
// area, copying the results and sorting them leave them, whatever the area
// and the practices held before: leftovers below, formulas, formats of
// rows, columns and cells, dates as numbers or texts, blanks and numbers
// among the clients, searches of every kind one after another.
void TestPracticeSheet::searchLeavesWhatEmptyingCopyingAndSortingLeave() {
    const QStringList clients{QStringLiteral("ROSSI"),
                              QStringLiteral("rossi"),
                              QStringLiteral("Àlfa srl"),
                              QStringLiteral("BIANCHI SPA"),
                              QStringLiteral("42"),
                              QStringLiteral("7"),
                              QString(),
                              QStringLiteral("zeta"),
                              QStringLiteral("Rossi-Bis")};
    auto kept = std::make_shared<xl::KeptFormula>();
    for (quint32 seed = 1; seed <= 12; ++seed) {
        Fixture mine, steps;
        QRandomGenerator rng(seed);
        // The same change on both workbooks.
        auto both = [&](const std::function<void(xl::Worksheet&, xl::Workbook&)>& f) {
            f(mine.pratica(), mine.book.workbook());
            f(steps.pratica(), steps.book.workbook());
        };
        const int practices = 1 + rng.bounded(seed % 3 == 0 ? 700 : 60);
        auto putRow = [&](int row) {
            const int kind = rng.bounded(10);
            const QString client = clients[rng.bounded(clients.size())];
            const int day = rng.bounded(3000);
            const bool prep = rng.bounded(3) == 0, done = rng.bounded(4) == 0;
            both([&](xl::Worksheet& p, xl::Workbook&) {
                putPractice(p, row, row - 1, client, prep ? QStringLiteral("SI") : QString(),
                            done ? QStringLiteral("SI") : QString());
                if (client.isEmpty()) p.Cells(row, 3).ClearContents();
                if (client == u"42") p.Cells(row, 3).SetValue(xl::Value(42));
                if (kind == 0) p.Cells(row, 2).SetValue(xl::Value(QStringLiteral("0%1/01/2024").arg(day % 9 + 1)));
                if (kind == 1) p.Cells(row, 2).SetValue(xl::Value(QStringLiteral("non è una data")));
                if (kind == 2) p.Cells(row, 2).ClearContents();
                if (kind == 3) p.Cells(row, 2).SetValue(xl::Value(40000.0 + day)); // a number under a date format
                if (kind == 4) p.Cells(row, 4).ClearContents();
                if (kind == 5) p.Cells(row, 1).SetNumberFormat(QStringLiteral("dd/mm/yyyy"));
            });
        };
        for (int row = 2; row <= practices + 1; ++row) putRow(row);
        int kind = 0;
        QString client;
        int appended = 0;
        for (int round = 0; round < 16; ++round) {
            // Something changes between searches, or nothing does.
            const int changes = rng.bounded(3) ? 0 : 1 + rng.bounded(3);
            for (int k = 0; k < changes; ++k) {
                const int row = 2 + rng.bounded(practices + 5);
                const int what = rng.bounded(11);
                if (what <= 2) {
                    putRow(row);
                    continue;
                }
                if (what == 7) {
                    // A practice below the others, or a row of them deleted.
                    if (rng.bounded(2))
                        putRow(practices + 2 + appended++);
                    else
                        both([&](xl::Worksheet& p, xl::Workbook&) { p.deleteRows(row, 1); });
                    continue;
                }
                if (what == 8) {
                    // A column's own format, which no row records.
                    const int col = rng.bounded(2) ? 27 + rng.bounded(6) : 1 + rng.bounded(4);
                    both([&](xl::Worksheet& p, xl::Workbook& wb) {
                        xl::Style st;
                        st.numberFormat = QStringLiteral("dd/mm/yyyy");
                        p.columnInfoRef(col).style = static_cast<std::int32_t>(wb.internStyle(st));
                    });
                    continue;
                }
                if (what == 9) {
                    // Something left in the area far below the results.
                    const int far = practices + 10 + rng.bounded(20);
                    both([&](xl::Worksheet& p, xl::Workbook&) {
                        p.Cells(far, 27 + rng.bounded(6)).SetValue(xl::Value(QStringLiteral("SOTTO")));
                    });
                    continue;
                }
                if (what == 10) {
                    // A row below the practices written with nothing that counts.
                    const int far = practices + 40 + rng.bounded(20);
                    both([&](xl::Worksheet& p, xl::Workbook&) { p.Cells(far, 12).SetValue(xl::Value(1)); });
                    continue;
                }
                const int col = 27 + rng.bounded(6);
                const QString fmt = rng.bounded(2) ? QStringLiteral("0.00") : QStringLiteral("General");
                both([&](xl::Worksheet& p, xl::Workbook& wb) {
                    switch (what) {
                    case 3: p.Cells(row, col).SetValue(xl::Value(QStringLiteral("VECCHIO"))); break;
                    case 4: p.cellRef(row, col).kept = kept; break;
                    case 5: p.Cells(row, col).SetNumberFormat(fmt); break;
                    case 6:
                        if (row % 2)
                            p.Columns(col).SetNumberFormat(fmt);
                        else
                            p.rowInfoRef(row).style = static_cast<std::int32_t>(wb.internStyle(xl::Style{}));
                        break;
                    }
                });
            }
            // Mostly the same search again.
            if (round == 0 || rng.bounded(3) == 0) {
                kind = rng.bounded(4);
                client = clients[rng.bounded(clients.size())];
            }
            const std::uint64_t before = mine.pratica().changeStamp();
            xl::Worksheet& p = mine.pratica();
            auto areaNow = [&p] {
                std::vector<std::tuple<xl::Value, std::uint32_t, bool>> cells;
                for (int r = 1; r <= p.usedRows(); ++r)
                    for (int c = 27; c <= 32; ++c) {
                        const xl::Cell* cell = p.cellAt(r, c);
                        cells.emplace_back(p.valueAt(r, c), p.effectiveStyle(r, c), cell && cell->kept);
                    }
                return cells;
            };
            const auto area = areaNow();
            searchBothWays(mine, steps, kind, client,
                           QStringLiteral("seed %1, round %2, search %3: ").arg(seed).arg(round).arg(kind));
            if (QTest::currentTestFailed()) return;
            // A search that finds the area as it leaves it writes nothing.
            if (areaNow() == area) QCOMPARE(p.changeStamp(), before);
        }
    }
}

// A search asked again after one that found the area as it leaves it sees
// every change since that bears on it: a row deleted above, a format given
// to an empty result row, a practice flagged below the area.
void TestPracticeSheet::searchRepeatedSeesWhatChangedSince() {
    for (int change = 0; change < 3; ++change) {
        Fixture mine, steps;
        auto both = [&](const std::function<void(xl::Worksheet&)>& f) {
            f(mine.pratica());
            f(steps.pratica());
        };
        both([](xl::Worksheet& p) {
            putPractice(p, 2, 1, QStringLiteral("ZETA"), QStringLiteral("SI"));
            putPractice(p, 3, 2, QStringLiteral("ALFA"), QStringLiteral("SI"));
            // A flagged row with nothing else: its result, sorted last into
            // row 5, is empty.
            p.Cells(4, 9).SetValue(xl::Value(QStringLiteral("SI")));
            putPractice(p, 5, 4, QStringLiteral("MEZZO"));
            putPractice(p, 6, 5, QStringLiteral("BETA"), QStringLiteral("SI"));
            for (int i = 0; i < 30; ++i) putPractice(p, 7 + i, 10 + i, QStringLiteral("ALTRO"));
        });
        int copied = 0;
        // Until a search finds the area as it leaves it.
        for (int k = 0; k < 4; ++k) {
            area::findByStateSorted(mine.book, false, copied);
            QCOMPARE(copied, searchStepByStep(steps.pratica(), 9, nullptr, true));
        }
        both([&](xl::Worksheet& p) {
            if (change == 0) p.deleteRows(3, 1);
            if (change == 1) p.Cells(5, 28).SetNumberFormat(QStringLiteral("0.00")); // the empty result's row
            if (change == 2) p.Cells(30, 9).SetValue(xl::Value(QStringLiteral("SI")));
        });
        area::findByStateSorted(mine.book, false, copied);
        QCOMPARE(copied, searchStepByStep(steps.pratica(), 9, nullptr, true));
        QString where;
        QVERIFY2(sameCells(mine.pratica(), steps.pratica(), &where), qPrintable(where));
    }
}

// The realistic case: between two searches a few practices are modified
// (a flag set or taken away, a client or a date changed), added or
// deleted, and now and then the layout pass runs. Whatever the search does
// with what it found before, its cells must end as the step-by-step search
// leaves them, and an area row whose cells end as they were is not written.
void TestPracticeSheet::searchAfterPracticesChangedMatchesTheStepByStepSearch() {
    const QStringList clients{QStringLiteral("ROSSI"),   QStringLiteral("rossi"), QStringLiteral("Àlfa srl"),
                              QStringLiteral("BIANCHI"), QStringLiteral("42"),    QString(),
                              QStringLiteral("zeta"),    QStringLiteral("Verdi"), QStringLiteral("verdi ")};
    for (quint32 seed = 1; seed <= 8; ++seed) {
        Fixture mine, steps;
        QRandomGenerator rng(seed * 7919);
        auto both = [&](const std::function<void(Fixture&)>& f) {
            f(mine);
            f(steps);
        };
        const int practices = 200 + rng.bounded(seed % 2 ? 900 : 300);
        for (int row = 2; row <= practices + 1; ++row) {
            const QString client = clients[rng.bounded(clients.size())];
            const bool prep = rng.bounded(3) == 0, done = rng.bounded(4) == 0;
            both([&](Fixture& f) {
                putPractice(f.pratica(), row, row - 1, client, prep ? QStringLiteral("SI") : QString(),
                            done ? QStringLiteral("SI") : QString());
                if (client.isEmpty()) f.pratica().Cells(row, 3).ClearContents();
                if (client == u"42") f.pratica().Cells(row, 3).SetValue(xl::Value(42));
            });
        }
        int last = practices + 1;
        int kind = 0;
        QString client = clients[0];
        for (int round = 0; round < 40; ++round) {
            const int changes = round == 0 ? 0 : rng.bounded(4);
            for (int k = 0; k < changes; ++k) {
                const int number = 1 + rng.bounded(last - 1);
                const int what = rng.bounded(12);
                if (what == 10) {
                    // A new practice below the others.
                    ++last;
                    const bool prep = rng.bounded(2);
                    const QString c = clients[rng.bounded(clients.size())];
                    both([&](Fixture& f) {
                        putPractice(f.pratica(), last, 5000 + last, c.isEmpty() ? QStringLiteral("NUOVO") : c,
                                    prep ? QStringLiteral("SI") : QString(), QStringLiteral("SI"));
                    });
                    continue;
                }
                if (what == 11) {
                    if (rng.bounded(3) == 0) {
                        const int gone = 2 + rng.bounded(last - 1);
                        both([&](Fixture& f) { f.pratica().deleteRows(gone, 1); });
                        --last;
                    } else {
                        both([&](Fixture& f) { store::FormatWorkbook(f.book.workbook()); });
                    }
                    continue;
                }
                // The practice panel's modify of the practice on that row.
                const QString key = vb::CStr(mine.pratica().Cells(number + 1, 1).GetValue());
                std::optional<PracticeRecord> r = sheet::find(mine.book, key);
                if (!r) continue;
                if (what <= 4)
                    r->inPreparation = !r->inPreparation;
                else if (what <= 6)
                    r->completed = !r->completed;
                else if (what == 7)
                    r->client = clients[rng.bounded(clients.size())];
                else if (what == 8)
                    r->opened = QStringLiteral("0%1/02/2023").arg(1 + rng.bounded(9));
                else
                    r->subject = rng.bounded(2) ? QString() : QStringLiteral("Altro oggetto");
                if (r->client.isEmpty()) r->client = QStringLiteral("SENZA");
                both([&](Fixture& f) { QCOMPARE(sheet::update(f.book, *r), Outcome::Done); });
            }
            // Mostly the same search again.
            if (rng.bounded(6) == 0) {
                kind = rng.bounded(4);
                client = clients[rng.bounded(clients.size())];
            }
            xl::Worksheet& p = mine.pratica();
            std::vector<std::vector<xl::Value>> before(p.usedRows() + 1);
            std::vector<std::uint64_t> stamps(p.usedRows() + 1);
            for (int row = 2; row <= p.usedRows(); ++row) {
                stamps[row] = p.rowInfo(row)->stamp;
                for (int c = 27; c <= 32; ++c) before[row].push_back(p.valueAt(row, c));
            }
            searchBothWays(mine, steps, kind, client,
                           QStringLiteral("seed %1, round %2, search %3: ").arg(seed).arg(round).arg(kind));
            if (QTest::currentTestFailed()) return;
            for (int row = 2; row < static_cast<int>(before.size()) && row <= p.usedRows(); ++row) {
                bool same = true;
                for (int c = 27; c <= 32; ++c) same = same && p.valueAt(row, c) == before[row][c - 27];
                if (same)
                    QVERIFY2(
                        p.rowInfo(row)->stamp == stamps[row],
                        qPrintable(QStringLiteral("seed %1, round %2: row %3 written").arg(seed).arg(round).arg(row)));
            }
        }
    }
}

QTEST_GUILESS_MAIN(TestPracticeSheet)
#include "tst_practicesheet.moc"
