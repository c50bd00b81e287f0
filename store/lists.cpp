#include "store/lists.h"

#include "platform/engine/vbconv.h"

namespace store {

QStringList columnList(xl::Worksheet& sheet, int column) {
    QStringList out;
    // An empty text ends the list as an empty cell does, as the readers
    // compare with "".
    const int last = sheet.runEnd(column, 2);
    for (int row = 2; row <= last; ++row) out << vb::CStr(sheet.Cells(row, column).GetValue());
    return out;
}

} // namespace store
