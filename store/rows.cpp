#include "store/rows.h"

#include "platform/engine/vbconv.h"

namespace store {

bool isBlank(const xl::Value& v) { return v.isEmpty() || (v.isText() && v.textValue().isEmpty()); }

void put(xl::Worksheet& sheet, int row, int col, const xl::Value& v) {
    xl::Range cell = sheet.Cells(row, col);
    if (isBlank(v))
        cell.ClearContents();
    else
        cell.SetValue(v);
}

int firstEmptyRow(xl::Worksheet& sheet, int column) {
    // The stored value decides blankness; reading it through a range would
    // only add the date conversion, which never makes a cell blank.
    const int row = sheet.runEnd(column, 1) + 1;
    return row <= vb::kMaxRow16 ? row : 0;
}

} // namespace store
