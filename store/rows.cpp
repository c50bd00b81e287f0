#include "store/rows.h"

#include "platform/engine/vbconv.h"

namespace store {

bool isBlank(const xl::Value& v) { return v.isEmpty() || (v.isText() && v.textValue().isEmpty()); }

int firstEmptyRow(xl::Worksheet& sheet, int column) {
    for (int row = 1; row <= vb::kMaxRow16; ++row) {
        if (isBlank(sheet.Cells(row, column).GetValue())) return row;
    }
    return 0;
}

} // namespace store
