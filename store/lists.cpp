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

std::vector<QStringList> practiceRows(xl::Worksheet& pratica) {
    std::vector<QStringList> rows;
    for (int row = 2; row <= xl::kMaxRows && filled(pratica, row, 1); ++row) {
        QStringList texts;
        for (int col = 1; col <= 12; ++col) texts << vb::CStr(pratica.Cells(row, col).GetValue());
        rows.push_back(texts);
    }
    return rows;
}

int lastRecordRow(xl::Worksheet& sheet) {
    int row = 1;
    while (row < xl::kMaxRows && filled(sheet, row + 1, 1)) ++row;
    return row;
}

void sortPractices(xl::Worksheet& pratica) {
    const int last = lastRecordRow(pratica);
    if (last < 2) return; // nothing to sort
    xl::Range block = pratica.GetRange(pratica.Cells(2, 1), pratica.Cells(last, 12));
    block.Sort(pratica.GetRange(QStringLiteral("A2")), xl::xlAscending, xl::xlNo);
}

const std::vector<int>& practiceListWidths() {
    static const std::vector<int> w{1000, 1500, 2000, 2000, 2000, 1000, 1000, 1000, 500, 500, 2000, 2000};
    return w;
}

} // namespace store
