#pragma once
// Reading a column of a data sheet as a list, from row 2 down to its first
// empty cell: what the combo boxes of the panels offer.

#include "platform/engine/workbook.h"

#include <QStringList>

namespace store {

// The values of `column` (1-based) from row 2 to the first empty cell, as
// text; item i comes from row i + 2.
QStringList columnList(xl::Worksheet& sheet, int column);

} // namespace store
