#include "store/schema.h"

namespace store {

QStringList sheetNames() { return {kPratica, kCliente, kVarie, kSpese, kCopertina}; }

QString workbookPassword() { return QStringLiteral("Kemi4417"); }

const QStringList& practiceHeaders() {
    static const QStringList h{
        QStringLiteral("Num.Prat."),    QStringLiteral("Data"),        QStringLiteral("Cliente"),
        QStringLiteral("Oggetto"),      QStringLiteral("Descrizione"), QStringLiteral("Settore"),
        QStringLiteral("Collocazione"), QStringLiteral("Faldone"),     QStringLiteral("Istruttoria"),
        QStringLiteral("Completata"),   QStringLiteral("Nota"),        QStringLiteral("Preventivo")};
    return h;
}

const QStringList& clientHeaders() {
    static const QStringList h{QStringLiteral("ID"),
                               QStringLiteral("Ragione Sociale/Cognome Nome"),
                               QStringLiteral("Codice"),
                               QStringLiteral("Data"),
                               QStringLiteral("Indirizzo"),
                               QStringLiteral("CAP"),
                               QStringLiteral("Località"),
                               QStringLiteral("PR"),
                               QStringLiteral("Telefono"),
                               QStringLiteral("Fax"),
                               QStringLiteral("Cellulare"),
                               QStringLiteral("Email"),
                               QStringLiteral("Codice Fiscale"),
                               QStringLiteral("Partita IVA"),
                               QStringLiteral("Referente/Rappresentante"),
                               QStringLiteral("Annotazioni"),
                               QStringLiteral("Nota")};
    return h;
}

const QStringList& varieHeaders() {
    // "Descizione" is the header the offices' files have always carried.
    static const QStringList h{QStringLiteral("Num.Faldone"), QStringLiteral("Descizione"),
                               QStringLiteral("Nota"),        QStringLiteral("ID"),
                               QStringLiteral("Settore"),     QStringLiteral("Descrizione")};
    return h;
}

const QStringList& speseHeaders() {
    static const QStringList h{QStringLiteral("ID"),     QStringLiteral("N.Pratica"),   QStringLiteral("Cliente"),
                               QStringLiteral("Data"),   QStringLiteral("Descrizione"), QStringLiteral("Acconto/Spesa"),
                               QStringLiteral("Importo")};
    return h;
}

namespace {

void writeHeaders(xl::Worksheet& sheet, const QStringList& headers) {
    for (int c = 0; c < headers.size(); ++c) sheet.Cells(1, c + 1).SetValue(xl::Value(headers[c]));
}

// The cover template: labels in column A, the printout fills column B.
void layOutCover(xl::Worksheet& s) {
    struct Label {
        int row;
        const char* text;
    };
    const Label labels[] = {
        {1, "Numero Pratica"}, {2, "Cliente"},      {3, "Data Apertura"}, {5, "Settore"},
        {6, "Collocazione"},   {7, "Faldone"},      {8, "Istruttoria"},   {9, "Completata"},
        {10, "Oggetto"},       {11, "Descrizione"}, {12, "Note"},         {14, "Preventivo €"},
    };
    for (const Label& l : labels) s.Cells(l.row, 1).SetValue(xl::Value(QString::fromUtf8(l.text)));

    // Column A takes the labels, column B the practice; together they fill
    // the width of an A4 sheet between the margins; A is wide enough for the
    // first label in its large bold type.
    s.Columns(1).SetColumnWidth(26);
    s.Columns(2).SetColumnWidth(64);

    xl::Range all = s.GetRange(QStringLiteral("A1:B31"));
    all.SetVerticalAlignment(xl::xlVAlignCenter);
    all.SetFontSize(11);
    s.GetRange(QStringLiteral("A1:A14")).SetFontBold(true);
    s.GetRange(QStringLiteral("A1:B1")).SetFontSize(16);
    s.GetRange(QStringLiteral("B1")).SetFontBold(true);
    s.GetRange(QStringLiteral("B2")).SetFontSize(13);
    s.GetRange(QStringLiteral("B2")).SetFontBold(true);

    // Rows: the header lines, then room for subject, description and notes,
    // which wrap inside their cells; 31 rows add up to less than the height
    // of the page between the margins (about 734 points).
    for (int r = 1; r <= 31; ++r) s.Rows(r).SetRowHeight(12);
    s.Rows(1).SetRowHeight(30);
    s.Rows(2).SetRowHeight(24);
    for (int r = 3; r <= 9; ++r) s.Rows(r).SetRowHeight(21);
    s.Rows(10).SetRowHeight(45);
    s.Rows(11).SetRowHeight(100);
    s.Rows(12).SetRowHeight(130);
    s.Rows(14).SetRowHeight(24);
    xl::Range text = s.GetRange(QStringLiteral("B10:B12"));
    text.SetWrapText(true);
    // The field rows read from the top of their row, so every label stands
    // the same distance below the one before, the tall rows included.
    s.GetRange(QStringLiteral("A3:B14")).SetVerticalAlignment(xl::xlVAlignTop);
    s.GetRange(QStringLiteral("B14")).SetHorizontalAlignment(xl::xlHAlignLeft);

    xl::PageSetup& p = s.GetPageSetup();
    p.SetPrintArea(kCoverPrintArea);
    p.Orientation = xl::xlPortrait;
    p.PaperSize = xl::xlPaperA4;
    p.LeftMargin = xl::Application::InchesToPoints(0.7);
    p.RightMargin = xl::Application::InchesToPoints(0.7);
    p.TopMargin = xl::Application::InchesToPoints(0.75);
    p.BottomMargin = xl::Application::InchesToPoints(0.75);
    p.HeaderMargin = xl::Application::InchesToPoints(0.3);
    p.FooterMargin = xl::Application::InchesToPoints(0.3);
    p.SetFitToPages(1, 1);
    p.CenterHorizontally = true;
    p.PrintGridlines = false;
}

// Alignment block of the layout pass, on the sheet's selection.
void alignSelection(xl::Worksheet& sheet) { alignBlock(sheet.Selection()); }

void selectAll(xl::Worksheet& sheet) {
    sheet.Select();
    sheet.AllCells().Select();
}

void textColumn(xl::Worksheet& sheet, const char* letter) {
    xl::Range col = sheet.Columns(QString::fromLatin1(letter));
    col.Select();
    col.SetNumberFormat(QStringLiteral("@"));
}

} // namespace

std::unique_ptr<xl::Workbook> newStarterWorkbook() {
    auto book = std::make_unique<xl::Workbook>();
    xl::Worksheet& pratica = book->AddSheet(kPratica);
    xl::Worksheet& cliente = book->AddSheet(kCliente);
    xl::Worksheet& varie = book->AddSheet(kVarie);
    xl::Worksheet& spese = book->AddSheet(kSpese);
    xl::Worksheet& copertina = book->AddSheet(kCopertina);
    writeHeaders(pratica, practiceHeaders());
    writeHeaders(cliente, clientHeaders());
    writeHeaders(varie, varieHeaders());
    writeHeaders(spese, speseHeaders());
    layOutCover(copertina);
    pratica.Select();
    return book;
}

QString missingSheet(xl::Workbook& book) {
    for (const QString& name : sheetNames())
        if (!book.findSheet(name)) return name;
    return QString();
}

void alignBlock(xl::Range sel) {
    sel.SetHorizontalAlignment(xl::xlHAlignRight);
    sel.SetVerticalAlignment(xl::xlVAlignBottom);
    sel.SetWrapText(false);
    sel.SetOrientation(0);
    sel.SetAddIndent(false);
    sel.SetIndentLevel(0);
    sel.SetShrinkToFit(false);
    sel.SetReadingOrder(xl::xlContext);
    sel.SetMergeCells(false);
}

void FormatWorkbook(xl::Workbook& book) {
    xl::Worksheet& pratica = book.Sheets(kPratica);
    xl::Worksheet& cliente = book.Sheets(kCliente);
    xl::Worksheet& varie = book.Sheets(kVarie);
    xl::Worksheet& spese = book.Sheets(kSpese);

    for (xl::Worksheet* s : {&spese, &pratica}) {
        selectAll(*s);
        alignSelection(*s);
        s->Selection().AutoFit();
        s->GetRange(QStringLiteral("A1")).Select();
    }
    selectAll(cliente);
    cliente.Selection().AutoFit();
    alignSelection(cliente);
    selectAll(varie);
    varie.Selection().AutoFit();
    alignSelection(varie);
    varie.GetRange(QStringLiteral("A1")).Select();

    writeHeaders(pratica, practiceHeaders());
    writeHeaders(cliente, clientHeaders());

    cliente.Select();
    for (const char* letter : {"I", "J", "K", "N", "R", "M"}) textColumn(cliente, letter);
    cliente.GetRange(QStringLiteral("A2")).Select();
    pratica.Select();
    textColumn(pratica, "G");
    pratica.GetRange(QStringLiteral("A2")).Select();

    writeHeaders(varie, varieHeaders());
    writeHeaders(spese, speseHeaders());

    pratica.SetScrollArea(QStringLiteral("A2:M65536"));
    cliente.SetScrollArea(QStringLiteral("A2:R65536"));
    spese.SetScrollArea(QStringLiteral("A2:H65536"));
    varie.SetScrollArea(QStringLiteral("A2:G65536"));

    spese.Select();
    xl::Range ag = spese.Columns(QStringLiteral("AG"));
    ag.Select();
    ag.SetNumberFormat(QStringLiteral("0.00"));
    spese.GetRange(QStringLiteral("A2")).Select();

    for (xl::Worksheet* s : {&spese, &cliente, &pratica, &varie}) {
        s->Select();
        s->Rows(2).Select();
        s->FreezePanes(1, 0);
    }
    book.ActiveSheet().GetRange(QStringLiteral("A1")).Select();
}

} // namespace store
