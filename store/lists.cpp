#include "store/lists.h"

#include "platform/engine/vbconv.h"

namespace store {

namespace {
bool filled(xl::Worksheet& sheet, int row, int column) {
    const xl::Cell* c = sheet.cellAt(row, column);
    if (!c) return false;
    // An empty text reads as empty, as the readers compare with "".
    return !(c->value.isEmpty() || (c->value.isText() && c->value.textValue().isEmpty()));
}
} // namespace

QStringList columnList(xl::Worksheet& sheet, int column) {
    QStringList out;
    for (int row = 2; row <= xl::kMaxRows && filled(sheet, row, column); ++row)
        out << vb::CStr(sheet.Cells(row, column).GetValue());
    return out;
}

} // namespace store
