#include "practices/practicecommon.h"

#include "platform/desktop/dialogs.h"
#include "platform/engine/vbconv.h"

namespace practices {

bool isBlank(const xl::Value& v) {
    return v.isEmpty() || (v.isText() && v.textValue().isEmpty());
}

std::optional<qint64> wholeNumber(const QString& text) {
    const QString s = text.trimmed();
    if (s.isEmpty() || s.size() > 15) return std::nullopt;
    for (QChar c : s)
        if (c < u'0' || c > u'9') return std::nullopt;
    return s.toLongLong();
}

xl::Value numberCell(const QString& text) {
    if (const auto n = wholeNumber(text)) return xl::Value(static_cast<double>(*n));
    return xl::Value(text);
}

double counterValue(const xl::Value& v) {
    if (v.isNumeric()) return v.numberValue();
    if (v.isText())
        if (const auto d = vb::CDbl(v.textValue())) return *d;
    return 0;
}

std::optional<xl::Value> dateValue(const xl::Value& v) {
    if (v.isNumeric()) return xl::Value::date(v.numberValue());
    if (v.isText())
        if (const auto d = vb::CDate(v.textValue())) return xl::Value::date(vb::DateSerial(*d));
    return std::nullopt;
}

int lastRowOfRun(xl::Worksheet& sheet, int col, int startRow) {
    int r = startRow;
    while (r <= xl::kMaxRows && !isBlank(sheet.Cells(r, col).GetValue())) ++r;
    return r - 1;
}

int lastFilledRow(xl::Worksheet& sheet, int col) {
    // Nothing lies below the rows the sheet keeps, so the walk up starts there
    // rather than at the sheet's last row.
    for (int r = std::min(sheet.usedRows(), xl::kMaxRows); r >= 1; --r)
        if (!isBlank(sheet.Cells(r, col).GetValue())) return r;
    return 0;
}

int practiceRow(xl::Worksheet& sheet, const QString& number) {
    // " 5" is stored as the number 5, so it is looked for as 5.
    const std::optional<qint64> n = wholeNumber(number);
    const QString key = n ? QString::number(*n) : number;
    const int last = lastFilledRow(sheet, ColNumber);
    for (int row = 2; row <= last; ++row)
        if (vb::CellEqualsText(sheet.Cells(row, ColNumber).GetValue(), key)) return row;
    return 0;
}

QString duplicateNumberMessage(const QString& number) {
    return QStringLiteral(" ERRORE  IL  NUMERO PRATICA") + QString(7, u' ') + number + QString(5, u' ') +
           QStringLiteral("E ' ESISTENTE  !");
}

} // namespace practices
