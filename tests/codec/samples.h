#pragma once
// A workbook that uses everything the engine models, and a comparison of
// two workbooks field by field, for the codec's round-trip tests.

#include "platform/workbook.h"

#include <QString>
#include <memory>

namespace codectest {

// `rows` data rows on the first sheet; long strings that cross record
// boundaries, every value type, styles, layout and page setup on the others.
std::unique_ptr<xl::Workbook> richWorkbook(int rows = 300);

// The first difference found, or an empty string when the two agree on
// everything a file keeps.
QString firstDifference(const xl::Workbook& a, const xl::Workbook& b);

} // namespace codectest
