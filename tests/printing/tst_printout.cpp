// The renderer: how a sheet's print area falls onto pages under its page
// setup, what each page carries, and what reaches a PDF file.

#include "printtest.h"

#include "platform/engine/workbook.h"

#include <QTemporaryDir>

using namespace prt;

namespace {

// A list of `rows` records under a header row, columns A to C.
void fillList(xl::Worksheet& s, int rows) {
    s.Cells(1, 1).SetValue(QStringLiteral("Num"));
    s.Cells(1, 2).SetValue(QStringLiteral("Nome"));
    s.Cells(1, 3).SetValue(QStringLiteral("Importo"));
    for (int r = 2; r <= rows + 1; ++r) {
        s.Cells(r, 1).SetValue(xl::Value(r - 1));
        s.Cells(r, 2).SetValue(QStringLiteral("Cliente%1").arg(r - 1));
        s.Cells(r, 3).SetValue(xl::Value((r - 1) * 10.5));
    }
}

// A sheet "Lista" of 150 records, its print area the header and all of them.
xl::Worksheet& longList(xl::Workbook& book) {
    xl::Worksheet& s = book.AddSheet(QStringLiteral("Lista"));
    fillList(s, 150);
    s.GetPageSetup().SetPrintArea(QStringLiteral("A1:C151"));
    return s;
}

std::vector<int> rowsOf(const printout::Page& p) {
    std::vector<int> rows;
    for (const printout::PlacedCell& c : p.cells)
        if (c.col == 1) rows.push_back(c.row);
    return rows;
}

} // namespace

class TestPrintout : public QObject {
    Q_OBJECT
private slots:
    void pagesFollowTheBreakCount();
    void fitToOnePageScalesDown();
    void titlesRepeatAndOrderIsDownThenOver();
    void textRunsOverEmptyNeighboursOnly();
    void headerCodesAndCentring();
    void pdfCarriesThePagesAsked();
    void unknownPrinterAndBadRequestsAreRefused();
};

void TestPrintout::pagesFollowTheBreakCount() {
    xl::Workbook book;
    xl::Worksheet& s = longList(book);
    xl::PageSetup& ps = s.GetPageSetup();
    ps.SetZoom(100);

    const auto pages = printout::layOut(s);
    QCOMPARE(static_cast<int>(pages.size()), s.HPageBreaksCount() + 1);
    QVERIFY(pages.size() >= 3);

    // Every row of the area lands on exactly one page, in order, and each
    // page's rows stay inside the paper between the margins.
    std::vector<int> seen;
    for (const auto& p : pages) {
        QCOMPARE(p.number, static_cast<int>(&p - &pages[0]) + 1);
        for (int r : rowsOf(p)) seen.push_back(r);
        QVERIFY(p.content.bottom() <= p.paper.height() - ps.BottomMargin + 0.01);
        QVERIFY(p.content.top() >= ps.TopMargin - 0.01);
    }
    QCOMPARE(static_cast<int>(seen.size()), 151);
    for (int i = 0; i < 151; ++i) QCOMPARE(seen[i], i + 1);

    // A manual break starts a page where it says.
    ps.HPageBreaks = {20};
    const auto broken = printout::layOut(s);
    QCOMPARE(broken[1].rows.first, 20);
    QCOMPARE(static_cast<int>(broken.size()), s.HPageBreaksCount() + 1);
}

void TestPrintout::fitToOnePageScalesDown() {
    xl::Workbook book;
    xl::Worksheet& s = longList(book);
    xl::PageSetup& ps = s.GetPageSetup();
    ps.SetFitToPages(1, 1);
    const auto pages = printout::layOut(s);
    QCOMPARE(pages.size(), std::size_t(1));
    QVERIFY(pages[0].scale < 1);
    // Scaled, the block still fills the page height between the margins.
    const double avail = pages[0].paper.height() - ps.TopMargin - ps.BottomMargin;
    QVERIFY(pages[0].content.height() <= avail + 0.01);
    QVERIFY(pages[0].content.height() > avail * 0.95);
    QCOMPARE(static_cast<int>(pages[0].cells.size()), 151 * 3);
}

void TestPrintout::titlesRepeatAndOrderIsDownThenOver() {
    xl::Workbook book;
    xl::Worksheet& s = book.AddSheet(QStringLiteral("Clienti"));
    // Twelve wide columns and enough rows for two page rows in landscape.
    for (int c = 1; c <= 12; ++c) {
        s.Columns(c).SetColumnWidth(25);
        s.Cells(1, c).SetValue(QStringLiteral("Titolo%1").arg(c));
    }
    for (int r = 2; r <= 60; ++r)
        for (int c = 1; c <= 12; ++c) s.Cells(r, c).SetValue(QStringLiteral("r%1c%2").arg(r).arg(c));
    xl::PageSetup& ps = s.GetPageSetup();
    ps.SetPrintArea(QStringLiteral("A1:L60"));
    ps.Orientation = xl::xlLandscape;
    ps.PrintTitleRows = QStringLiteral("$1:$1");
    ps.PrintTitleColumns = QStringLiteral("$A:$B");
    ps.SetZoom(100);

    const auto pages = printout::layOut(s);
    const auto pg = s.Paginate();
    QVERIFY(pg.rowBands.size() >= 2);
    QVERIFY(pg.columnBands.size() >= 2);
    QCOMPARE(static_cast<int>(pages.size()), pg.pageCount());

    // Down then over: the second page continues the rows of the first
    // column band.
    QCOMPARE(pages[1].cols, pages[0].cols);
    QCOMPARE(pages[1].rows.first, pages[0].rows.second + 1);
    // Its first drawn row is the title row; a page of a later column band
    // starts with the title columns A and B.
    QCOMPARE(pages[1].rowOrder.front(), 1);
    const auto& over = pages[pg.rowBands.size()];
    QVERIFY(over.cols.first > 2);
    QCOMPARE(over.colOrder[0], 1);
    QCOMPARE(over.colOrder[1], 2);
    QCOMPARE(over.paper.width() > over.paper.height(), true);
    // Every cell of the area is printed once outside the repeated titles.
    int body = 0;
    for (const auto& p : pages)
        for (const auto& c : p.cells)
            if (c.row >= p.rows.first && c.col >= p.cols.first) ++body;
    QCOMPARE(body, 60 * 12);
}

void TestPrintout::textRunsOverEmptyNeighboursOnly() {
    xl::Workbook book;
    xl::Worksheet& s = book.AddSheet(QStringLiteral("Testi"));
    const QString longText = QStringLiteral("Un testo molto lungo che non sta in una colonna");
    s.Cells(1, 1).SetValue(longText);
    s.Cells(2, 1).SetValue(longText);
    s.Cells(2, 2).SetValue(QStringLiteral("pieno"));
    s.Cells(3, 3).SetValue(longText);
    s.GetRange(QStringLiteral("C3")).SetHorizontalAlignment(xl::xlHAlignRight);
    s.Cells(4, 1).SetValue(xl::Value(1234567.5));
    s.Cells(4, 4).SetValue(QStringLiteral("fine"));
    s.GetPageSetup().SetPrintArea(QStringLiteral("A1:D4"));

    const auto pages = printout::layOut(s);
    QCOMPARE(pages.size(), std::size_t(1));
    auto box = [&](int r, int c) {
        for (const auto& pc : pages[0].cells)
            if (pc.row == r && pc.col == c) return pc.box;
        return QRectF();
    };
    const double colA = s.columnWidthPoints(1);
    QVERIFY(box(1, 1).width() > colA * 1.5);                 // over B, C...
    QCOMPARE(box(2, 1).width(), colA);                       // B is filled
    QVERIFY(box(3, 3).left() < box(1, 1).left() + colA * 2); // right-aligned runs left
    QCOMPARE(box(4, 1).width(), colA);                       // numbers never run over
    QCOMPARE(pages[0].cells.size(), std::size_t(6));
}

void TestPrintout::headerCodesAndCentring() {
    xl::Workbook book;
    xl::Worksheet& s = book.AddSheet(QStringLiteral("Foglio"));
    fillList(s, 3);
    xl::PageSetup& ps = s.GetPageSetup();
    ps.CenterHeader = QStringLiteral("Elenco && riepilogo &A pagina &P di &N");
    ps.CenterFooter = QStringLiteral("&\"Arial,Grassetto\"&12Fine");
    ps.CenterHorizontally = true;
    ps.CenterVertically = true;
    const auto pages = printout::layOut(s);
    QCOMPARE(pages[0].header, QStringLiteral("Elenco & riepilogo Foglio pagina 1 di 1"));
    QCOMPARE(pages[0].footer, QStringLiteral("Fine"));
    // Centred: equal room left and right, top and bottom, inside the margins.
    const auto& c = pages[0].content;
    const double left = c.left() - ps.LeftMargin, right = pages[0].paper.width() - ps.RightMargin - c.right();
    const double top = c.top() - ps.TopMargin, bottom = pages[0].paper.height() - ps.BottomMargin - c.bottom();
    QVERIFY(qAbs(left - right) < 0.01);
    QVERIFY(qAbs(top - bottom) < 0.01);
    QVERIFY(left > 100);
}

void TestPrintout::pdfCarriesThePagesAsked() {
    xl::Workbook book;
    xl::Worksheet& s = longList(book);
    xl::PageSetup& ps = s.GetPageSetup();
    ps.SetZoom(100);
    ps.PrintGridlines = true;
    ps.CenterHeader = QStringLiteral("Stampa di prova");
    const auto pages = printout::layOut(s);
    QTemporaryDir dir;

    // The whole area: as many PDF pages as the layout, every text on them.
    printout::Request all;
    all.pdfFile = dir.filePath(QStringLiteral("tutto.pdf"));
    QCOMPARE(printout::print(s, all), static_cast<int>(pages.size()));
    QCOMPARE(pdfPages(all.pdfFile), static_cast<int>(pages.size()));
    QCOMPARE(pdfPageSize(all.pdfFile), QStringLiteral("595 x 842"));
    const QString text = pdfText(all.pdfFile);
    QVERIFY(text.contains(QStringLiteral("Stampa di prova")));
    QVERIFY(text.contains(QStringLiteral("Cliente1 ")));
    QVERIFY(text.contains(QStringLiteral("Cliente150")));
    QVERIFY(text.contains(QStringLiteral("1575"))); // 150 x 10,5 in general form

    // From 2 to 2: the second page only, with its own rows.
    printout::Request second;
    second.pdfFile = dir.filePath(QStringLiteral("seconda.pdf"));
    second.from = second.to = 2;
    QCOMPARE(printout::print(s, second), 1);
    QCOMPARE(pdfPages(second.pdfFile), 1);
    const QString t2 = pdfText(second.pdfFile);
    const int firstRow = pages[1].rows.first;
    QVERIFY(t2.contains(QStringLiteral("Cliente%1").arg(firstRow - 1)));
    QVERIFY(!t2.contains(QStringLiteral("Cliente1 ")));

    // Two copies collated; landscape paper.
    ps.Orientation = xl::xlLandscape;
    printout::Request copies;
    copies.pdfFile = dir.filePath(QStringLiteral("copie.pdf"));
    copies.from = 1;
    copies.to = 1;
    copies.copies = 2;
    QCOMPARE(printout::print(s, copies), 2);
    QCOMPARE(pdfPages(copies.pdfFile), 2);
    QCOMPARE(pdfPageSize(copies.pdfFile), QStringLiteral("842 x 595"));

    // A range alone, whatever the print area says.
    printout::Request cell;
    cell.pdfFile = dir.filePath(QStringLiteral("cella.pdf"));
    cell.area = xl::parseAddress(QStringLiteral("B3"));
    QCOMPARE(printout::print(s, cell), 1);
    const QString tc = pdfText(cell.pdfFile);
    QVERIFY(tc.contains(QStringLiteral("Cliente2")));
    QVERIFY(!tc.contains(QStringLiteral("Cliente3")));
}

void TestPrintout::unknownPrinterAndBadRequestsAreRefused() {
    xl::Workbook book;
    xl::Worksheet& s = book.AddSheet(QStringLiteral("Lista"));
    fillList(s, 3);
    printout::Request rq;
    rq.printer = QStringLiteral("Seleziona la stampante");
    QVERIFY_THROWS_EXCEPTION(xl::Error, printout::print(s, rq));
    rq.printer.clear();
    QVERIFY_THROWS_EXCEPTION(xl::Error, printout::print(s, rq));
    QTemporaryDir dir;
    rq.pdfFile = dir.filePath(QStringLiteral("x.pdf"));
    rq.copies = 0;
    QVERIFY_THROWS_EXCEPTION(xl::Error, printout::print(s, rq));
    // A range past the last page sends nothing and makes no file.
    rq.copies = 1;
    rq.from = 5;
    rq.to = 6;
    QCOMPARE(printout::print(s, rq), 0);
    QVERIFY(!QFile::exists(rq.pdfFile));
}

QTEST_MAIN(TestPrintout)
#include "tst_printout.moc"
