#pragma once
// Reading the data sheets as lists: a column from row 2 down to its first
// empty cell, the practice rows for the main list, and the sort of the
// practice sheet.

#include "platform/engine/workbook.h"

#include <QStringList>
#include <vector>

namespace store {

// The values of `column` (1-based) from row 2 to the first empty cell, as
// text; item i comes from row i + 2.
QStringList columnList(xl::Worksheet& sheet, int column);

// The practices of "Pratica" from row 2 to the first empty cell of column A:
// twelve texts each, columns A to L.
std::vector<QStringList> practiceRows(xl::Worksheet& pratica);

// The last row of the run of filled cells of column A that starts at row 2;
// 1 when A2 is empty.
int lastRecordRow(xl::Worksheet& sheet);

// Sorts the practice records (A2:L of the last record row) by number,
// ascending, every row a record; whole records move together.
void sortPractices(xl::Worksheet& pratica);

// Column widths of the practice list, in twips.
const std::vector<int>& practiceListWidths();

} // namespace store
