#pragma once
// Rows of a sheet as a list reads them: from a copy of the sheet taken when
// the list is filled, which shares its rows with the sheet (see Worksheet's
// copy), so that taking it costs little at any size and what the sheet goes
// through afterwards does not show in the list. Only the rows the list shows
// are turned into texts, each cell as the program reads it everywhere else:
// vb::CStr of its value, a number under a date format read as that date.

#include "platform/desktop/listrows.h"
#include "platform/engine/workbook.h"

#include <vector>

namespace store {

class SheetRows final : public ListRows {
public:
    // The sheet rows `rows` (1-based, in list order), `columns` cells each
    // from column `firstCol`.
    SheetRows(const xl::Worksheet& sheet, std::vector<int> rows, int firstCol, int columns);
    // The `count` sheet rows from `firstRow` down.
    SheetRows(const xl::Worksheet& sheet, int firstRow, int count, int firstCol, int columns);

    int rows() const override;
    QString text(int row, int column) const override;

private:
    // Whether a format is a date is noted for every format when the copy is
    // taken, so that reading never goes back to the workbook, which may be
    // closed while a list is still painted.
    const xl::Worksheet sheet_;
    std::vector<bool> dateStyle_; // by style index
    std::vector<int> rows_;       // empty when the rows are a run
    int firstRow_ = 0;
    int count_ = 0;
    int firstCol_;
    int columns_;
};

} // namespace store
