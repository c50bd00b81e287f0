#include "reference/records.h"

#include "platform/desktop/controls.h"
#include "platform/desktop/dialogs.h"
#include "platform/engine/vbconv.h"
#include "platform/engine/workbook.h"

#include <QComboBox>
#include <QLineEdit>
#include <cmath>

namespace refdata {

int chosenIndex(const QComboBox* box) {
    const int i = box->currentIndex();
    if (i < 0 || i >= box->count()) return -1;
    return box->currentText() == box->itemText(i) ? i : -1;
}

bool isBlank(const xl::Value& v) { return v.isEmpty() || (v.isText() && v.textValue().isEmpty()); }

int firstEmptyRow(xl::Worksheet& sheet, int column) {
    for (int row = 1; row <= vb::kMaxRow16; ++row) {
        if (isBlank(sheet.Cells(row, column).GetValue())) return row;
    }
    return 0;
}

void fillFromColumn(QComboBox* box, xl::Worksheet& sheet, int column) {
    box->clear();
    sheet.Activate();
    QStringList names;
    for (int row = kFirstRecordRow; row <= xl::kMaxRows; ++row) {
        const xl::Value v = sheet.Cells(row, column).GetValue();
        if (isBlank(v)) break;
        names << vb::CStr(v);
    }
    // Filling chooses nothing: an entry shown as chosen after a refill would
    // let the next modify overwrite that record with the emptied fields.
    fillComboList(box, names);
}

namespace {
// Beyond this an ID no longer shows as plain digits.
constexpr double kLargestId = 999999999.0;

std::optional<double> wholeNumber(double d) {
    if (!std::isfinite(d) || d < 1 || d > kLargestId || std::floor(d) != d) return std::nullopt;
    return d;
}
} // namespace

std::optional<double> wholeId(const QString& text) {
    const auto d = vb::CDbl(text);
    return d ? wholeNumber(*d) : std::nullopt;
}

std::optional<double> wholeId(const xl::Value& v) {
    if (v.type() == xl::ValueType::Number) return wholeNumber(v.numberValue());
    if (v.isText()) return wholeId(v.textValue());
    return std::nullopt;
}

bool idMatches(const xl::Value& cell, const QString& shown) {
    const QString t = shown.trimmed();
    if (t.isEmpty()) return false;
    if (cell.type() == xl::ValueType::Number) {
        const auto d = vb::CDbl(t);
        return d && *d == cell.numberValue();
    }
    if (cell.isText()) return !cell.textValue().isEmpty() && cell.textValue().trimmed() == t;
    return false;
}

QString boxText(const QWidget* box) {
    if (auto* e = qobject_cast<const QLineEdit*>(box)) return e->text();
    if (auto* m = qobject_cast<const MultiLineTextBox*>(box)) return m->text();
    if (auto* c = qobject_cast<const QComboBox*>(box)) return c->currentText();
    return QString();
}

void setBoxText(QWidget* box, const QString& text) {
    if (auto* e = qobject_cast<QLineEdit*>(box)) setTextWhole(e, text);
    else if (auto* m = qobject_cast<MultiLineTextBox*>(box)) m->setText(text);
    else if (auto* c = qobject_cast<QComboBox*>(box)) c->setEditText(text);
}

} // namespace refdata
