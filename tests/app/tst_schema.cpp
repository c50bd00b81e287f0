// The workbook's shape: the starter workbook, the layout pass and the list
// readers, on the engine alone.

#include "platform/engine/vbconv.h"
#include "store/lists.h"
#include "store/schema.h"

#include <QTest>

using store::kCliente;
using store::kCopertina;
using store::kPratica;
using store::kSpese;
using store::kVarie;

namespace {
QStringList row1(xl::Worksheet& s, int columns) {
    QStringList out;
    for (int c = 1; c <= columns; ++c) out << s.Cells(1, c).Text();
    return out;
}
void put(xl::Worksheet& s, const QString& address, const xl::Value& v) { s.GetRange(address).SetValue(v); }
} // namespace

class TestSchema : public QObject {
    Q_OBJECT
private slots:
    void starterWorkbookHasFiveSheetsWithHeaders() {
        auto book = store::newStarterWorkbook();
        QCOMPARE(book->SheetCount(), 5);
        for (int i = 1; i <= 5; ++i) QCOMPARE(book->Sheets(i).Name(), store::sheetNames().at(i - 1));
        QCOMPARE(row1(book->Sheets(kPratica), 12), store::practiceHeaders());
        QCOMPARE(row1(book->Sheets(kCliente), 17), store::clientHeaders());
        QCOMPARE(row1(book->Sheets(kVarie), 6), store::varieHeaders());
        QCOMPARE(row1(book->Sheets(kSpese), 7), store::speseHeaders());
        QCOMPARE(book->Sheets(kVarie).GetRange(QStringLiteral("D1")).Text(), QStringLiteral("ID"));
        // No record, no counter, nothing past the headers.
        for (const QString& name : {kPratica, kCliente, kSpese}) {
            QVERIFY(book->Sheets(name).GetRange(QStringLiteral("IV1")).GetValue().isEmpty());
            QVERIFY(book->Sheets(name).GetRange(QStringLiteral("A2")).GetValue().isEmpty());
        }
        QVERIFY(store::missingSheet(*book).isEmpty());
    }

    void coverTemplatePrintsOnOneA4Page() {
        auto book = store::newStarterWorkbook();
        xl::Worksheet& cover = book->Sheets(kCopertina);
        const xl::PageSetup& p = cover.GetPageSetup();
        QCOMPARE(p.PrintArea, QStringLiteral("$A$1:$B$31"));
        QCOMPARE(p.PaperSize, int(xl::xlPaperA4));
        QCOMPARE(p.Orientation, int(xl::xlPortrait));
        // Rows 1 to 31 fit the page height between the margins.
        double height = 0;
        for (int r = 1; r <= 31; ++r) height += cover.Rows(r).RowHeight();
        const double a4Height = 842;
        QVERIFY2(height <= a4Height - p.TopMargin - p.BottomMargin,
                 qPrintable(QStringLiteral("rows take %1 points").arg(height)));
        // Every B cell the cover printout writes has its label beside it;
        // B4 and B13 are never written and have none.
        for (int r : {1, 2, 3, 5, 6, 7, 8, 9, 10, 11, 12, 14}) {
            QVERIFY2(!cover.Cells(r, 1).Text().isEmpty(), qPrintable(QString::number(r)));
            QVERIFY(cover.Cells(r, 2).GetValue().isEmpty());
        }
        QVERIFY(cover.Cells(4, 1).Text().isEmpty());
        QVERIFY(cover.Cells(13, 1).Text().isEmpty());
        QVERIFY(cover.GetRange(QStringLiteral("B11")).CellStyle().wrapText);
    }

    void layoutPassRestoresHeadersAndShape() {
        auto book = store::newStarterWorkbook();
        xl::Worksheet& pratica = book->Sheets(kPratica);
        xl::Worksheet& cliente = book->Sheets(kCliente);
        xl::Worksheet& varie = book->Sheets(kVarie);
        xl::Worksheet& spese = book->Sheets(kSpese);
        xl::Worksheet& cover = book->Sheets(kCopertina);
        put(pratica, QStringLiteral("C1"), xl::Value("Clienti modificato"));
        put(cliente, QStringLiteral("Q1"), xl::Value("x"));
        put(varie, QStringLiteral("B1"), xl::Value("Descrizione"));
        put(spese, QStringLiteral("G1"), xl::Value(""));
        put(pratica, QStringLiteral("A2"), xl::Value("1"));
        put(cover, QStringLiteral("B1"), xl::Value("12"));
        const QString coverLabel = cover.Cells(3, 1).Text();

        store::FormatWorkbook(*book);

        QCOMPARE(row1(pratica, 12), store::practiceHeaders());
        QCOMPARE(row1(cliente, 17), store::clientHeaders());
        QCOMPARE(row1(varie, 6), store::varieHeaders());
        QCOMPARE(row1(spese, 7), store::speseHeaders());
        QCOMPARE(book->ActiveSheet().Name(), kVarie);
        QCOMPARE(varie.Selection().Address(), QStringLiteral("$A$1"));
        // Records, the cover and column D of "Varie" are left alone.
        QCOMPARE(pratica.GetRange(QStringLiteral("A2")).Text(), QStringLiteral("1"));
        QCOMPARE(cover.Cells(3, 1).Text(), coverLabel);
        QCOMPARE(cover.GetRange(QStringLiteral("B1")).Text(), QStringLiteral("12"));
        QVERIFY(varie.GetRange(QStringLiteral("D2")).GetValue().isEmpty());

        QCOMPARE(pratica.ScrollArea(), QStringLiteral("$A$2:$M$65536"));
        QCOMPARE(cliente.ScrollArea(), QStringLiteral("$A$2:$R$65536"));
        QCOMPARE(spese.ScrollArea(), QStringLiteral("$A$2:$H$65536"));
        QCOMPARE(varie.ScrollArea(), QStringLiteral("$A$2:$G$65536"));
        for (xl::Worksheet* s : {&pratica, &cliente, &varie, &spese}) QCOMPARE(s->FrozenRows(), 1);

        for (const char* col : {"I", "J", "K", "M", "N", "R"})
            QCOMPARE(cliente.GetRange(QLatin1String(col) + QStringLiteral("500")).NumberFormat(), QStringLiteral("@"));
        QCOMPARE(cliente.GetRange(QStringLiteral("L500")).NumberFormat(), QStringLiteral("General"));
        QCOMPARE(pratica.GetRange(QStringLiteral("G9")).NumberFormat(), QStringLiteral("@"));
        QCOMPARE(spese.GetRange(QStringLiteral("AG65536")).NumberFormat(), QStringLiteral("0.00"));
        QVERIFY(pratica.GetRange(QStringLiteral("B7")).CellStyle().hAlign == xl::HAlign::Right);
        QVERIFY(cover.GetRange(QStringLiteral("A1")).CellStyle().hAlign != xl::HAlign::Right);

        // A second pass changes nothing more.
        store::FormatWorkbook(*book);
        QCOMPARE(row1(pratica, 12), store::practiceHeaders());
    }

    void layoutPassRaisesOnAMissingSheet() {
        xl::Workbook book;
        book.AddSheet(kPratica);
        book.AddSheet(kCliente);
        QCOMPARE(store::missingSheet(book), kVarie);
        QVERIFY_THROWS_EXCEPTION(xl::Error, store::FormatWorkbook(book));
    }

    void listsStopAtTheFirstGap() {
        auto book = store::newStarterWorkbook();
        xl::Worksheet& varie = book->Sheets(kVarie);
        put(varie, QStringLiteral("A2"), xl::Value("F1"));
        put(varie, QStringLiteral("A3"), xl::Value(2));
        put(varie, QStringLiteral("A5"), xl::Value("after the gap"));
        QCOMPARE(store::columnList(varie, 1), (QStringList{QStringLiteral("F1"), QStringLiteral("2")}));
        QVERIFY(store::columnList(varie, 5).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSchema)
#include "tst_schema.moc"
