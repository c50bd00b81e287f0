#pragma once
// What the record modules share about the rows of a data sheet: when a cell
// counts as empty, and where the next record of a table goes.

#include "platform/engine/workbook.h"

namespace store {

// Records stand from row 2 down; row 1 holds the headers.
constexpr int kFirstRecordRow = 2;

// An empty cell, or one holding an empty text: the readers compare with "".
bool isBlank(const xl::Value& v);

// Writes one cell of a record; an empty text leaves the cell empty rather
// than holding an empty text, so that every reader sees it as blank.
void put(xl::Worksheet& sheet, int row, int col, const xl::Value& v);

// First row, counting from row 1, whose cell in `column` is empty; a gap is
// filled first. 0 when the first empty cell lies past the last row a record
// may take (the row count is a signed 16-bit number).
int firstEmptyRow(xl::Worksheet& sheet, int column);

} // namespace store
