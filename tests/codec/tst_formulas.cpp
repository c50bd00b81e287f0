// The formulas of a user's workbook through a read and a save: kept beside
// their values, shared formulas given to each cell, references to other
// sheets following the sheet, damaged tokens costing the formula only, and
// any write of a cell by the program dropping the old formula.

#include "tests/codec/samples.h"

#include "platform/xls/biff.h"
#include "platform/xls/bytes.h"
#include "platform/xls/formula.h"

#include <QtTest>

using namespace xls::detail;

namespace {

struct Record {
    std::uint16_t type;
    QByteArray data;
};

std::vector<Record> records(const QByteArray& s) {
    std::vector<Record> out;
    qsizetype pos = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(s.constData());
    while (pos + 4 <= s.size()) {
        const std::uint16_t len = le16(p + pos + 2);
        out.push_back({le16(p + pos), s.mid(pos + 4, len)});
        pos += 4 + len;
    }
    return out;
}

std::uint16_t at16(const QByteArray& d, int off) {
    return le16(reinterpret_cast<const unsigned char*>(d.constData()) + off);
}

// The cell's kept tokens, empty when it has none.
QByteArray tokensOf(xl::Worksheet& ws, const char* address) {
    const xl::CellRect r = xl::parseAddress(QString::fromLatin1(address));
    const xl::Cell* c = ws.cellAt(r.row1, r.col1);
    return c && c->kept ? c->kept->tokens : QByteArray();
}

const xl::KeptFormula* keptOf(xl::Worksheet& ws, const char* address) {
    const xl::CellRect r = xl::parseAddress(QString::fromLatin1(address));
    const xl::Cell* c = ws.cellAt(r.row1, r.col1);
    return c ? c->kept.get() : nullptr;
}

QByteArray hex(const char* h) { return QByteArray::fromHex(h); }

// Gives the formula record whose tokens are `old` the tokens `now`,
// moving the sheets that follow as the record grows or shrinks.
void replaceTokens(QByteArray& s, const QByteArray& old, const QByteArray& now) {
    const qsizetype at = s.indexOf(old);
    QVERIFY(at > 0);
    const qsizetype rec = at - 22 - 4;
    QCOMPARE(at16(s, int(rec)), std::uint16_t(0x0006));
    QCOMPARE(at16(s, int(at - 2)), std::uint16_t(old.size()));
    const qsizetype delta = now.size() - old.size();
    s.replace(at, old.size(), now);
    ByteWriter w(s);
    w.put16(rec + 2, std::uint16_t(at16(s, int(rec + 2)) + delta));
    w.put16(at - 2, std::uint16_t(now.size()));
    qsizetype pos = 0;
    while (pos + 4 <= s.size()) {
        const std::uint16_t type = at16(s, int(pos)), len = at16(s, int(pos + 2));
        if (type == 0x000A) break;
        if (type == 0x0085) {
            const std::uint32_t sheet = le32(reinterpret_cast<const unsigned char*>(s.constData()) + pos + 4);
            if (sheet > std::uint32_t(at)) w.put32(pos + 4, std::uint32_t(sheet + delta));
        }
        pos += 4 + len;
    }
}

// A sheet with a formula beside each value of column A: B(r) = A(r)*2.
std::unique_ptr<xl::Workbook> doubledColumn(const std::vector<double>& values) {
    auto book = std::make_unique<xl::Workbook>();
    xl::Worksheet& ws = book->AddSheet(QStringLiteral("S"));
    for (std::size_t i = 0; i < values.size(); ++i) {
        const int row = int(i) + 1;
        ws.cellRef(row, 1).value = xl::Value(values[i]);
        xl::Cell& b = ws.cellRef(row, 2);
        b.value = xl::Value(values[i] * 2);
        auto f = std::make_shared<xl::KeptFormula>();
        QByteArray t;
        ByteWriter w(t);
        w.u8(0x24);
        w.u16(std::uint16_t(row - 1));
        w.u16(0xC000);
        w.u8(0x1E);
        w.u16(2);
        w.u8(0x05);
        f->tokens = t;
        b.kept = f;
    }
    return book;
}

} // namespace

class TestFormulas : public QObject {
    Q_OBJECT
private slots:
    void readKeepsFormulasBesideValues() {
        auto book = decodeWorkbookStream(codectest::formulaStream(), QString());
        xl::Worksheet& ws = book->Sheets(QStringLiteral("Dati"));
        // the values stay the last results, of every kind
        QCOMPARE(ws.GetRange(QStringLiteral("B1")).GetValue(), xl::Value(2));
        for (int r = 1; r <= 3; ++r) QCOMPARE(ws.cellAt(r, 3)->value, xl::Value(r + 1));
        QCOMPARE(ws.cellAt(1, 4)->value, xl::Value("1x"));
        QCOMPARE(ws.cellAt(1, 5)->value, xl::Value("t1")); // its text came after the shared record
        QCOMPARE(ws.cellAt(2, 5)->value, xl::Value("t2"));
        QCOMPARE(ws.cellAt(1, 6)->value, xl::Value(6));
        QCOMPARE(ws.cellAt(2, 6)->value, xl::Value(42));
        QCOMPARE(ws.cellAt(3, 6)->value, xl::Value(4));
        QCOMPARE(ws.cellAt(1, 7)->value, xl::Value::boolean(true));
        QCOMPARE(ws.cellAt(2, 7)->value, xl::Value::error(0x07));
        QCOMPARE(ws.cellAt(1, 9)->value, xl::Value(QString(9000, QLatin1Char('x'))));
        for (int r = 1; r <= 4; ++r) QCOMPARE(ws.cellAt(r, 8)->value, xl::Value(r + 4));

        // the tokens beside them
        QCOMPARE(tokensOf(ws, "B1"), hex("240000 00c0 1e0200 05"));
        QCOMPARE(tokensOf(ws, "D1"), hex("240000 00c0 17010078 08"));
        QCOMPARE(tokensOf(ws, "F1"), hex("250000020000c000c0 42010400"));
        QCOMPARE(tokensOf(ws, "G2"), hex("1e0100 1e0000 06"));
        QCOMPARE(tokensOf(ws, "I1"), hex("17010078 1e2823 411e00"));
        QCOMPARE(tokensOf(ws, "F3").size(), 31); // CHOOSE with its jump table, measured whole
        // the shared formula, in each cell on its own: =A1+1, =A2+1, =A3+1
        for (int r = 0; r < 3; ++r) {
            QByteArray expected;
            ByteWriter w(expected);
            w.u8(0x24);
            w.u16(std::uint16_t(r));
            w.u16(0xC000);
            w.u8(0x1E);
            w.u16(1);
            w.u8(0x03);
            QCOMPARE(tokensOf(ws, QStringLiteral("C%1").arg(r + 1).toLatin1().constData()), expected);
            QVERIFY(!(keptOf(ws, QStringLiteral("C%1").arg(r + 1).toLatin1().constData())->flags & kFormulaShared));
        }
        QCOMPARE(tokensOf(ws, "E2"), hex("17010074 240100 00c0 08"));
        // a reference to "Altro" holds the sheet by name
        const xl::KeptFormula* f2 = keptOf(ws, "F2");
        QVERIFY(f2);
        QCOMPARE(f2->sheets, QStringList{QStringLiteral("Altro")});
        QCOMPARE(f2->sheetFields, std::vector<std::uint16_t>{1});
        // what is not kept: a defined name, another workbook, damage, a missing shared formula
        for (const char* a : {"H1", "H2", "H3", "H4"}) QVERIFY2(!keptOf(ws, a), a);
        QVERIFY(!keptOf(ws, "A1"));
    }

    void savedFormulasReadBackTheSame() {
        auto book = decodeWorkbookStream(codectest::formulaStream(), QString());
        const QByteArray stream = encodeWorkbookStream(*book, QString());
        auto back = decodeWorkbookStream(stream, QString());
        const QString diff = codectest::firstDifference(*book, *back);
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
        xl::Worksheet& ws = back->Sheets(QStringLiteral("Dati"));
        QCOMPARE(keptOf(ws, "F2")->sheets, QStringList{QStringLiteral("Altro")});
        QCOMPARE(ws.cellAt(1, 9)->value, xl::Value(QString(9000, QLatin1Char('x'))));

        // On file: each formula asks to be computed again, none is shared,
        // a text result follows its formula, and only the plain texts are in
        // the string table.
        const auto recs = records(stream);
        int formulas = 0;
        for (std::size_t i = 0; i < recs.size(); ++i) {
            QVERIFY(recs[i].type != 0x04BC);
            if (recs[i].type != 0x0006) continue;
            ++formulas;
            const QByteArray& d = recs[i].data;
            QVERIFY(at16(d, 14) & kFormulaAlwaysCalc);
            QVERIFY(!(at16(d, 14) & (kFormulaShared | 0x0002)));
            const bool text = at16(d, 12) == 0xFFFF && d.at(6) == 0;
            QCOMPARE(i + 1 < recs.size() && recs[i + 1].type == 0x0207, text);
            if (at16(d, 0) == 1 && at16(d, 2) == 5) { // F2: the reference index of "Altro"
                QCOMPARE(std::uint8_t(d.at(22)), std::uint8_t(0x3A));
                QCOMPARE(at16(d, 23), std::uint16_t(1));
            }
        }
        QCOMPARE(formulas, 13);
        for (const auto& r : recs) {
            if (r.type == 0x00FC) QCOMPARE(at16(r.data, 4), std::uint16_t(0)); // no plain text on these sheets
            if (r.type == 0x0017) QCOMPARE(at16(r.data, 0), std::uint16_t(2)); // one reference per sheet
        }

        // and the same under the workbook's password
        auto sealed = decodeFile(encodeFile(*book, QStringLiteral("Kemi4417")), QStringLiteral("Kemi4417"));
        const QString again = codectest::firstDifference(*book, *sealed);
        QVERIFY2(again.isEmpty(), qPrintable(again));
    }

    // A formula alike in every cell of its group is held once.
    void absoluteSharedFormulaIsHeldOnce() {
        QByteArray s = codectest::formulaStream();
        // C1:C3 turned into =$A$1+1: the reference loses its relative bits
        const QByteArray relative = hex("2c0000fec0");
        const qsizetype at = s.indexOf(relative);
        QVERIFY(at > 0);
        s.replace(at, relative.size(), hex("2c00000000"));
        auto book = decodeWorkbookStream(s, QString());
        xl::Worksheet& ws = book->Sheets(1);
        QVERIFY(keptOf(ws, "C1"));
        QCOMPARE(keptOf(ws, "C1"), keptOf(ws, "C3"));
        QCOMPARE(tokensOf(ws, "C2"), hex("240000 0000 1e0100 03"));
    }

    // A group whose SHRFMLA names a range not starting at the cell before
    // it is still found by that cell, as the spreadsheet programs find it.
    void sharedFormulaFoundByTheCellBeforeIt() {
        const QByteArray s = codectest::formulaStream();
        QByteArray moved = s;
        // the group of C1:C3 claims to start at C2
        const qsizetype at = moved.indexOf(hex("0000 0200 02 02 00 03"));
        QVERIFY(at > 4);
        QCOMPARE(at16(moved, int(at - 4)), std::uint16_t(0x04BC));
        ByteWriter(moved).put16(at, 1);
        auto book = decodeWorkbookStream(s, QString());
        auto back = decodeWorkbookStream(moved, QString());
        for (const char* cell : {"C1", "C2", "C3"}) {
            QVERIFY(!tokensOf(back->Sheets(1), cell).isEmpty());
            QCOMPARE(tokensOf(back->Sheets(1), cell), tokensOf(book->Sheets(1), cell));
        }
    }

    // Relative offsets wrap at the sheet's edges as the file format says.
    void sharedOffsetsWrapAtTheEdges() {
        // first corner: row and column relative, -1 each; last: row 1 absolute, column +2 relative
        const QByteArray area = hex("2d ffff 0100 ffc0 0240");
        auto f = keepFormula(area, {}, kFormulaShared, {}, true, 0, 0);
        QVERIFY(f);
        // at A1 the offsets wrap to the last row and column; the absolute row stays
        QCOMPARE(f->tokens, hex("25 ffff 0100 ffc0 0240"));
        auto e = keepFormula(area, {}, kFormulaShared, {}, true, 2, 3);
        QVERIFY(e);
        QCOMPARE(e->tokens, hex("25 0100 0100 02c0 0540"));
        auto g = keepFormula(hex("4c 0500 02c0"), {}, kFormulaShared, {}, true, 65534, 254);
        QVERIFY(g);
        QCOMPARE(g->tokens, hex("44 0300 00c0")); // value class kept; 65534+5 and 254+2 wrap
        QVERIFY(!f->flags);
    }

    // Every cut of a token list is either a whole list of tokens or
    // refused; no cut reads past the end.
    void cutTokensAreRefused() {
        auto book = decodeWorkbookStream(codectest::formulaStream(), QString());
        xl::Worksheet& ws = book->Sheets(QStringLiteral("Dati"));
        for (const char* a : {"B1", "D1", "F1", "F3", "I1", "G2"}) {
            const QByteArray whole = tokensOf(ws, a);
            QVERIFY(!whole.isEmpty());
            // token boundaries of the whole list, walked by hand from its sizes
            int kept = 0;
            for (int n = 0; n <= whole.size(); ++n) {
                auto f = keepFormula(whole.left(n), {}, 0, {});
                if (f) {
                    ++kept;
                    QCOMPARE(f->tokens, whole.left(n));
                }
            }
            QVERIFY2(keepFormula(whole, {}, 0, {}) != nullptr, a);
            QVERIFY2(kept >= 2, a);
        }
        // B1 (a cell, an integer, an operator) is kept at exactly its three boundaries
        const QByteArray b1 = tokensOf(ws, "B1");
        QList<int> cuts;
        for (int n = 0; n <= b1.size(); ++n)
            if (keepFormula(b1.left(n), {}, 0, {})) cuts << n;
        QCOMPARE(cuts, (QList<int>{5, 8, 9}));
    }

    void unkeptTokensCostTheFormulaOnly_data() {
        QTest::addColumn<QByteArray>("tokens");
        QTest::newRow("defined name") << hex("2301000000");
        QTest::newRow("external name") << hex("39010001000000");
        QTest::newRow("data table") << hex("0200000000");
        QTest::newRow("array formula") << hex("0100000000");
        QTest::newRow("extended token") << hex("1801");
        QTest::newRow("no such token") << hex("1a");
        QTest::newRow("high bit") << hex("a4000000c0");
        QTest::newRow("cut number") << hex("1f000000");
        QTest::newRow("cut text") << hex("17ff0041");
        QTest::newRow("wide text cut") << hex("1702014100");
        QTest::newRow("choose past the end") << hex("1e0100 1904ffff 0000");
        QTest::newRow("relative outside a shared formula") << hex("2c0000fec0");
        QTest::newRow("other workbook") << hex("3a000000000000");
        QTest::newRow("reference index past the table") << hex("3a090000000000");
        QTest::newRow("empty") << QByteArray();
    }
    void unkeptTokensCostTheFormulaOnly() {
        QFETCH(QByteArray, tokens);
        const SheetOfIndex sheetOf = [](std::uint16_t i) { return i == 1 ? QStringLiteral("Altro") : QString(); };
        QVERIFY(!keepFormula(tokens, {}, 0, sheetOf));
        // in a file: the value stays, the formula goes
        QByteArray s = codectest::formulaStream();
        replaceTokens(s, hex("2301000000"), tokens); // H1's
        auto book = decodeWorkbookStream(s, QString());
        xl::Worksheet& ws = book->Sheets(1);
        QCOMPARE(ws.cellAt(1, 8)->value, xl::Value(5));
        QVERIFY(!keptOf(ws, "H1"));
        QVERIFY(keptOf(ws, "B1"));
    }

    // A formula record too short for its tokens keeps its value.
    void shortFormulaRecordKeepsItsValue() {
        QByteArray s = codectest::formulaStream();
        const QByteArray b1 = hex("240000 00c0 1e0200 05");
        const qsizetype at = s.indexOf(b1);
        QVERIFY(at > 0);
        ByteWriter(s).put16(at - 2, 200); // count far past the record
        auto book = decodeWorkbookStream(s, QString());
        QCOMPARE(book->Sheets(1).cellAt(1, 2)->value, xl::Value(2));
        QVERIFY(!keptOf(book->Sheets(1), "B1"));
    }

    // Whatever the program writes into a cell replaces its formula.
    void programWritesDropTheFormula() {
        auto book = decodeWorkbookStream(codectest::formulaStream(), QString());
        xl::Worksheet& ws = book->Sheets(QStringLiteral("Dati"));
        ws.GetRange(QStringLiteral("B1")).SetValue(xl::Value(99));
        ws.GetRange(QStringLiteral("C1:C2")).ClearContents();
        ws.GetRange(QStringLiteral("D1")).SetFormula(QStringLiteral("testo"));
        ws.GetRange(QStringLiteral("E1")).SetValue(xl::Value(QString()));
        for (const char* a : {"B1", "C1", "C2", "D1", "E1"}) QVERIFY2(!keptOf(ws, a), a);
        QVERIFY(keptOf(ws, "C3"));
        QCOMPARE(ws.GetRange(QStringLiteral("C3")).GetValue(), xl::Value(4));

        auto back = decodeWorkbookStream(encodeWorkbookStream(*book, QString()), QString());
        xl::Worksheet& s = back->Sheets(QStringLiteral("Dati"));
        QCOMPARE(s.cellAt(1, 2)->value, xl::Value(99));
        QCOMPARE(s.cellAt(1, 4)->value, xl::Value("testo"));
        QVERIFY(!s.cellAt(1, 5)); // emptied, not an empty formula
        for (const char* a : {"B1", "C1", "C2", "D1"}) QVERIFY2(!keptOf(s, a), a);
        QVERIFY(keptOf(s, "C3"));
        QVERIFY(keptOf(s, "E2"));
    }

    // Moving cells moves their formulas with them.
    void sortAndRowDeleteCarryTheFormula() {
        auto book = doubledColumn({3, 1, 2});
        xl::Worksheet& ws = book->Sheets(1);
        auto rowOfTokens = [&](int row) { return at16(ws.cellAt(row, 2)->kept->tokens, 1) + 1; };
        ws.GetRange(QStringLiteral("A1:B3")).Sort(ws.GetRange(QStringLiteral("A1")), xl::xlAscending, xl::xlNo);
        // each formula stays beside its value; its reference still names the row it was written for
        QCOMPARE(ws.cellAt(1, 1)->value, xl::Value(1));
        QCOMPARE(ws.cellAt(1, 2)->value, xl::Value(2));
        QCOMPARE(rowOfTokens(1), 2);
        QCOMPARE(rowOfTokens(2), 3);
        QCOMPARE(rowOfTokens(3), 1);
        ws.GetRange(QStringLiteral("A1")).EntireRow().Delete();
        QCOMPARE(ws.cellAt(1, 2)->value, xl::Value(4));
        QCOMPARE(rowOfTokens(1), 3);
        QVERIFY(!ws.cellAt(3, 2));
    }

    // A formula naming a sheet that is no longer in the workbook is saved as its value.
    void formulaOnAMissingSheetIsSavedAsValue() {
        auto book = doubledColumn({5, 6});
        xl::Worksheet& ws = book->Sheets(1);
        auto f = std::make_shared<xl::KeptFormula>();
        f->tokens = hex("3a000000000000");
        f->sheets = {QStringLiteral("Sparito")};
        f->sheetFields = {1};
        ws.cellRef(1, 3).value = xl::Value(QStringLiteral("vecchio"));
        ws.cellRef(1, 3).kept = f;
        auto back = decodeWorkbookStream(encodeWorkbookStream(*book, QString()), QString());
        xl::Worksheet& s = back->Sheets(1);
        QCOMPARE(s.cellAt(1, 3)->value, xl::Value("vecchio")); // through the string table
        QVERIFY(!keptOf(s, "C1"));
        QVERIFY(keptOf(s, "B1"));
        QVERIFY(keptOf(s, "B2"));
    }

    // Long and wide text results go in a STRING with CONTINUE records and come back whole.
    void longTextResults() {
        auto book = doubledColumn({1, 2, 3});
        xl::Worksheet& ws = book->Sheets(1);
        const QString wide = QString(32767 - 4, QChar(0x4E2D)) + QStringLiteral("fine");
        const QString narrow = QString(20000, QLatin1Char('y'));
        ws.cellRef(1, 2).value = xl::Value(wide);
        ws.cellRef(2, 2).value = xl::Value(narrow);
        ws.cellRef(3, 2).value = xl::Value(QString());
        auto back = decodeWorkbookStream(encodeWorkbookStream(*book, QString()), QString());
        xl::Worksheet& s = back->Sheets(1);
        QCOMPARE(s.cellAt(1, 2)->value, xl::Value(wide));
        QCOMPARE(s.cellAt(2, 2)->value, xl::Value(narrow));
        QVERIFY(s.cellAt(3, 2)->value.isText() && s.cellAt(3, 2)->value.textValue().isEmpty());
        for (int r = 1; r <= 3; ++r) QVERIFY(s.cellAt(r, 2)->kept);
        QCOMPARE(s.cellAt(1, 1)->value, xl::Value(1)); // the records after the long ones are in place
    }

    // 1904 dates under a formula move as the plain ones do.
    void dateResultsIn1904Files() {
        auto book = doubledColumn({45000});
        book->date1904 = true;
        xl::Style st;
        st.numberFormat = QStringLiteral("dd/mm/yyyy");
        book->Sheets(1).cellRef(1, 2).style = book->internStyle(st);
        auto back = decodeWorkbookStream(encodeWorkbookStream(*book, QString()), QString());
        QCOMPARE(back->Sheets(1).cellAt(1, 2)->value.numberValue(), 90000.0);
        QVERIFY(back->Sheets(1).cellAt(1, 2)->kept);
    }
};

QTEST_MAIN(TestFormulas)
#include "tst_formulas.moc"
