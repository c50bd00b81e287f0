#pragma once
// The workbook Pratiche.xls as the program knows it: its five sheets, the
// header row of each data sheet, the password, a starter workbook for a new
// office, and the layout pass that puts the data sheets back into shape.

#include "platform/engine/workbook.h"

#include <QString>
#include <QStringList>
#include <memory>

namespace store {

// Names of the five sheets, in file order.
inline const QString kPratica = QStringLiteral("Pratica");
inline const QString kCliente = QStringLiteral("Cliente");
inline const QString kVarie = QStringLiteral("Varie");
inline const QString kSpese = QStringLiteral("Spese");
inline const QString kCopertina = QStringLiteral("Copertina");
QStringList sheetNames();

inline const QString kWorkbookFileName = QStringLiteral("Pratiche.xls");
// The fixed password of the workbook and of its backup copy.
QString workbookPassword();

// Row-1 headers of the data sheets, from column A.
const QStringList& practiceHeaders(); // "Pratica" A..L
const QStringList& clientHeaders();   // "Cliente" A..Q
const QStringList& varieHeaders();    // "Varie" A..F (binders A..C, "ID" in D, sectors E..F)
const QStringList& speseHeaders();    // "Spese" A..G

// The counter cell of "Pratica", "Cliente" and "Spese".
inline const QString kCounterCell = QStringLiteral("IV1");
// What the cover printout prints of "Copertina".
inline const QString kCoverPrintArea = QStringLiteral("$A$1:$B$31");

// A new, empty workbook: the five sheets in order with their headers, no
// record, empty counters, and the cover template with its labels laid out to
// print on one A4 page.
std::unique_ptr<xl::Workbook> newStarterWorkbook();

// The layout pass run at every activation of the main window: alignment,
// column widths, headers, text columns, scroll areas and frozen header rows
// of the four data sheets. Leaves "Varie" the active sheet. A missing sheet
// raises xl::Error.
void FormatWorkbook(xl::Workbook& book);

// The alignment the layout pass and the list printouts put on a selection:
// right, bottom, no wrap, no rotation, no indent, no shrink, reading order
// from the context, cells unmerged.
void alignBlock(xl::Range selection);

// The name of the first of the five sheets the workbook lacks, or "".
QString missingSheet(xl::Workbook& book);

} // namespace store
