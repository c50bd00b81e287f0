#include "printing/label.h"

#include "platform/desktop/dialogs.h"
#include "printing/messages.h"
#include "printing/printers.h"

namespace printing {

QString labelText(const QString& number, const QString& date, const QString& client, const QString& sector,
                  const QString& binder, const QString& place) {
    const QChar lf(10);
    return QStringLiteral("N.Pratica             ") + number + lf + QStringLiteral("Data      ") + date + lf +
           QStringLiteral("Cliente : ") + client + lf + QStringLiteral("Settore:  ") + sector + lf +
           QStringLiteral("Faldone : ") + binder + QStringLiteral("     ") + place + lf;
}

bool printLabel(store::Book& book, const store::ShownPractice& p) {
    if (p.number.isEmpty() || p.client.isEmpty() || p.date.isEmpty() || p.sector.isEmpty() || p.binder.isEmpty()) {
        ui::dialogs().message(msg::kLabelFields, msg::kTitle, ui::MsgIcon::None);
        return false;
    }
    const QString text = labelText(p.number, p.date, p.client, p.sector, p.binder, p.place);

    xl::Application& excel = book.application();
    xl::Worksheet* found = excel.hasWorkbook() ? excel.ActiveWorkbook().findSheet(QStringLiteral("Varie")) : nullptr;
    if (!found) return true;
    xl::Worksheet& sh = *found;
    sh.Select();
    // Row 1 holds the headers of the binder and sector lists: it gets its
    // own height back once the label is out.
    const xl::RowInfo* header = sh.rowInfo(1);
    const double headerHeight = header ? header->height : -1;
    const bool headerHidden = header && header->hidden;
    xl::Range cell = sh.GetRange(QStringLiteral("AU1"));
    cell.ClearContents();
    cell.Select();
    xl::Range sel = sh.Selection();
    sel.SetRowHeight(140);
    sel.SetColumnWidth(33);
    sel.SetHorizontalAlignment(xl::xlHAlignLeft);
    sel.SetVerticalAlignment(xl::xlVAlignCenter);
    sel.SetWrapText(true);
    sel.SetAddIndent(false);
    sel.SetIndentLevel(2);
    sel.SetFontSize(10);
    sel.SetFontBold(true);
    cell.SetValue(xl::Value(text));

    xl::PageSetup& ps = sh.GetPageSetup();
    ps.CenterHeader.clear();
    ps.LeftMargin = ps.RightMargin = ps.TopMargin = ps.BottomMargin = 0;
    ps.HeaderMargin = ps.FooterMargin = 0;
    ps.PrintGridlines = false;
    // The label's own scale, whatever zoom or fit the last list printed on
    // this sheet left behind.
    ps.SetZoom(100);

    // The label goes to the current printer, not to the one picked in the
    // printer-choice form.
    printout::Request rq;
    rq.printer = printers().defaultName();
    rq.copies = 1;
    rq.collate = true;
    rq.area = cell.Rect();
    rq.documentName = QStringLiteral("Velmora - Etichetta");
    bool printed = false;
    try {
        printers().printOut(sh, rq);
        printed = true;
    } catch (const std::exception&) {
    }

    // The cell is emptied whatever happened to the job, so no label text is
    // left in the workbook.
    ps.PrintArea.clear();
    sh.GetRange(QStringLiteral("AT5")).Select();
    cell.ClearContents();
    cell.Select();
    xl::RowInfo& row1 = sh.rowInfoRef(1);
    row1.height = headerHeight;
    row1.hidden = headerHidden;

    if (!printed)
        ui::dialogs().message(rq.printer.isEmpty() ? msg::kLabelNoDefaultPrinter : msg::labelNotPrinted(rq.printer),
                              msg::kTitle, ui::MsgIcon::Information);
    return true;
}

} // namespace printing
