#pragma once
// Sheet "Spese" as the ledger panel reads and writes it: where the entries
// are, where a new one goes, which row a loaded entry is, the distinct
// clients, and the query work area beside the entries.

#include "platform/engine/workbook.h"
#include "store/money.h"

#include <QStringList>
#include <optional>
#include <vector>

namespace ledger {

// Columns of an entry (A to G).
enum EntryColumn { ColId = 1, ColPractice, ColClient, ColDate, ColDescription, ColKind, ColAmount };
constexpr int kEntryColumns = 7;
// The query work area: AA to AH, its headers in AA1:AG1, the total in AG65536.
constexpr int kAreaFirstCol = 27;
constexpr int kAreaLastCol = 34;
constexpr int kAreaAmountCol = kAreaFirstCol + ColAmount - 1;
constexpr int kTotalRow = xl::kMaxRows;

inline const QString kSpese = QStringLiteral("Spese");

// A cell's value as the automation interface reads it: a number under a
// date format reads as a date.
inline xl::Value cellValue(xl::Worksheet& sh, int row, int col) { return sh.Cells(row, col).GetValue(); }

// Headers of AA1:AG1, which are also the captions of the query lists.
const QStringList& areaHeaders();

// The last row holding any cell of an entry (A to G); 1 when there is none.
// Rows whose ID is empty inside the ledger do not end it.
int lastEntryRow(xl::Worksheet& sh);

// The row a new entry goes to: the first from row 1 whose ID cell is
// empty. 0 when that row would lie past the last row a 16-bit row number
// reaches (the sheet is full).
int freeEntryRow(xl::Worksheet& sh);

// The seven cells of row `row` as text, columns A to G.
QStringList entryTexts(xl::Worksheet& sh, int row);

// Every entry with an ID, rows 2 to the last entry, in sheet order.
std::vector<QStringList> entryRows(xl::Worksheet& sh);

// The row of the entry listed as `listed` (ID, practice, client, date,
// description, kind, amount as the list showed them): the first row whose
// ID, practice, client, description and kind read the same. Date and amount
// are left out: the lists show them converted. 0 when no row matches.
int findEntry(xl::Worksheet& sh, const QStringList& listed);

// Removes the entry of row `row`: the entries below it move up one row.
// Only the ledger's own columns move (A to Z), so the query work area and
// its total stay where the printouts look for them.
void deleteEntry(xl::Worksheet& sh, int row);

// The clients of every entry, each once (letter case ignored, the upper
// row's spelling kept), sorted: numbers first, then texts by character code.
// One empty item comes first when an empty client cell lies in rows 2 to
// 1000 or among the entries.
QStringList distinctClients(xl::Worksheet& sh);

// The work area emptied (AA2:AH65536) and its headers written.
void resetArea(xl::Worksheet& sh);
// The row below the last filled AA cell.
int nextAreaRow(xl::Worksheet& sh);

// An amount cell to the cent: a number as the sheet shows it, a text that
// reads as an amount ("-12,50", "1.500,00") as that amount; nullopt
// otherwise, also for an amount longer than a cell keeps exactly.
std::optional<store::Money> amountOf(const xl::Value& v);

} // namespace ledger
