#include "store/sheetrows.h"

#include "platform/engine/numberformat.h"
#include "platform/engine/vbconv.h"

namespace store {

namespace {
std::vector<bool> dateStyles(const xl::Workbook& book) {
    std::vector<bool> out;
    out.reserve(book.styles().size());
    for (const xl::Style& st : book.styles()) out.push_back(xl::isDateFormat(st.numberFormat));
    return out;
}
} // namespace

SheetRows::SheetRows(const xl::Worksheet& sheet, std::vector<int> rows, int firstCol, int columns)
    : sheet_(sheet), dateStyle_(dateStyles(sheet.Parent())), rows_(std::move(rows)), count_(int(rows_.size())),
      firstCol_(firstCol), columns_(columns) {}

SheetRows::SheetRows(const xl::Worksheet& sheet, int firstRow, int count, int firstCol, int columns)
    : sheet_(sheet), dateStyle_(dateStyles(sheet.Parent())), firstRow_(firstRow), count_(std::max(0, count)),
      firstCol_(firstCol), columns_(columns) {}

int SheetRows::rows() const { return count_; }

QString SheetRows::text(int row, int column) const {
    if (row < 0 || row >= count_ || column < 0 || column >= columns_) return {};
    const int r = rows_.empty() ? firstRow_ + row : rows_[std::size_t(row)];
    const int c = firstCol_ + column;
    const xl::Value& v = sheet_.valueAt(r, c);
    if (v.type() == xl::ValueType::Number) {
        const std::uint32_t style = sheet_.effectiveStyle(r, c);
        if (style < dateStyle_.size() && dateStyle_[style]) return vb::CStr(xl::Value::date(v.numberValue()));
    }
    return vb::CStr(v);
}

} // namespace store
