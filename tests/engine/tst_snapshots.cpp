// Snapshots of sheets and workbooks: a copy shares the rows with its
// original, and neither side ever sees the other's later writes, whatever
// the edit (values, formats, deletes, sorts, clears, growth past the end).

#include "platform/engine/workbook.h"

#include <QtTest>

#include <random>

using namespace xl;

namespace {

// Everything a sheet's rows hold, row by row, in a form that compares and
// prints: what a deep copy of the rows would keep.
QStringList dump(const Worksheet& ws) {
    QStringList out;
    out << QStringLiteral("rows %1").arg(ws.usedRows());
    for (int r = 1; r <= ws.usedRows(); ++r) {
        const RowInfo* ri = ws.rowInfo(r);
        QString line = QStringLiteral("%1 h%2 %3 s%4:").arg(r).arg(ri->height).arg(ri->hidden).arg(ri->style);
        for (const Cell& c : ri->cells) {
            line += QStringLiteral(" [%1|%2|%3|%4|%5]")
                        .arg(int(c.value.type()))
                        .arg(c.value.textValue())
                        .arg(c.value.numberValue())
                        .arg(c.style)
                        .arg(c.kept ? QString::fromLatin1(c.kept->tokens.toHex()) : QString());
        }
        out << line;
    }
    return out;
}

// A sheet spread over several blocks of rows, with values, formats, row
// heights and a kept formula.
void fill(Worksheet& ws, int rows) {
    for (int r = 1; r <= rows; ++r) {
        ws.Cells(r, 1).SetValue(Value(r % 97));
        ws.Cells(r, 2).SetValue(Value(QStringLiteral("riga %1").arg(r)));
        if (r % 5 == 0) ws.Cells(r, 4).SetValue(Value::date(40000 + r));
    }
    ws.GetRange("C1:C40").SetNumberFormat("0.00");
    ws.GetRange("A300").SetRowHeight(24);
    auto kept = std::make_shared<KeptFormula>();
    kept->tokens = QByteArray("\x1e\x01\x00", 3);
    ws.cellRef(600, 3).kept = kept;
}

} // namespace

class TstSnapshots : public QObject {
    Q_OBJECT
private slots:
    void aCopySharesRowsUntilOneSideWrites() {
        Workbook wb;
        Worksheet& ws = wb.AddSheet("Pratica");
        fill(ws, 700);
        Worksheet copy = ws;
        // The same rows, not copies of them: a snapshot costs no cell copies.
        for (int r : {1, 256, 257, 700}) QCOMPARE(copy.rowInfo(r), ws.rowInfo(r));

        ws.Cells(3, 2).SetValue(Value("cambiata"));
        QVERIFY(copy.rowInfo(3) != ws.rowInfo(3));
        QCOMPARE(copy.Cells(3, 2).Text(), QStringLiteral("riga 3"));
        QCOMPARE(ws.Cells(3, 2).Text(), QStringLiteral("cambiata"));
        // Rows of other blocks are still shared.
        QCOMPARE(copy.rowInfo(300), ws.rowInfo(300));

        // A block the sheet has to itself is written in place, also once a
        // later copy of it is gone.
        const RowInfo* before = ws.rowInfo(4);
        { Worksheet gone = ws; }
        ws.Cells(4, 1).SetValue(Value(1));
        QCOMPARE(ws.rowInfo(4), before);

        // Writing through the copy leaves the original alone.
        const QStringList original = dump(ws);
        copy.Cells(650, 1).SetValue(Value("nella copia"));
        copy.deleteRows(1, 10);
        QCOMPARE(dump(ws), original);
    }

    void aSnapshotKeepsWhatItSawThroughEveryEdit() {
        Workbook wb;
        Worksheet& ws = wb.AddSheet("Pratica");
        fill(ws, 900);
        auto check = [&](const std::function<void()>& edit, const char* what) {
            const Worksheet snap = ws;
            const QStringList seen = dump(ws);
            edit();
            QVERIFY2(dump(snap) == seen, what);
            QVERIFY2(dump(ws) != seen, what);
        };
        check([&] { ws.Cells(10, 1).SetValue(Value("x")); }, "a value");
        check([&] { ws.GetRange("B250:B260").SetNumberFormat("@"); }, "a format across two blocks");
        check([&] { ws.GetRange("A513").SetRowHeight(40); }, "a row height");
        check([&] { ws.GetRange("A200:A700").EntireRow().Delete(); }, "a delete across blocks");
        check([&] { ws.GetRange("3:3").Delete(); }, "a delete of one row");
        check([&] { ws.GetRange("A1:D399").Sort(ws.GetRange("A1"), xlDescending, xlNo); }, "a sort");
        check([&] { ws.GetRange("A1:D399").ClearContents(); }, "a clear");
        check([&] { ws.Cells(2000, 3).SetValue(Value(5)); }, "growth past the end");
        check([&] { ws.deleteRows(1, kMaxRows); }, "every row deleted");
    }

    void storedRowsCountAsBefore() {
        // The stored rows are those up to the last one ever reached by a
        // write, empty or not; deletes take rows off the end of that count.
        Workbook wb;
        Worksheet& ws = wb.AddSheet("S");
        QCOMPARE(ws.usedRows(), 0);
        ws.rowInfoRef(256);
        QCOMPARE(ws.usedRows(), 256);
        ws.cellRef(257, 1);
        QCOMPARE(ws.usedRows(), 257);
        QVERIFY(ws.rowInfo(257)->cells.size() == 1);
        QVERIFY(ws.rowInfo(258) == nullptr);
        ws.deleteRows(2, 1);
        QCOMPARE(ws.usedRows(), 256);
        QVERIFY(ws.rowInfo(256)->cells.size() == 1);
        ws.deleteRows(300, 5); // past the stored rows
        QCOMPARE(ws.usedRows(), 256);
        ws.deleteRows(250, 100); // across the end
        QCOMPARE(ws.usedRows(), 249);
        ws.cellRef(1000, 2).value = Value(1);
        QCOMPARE(ws.usedRows(), 1000);
        // Rows that come back after a delete come back empty.
        ws.deleteRows(1, 1000);
        QCOMPARE(ws.usedRows(), 0);
        ws.rowInfoRef(600);
        for (int r = 1; r <= 600; ++r) {
            QVERIFY(ws.rowInfo(r)->cells.empty());
            QCOMPARE(ws.rowInfo(r)->height, -1.0);
        }
        // A clear leaves the count alone, and reaches no row past it.
        ws.clear({1, 1, kMaxRows, kMaxCols});
        QCOMPARE(ws.usedRows(), 600);
    }

    void randomEditsMatchASheetThatIsNeverShared() {
        // The same edits on two sheets, one of which has snapshots taken all
        // along: both must end alike, and each snapshot must still hold what
        // the sheet held when it was taken.
        std::mt19937 rng(20261209);
        auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        Workbook wbA, wbB;
        Worksheet& a = wbA.AddSheet("A");
        Worksheet& b = wbB.AddSheet("A");
        fill(a, 800);
        fill(b, 800);
        std::vector<std::pair<Worksheet, QStringList>> snaps;
        for (int step = 0; step < 600; ++step) {
            const int kind = pick(0, 7);
            const int r = pick(1, 1100), c = pick(1, 6);
            const int r2 = r + pick(0, 300);
            const int count = pick(1, 3) == 1 ? r2 - r + 1 : 1;
            for (Worksheet* ws : {&a, &b}) {
                switch (kind) {
                case 0:
                case 1: ws->Cells(r, c).SetValue(Value(QStringLiteral("v%1").arg(step))); break;
                case 2: ws->Cells(r, c).SetValue(Value(step * 1.5)); break;
                case 3: ws->GetRange(ws->Cells(r, 1), ws->Cells(std::min(r2, kMaxRows), c)).ClearContents(); break;
                case 4: ws->deleteRows(r, count); break;
                case 5:
                    ws->GetRange(ws->Cells(r, 1), ws->Cells(std::min(r2, kMaxRows), 6))
                        .Sort(ws->Cells(r, c), step % 2 ? xlAscending : xlDescending, xlNo);
                    break;
                case 6: ws->GetRange(ws->Cells(r, c), ws->Cells(r, c)).SetRowHeight(10 + step % 30); break;
                case 7:
                    ws->GetRange(ws->Cells(r, c), ws->Cells(std::min(r2, kMaxRows), c)).SetNumberFormat("0.0");
                    break;
                }
            }
            // Now and then a snapshot, now and then one dropped.
            if (step % 25 == 0) snaps.emplace_back(a, dump(a));
            if (step % 40 == 0 && !snaps.empty()) snaps.erase(snaps.begin() + pick(0, int(snaps.size()) - 1));
        }
        QCOMPARE(dump(a), dump(b));
        for (const auto& [snap, seen] : snaps) QCOMPARE(dump(snap), seen);
    }

    void aSheetCopyReadsTextsWithTheWorkbooksFormats() {
        Workbook wb;
        Worksheet& ws = wb.AddSheet("Pratica");
        ws.Cells(2, 1).SetValue(Value::date(45000));
        ws.Cells(2, 2).SetNumberFormat("0.00");
        ws.Cells(2, 2).SetValue(Value(3));
        const Worksheet copy = ws;
        // New formats are added to the workbook's table, never put in place
        // of old ones: the copy's format indexes keep their meaning.
        for (int i = 0; i < 500; ++i) {
            Style s;
            s.numberFormat = QStringLiteral("0.%1").arg(QString(i % 9 + 1, u'0'));
            s.indentLevel = i;
            wb.internStyle(s);
        }
        ws.Cells(2, 1).SetValue(Value("ora testo"));
        ws.Cells(2, 2).SetNumberFormat("0.000");
        QCOMPARE(copy.textAt(2, 1), QStringLiteral("15/03/2023"));
        QCOMPARE(copy.textAt(2, 2), QStringLiteral("3,00"));
        QCOMPARE(copy.textAt(3, 1), QString());
        QCOMPARE(ws.textAt(2, 2), QStringLiteral("3,000"));
        QCOMPARE(ws.textAt(2, 2), ws.Cells(2, 2).Text());
    }

    void aWorkbookSnapshotIsComplete() {
        Workbook wb;
        Style bold;
        bold.font.bold = true;
        const std::uint32_t boldIndex = wb.internStyle(bold);
        Worksheet& p = wb.AddSheet("Pratica");
        Worksheet& c = wb.AddSheet("Cliente");
        fill(p, 300);
        c.Cells(1, 1).SetValue(Value("ROSSI"));
        c.cellRef(1, 1).style = boldIndex;
        c.FreezePanes(1, 0);
        c.GetPageSetup().SetPrintArea("A1:C9");
        wb.SetActiveSheet(c);
        wb.bind(QStringLiteral("/x/Pratiche.xls"), QStringLiteral("pw"));
        wb.date1904 = true;
        wb.foreignStreams.push_back({QStringLiteral("\x05SummaryInformation"), QByteArray("abc")});
        wb.formatting.xfs.push_back(QByteArray(20, 'x'));
        wb.names.push_back(DefinedName{QStringLiteral("Zona"), false, QString(), 0, 0, 0, nullptr});
        wb.notKept << QStringLiteral("un grafico");

        const auto snap = wb.snapshot();
        QCOMPARE(snap->SheetCount(), 2);
        QCOMPARE(&snap->Sheets(1).Parent(), snap.get());
        QCOMPARE(&snap->ActiveSheet(), &snap->Sheets("Cliente"));
        QCOMPARE(dump(snap->Sheets("Pratica")), dump(p));
        QCOMPARE(snap->Sheets("Cliente").Cells(1, 1).CellStyle().font.bold, true);
        QCOMPARE(snap->Sheets("Cliente").FrozenRows(), 1);
        QCOMPARE(snap->Sheets("Cliente").GetPageSetup().PrintArea, QStringLiteral("$A$1:$C$9"));
        QCOMPARE(snap->FullName(), QStringLiteral("/x/Pratiche.xls"));
        QCOMPARE(snap->Password(), QStringLiteral("pw"));
        QVERIFY(snap->date1904);
        QCOMPARE(snap->foreignStreams.size(), std::size_t(1));
        QCOMPARE(snap->formatting.xfs, wb.formatting.xfs);
        QCOMPARE(snap->names.size(), std::size_t(1));
        QCOMPARE(snap->notKept, wb.notKept);
        QCOMPARE(snap->styles().size(), wb.styles().size());

        // Later changes of the workbook stay out of the snapshot.
        const QStringList seen = dump(snap->Sheets("Pratica"));
        p.GetRange("A1:B300").Sort(p.GetRange("B1"), xlDescending, xlNo);
        p.GetRange("5:80").Delete();
        Style italic;
        italic.font.italic = true;
        p.Cells(1, 1).SetValue(Value("nuovo"));
        p.cellRef(1, 1).style = wb.internStyle(italic);
        c.SetName(QStringLiteral("Clienti"));
        wb.names.clear();
        QCOMPARE(dump(snap->Sheets("Pratica")), seen);
        QVERIFY(snap->findSheet("Cliente") != nullptr);
        QCOMPARE(snap->names.size(), std::size_t(1));
        QCOMPARE(snap->styles().size() + 1, wb.styles().size());
        // And the snapshot's own changes stay out of the workbook.
        const QStringList live = dump(p);
        snap->Sheets("Pratica").Cells(2, 2).SetValue(Value("solo nella copia"));
        QCOMPARE(dump(p), live);
    }
};

QTEST_MAIN(TstSnapshots)
#include "tst_snapshots.moc"
