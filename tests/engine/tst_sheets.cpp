// The workbook engine's object model: addresses, values, End, row deletes,
// sorting, formats, sums, page setup, widths and the file binding.

#include "platform/engine/numberformat.h"
#include "platform/engine/vbconv.h"
#include "platform/engine/workbook.h"

#include <QtTest>

#include <QCollator>
#include <functional>
#include <numeric>
#include <random>
#include <thread>

using namespace xl;

namespace {

// Fills column `col` from row `first` with the given cells ("" = empty).
void column(Worksheet& ws, int col, int first, const QList<Value>& vals) {
    for (int i = 0; i < vals.size(); ++i) ws.Cells(first + i, col).SetValue(vals[i]);
}

QStringList columnTexts(Worksheet& ws, int col, int first, int last) {
    QStringList out;
    for (int r = first; r <= last; ++r) out << ws.Cells(r, col).Text();
    return out;
}

template <typename F>
bool raises(F f) {
    try {
        f();
    } catch (const Error&) {
        return true;
    }
    return false;
}

} // namespace

class TstSheets : public QObject {
    Q_OBJECT
private slots:
    void addresses() {
        QCOMPARE(columnLetters(1), QString("A"));
        QCOMPARE(columnLetters(26), QString("Z"));
        QCOMPARE(columnLetters(27), QString("AA"));
        QCOMPARE(columnLetters(256), QString("IV"));
        QCOMPARE(parseAddress("$A$2:$L$9"), (CellRect{2, 1, 9, 12}));
        QCOMPARE(parseAddress("l9:a2"), (CellRect{2, 1, 9, 12}));
        QCOMPARE(parseAddress("IV1"), (CellRect{1, 256, 1, 256}));
        QCOMPARE(parseAddress("G:G"), (CellRect{1, 7, kMaxRows, 7}));
        QCOMPARE(parseAddress("2:5"), (CellRect{2, 1, 5, kMaxCols}));
        QCOMPARE(formatAddress({1, 1, 1, 1}), QString("$A$1"));
        QCOMPARE(formatAddress({2, 1, 9, 12}), QString("$A$2:$L$9"));
        QCOMPARE(formatAddress({1, 1, kMaxRows, 1}), QString("$A:$A"));
        QCOMPARE(formatAddress({1, 1, 1, kMaxCols}), QString("$1:$1"));
        QCOMPARE(formatAddress({1, 27, kMaxRows, 34}), QString("$AA:$AH"));
        for (const char* bad :
             {"", "A0", "A65537", "IW1", "AAAA1", "A1:B2:C3", "1A", "A", "A1,B2", "Pratica!A1", "$", "A-1"})
            QVERIFY2(raises([&] { parseAddress(bad); }), bad);
    }

    void sheetsAndErrors() {
        Workbook wb;
        Worksheet& a = wb.AddSheet("Pratica");
        Worksheet& b = wb.AddSheet("Spese");
        QCOMPARE(wb.SheetCount(), 2);
        QCOMPARE(&wb.Sheets("pratica"), &a); // names ignore case
        QCOMPARE(&wb.Sheets(2), &b);
        QVERIFY(raises([&] { wb.Sheets("Cliente"); }));
        QVERIFY(raises([&] { wb.Sheets(3); }));
        QVERIFY(raises([&] { wb.Sheets(0); }));
        QVERIFY(raises([&] { wb.AddSheet("SPESE"); }));
        QVERIFY(raises([&] { wb.AddSheet("a/b"); }));
        QCOMPARE(&wb.ActiveSheet(), &a);
        b.Select();
        QCOMPARE(&wb.ActiveSheet(), &b);
        QVERIFY(raises([&] { a.Cells(0, 1); }));
        QVERIFY(raises([&] { a.Cells(65537, 1); }));
        QVERIFY(raises([&] { a.Cells(1, 257); }));
        QVERIFY(raises([&] { a.GetRange("A1").Offset(-1, 0); }));
        QVERIFY(raises([&] { a.GetRange("IV1").Offset(0, 1); }));
        QCOMPARE(a.GetRange("A1").Offset(65535, 255).Address(), QString("$IV$65536"));
        QCOMPARE(a.GetRange("B2").Cells(2, 3).Address(), QString("$D$3"));
        QCOMPARE(a.GetRange(a.Cells(3, 2), a.Cells(1, 1)).Address(), QString("$A$1:$B$3"));
        QVERIFY(raises([&] { a.GetRange(a.Cells(1, 1), b.Cells(2, 2)); }));
        Application app;
        QVERIFY(raises([&] { app.ActiveWorkbook(); }));
    }

    void values() {
        Workbook wb;
        Worksheet& ws = wb.AddSheet("S");
        QVERIFY(ws.GetRange("A1").GetValue().isEmpty());
        QCOMPARE(vb::CStr(ws.GetRange("A1").GetValue()), QString());
        ws.GetRange("A1").SetValue("123");
        QVERIFY(ws.GetRange("A1").GetValue().isText());
        QCOMPARE(ws.GetRange("A1").Text(), QString("123"));
        ws.GetRange("A2").SetValue(123.5);
        QCOMPARE(ws.GetRange("A2").GetValue(), Value::number(123.5));
        QCOMPARE(ws.GetRange("A2").Text(), QString("123,5"));
        QCOMPARE(ws.GetRange("A2").Formula(), QString("123.5"));

        // A date gives a General cell a date format and reads back as a date.
        ws.GetRange("B1").SetValue(Value::date(vb::DateSerial(QDate(2024, 3, 5))));
        QCOMPARE(ws.GetRange("B1").NumberFormat(), QString("dd/mm/yyyy"));
        QVERIFY(ws.GetRange("B1").GetValue().isDate());
        QCOMPARE(ws.GetRange("B1").Text(), QString("05/03/2024"));
        QCOMPARE(vb::CStr(ws.GetRange("B1").GetValue()), QString("05/03/2024"));
        // ...but keeps a format the cell already had.
        ws.GetRange("B2").SetNumberFormat("d/m/yy");
        ws.GetRange("B2").SetValue(Value::date(45000));
        QCOMPARE(ws.GetRange("B2").NumberFormat(), QString("d/m/yy"));
        // A number in a date-formatted cell reads as a date; under "0.00" it does not.
        ws.GetRange("B2").SetNumberFormat("0.00");
        QCOMPARE(ws.GetRange("B2").GetValue().type(), ValueType::Number);

        // Writing an empty text empties the cell.
        ws.GetRange("A1").SetValue("");
        QVERIFY(ws.GetRange("A1").GetValue().isEmpty());
        QVERIFY(ws.cellAt(1, 1) == nullptr);

        ws.GetRange("C1:D2").SetValue("x");
        QCOMPARE(ws.GetRange("D2").Text(), QString("x"));
        ws.GetRange("C1:D2").ClearContents();
        QVERIFY(ws.GetRange("D2").GetValue().isEmpty());

        ws.GetRange("E1").SetValue(Value::boolean(true));
        QCOMPARE(ws.GetRange("E1").Text(), QString("VERO"));

        ws.GetRange("F1").SetFormula("12.5");
        QCOMPARE(ws.GetRange("F1").GetValue(), Value::number(12.5));
        ws.GetRange("F2").SetFormula("abc");
        QCOMPARE(ws.GetRange("F2").GetValue(), Value::text("abc"));
        QVERIFY(raises([&] { ws.GetRange("F3").SetFormula("=1+1"); }));
        QVERIFY(ws.GetRange("F3").GetValue().isEmpty());

        // A cell holds at most 32767 characters; a longer text is refused and
        // the cell keeps what it had.
        const QString longest(kMaxCellText, QLatin1Char('a'));
        ws.GetRange("G1").SetValue(longest);
        QCOMPARE(ws.GetRange("G1").GetValue(), Value::text(longest));
        QVERIFY(raises([&] { ws.GetRange("G1").SetValue(longest + "b"); }));
        QCOMPARE(ws.GetRange("G1").GetValue(), Value::text(longest));
        QVERIFY(raises([&] { ws.GetRange("G2").SetFormula(longest + "b"); }));
        QVERIFY(ws.GetRange("G2").GetValue().isEmpty());
    }

    // The run a record list reads, asked after random edits across several
    // blocks of rows, must be what a walk down the column finds, on the
    // sheet and on a copy that goes its own way.
    // A column's block stamp must move on with every edit that changes a
    // value or a format in that column's rows of the block, whichever way
    // the edit takes: a cell, a whole row, a clear, a delete, a sort, a
    // format. Compared cell by cell with a copy taken before the edit.
    void columnStampsFollowEveryEdit() {
        xl::Workbook wb;
        xl::Worksheet& s = wb.AddSheet(QStringLiteral("S"));
        std::mt19937 rng(5);
        auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
        for (int r = 1; r <= 900; ++r)
            for (int c : {1, 2, 17, 30, 40}) s.cellRef(r, c).value = xl::Value(double(pick(50)));
        for (int step = 0; step < 300; ++step) {
            const xl::Worksheet before = s;
            const std::uint64_t since = s.changeStamp();
            const int row = 1 + pick(1000);
            const int col = 1 + pick(45);
            switch (pick(8)) {
            case 0: s.Cells(row, col).SetValue(xl::Value(double(pick(50)))); break;
            case 1: s.Cells(row, col).ClearContents(); break;
            case 2: s.clear({row, col, std::min(row + pick(400), xl::kMaxRows), std::min(col + pick(20), 256)}); break;
            case 3: s.deleteRows(row, 1 + pick(40)); break;
            case 4: {
                const int last = std::min(row + pick(600), 1000);
                s.GetRange(s.Cells(row, col), s.Cells(last, col + pick(4)))
                    .Sort(s.Cells(row, col), xl::xlAscending, xl::xlNo);
                break;
            }
            case 5: s.Rows(row).SetNumberFormat(QStringLiteral("0.00")); break;
            case 6: s.Columns(col).SetNumberFormat(pick(2) ? QStringLiteral("0") : QStringLiteral("dd/mm/yyyy")); break;
            default: s.GetRange(s.Cells(row, col), s.Cells(row + pick(30), col)).SetFontBold(pick(2)); break;
            }
            const int rows = std::max(s.usedRows(), before.usedRows());
            for (int r = 1; r <= rows; ++r)
                for (int c = 1; c <= 48; ++c) {
                    const bool same = s.valueAt(r, c) == before.valueAt(r, c) &&
                                      s.effectiveStyle(r, c) == before.effectiveStyle(r, c);
                    if (!same && s.blockStamp(r, c) <= since)
                        QFAIL(qPrintable(
                            QStringLiteral("step %1: R%2C%3 changed, its stamp did not").arg(step).arg(r).arg(c)));
                }
        }
    }

    void runEndFollowsEveryEdit() {
        xl::Workbook wb;
        xl::Worksheet& s = wb.AddSheet(QStringLiteral("S"));
        auto walk = [](const xl::Worksheet& sh, int col, int from) {
            int r = from;
            for (;; ++r) {
                const xl::Value& v = sh.valueAt(r, col);
                if (r > xl::kMaxRows || v.isEmpty() || (v.isText() && v.textValue().isEmpty())) break;
            }
            return r - 1;
        };
        for (int r = 1; r <= 1200; ++r) s.cellRef(r, 1).value = xl::Value(r);
        std::mt19937 rng(7);
        std::unique_ptr<xl::Worksheet> copy;
        for (int step = 0; step < 600; ++step) {
            const int row = 1 + static_cast<int>(rng() % 1300);
            switch (rng() % 6) {
            case 0: s.Cells(row, 1).SetValue(xl::Value(QStringLiteral("x"))); break;
            case 1: s.Cells(row, 1).ClearContents(); break;
            case 2: s.cellRef(row, 1).value = xl::Value(QString()); break; // an empty text stored as such
            case 3: s.deleteRows(row, 1 + static_cast<int>(rng() % 3)); break;
            case 4: s.Cells(row, 2).SetValue(xl::Value(1)); break; // another column: the run stays
            default:
                // Fill the first gap again, so that the run keeps growing.
                s.Cells(walk(s, 1, 2) + 1, 1).SetValue(xl::Value(step));
                break;
            }
            if (step == 300) copy = std::make_unique<xl::Worksheet>(s);
            for (int from : {1, 2, 700}) {
                QCOMPARE(s.runEnd(1, from), walk(s, 1, from));
                QCOMPARE(s.runEnd(1, from), walk(s, 1, from)); // asked again, unchanged
            }
            QCOMPARE(s.runEnd(2, 1), walk(s, 2, 1));
            if (copy) QCOMPARE(copy->runEnd(1, 2), walk(*copy, 1, 2));
        }
    }

    void endDown() {
        Workbook wb;
        Worksheet& ws = wb.AddSheet("S");
        // A1:A3 filled, A4 empty, A6:A7 filled.
        column(ws, 1, 1, {"h", 1, 2, Value(), Value(), 5, 6});
        QCOMPARE(ws.GetRange("A1").End(xlDown).Row(), 3); // filled, neighbour filled: end of run
        QCOMPARE(ws.GetRange("A2").End(xlDown).Row(), 3);
        QCOMPARE(ws.GetRange("A3").End(xlDown).Row(), 6); // filled, neighbour empty: next filled
        QCOMPARE(ws.GetRange("A4").End(xlDown).Row(), 6); // empty: next filled
        QCOMPARE(ws.GetRange("A6").End(xlDown).Row(), 7);
        QCOMPARE(ws.GetRange("A7").End(xlDown).Row(), kMaxRows); // nothing below: the edge
        QCOMPARE(ws.GetRange("B1").End(xlDown).Row(), kMaxRows); // empty column
        QCOMPARE(ws.GetRange("A65536").End(xlDown).Row(), kMaxRows);
        QCOMPARE(ws.GetRange("A1").End(xlDown).Column(), 1);
        // A filled last row is found from above.
        ws.GetRange("C65536").SetValue("t");
        QCOMPARE(ws.GetRange("C1").End(xlDown).Row(), kMaxRows);
        ws.GetRange("C65535").SetValue("u");
        QCOMPARE(ws.GetRange("C65535").End(xlDown).Row(), kMaxRows);
        // End of a multi-cell range starts from its top-left cell.
        QCOMPARE(ws.GetRange("A1:B2").End(xlDown).Address(), QString("$A$3"));
    }

    void endUp() {
        Workbook wb;
        Worksheet& ws = wb.AddSheet("S");
        column(ws, 27, 1, {"h", "a", "b", Value(), "c"});    // column AA
        QCOMPARE(ws.GetRange("AA65536").End(xlUp).Row(), 5); // next free work row is 6
        QCOMPARE(ws.GetRange("AA5").End(xlUp).Row(), 3);
        QCOMPARE(ws.GetRange("AA3").End(xlUp).Row(), 1);
        QCOMPARE(ws.GetRange("AA4").End(xlUp).Row(), 3);
        QCOMPARE(ws.GetRange("AA1").End(xlUp).Row(), 1);
        QCOMPARE(ws.GetRange("AB65536").End(xlUp).Row(), 1); // empty column: row 1
        ws.GetRange("AC1").SetValue("x");
        QCOMPARE(ws.GetRange("AC65536").End(xlUp).Row(), 1);
        // Only a header: the free row is 2.
        QCOMPARE(ws.GetRange("AC65536").End(xlUp).Offset(1, 0).Row(), 2);
    }

    void endSideways() {
        Workbook wb;
        Worksheet& ws = wb.AddSheet("S");
        ws.GetRange("A1:C1").SetValue("x");
        ws.GetRange("F1").SetValue("y");
        QCOMPARE(ws.GetRange("A1").End(xlToRight).Address(), QString("$C$1"));
        QCOMPARE(ws.GetRange("C1").End(xlToRight).Address(), QString("$F$1"));
        QCOMPARE(ws.GetRange("F1").End(xlToRight).Address(), QString("$IV$1"));
        QCOMPARE(ws.GetRange("IV1").End(xlToLeft).Address(), QString("$F$1"));
        QCOMPARE(ws.GetRange("C1").End(xlToLeft).Address(), QString("$A$1"));
        QCOMPARE(ws.GetRange("E2").End(xlToLeft).Address(), QString("$A$2"));
    }

    void deleteRowMovesEverything() {
        Workbook wb;
        Worksheet& ws = wb.AddSheet("Spese");
        for (int r = 1; r <= 6; ++r) {
            ws.Cells(r, 1).SetValue(r);
            ws.Cells(r, 27).SetValue(QString("w%1").arg(r)); // a work area beside the records
            ws.Cells(r, 256).SetValue(r * 10);
        }
        ws.Cells(5, 2).SetNumberFormat("0.00");
        ws.Cells(5, 2).SetValue(2.5);
        ws.GetRange("A5").SetRowHeight(30);
        ws.GetRange("C5:D6").SetMergeCells(true);
        ws.GetPageSetup().HPageBreaks = {2, 3, 5};
        ws.GetRange("A3").EntireRow().Delete();
        QCOMPARE(columnTexts(ws, 1, 1, 6), QStringList({"1", "2", "4", "5", "6", ""}));
        QCOMPARE(columnTexts(ws, 27, 1, 6), QStringList({"w1", "w2", "w4", "w5", "w6", ""}));
        QCOMPARE(ws.Cells(3, 256).Text(), QString("40"));
        QCOMPARE(ws.Cells(4, 2).Text(), QString("2,50")); // format moved with its cell
        QCOMPARE(ws.GetRange("A4").RowHeight(), 30.0);
        QCOMPARE(ws.GetRange("A5").RowHeight(), ws.defaultRowHeight);
        QCOMPARE(ws.mergedCells.size(), std::size_t(1));
        QCOMPARE(ws.mergedCells[0], (CellRect{4, 3, 5, 4}));
        QCOMPARE(ws.GetPageSetup().HPageBreaks, (std::vector<int>{2, 4}));

        // Several rows at once; a merge across the deleted rows shrinks.
        ws.GetRange("2:3").Delete();
        QCOMPARE(columnTexts(ws, 1, 1, 4), QStringList({"1", "5", "6", ""}));
        QCOMPARE(ws.mergedCells[0], (CellRect{2, 3, 3, 4}));
        // Deleting past the stored rows changes nothing.
        ws.GetRange("A100").EntireRow().Delete();
        QCOMPARE(columnTexts(ws, 1, 1, 3), QStringList({"1", "5", "6"}));
    }

    void deleteBlocksAndColumns() {
        Workbook wb;
        Worksheet& ws = wb.AddSheet("S");
        for (int r = 1; r <= 4; ++r)
            for (int c = 1; c <= 4; ++c) ws.Cells(r, c).SetValue(QString("%1%2").arg(columnLetters(c)).arg(r));
        // A block: cells below it in its own columns move up; others stay.
        ws.GetRange("B2:C2").Delete();
        QCOMPARE(columnTexts(ws, 2, 1, 4), QStringList({"B1", "B3", "B4", ""}));
        QCOMPARE(columnTexts(ws, 1, 1, 4), QStringList({"A1", "A2", "A3", "A4"}));
        QCOMPARE(columnTexts(ws, 4, 1, 4), QStringList({"D1", "D2", "D3", "D4"}));
        // Whole columns: those to the right move left with their widths.
        ws.Columns("D").SetColumnWidth(30);
        ws.Columns("A:B").Delete();
        QCOMPARE(ws.GetRange("A1").Text(), QString("C1"));
        QCOMPARE(ws.GetRange("B4").Text(), QString("D4"));
        QCOMPARE(ws.GetRange("B1").ColumnWidth(), 30.0);
        QVERIFY(ws.GetRange("C1").GetValue().isEmpty());
        QCOMPARE(ws.GetRange("A1").Resize(2, 3).Address(), QString("$A$1:$C$2"));
        QVERIFY(raises([&] { ws.GetRange("A1").Resize(0, 1); }));
        QVERIFY(raises([&] { ws.GetRange("A65536").Resize(2, 1); }));
    }

    void sortAscendingAndDescending() {
        Workbook wb;
        Worksheet& ws = wb.AddSheet("Pratica");
        const QList<Value> keys = {"Num.Prat.",          "10", 9,    "b", "B", Value(), "a", "2", " 3 ",
                                   Value::boolean(true), 1.5,  "10a"};
        column(ws, 1, 1, keys);
        for (int r = 1; r <= keys.size(); ++r) {
            ws.Cells(r, 2).SetValue(QString("r%1").arg(r)); // identifies the record
            ws.Cells(r, 3).SetValue(r);                     // outside the block: stays
        }
        ws.GetRange("A2:B12").Sort(ws.GetRange("A2"), xlAscending, xlNo);
        QCOMPARE(columnTexts(ws, 2, 1, 12),
                 QStringList({"r1", "r11", "r8", "r9", "r3", "r2", "r12", "r7", "r4", "r5", "r10", "r6"}));
        QCOMPARE(ws.Cells(2, 3).Text(), QString("2"));
        // Ties ("b", "B") keep their order; numeric texts keep being texts.
        QVERIFY(ws.GetRange("A3").GetValue().isText());
        QCOMPARE(ws.GetRange("A4").GetValue(), Value::text(" 3 "));

        ws.GetRange("A2:B12").Sort(ws.GetRange("A2"), xlDescending, xlNo);
        QCOMPARE(columnTexts(ws, 1, 2, 12),
                 QStringList({"VERO", "b", "B", "a", "10a", "10", "9", " 3 ", "2", "1,5", ""}));
    }

    void sortHeaderAndNarrowBlock() {
        Workbook wb;
        Worksheet& ws = wb.AddSheet("S");
        column(ws, 1, 1, {"Nome", "c", "a", "b"});
        column(ws, 2, 1, {"X", 3, 1, 2});
        column(ws, 3, 1, {"keep1", "keep2", "keep3", "keep4"});
        ws.GetRange("A1:B4").Sort(ws.GetRange("A1"), xlAscending, xlYes);
        QCOMPARE(columnTexts(ws, 1, 1, 4), QStringList({"Nome", "a", "b", "c"}));
        QCOMPARE(columnTexts(ws, 2, 1, 4), QStringList({"X", "1", "2", "3"}));
        QCOMPARE(columnTexts(ws, 3, 1, 4), QStringList({"keep1", "keep2", "keep3", "keep4"}));
        // Guess: a word over a number is a header; words over words are not.
        ws.GetRange("B1:B4").Sort(ws.GetRange("B1"), xlDescending, xlGuess);
        QCOMPARE(columnTexts(ws, 2, 1, 4), QStringList({"X", "3", "2", "1"}));
        ws.GetRange("A1:A4").Sort(ws.GetRange("A1"), xlDescending, xlGuess);
        QCOMPARE(columnTexts(ws, 1, 1, 4), QStringList({"Nome", "c", "b", "a"}));
        // Whole columns sort only the stored rows, blanks stay below.
        column(ws, 5, 1, {"z", Value(), "y", "x"});
        ws.GetRange("E:E").Sort(ws.GetRange("E1"), xlAscending, xlNo);
        QCOMPARE(columnTexts(ws, 5, 1, 5), QStringList({"x", "y", "z", "", ""}));
        QVERIFY(raises([&] { ws.GetRange("A1:B4").Sort(ws.GetRange("C1"), xlAscending, xlNo); }));
    }

    void sortMovesFormatsAndAccents() {
        Workbook wb;
        Worksheet& ws = wb.AddSheet("S");
        column(ws, 1, 1, {"È", "e", "f", "d"});
        ws.Cells(1, 2).SetNumberFormat("0.00");
        ws.Cells(1, 2).SetValue(1);
        ws.GetRange("A1:B4").Sort(ws.GetRange("A1"), xlAscending, xlNo);
        // Accents sort next to their letter, not after "z".
        QCOMPARE(columnTexts(ws, 1, 1, 4), QStringList({"d", "e", "È", "f"}));
        QCOMPARE(ws.Cells(3, 2).Text(), QString("1,00"));
        QCOMPARE(ws.Cells(1, 2).NumberFormat(), QString("General"));
    }

    void columnAndSheetFormats() {
        Workbook wb;
        Worksheet& ws = wb.AddSheet("Cliente");
        ws.GetRange("I5").SetValue(5);
        ws.Columns("I").SetNumberFormat("@");
        QCOMPARE(ws.GetRange("I5").NumberFormat(), QString("@"));     // existing cell
        QCOMPARE(ws.GetRange("I60000").NumberFormat(), QString("@")); // every later cell
        ws.GetRange("I7").SetValue("0123");
        QCOMPARE(ws.GetRange("I7").NumberFormat(), QString("@"));
        QCOMPARE(ws.GetRange("I7").Text(), QString("0123"));
        QCOMPARE(ws.GetRange("H7").NumberFormat(), QString("General"));
        QVERIFY(ws.usedRows() <= 7); // the column format stored no rows

        ws.Columns("AG").SetNumberFormat("0.00");
        ws.GetRange("AG65536").SetValue(12);
        QCOMPARE(ws.GetRange("AG65536").Text(), QString("12,00"));

        // The whole sheet: alignment on every column and existing cell; the
        // number formats stay.
        ws.AllCells().SetHorizontalAlignment(xlHAlignRight);
        QCOMPARE(ws.GetRange("I7").CellStyle().hAlign, HAlign::Right);
        QCOMPARE(ws.GetRange("I7").NumberFormat(), QString("@"));
        QCOMPARE(ws.GetRange("Z1000").CellStyle().hAlign, HAlign::Right);
        QVERIFY(ws.cellAt(1000, 26) == nullptr); // no cell was made for it

        ws.Rows(3).SetFontBold(true);
        QVERIFY(ws.GetRange("B3").CellStyle().font.bold);
        QVERIFY(!ws.GetRange("B4").CellStyle().font.bold);
        QCOMPARE(ws.GetRange("I3").NumberFormat(), QString("@")); // a column format under a row format
        QVERIFY(raises([&] { ws.GetRange("A1").SetHorizontalAlignment(12345); }));

        // Equal formats share one style entry.
        const auto before = wb.styles().size();
        ws.GetRange("K1:K50").SetNumberFormat("@");
        ws.GetRange("L1").SetNumberFormat("@");
        QCOMPARE(wb.styles().size(), before);
    }

    // Numbers, dates, truth values, errors and texts repeated under several
    // formats: each cell is as wide as it is measured alone.
    void autoFitOfRepeatedNumbersAsEachAlone() {
        Workbook wb;
        Worksheet& ws = wb.AddSheet("S");
        QRandomGenerator rng(11);
        const QStringList formats{"General", "0", "0.00", "dd/mm/yyyy", "#,##0.000", "@", "0;-0;0;\"testo \"@"};
        const QList<Value> values{Value(1234.5678),
                                  Value(1234.0),
                                  Value(0.0),
                                  Value(-0.0),
                                  Value(45292.0),
                                  Value::date(45292.0),
                                  Value(1e12),
                                  Value::boolean(true),
                                  Value::error(7),
                                  Value(QStringLiteral("Scaffale 12")),
                                  Value(QStringLiteral("riga\naltra riga più lunga"))};
        for (int col = 1; col <= 6; ++col)
            for (int row = 1; row <= 40; ++row) {
                ws.Cells(row, col).SetNumberFormat(formats[rng.bounded(formats.size())]);
                Cell& c = ws.cellRef(row, col);
                c.value = values[rng.bounded(values.size())];
            }
        // Every cell measured in one pass, then each in a pass of its own.
        ws.AllCells().AutoFit();
        std::vector<float> together;
        for (int row = 1; row <= 40; ++row)
            for (int col = 1; col <= 6; ++col) together.push_back(ws.cellAt(row, col)->fitWidth);
        std::size_t i = 0;
        for (int row = 1; row <= 40; ++row)
            for (int col = 1; col <= 6; ++col) {
                for (int r = 1; r <= ws.usedRows(); ++r) ws.rowInfo(r)->fitKnown = false;
                ws.fitBlocks.clear();
                ws.Cells(row, col).AutoFit();
                QCOMPARE(ws.cellAt(row, col)->fitWidth, together[i++]);
            }
    }

    // A large first pass measures its blocks on several threads; a sheet
    // with a merged cell is measured row by row on one. Every cell and
    // every column must come out the same.
    void autoFitOnThreadsAsOnOne() {
        Workbook wb;
        Worksheet& par = wb.AddSheet("P");
        Worksheet& one = wb.AddSheet("U");
        QRandomGenerator rng(7);
        const QStringList formats{"General", "0.00", "dd/mm/yyyy", "@", "#,##0.00"};
        const QStringList words{"Ricorso", "WWWWWWWWWWWW", "iiii", "àèìòù €", "riga\naltra riga", "Num.Prat."};
        const int rows = 9 * Worksheet::kStampRows + 37;
        for (int row = 1; row <= rows; ++row)
            for (int col = 1; col <= 7; ++col) {
                if (rng.bounded(5) == 0) continue;
                const QString format = formats[rng.bounded(formats.size())];
                Value v;
                switch (rng.bounded(3)) {
                case 0: v = Value(words[rng.bounded(words.size())] + QString(rng.bounded(30), u'x')); break;
                case 1: v = Value(rng.bounded(10000000) / 100.0); break;
                default: v = Value::date(40000 + rng.bounded(4000)); break;
                }
                for (Worksheet* ws : {&par, &one}) {
                    ws->Cells(row, col).SetNumberFormat(format);
                    ws->Cells(row, col).SetValue(v);
                }
            }
        one.GetRange("J1:K1").SetMergeCells(true);
        par.AllCells().AutoFit();
        one.AllCells().AutoFit();
        for (int row = 1; row <= rows; ++row)
            for (int col = 1; col <= 7; ++col) {
                const Cell* a = par.cellAt(row, col);
                const Cell* b = one.cellAt(row, col);
                QCOMPARE(a != nullptr, b != nullptr);
                if (a) QCOMPARE(a->fitWidth, b->fitWidth);
            }
        for (int col = 1; col <= 7; ++col) QCOMPARE(par.columnInfo(col).width, one.columnInfo(col).width);
    }

    void mergeAndSizes() {
        Workbook wb;
        Worksheet& ws = wb.AddSheet("S");
        ws.GetRange("A1:B2").SetMergeCells(true);
        ws.GetRange("B2:C3").SetMergeCells(true); // replaces the overlapping merge
        QCOMPARE(ws.mergedCells.size(), std::size_t(1));
        QCOMPARE(ws.mergedCells[0], (CellRect{2, 2, 3, 3}));
        ws.AllCells().SetMergeCells(false);
        QVERIFY(ws.mergedCells.empty());

        QCOMPARE(ws.GetRange("C1").ColumnWidth(), ws.defaultColumnWidth);
        ws.Columns("C:D").SetColumnWidth(20);
        QCOMPARE(ws.GetRange("D9").ColumnWidth(), 20.0);
        QVERIFY(raises([&] { ws.GetRange("C1").SetColumnWidth(256); }));
        ws.GetRange("A4").SetRowHeight(25.5);
        QCOMPARE(ws.GetRange("B4").RowHeight(), 25.5);
        QVERIFY(raises([&] { ws.GetRange("A4").SetRowHeight(410); }));
    }

    void autoFitUsesFontMetrics() {
        Workbook wb;
        Worksheet& ws = wb.AddSheet("S");
        ws.GetRange("A1").SetValue("Num.Prat.");
        ws.GetRange("B1").SetValue("Ragione Sociale/Cognome Nome");
        ws.GetRange("C1").SetValue("Ragione Sociale/Cognome Nome");
        ws.GetRange("C1").SetFontBold(true);
        ws.GetRange("D1").SetValue("iiiiiiiiii");
        ws.GetRange("E1").SetValue("WWWWWWWWWW");
        ws.GetRange("F1").SetNumberFormat("#,0.00");
        ws.GetRange("F1").SetValue(1234567.5);
        ws.AllCells().AutoFit();
        const double a = ws.GetRange("A1").ColumnWidth();
        const double b = ws.GetRange("B1").ColumnWidth();
        QVERIFY(a > 6 && a < 12);
        QVERIFY(b > 22 && b < 34);
        QVERIFY(ws.GetRange("C1").ColumnWidth() > b); // bold is wider
        QVERIFY(ws.GetRange("E1").ColumnWidth() > 2 * ws.GetRange("D1").ColumnWidth());
        QVERIFY(ws.GetRange("F1").ColumnWidth() > 9);                     // "1.234.567,50" fits
        QCOMPARE(ws.GetRange("G1").ColumnWidth(), ws.defaultColumnWidth); // empty: unchanged
        // Same contents, same width.
        Workbook wb2;
        Worksheet& w2 = wb2.AddSheet("S");
        w2.GetRange("B7").SetValue("Ragione Sociale/Cognome Nome");
        w2.Columns("B").AutoFit();
        QCOMPARE(w2.GetRange("B1").ColumnWidth(), b);
    }

    // A fit keeps each cell's width and measures again only the rows written
    // since: after any mix of edits it must give exactly the widths a pass
    // that measures every cell gives.
    void autoFitAfterEditsMatchesAFullPass() {
        Workbook incremental, full;
        Worksheet& a = incremental.AddSheet("S");
        Worksheet& b = full.AddSheet("S");
        QRandomGenerator rng(20240315);
        const QStringList words{"",
                                "x",
                                "Num.Prat.",
                                "WWWWWWWW",
                                "iiiiiiiiiiiiiii",
                                "Ragione Sociale/Cognome Nome",
                                "riga uno\nuna seconda riga più lunga",
                                "àèìòù ÀÈ €",
                                "123"};
        auto randomValue = [&]() -> Value {
            switch (rng.bounded(4)) {
            case 0: return Value(words[rng.bounded(words.size())]);
            case 1: return Value(rng.bounded(2000000) / 8.0);
            case 2: return Value::date(40000 + rng.bounded(3000));
            default: return Value(QString(rng.bounded(1, 40), QChar(u'a' + rng.bounded(26))));
            }
        };
        auto both = [&](const std::function<void(Worksheet&)>& edit) {
            edit(a);
            edit(b);
        };
        auto compare = [&](int step) {
            a.AllCells().AutoFit();
            // The reference: every kept width dropped, so every cell is measured.
            for (int r = 1; r <= b.usedRows(); ++r) b.rowInfo(r)->fitKnown = false;
            b.fitBlocks.clear();
            b.AllCells().AutoFit();
            for (int c = 1; c <= 8; ++c)
                QVERIFY2(a.columnInfo(c).width == b.columnInfo(c).width &&
                             a.columnInfo(c).hidden == b.columnInfo(c).hidden,
                         qPrintable(QStringLiteral("step %1, column %2: %3 against %4")
                                        .arg(step)
                                        .arg(c)
                                        .arg(a.columnInfo(c).width)
                                        .arg(b.columnInfo(c).width)));
        };
        for (int r = 1; r <= 60; ++r)
            for (int c = 1; c <= 6; ++c) {
                const Value v = randomValue();
                both([&](Worksheet& ws) { ws.Cells(r, c).SetValue(v); });
            }
        compare(0);
        for (int step = 1; step <= 300; ++step) {
            const int r = rng.bounded(1, 70), c = rng.bounded(1, 8);
            switch (rng.bounded(10)) {
            case 0:
            case 1:
            case 2: {
                const Value v = randomValue();
                both([&](Worksheet& ws) { ws.Cells(r, c).SetValue(v); });
                break;
            }
            case 3: both([&](Worksheet& ws) { ws.Cells(r, c).ClearContents(); }); break;
            case 4: both([&](Worksheet& ws) { ws.Rows(r).Delete(); }); break;
            case 5:
                both([&](Worksheet& ws) {
                    ws.GetRange(ws.Cells(1, 1), ws.Cells(60, 6)).Sort(ws.Cells(1, (c - 1) % 6 + 1), xlAscending, xlNo);
                });
                break;
            case 6: {
                const QString fmt = rng.bounded(2) ? QStringLiteral("#,0.00") : QStringLiteral("@");
                both([&](Worksheet& ws) { ws.Columns(c).SetNumberFormat(fmt); });
                break;
            }
            case 7: {
                const bool bold = rng.bounded(2);
                both([&](Worksheet& ws) { ws.GetRange(ws.Cells(r, 1), ws.Cells(r + 3, c)).SetFontBold(bold); });
                break;
            }
            case 8: {
                const bool merge = rng.bounded(2);
                both([&](Worksheet& ws) { ws.GetRange(ws.Cells(r, c), ws.Cells(r + 1, c + 1)).SetMergeCells(merge); });
                break;
            }
            default: {
                const bool hide = rng.bounded(2);
                both([&](Worksheet& ws) { ws.rowInfoRef(r).hidden = hide; });
                break;
            }
            }
            // Fitting after some edits only, so that changes pile up between passes.
            if (rng.bounded(3) == 0) compare(step);
        }
        compare(301);
        // Formatting every cell to what it already has changes no width and
        // leaves nothing to measure again; the widths stay those of a full pass.
        both([&](Worksheet& ws) { ws.AllCells().SetHorizontalAlignment(xlHAlignRight); });
        compare(302);
        both([&](Worksheet& ws) { ws.AllCells().SetHorizontalAlignment(xlHAlignRight); });
        compare(303);
    }

    // A write to one cell forgets that cell's width alone, and a cell moved
    // whole within its column with the width it had keeps it: after any mix
    // of such writes and moves, of whole-row writes and of block deletes,
    // every cell and every column must have what a pass measuring every cell
    // gives.
    void autoFitAfterCellWritesAndMovesMatchesAFullPass() {
        Workbook incremental, full;
        Worksheet& a = incremental.AddSheet("S");
        Worksheet& b = full.AddSheet("S");
        QRandomGenerator rng(20261209);
        const QStringList words{"", "x", "Cliente", "WWWWWWWWWWW", "iiiiiiii", "àèìòù €", "riga\naltra riga più lunga"};
        auto randomValue = [&]() -> Value {
            switch (rng.bounded(3)) {
            case 0: return Value(words[rng.bounded(words.size())]);
            case 1: return Value(rng.bounded(2000000) / 8.0);
            default: return Value(QString(rng.bounded(1, 30), QChar(u'a' + rng.bounded(26))));
            }
        };
        auto both = [&](const std::function<void(Worksheet&)>& edit) {
            edit(a);
            edit(b);
        };
        constexpr int kRows = 3 * Worksheet::kStampRows + 20, kCols = 6;
        auto compare = [&](int step) {
            a.AllCells().AutoFit();
            for (int r = 1; r <= b.usedRows(); ++r) b.rowInfo(r)->fitKnown = false;
            b.fitBlocks.clear();
            b.AllCells().AutoFit();
            QCOMPARE(a.usedRows(), b.usedRows());
            for (int r = 1; r <= a.usedRows(); ++r)
                for (int c = 1; c <= kCols; ++c) {
                    const Cell* x = a.cellAt(r, c);
                    const Cell* y = b.cellAt(r, c);
                    QCOMPARE(x != nullptr, y != nullptr);
                    if (x && !a.rowInfo(r)->hidden)
                        QVERIFY2(x->fitWidth == y->fitWidth,
                                 qPrintable(QStringLiteral("step %1, cell %2,%3: %4 against %5")
                                                .arg(step)
                                                .arg(r)
                                                .arg(c)
                                                .arg(x->fitWidth)
                                                .arg(y->fitWidth)));
                }
            for (int c = 1; c <= kCols + 1; ++c)
                QVERIFY2(a.columnInfo(c).width == b.columnInfo(c).width,
                         qPrintable(QStringLiteral("step %1, column %2: %3 against %4")
                                        .arg(step)
                                        .arg(c)
                                        .arg(a.columnInfo(c).width)
                                        .arg(b.columnInfo(c).width)));
        };
        for (int r = 1; r <= kRows; ++r)
            for (int c = 1; c <= kCols; ++c) {
                const Value v = randomValue();
                both([&](Worksheet& ws) { ws.cellRef(r, c).value = v; });
            }
        compare(0);
        for (int step = 1; step <= 400; ++step) {
            const int r = rng.bounded(1, kRows), c = rng.bounded(1, kCols + 1);
            switch (rng.bounded(8)) {
            case 0:
            case 1: {
                // A value written into the cell itself.
                const Value v = randomValue();
                both([&](Worksheet& ws) { ws.cellRef(r, c).value = v; });
                break;
            }
            case 2:
            case 3: {
                // A stretch of a column moves down or up by a few rows, each
                // cell with its value, its format and the width it had.
                const int span = rng.bounded(1, 300), by = rng.bounded(1, 4) * (rng.bounded(2) ? 1 : -1);
                const int first = std::max(1, r + std::min(0, by));
                const int last = std::min(kRows, r + span);
                both([&](Worksheet& ws) {
                    std::vector<std::pair<Cell, float>> held;
                    for (int row = first; row <= last; ++row) {
                        Cell moved;
                        moved.value = ws.valueAt(row, c);
                        moved.style = ws.effectiveStyle(row, c);
                        held.emplace_back(moved, ws.knownFitWidth(row, c));
                    }
                    for (int row = first; row <= last; ++row) {
                        const int from = row - by;
                        if (from < first || from > last) continue;
                        Cell& to = ws.cellRef(row, c);
                        to.value = held[from - first].first.value;
                        to.style = held[from - first].first.style;
                        to.fitWidth = held[from - first].second;
                    }
                });
                break;
            }
            case 4: {
                const bool bold = rng.bounded(2);
                both([&](Worksheet& ws) { ws.GetRange(ws.Cells(r, 1), ws.Cells(r, c)).SetFontBold(bold); });
                break;
            }
            case 5: both([&](Worksheet& ws) { ws.GetRange(ws.Cells(r, c), ws.Cells(r + 2, c)).Delete(); }); break;
            case 6: both([&](Worksheet& ws) { ws.Cells(r, c).ClearContents(); }); break;
            default: {
                const bool hide = rng.bounded(4) == 0;
                both([&](Worksheet& ws) { ws.rowInfoRef(r).hidden = hide; });
                break;
            }
            }
            if (rng.bounded(4) == 0) compare(step);
        }
        compare(401);
    }

    // A format applied again to whole columns or the whole sheet looks only
    // at the rows written since: after any mix of edits every cell, row and
    // column must carry exactly what a pass over every cell gives.
    void wholeFormatsAfterEditsMatchAFullPass() {
        Workbook incremental, full;
        Worksheet& a = incremental.AddSheet("S");
        Worksheet& b = full.AddSheet("S");
        QRandomGenerator rng(20240916);
        auto both = [&](const std::function<void(Worksheet&)>& edit) {
            edit(a);
            edit(b);
        };
        // The layout pass: the alignment block on the whole sheet and text
        // columns; the reference forgets what it applied before.
        auto layOut = [&](Worksheet& ws, bool reference, int hAlign, const QString& textFormat) {
            if (reference) ws.wholeFormats.clear();
            Range all = ws.AllCells();
            all.SetHorizontalAlignment(hAlign);
            all.SetVerticalAlignment(xlVAlignBottom);
            all.SetWrapText(false);
            all.SetIndentLevel(0);
            if (reference) ws.wholeFormats.clear();
            ws.Columns("C").SetNumberFormat(textFormat);
            if (reference) ws.wholeFormats.clear();
            ws.Columns("E:F").SetNumberFormat(QStringLiteral("@"));
        };
        auto compare = [&](int step) {
            const int rows = std::max(a.usedRows(), b.usedRows()) + 2;
            QCOMPARE(a.usedRows(), b.usedRows());
            for (int r = 1; r <= rows; ++r) {
                const RowInfo* ra = a.rowInfo(r);
                const RowInfo* rb = b.rowInfo(r);
                QVERIFY2((ra && ra->style >= 0 ? incremental.style(ra->style) : Style{}) ==
                                 (rb && rb->style >= 0 ? full.style(rb->style) : Style{}) &&
                             (ra && ra->style >= 0) == (rb && rb->style >= 0),
                         qPrintable(QStringLiteral("step %1, row %2 format").arg(step).arg(r)));
                for (int c = 1; c <= 9; ++c) {
                    QVERIFY2(incremental.style(a.effectiveStyle(r, c)) == full.style(b.effectiveStyle(r, c)) &&
                                 (a.cellAt(r, c) != nullptr) == (b.cellAt(r, c) != nullptr) &&
                                 a.valueAt(r, c) == b.valueAt(r, c),
                             qPrintable(QStringLiteral("step %1, cell %2%3").arg(step).arg(columnLetters(c)).arg(r)));
                }
            }
            for (int c = 1; c <= 12; ++c) {
                const ColumnInfo& ca = a.columnInfo(c);
                const ColumnInfo& cb = b.columnInfo(c);
                QVERIFY2((ca.style >= 0) == (cb.style >= 0) &&
                             (ca.style < 0 || incremental.style(ca.style) == full.style(cb.style)),
                         qPrintable(QStringLiteral("step %1, column %2 format").arg(step).arg(c)));
            }
            a.AllCells().AutoFit();
            b.AllCells().AutoFit();
            for (int c = 1; c <= 9; ++c) QCOMPARE(a.columnInfo(c).width, b.columnInfo(c).width);
        };
        // More rows than one block of stamps, so that skipped blocks count.
        for (int r = 1; r <= 700; r += rng.bounded(1, 4))
            for (int c = 1; c <= 6; ++c) {
                const Value v = rng.bounded(3) ? Value(QStringLiteral("t%1").arg(rng.bounded(100000)))
                                               : Value(rng.bounded(100000) / 4.0);
                both([&](Worksheet& ws) { ws.Cells(r, c).SetValue(v); });
            }
        both([&](Worksheet& ws) { layOut(ws, &ws == &b, xlHAlignRight, QStringLiteral("@")); });
        compare(0);
        for (int step = 1; step <= 400; ++step) {
            const int r = rng.bounded(1, 760), c = rng.bounded(1, 9);
            switch (rng.bounded(12)) {
            case 0:
            case 1: {
                const Value v = rng.bounded(2) ? Value(QStringLiteral("w%1").arg(rng.bounded(1000)))
                                               : Value::date(40000 + rng.bounded(3000));
                both([&](Worksheet& ws) { ws.Cells(r, c).SetValue(v); });
                break;
            }
            case 2:
                both([&](Worksheet& ws) { ws.GetRange(ws.Cells(r, 1), ws.Cells(r + 5, c)).ClearContents(); });
                break;
            case 3: {
                const int count = rng.bounded(1, 300);
                both([&](Worksheet& ws) { ws.deleteRows(r, count); });
                break;
            }
            case 4:
                both([&](Worksheet& ws) {
                    ws.GetRange(ws.Cells(2, 1), ws.Cells(600, 6)).Sort(ws.Cells(2, c % 6 + 1), xlAscending, xlNo);
                });
                break;
            case 5: {
                // A partial format over the same properties the pass sets.
                const int h = rng.bounded(2) ? xlHAlignLeft : xlHAlignCenter;
                both(
                    [&](Worksheet& ws) { ws.GetRange(ws.Cells(r, 1), ws.Cells(r + 20, c)).SetHorizontalAlignment(h); });
                break;
            }
            case 6: {
                // A new style: bold or a size nobody used before.
                const double size = 8 + rng.bounded(20);
                both([&](Worksheet& ws) { ws.GetRange(ws.Cells(r, c), ws.Cells(r + 3, c)).SetFontSize(size); });
                break;
            }
            case 7: {
                const QString fmt = rng.bounded(2) ? QStringLiteral("0.00") : QStringLiteral("General");
                both([&](Worksheet& ws) { ws.Columns(c).SetNumberFormat(fmt); });
                break;
            }
            case 8: {
                const bool bold = rng.bounded(2);
                both([&](Worksheet& ws) { ws.Rows(r).SetFontBold(bold); });
                break;
            }
            case 9: both([&](Worksheet& ws) { ws.AllCells().SetWrapText(true); }); break;
            case 10: both([&](Worksheet& ws) { ws.Rows(r).Delete(); }); break;
            default: {
                const int h = rng.bounded(4) ? xlHAlignRight : xlHAlignLeft;
                const QString fmt = rng.bounded(4) ? QStringLiteral("@") : QStringLiteral("0");
                both([&](Worksheet& ws) { layOut(ws, &ws == &b, h, fmt); });
                break;
            }
            }
            if (rng.bounded(4) == 0) {
                both([&](Worksheet& ws) { layOut(ws, &ws == &b, xlHAlignRight, QStringLiteral("@")); });
                compare(step);
            }
        }
        both([&](Worksheet& ws) { layOut(ws, &ws == &b, xlHAlignRight, QStringLiteral("@")); });
        compare(401);
        // The same pass again with nothing written in between touches no row.
        const std::uint64_t before = a.changeStamp();
        layOut(a, false, xlHAlignRight, QStringLiteral("@"));
        QCOMPARE(a.changeStamp(), before);

        // Values written into cells as they are (a row that changed no format
        // is not looked at again), mixed with formats given cell by cell
        // (one that did is): the pass still leaves what a full one leaves.
        for (int step = 402; step <= 700; ++step) {
            const int r = rng.bounded(1, 800), c = rng.bounded(1, 10);
            const int what = rng.bounded(5);
            const Value v = Value(QStringLiteral("v%1").arg(rng.bounded(1000)));
            const std::uint32_t style = rng.bounded(static_cast<quint32>(incremental.styles().size()));
            both([&](Worksheet& ws) {
                if (what <= 2) {
                    ws.valueRef(r, c).value = v;
                } else {
                    // The same format picked in both workbooks: their tables
                    // were built by the same steps.
                    ws.cellRef(r, c).style = style;
                }
            });
            if (rng.bounded(5) == 0) {
                both([&](Worksheet& ws) { layOut(ws, &ws == &b, xlHAlignRight, QStringLiteral("@")); });
                compare(step);
            }
        }
    }

    // Widths kept per block of rows: partial ranges, hidden rows, deletes
    // that move rows across blocks and merged cells still give the widths
    // of a pass that measures every cell.
    void autoFitOverManyRowsMatchesAFullPass() {
        Workbook incremental, full;
        Worksheet& a = incremental.AddSheet("S");
        Worksheet& b = full.AddSheet("S");
        QRandomGenerator rng(77031);
        auto both = [&](const std::function<void(Worksheet&)>& edit) {
            edit(a);
            edit(b);
        };
        auto text = [&] { return Value(QString(rng.bounded(1, 30), QChar(u'a' + rng.bounded(26)))); };
        for (int r = 1; r <= 900; ++r)
            for (int c = 1; c <= 5; ++c) {
                const Value v = text();
                both([&](Worksheet& ws) { ws.Cells(r, c).SetValue(v); });
            }
        auto compare = [&](int step, const QString& address) {
            a.GetRange(address).AutoFit();
            for (int r = 1; r <= b.usedRows(); ++r) b.rowInfo(r)->fitKnown = false;
            b.fitBlocks.clear();
            b.GetRange(address).AutoFit();
            for (int c = 1; c <= 6; ++c)
                QVERIFY2(a.columnInfo(c).width == b.columnInfo(c).width,
                         qPrintable(QStringLiteral("step %1 (%2), column %3: %4 against %5")
                                        .arg(step)
                                        .arg(address)
                                        .arg(c)
                                        .arg(a.columnInfo(c).width)
                                        .arg(b.columnInfo(c).width)));
        };
        const QStringList ranges{"A:F", "A:F", "A:F", "A300:F800", "B1:C1000", "A257:F512"};
        for (int step = 0; step <= 300; ++step) {
            const int r = rng.bounded(1, 950), c = rng.bounded(1, 7);
            switch (rng.bounded(6)) {
            case 0: {
                // A long text makes its column wider; its delete narrows it.
                const Value v = rng.bounded(3) ? text() : Value(QString(60, u'W'));
                both([&](Worksheet& ws) { ws.Cells(r, c).SetValue(v); });
                break;
            }
            case 1:
                both([&](Worksheet& ws) { ws.GetRange(ws.Cells(r, 1), ws.Cells(r + 30, c)).ClearContents(); });
                break;
            case 2: {
                const int count = rng.bounded(1, 40);
                both([&](Worksheet& ws) { ws.deleteRows(r, count); });
                break;
            }
            case 3: {
                const bool hide = rng.bounded(2);
                both([&](Worksheet& ws) { ws.rowInfoRef(r).hidden = hide; });
                break;
            }
            case 4:
                // Merged for a while: a few passes look at every row.
                if (rng.bounded(3) == 0)
                    both([&](Worksheet& ws) { ws.GetRange(ws.Cells(r, c), ws.Cells(r, c + 1)).SetMergeCells(true); });
                else
                    both([&](Worksheet& ws) { ws.AllCells().SetMergeCells(false); });
                break;
            default: {
                const bool bold = rng.bounded(2);
                both([&](Worksheet& ws) { ws.GetRange(ws.Cells(r, 1), ws.Cells(r + 2, c)).SetFontBold(bold); });
                break;
            }
            }
            if (rng.bounded(2) == 0) compare(step, ranges[rng.bounded(ranges.size())]);
        }
    }

    // Texts of letters, digits and spaces are ordered without collation
    // keys: the order must be the collator's on any such texts, alone or
    // mixed with texts that need the keys (accents, punctuation).
    void sortOrdersTextsAsTheCollator() {
        QCollator coll{QLocale(QLocale::Italian, QLocale::Italy)};
        coll.setCaseSensitivity(Qt::CaseInsensitive);
        coll.setNumericMode(false);
        QRandomGenerator rng(4411);
        const QString plain = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789    ");
        const QStringList others{"è", "É", "à", ".", "-", "'", "&", "ß", "ñ", "_", "/"};
        const QStringList heads{"", "", "CLIENTE CON UN NOME LUNGO ", "Cliente con un nome lungo ", "a", "A 1"};
        for (int round = 0; round < 6; ++round) {
            QStringList texts;
            for (int i = 0; i < 400; ++i) {
                QString t = heads[rng.bounded(heads.size())];
                const int n = rng.bounded(0, 26);
                for (int k = 0; k < n; ++k) {
                    if (round % 2 && rng.bounded(15) == 0)
                        t += others[rng.bounded(others.size())];
                    else
                        t += plain[rng.bounded(plain.size())];
                }
                // A letter keeps it a text: digits alone would read as a number.
                t += QChar(u'a' + rng.bounded(26));
                texts << t;
            }
            const bool desc = round >= 4;
            QList<int> order(texts.size());
            std::iota(order.begin(), order.end(), 0);
            std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
                const int c = coll.compare(texts[x], texts[y]);
                return desc ? c > 0 : c < 0;
            });
            Workbook wb;
            Worksheet& ws = wb.AddSheet("S");
            for (int i = 0; i < texts.size(); ++i) {
                ws.Cells(i + 1, 1).SetValue(texts[i]);
                ws.Cells(i + 1, 2).SetValue(i);
            }
            ws.GetRange(ws.Cells(1, 1), ws.Cells(texts.size(), 2))
                .Sort(ws.Cells(1, 1), desc ? xlDescending : xlAscending, xlNo);
            for (int i = 0; i < texts.size(); ++i)
                QVERIFY2(ws.valueAt(i + 1, 2).numberValue() == order[i],
                         qPrintable(QStringLiteral("round %1, place %2: \"%3\" where \"%4\" belongs")
                                        .arg(round)
                                        .arg(i)
                                        .arg(ws.valueAt(i + 1, 1).textValue(), texts[order[i]])));
        }
    }

    // Rows move whole along any permutation, each cell with its format; a
    // cell whose source is absent takes the format it inherits; rows that
    // stay, and a block already in order, are not written at all.
    void sortMovesOnlyTheRowsThatMove() {
        QRandomGenerator rng(9090);
        for (int round = 0; round < 20; ++round) {
            Workbook wb;
            Worksheet& ws = wb.AddSheet("S");
            ws.Columns("C").SetNumberFormat("0.00");
            const int n = 30 + rng.bounded(60);
            struct Row {
                Value key, b, c;
                bool bold;
            };
            std::vector<Row> rows;
            for (int i = 0; i < n; ++i) {
                Row row{Value(double(rng.bounded(12))), rng.bounded(3) ? Value(QStringLiteral("b%1").arg(i)) : Value(),
                        rng.bounded(3) ? Value(double(i)) : Value(), rng.bounded(4) == 0};
                rows.push_back(row);
                ws.Cells(i + 1, 1).SetValue(row.key);
                if (!row.b.isEmpty()) ws.Cells(i + 1, 2).SetValue(row.b);
                if (!row.c.isEmpty()) ws.Cells(i + 1, 3).SetValue(row.c);
                if (row.bold) ws.Cells(i + 1, 2).SetFontBold(true);
                ws.Cells(i + 1, 4).SetValue(QStringLiteral("fuori %1").arg(i));
            }
            std::vector<int> from(n);
            std::iota(from.begin(), from.end(), 0);
            std::stable_sort(from.begin(), from.end(),
                             [&](int x, int y) { return rows[x].key.numberValue() < rows[y].key.numberValue(); });
            std::vector<Row> expected;
            for (int i : from) expected.push_back(rows[i]);
            ws.AllCells().AutoFit(); // every row's widths known
            const Range block = ws.GetRange(ws.Cells(1, 1), ws.Cells(n, 3));
            Range(block).Sort(ws.Cells(1, 1), xlAscending, xlNo);
            for (int i = 0; i < n; ++i) {
                const int r = i + 1;
                QCOMPARE(ws.valueAt(r, 1), expected[i].key);
                QCOMPARE(ws.valueAt(r, 2), expected[i].b);
                QCOMPARE(ws.valueAt(r, 3), expected[i].c);
                QCOMPARE(ws.GetRange(QStringLiteral("B%1").arg(r)).CellStyle().font.bold, expected[i].bold);
                QCOMPARE(ws.GetRange(QStringLiteral("C%1").arg(r)).NumberFormat(), QStringLiteral("0.00"));
                QCOMPARE(ws.valueAt(r, 4), Value(QStringLiteral("fuori %1").arg(i)));
                // A row that kept its place was not written.
                if (from[i] == i) QVERIFY(ws.rowInfo(r)->fitKnown);
            }
            ws.AllCells().AutoFit();
            const std::uint64_t stamp = ws.changeStamp();
            Range(block).Sort(ws.Cells(1, 1), xlAscending, xlNo);
            QCOMPARE(ws.changeStamp(), stamp);
        }
    }

    // A sort that remembers the rows it found in order must sort exactly as
    // one that looks at every key, whatever was written, deleted or added
    // in between, over several blocks of rows and every kind of key.
    void sortAfterEditsAsAFullLook() {
        QRandomGenerator rng(4242);
        Workbook wb;
        Worksheet& kept = wb.AddSheet("Kept");
        Worksheet& full = wb.AddSheet("Full");
        auto randomKey = [&]() -> Value {
            switch (rng.bounded(6)) {
            case 0: return Value(double(rng.bounded(900)));
            case 1: return Value(QString::number(rng.bounded(900))); // a number typed as text
            case 2: return Value(QStringLiteral("Cliente %1").arg(rng.bounded(50)));
            case 3: return Value(QStringLiteral("àbaco %1").arg(rng.bounded(9)));
            case 4: return Value();
            default: return Value(QStringLiteral("zeta"));
            }
        };
        auto both = [&](const std::function<void(Worksheet&)>& edit) {
            edit(kept);
            edit(full);
        };
        for (int r = 2; r <= 700; ++r) {
            const Value k = randomKey();
            both([&](Worksheet& ws) {
                if (!k.isEmpty()) ws.Cells(r, 1).SetValue(k);
                ws.Cells(r, 2).SetValue(Value(double(r)));
            });
        }
        for (int step = 0; step < 150; ++step) {
            const int row = 2 + rng.bounded(720);
            const Value k = randomKey();
            const int what = rng.bounded(5);
            both([&](Worksheet& ws) {
                if (what == 0)
                    ws.deleteRows(row, 1);
                else if (what == 1)
                    ws.Cells(row, 2).SetValue(Value(QStringLiteral("altro")));
                else if (k.isEmpty())
                    ws.Cells(row, 1).ClearContents();
                else
                    ws.Cells(row, 1).SetValue(k);
            });
            const bool desc = rng.bounded(4) == 0;
            const int last = 600 + rng.bounded(150);
            full.sortedRuns = {};
            for (Worksheet* ws : {&kept, &full})
                ws->GetRange(ws->Cells(2, 1), ws->Cells(last, 2))
                    .Sort(ws->Cells(2, 1), desc ? xlDescending : xlAscending, xlNo);
            for (int r = 1; r <= 760; ++r) {
                QCOMPARE(kept.valueAt(r, 1), full.valueAt(r, 1));
                QCOMPARE(kept.valueAt(r, 2), full.valueAt(r, 2));
            }
            // What the sort left counts as in order for a look at every key.
            full.sortedRuns = {};
            const std::uint64_t stamp = full.changeStamp();
            full.GetRange(full.Cells(2, 1), full.Cells(last, 2))
                .Sort(full.Cells(2, 1), desc ? xlDescending : xlAscending, xlNo);
            QCOMPARE(full.changeStamp(), stamp);
        }
    }

    // The order of keys asked for again (the same keys, one changed, the
    // other direction, one fewer) is the order a thread that never sorted
    // before finds for them.
    void sortOrderAskedAgainAsAskedFirst() {
        QRandomGenerator rng(77);
        std::vector<Value> keys;
        for (int i = 0; i < 400; ++i) {
            switch (rng.bounded(4)) {
            case 0: keys.push_back(Value(double(rng.bounded(50)))); break;
            case 1: keys.push_back(Value(QStringLiteral("Cliente %1").arg(rng.bounded(40)))); break;
            case 2: keys.push_back(Value()); break;
            default: keys.push_back(Value(QStringLiteral("àbaco %1").arg(rng.bounded(5)))); break;
            }
        }
        auto orderOf = [](const std::vector<Value>& k, SortOrder o) {
            return sortOrder(
                static_cast<int>(k.size()), [&k](int i) -> const Value& { return k[i]; }, o);
        };
        auto fresh = [&](const std::vector<Value>& k, SortOrder o) {
            std::vector<int> out;
            std::thread([&] { out = orderOf(k, o); }).join();
            return out;
        };
        for (int step = 0; step < 60; ++step) {
            const SortOrder o = rng.bounded(3) == 0 ? xlDescending : xlAscending;
            switch (rng.bounded(4)) {
            case 0:
                keys[rng.bounded(int(keys.size()))] = Value(QStringLiteral("Cliente %1").arg(rng.bounded(40)));
                break;
            case 1: keys[rng.bounded(int(keys.size()))] = Value(double(rng.bounded(50))); break;
            case 2: keys.pop_back(); break;
            default: break; // the same keys again
            }
            orderOf(keys, xlAscending); // what the thread asked last
            QCOMPARE(orderOf(keys, o), fresh(keys, o));
        }
    }

    void sums() {
        Workbook wb;
        Worksheet& ws = wb.AddSheet("Spese");
        column(ws, 33, 2, {10, "20", -2.5, Value(), Value::date(5), Value::boolean(true), "abc"});
        QCOMPARE(Application::Sum(ws.GetRange("AG2:AG65535")), 12.5);
        QCOMPARE(Application::Sum(ws.GetRange("A1:A10")), 0.0);
        QCOMPARE(Application::InchesToPoints(0.75), 54.0);
    }

    void pageSetupAndScrollArea() {
        Workbook wb;
        Worksheet& ws = wb.AddSheet("S");
        PageSetup& ps = ws.GetPageSetup();
        ps.SetPrintArea("a1:l20");
        QCOMPARE(ps.PrintArea, QString("$A$1:$L$20"));
        ps.SetPrintArea("");
        QVERIFY(ps.PrintArea.isEmpty());
        QVERIFY(raises([&] { ps.SetPrintArea("nonsense"); }));
        ps.SetFitToPages(1, 0);
        QVERIFY(ps.FitToPage);
        ps.SetZoom(80);
        QCOMPARE(ps.Zoom, 80);
        QVERIFY(!ps.FitToPage);
        QVERIFY(raises([&] { ps.SetZoom(9); }));
        QVERIFY(raises([&] { ps.SetZoom(401); }));
        QCOMPARE(ps.Zoom, 80);
        ws.SetScrollArea("A2:M65536");
        QCOMPARE(ws.ScrollArea(), QString("$A$2:$M$65536"));
        ws.SetScrollArea("");
        QVERIFY(ws.ScrollArea().isEmpty());
        ws.GetRange("A2").Select();
        ws.FreezePanes(1, 0);
        QCOMPARE(ws.Selection().Address(), QString("$A$2"));
        QCOMPARE(ws.FrozenRows(), 1);
    }

    void pagination() {
        Workbook wb;
        Worksheet& ws = wb.AddSheet("S");
        for (int r = 1; r <= 100; ++r) ws.Cells(r, 1).SetValue(r);
        PageSetup& ps = ws.GetPageSetup();
        // A4 portrait, 1 inch top and bottom: 697.89 points hold 54 rows of 12.75.
        ps.SetPrintArea("A1:B100");
        auto p = ws.Paginate();
        QCOMPARE(p.rowBands, (std::vector<std::pair<int, int>>{{1, 54}, {55, 100}}));
        QCOMPARE(p.columnBands.size(), std::size_t(1));
        QCOMPARE(ws.HPageBreaksCount(), 1);
        ps.SetZoom(50);
        QCOMPARE(ws.HPageBreaksCount(), 0);
        ps.SetZoom(100);
        ps.Orientation = xlLandscape; // 451.28 points: 35 rows
        QCOMPARE(ws.Paginate().rowBands.front(), (std::pair<int, int>{1, 35}));
        ps.Orientation = xlPortrait;
        // Repeated title rows take their room on every page.
        ps.SetPrintArea("A2:A100");
        ps.PrintTitleRows = "$1:$1";
        QCOMPARE(ws.Paginate().rowBands.front(), (std::pair<int, int>{2, 54}));
        // Title rows inside the area print once on the first page and take
        // their room on every later one.
        ps.SetPrintArea("A1:A150");
        for (int r = 101; r <= 150; ++r) ws.Cells(r, 1).SetValue(r);
        QCOMPARE(ws.Paginate().rowBands, (std::vector<std::pair<int, int>>{{1, 54}, {55, 107}, {108, 150}}));
        ws.GetRange("A101:A150").ClearContents();
        ps.PrintTitleRows.clear();
        // Manual breaks start a page; fit-to ignores them and scales down.
        ps.SetPrintArea("A1:A100");
        ps.HPageBreaks = {10};
        QCOMPARE(ws.Paginate().rowBands, (std::vector<std::pair<int, int>>{{1, 9}, {10, 63}, {64, 100}}));
        ps.SetFitToPages(1, 1);
        p = ws.Paginate();
        QCOMPARE(p.pageCount(), 1);
        QVERIFY(p.scale < 0.56 && p.scale > 0.5);
        // Wide areas split into columns of pages; hidden rows take no room.
        ps.SetZoom(100);
        ps.HPageBreaks.clear();
        ps.SetPrintArea("A1:Z10");
        QCOMPARE(ws.Paginate().columnBands.size(), std::size_t(3));
        ws.GetRange("A1:A100").SetRowHeight(0);
        QCOMPARE(ws.rowHeightPoints(5), 0.0);
        // Without a print area the used cells print.
        ps.SetPrintArea("");
        QCOMPARE(ws.Paginate().area, (CellRect{1, 1, 100, 1}));
    }

    void openAndSaveThroughTheCodec() {
        QStringList saved;
        setFileCodec({[](const QString& path, const QString& pw) {
                          if (pw != "pw") throw Error("wrong password");
                          auto wb = std::make_unique<Workbook>();
                          wb->AddSheet("Pratica").GetRange("A1").SetValue(path);
                          return wb;
                      },
                      [&saved](const Workbook& wb, const QString& path, const QString& pw) {
                          saved << QString("%1|%2|%3").arg(path, pw).arg(wb.SheetCount());
                      }});
        Application app;
        QVERIFY(raises([&] { app.Open("/x/Pratiche.xls", "bad"); }));
        QVERIFY(!app.hasWorkbook());
        Workbook& wb = app.Open("/x/Pratiche.xls", "pw");
        QCOMPARE(app.Sheets("Pratica").GetRange("A1").Text(), QString("/x/Pratiche.xls"));
        wb.Save();
        wb.SaveAs("/x/Backup/PraticheBackup.xls", "pw", true);
        QCOMPARE(wb.FullName(), QString("/x/Pratiche.xls"));
        wb.SaveAs("/y/Altro.xls", "pw");
        QCOMPARE(wb.FullName(), QString("/y/Altro.xls"));
        QCOMPARE(saved,
                 QStringList({"/x/Pratiche.xls|pw|1", "/x/Backup/PraticheBackup.xls|pw|1", "/y/Altro.xls|pw|1"}));
        app.Close();
        QVERIFY(!app.hasWorkbook());
        setFileCodec({});
        Workbook unbound;
        QVERIFY(raises([&] { unbound.Save(); }));
    }
};

QTEST_MAIN(TstSheets)
#include "tst_sheets.moc"
