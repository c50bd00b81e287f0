#pragma once
// A workbook that uses everything the engine models, and a comparison of
// two workbooks field by field, for the codec's round-trip tests.

#include "platform/engine/workbook.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>

namespace codectest {

// `rows` data rows on the first sheet; long strings that cross record
// boundaries, every value type, styles, layout and page setup on the others.
std::unique_ptr<xl::Workbook> richWorkbook(int rows = 300);

// A workbook stream as a spreadsheet program writes formulas: sheets
// "Dati" and "Altro", plain and shared formulas with every kind of result,
// a reference to the other sheet and to another workbook, and formulas
// this codec keeps as values only. The layout is listed in samples.cpp.
QByteArray formulaStream();

// The body of a BIFF8 BOF record opening the globals (kind 0x0005) or a
// sheet (0x0010), as Excel 97 and later write it.
QByteArray bofRecord(std::uint16_t kind);

// The first difference found, or an empty string when the two agree on
// everything a file keeps.
QString firstDifference(const xl::Workbook& a, const xl::Workbook& b);

} // namespace codectest
