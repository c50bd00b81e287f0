#include "platform/engine/workbook.h"

#include "platform/engine/numberformat.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>
#include <cmath>
#include <optional>
#include <unordered_map>

namespace xl {

namespace {

void checkRect(const CellRect& r) {
    if (r.row1 < 1 || r.col1 < 1 || r.row2 > kMaxRows || r.col2 > kMaxCols || r.row1 > r.row2 || r.col1 > r.col2)
        throw Error("range outside the sheet");
}

bool isWholeColumns(const CellRect& r) { return r.row1 == 1 && r.row2 == kMaxRows; }
bool isWholeRows(const CellRect& r) { return r.col1 == 1 && r.col2 == kMaxCols; }

} // namespace

Worksheet& Range::Parent() const {
    if (!sheet_) throw Error("a range of no sheet");
    return *sheet_;
}

// ---------------------------------------------------------------- values

Value Range::GetValue() const {
    Worksheet& ws = Parent();
    const Value& v = ws.valueAt(rect_.row1, rect_.col1);
    if (v.type() == ValueType::Number &&
        isDateFormat(ws.Parent().style(ws.effectiveStyle(rect_.row1, rect_.col1)).numberFormat))
        return Value::date(v.numberValue());
    return v;
}

void Range::SetValue(const Value& v) {
    Worksheet& ws = Parent();
    Workbook& book = ws.Parent();
    // Writing an empty text empties the cell, as the application does.
    Value stored = v;
    if (v.isText() && v.textValue().isEmpty())
        stored = Value();
    else if (v.isDate())
        stored = Value::number(v.numberValue());
    if (!std::isfinite(stored.numberValue())) throw Error("not a finite number");
    // A longer text would be cut short by the file's string lengths and
    // garble the cells saved after it.
    if (stored.isText() && stored.textValue().size() > kMaxCellText)
        throw Error("text longer than " + std::to_string(kMaxCellText) + " characters");
    std::unordered_map<std::uint32_t, std::uint32_t> dated;
    for (int row = rect_.row1; row <= rect_.row2; ++row) {
        for (int col = rect_.col1; col <= rect_.col2; ++col) {
            if (stored.isEmpty() && !ws.cellAt(row, col)) {
                continue;
            }
            // The same value again, in a cell without a formula, changes
            // nothing; leaving the cell alone keeps its row from counting as
            // written (work areas are rewritten with what they held).
            if (!v.isDate()) {
                const Cell* same = ws.cellAt(row, col);
                if (same && same->value == stored && !same->kept &&
                    std::signbit(same->value.numberValue()) == std::signbit(stored.numberValue()))
                    continue;
            }
            Cell& c = ws.cellRef(row, col);
            c.value = stored;
            c.kept.reset();
            if (v.isDate()) {
                auto it = dated.find(c.style);
                if (it == dated.end()) {
                    std::uint32_t to = c.style;
                    if (canonicalFormat(book.style(c.style).numberFormat) == u"General") {
                        Style s = book.style(c.style);
                        s.numberFormat = QStringLiteral("dd/mm/yyyy");
                        to = book.internStyle(s);
                    }
                    it = dated.emplace(c.style, to).first;
                }
                c.style = it->second;
            }
        }
    }
}

QString Range::Text() const { return Parent().textAt(rect_.row1, rect_.col1); }

QString Range::Formula() const {
    Worksheet& ws = Parent();
    if (const Cell* c = ws.cellAt(rect_.row1, rect_.col1)) {
        const Value& v = c->value;
        switch (v.type()) {
        case ValueType::Empty: return QString();
        case ValueType::Text: return v.textValue();
        case ValueType::Number:
        case ValueType::Date: return QString::number(v.numberValue(), 'g', 15);
        case ValueType::Boolean: return v.booleanValue() ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
        case ValueType::Error: return formatValue(v, QStringLiteral("General"));
        }
    }
    return QString();
}

void Range::SetFormula(const QString& f) {
    if (f.startsWith(u'=')) throw Error("formulas are not supported: " + f.toStdString());
    bool ok = false;
    const double d = f.trimmed().toDouble(&ok); // the formula language's own "." decimal point
    if (ok && !f.trimmed().isEmpty() && std::isfinite(d))
        SetValue(Value::number(d));
    else
        SetValue(Value::text(f));
}

// ---------------------------------------------------------------- navigation

Range Range::Offset(int rows, int cols) const {
    CellRect r{rect_.row1 + rows, rect_.col1 + cols, rect_.row2 + rows, rect_.col2 + cols};
    checkRect(r);
    return Range(&Parent(), r);
}

Range Range::Cells(int row, int col) const {
    const int r = rect_.row1 + row - 1, c = rect_.col1 + col - 1;
    checkRect({r, c, r, c});
    return Range(&Parent(), {r, c, r, c});
}

Range Range::Resize(int rows, int cols) const {
    if (rows < 1 || cols < 1) throw Error("range of no cells");
    CellRect r{rect_.row1, rect_.col1, rect_.row1 + rows - 1, rect_.col1 + cols - 1};
    checkRect(r);
    return Range(&Parent(), r);
}

QString Range::Address() const {
    Parent();
    return formatAddress(rect_);
}

Range Range::End(Direction d) const {
    Worksheet& ws = Parent();
    const int row = rect_.row1, col = rect_.col1;
    auto filled = [&ws](int r, int c) { return !ws.valueAt(r, c).isEmpty(); };
    const int stored = ws.usedRows();
    switch (d) {
    case xlDown: {
        if (row >= kMaxRows) return ws.Cells(row, col);
        if (filled(row, col) && filled(row + 1, col)) {
            int r = row + 1;
            while (r < kMaxRows && filled(r + 1, col)) ++r;
            return ws.Cells(r, col);
        }
        for (int r = row + 1; r <= stored; ++r)
            if (filled(r, col)) return ws.Cells(r, col);
        return ws.Cells(kMaxRows, col);
    }
    case xlUp: {
        if (row <= 1) return ws.Cells(1, col);
        if (filled(row, col) && filled(row - 1, col)) {
            int r = row - 1;
            while (r > 1 && filled(r - 1, col)) --r;
            return ws.Cells(r, col);
        }
        for (int r = std::min(row - 1, stored); r >= 1; --r)
            if (filled(r, col)) return ws.Cells(r, col);
        return ws.Cells(1, col);
    }
    case xlToRight: {
        if (col >= kMaxCols) return ws.Cells(row, col);
        if (filled(row, col) && filled(row, col + 1)) {
            int c = col + 1;
            while (c < kMaxCols && filled(row, c + 1)) ++c;
            return ws.Cells(row, c);
        }
        const RowInfo* ri = ws.rowInfo(row);
        const int width = ri ? static_cast<int>(ri->cells.size()) : 0;
        for (int c = col + 1; c <= width; ++c)
            if (filled(row, c)) return ws.Cells(row, c);
        return ws.Cells(row, kMaxCols);
    }
    case xlToLeft: {
        if (col <= 1) return ws.Cells(row, 1);
        if (filled(row, col) && filled(row, col - 1)) {
            int c = col - 1;
            while (c > 1 && filled(row, c - 1)) --c;
            return ws.Cells(row, c);
        }
        for (int c = col - 1; c >= 1; --c)
            if (filled(row, c)) return ws.Cells(row, c);
        return ws.Cells(row, 1);
    }
    }
    throw Error("unknown direction");
}

Range Range::EntireRow() const { return Range(&Parent(), {rect_.row1, 1, rect_.row2, kMaxCols}); }
Range Range::EntireColumn() const { return Range(&Parent(), {1, rect_.col1, kMaxRows, rect_.col2}); }

void Range::Delete() {
    Worksheet& ws = Parent();
    if (isWholeRows(rect_)) {
        ws.deleteRows(rect_.row1, rect_.rows());
        return;
    }
    const int n = rect_.cols();
    if (isWholeColumns(rect_)) {
        // Columns to the right move left.
        for (int row = 1; row <= ws.usedRows(); ++row) {
            auto& cells = ws.rowInfoRef(row).cells;
            const int size = static_cast<int>(cells.size());
            if (size >= rect_.col1)
                cells.erase(cells.begin() + (rect_.col1 - 1), cells.begin() + std::min(size, rect_.col2));
        }
        for (int col = rect_.col1; col <= kMaxCols; ++col)
            ws.columnInfoRef(col) = col + n <= kMaxCols ? ws.columnInfo(col + n) : ColumnInfo{};
        return;
    }
    // A block: the cells below it in its columns move up.
    const int h = rect_.rows();
    const int stored = ws.usedRows();
    for (int row = rect_.row1; row <= stored; ++row) {
        for (int col = rect_.col1; col <= rect_.col2; ++col) {
            const int from = row + h;
            const Cell* src = ws.cellAt(from, col);
            if (src) {
                const Cell copy = *src;
                ws.cellRef(row, col) = copy;
            } else if (ws.cellAt(row, col)) {
                Cell& c = ws.cellRef(row, col);
                c = Cell{};
                c.style = ws.inheritedStyle(row, col);
            }
        }
    }
}

void Range::ClearContents() { Parent().clear(rect_); }

void Range::Select() const { Parent().SetSelection(rect_); }

// ---------------------------------------------------------------- sort

namespace {

// Sort classes: numbers (and texts that read as whole numbers) first, then
// texts, booleans, errors; blanks always last.
struct SortKey {
    int cls = 4;
    double num = 0;
    std::optional<QCollatorSortKey> text; // collation key, case ignored
};

bool wholeNumberText(const QString& s, double& out) {
    const QString t = s.trimmed();
    if (t.isEmpty() || t.size() > 15) return false;
    for (QChar c : t)
        if (!c.isDigit() || c.unicode() >= 128) return false;
    out = t.toDouble();
    return true;
}

SortKey makeKey(const Value& v, const QCollator& coll) {
    SortKey k;
    switch (v.type()) {
    case ValueType::Empty: k.cls = 4; break;
    case ValueType::Number:
    case ValueType::Date:
        k.cls = 0;
        k.num = v.numberValue();
        break;
    case ValueType::Text:
        if (wholeNumberText(v.textValue(), k.num)) {
            k.cls = 0;
        } else {
            k.cls = 1;
            k.text.emplace(coll.sortKey(v.textValue()));
        }
        break;
    case ValueType::Boolean:
        k.cls = 2;
        k.num = v.numberValue();
        break;
    case ValueType::Error:
        k.cls = 3;
        k.num = v.numberValue();
        break;
    }
    return k;
}

int compareKeys(const SortKey& a, const SortKey& b) {
    if (a.cls != b.cls) return a.cls < b.cls ? -1 : 1;
    if (a.cls == 1) {
        const int c = a.text->compare(*b.text);
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    return a.num < b.num ? -1 : (b.num < a.num ? 1 : 0);
}

const QCollator& italianCollator() {
    static const QCollator coll = [] {
        QCollator c{QLocale(QLocale::Italian, QLocale::Italy)};
        c.setCaseSensitivity(Qt::CaseInsensitive);
        c.setNumericMode(false);
        return c;
    }();
    return coll;
}

} // namespace

void Range::Sort(const Range& key1, SortOrder order1, SortHeader header) {
    Worksheet& ws = Parent();
    if (key1.isNull() || &key1.Parent() != &ws) throw Error("the sort key is not on the sorted sheet");
    const int keyCol = key1.Column();
    if (keyCol < rect_.col1 || keyCol > rect_.col2) throw Error("the sort key is outside the sorted range");
    if (order1 != xlAscending && order1 != xlDescending) throw Error("invalid sort order");

    int first = rect_.row1;
    // Rows past the stored ones are blank and would stay last anyway.
    const int last = std::min(rect_.row2, ws.usedRows());
    const QCollator& coll = italianCollator();
    bool skipHeader = header == xlYes;
    if (header == xlGuess && last > first) {
        // A header is guessed when the key of the first row is a word and
        // the key of the second row is a number (or a number typed as text).
        const SortKey k1 = makeKey(ws.valueAt(first, keyCol), coll);
        const SortKey k2 = makeKey(ws.valueAt(first + 1, keyCol), coll);
        skipHeader = k1.cls == 1 && k2.cls == 0;
    }
    if (skipHeader) ++first;
    if (last <= first) return;

    const int n = last - first + 1;
    std::vector<SortKey> keys(n);
    for (int i = 0; i < n; ++i) keys[i] = makeKey(ws.valueAt(first + i, keyCol), coll);
    std::vector<int> perm(n);
    for (int i = 0; i < n; ++i) perm[i] = i;
    const bool desc = order1 == xlDescending;
    std::stable_sort(perm.begin(), perm.end(), [&](int a, int b) {
        const SortKey& ka = keys[a];
        const SortKey& kb = keys[b];
        if (ka.cls == 4 || kb.cls == 4) return ka.cls != 4 && kb.cls == 4;
        const int c = compareKeys(ka, kb);
        return desc ? c > 0 : c < 0;
    });
    bool moved = false;
    for (int i = 0; i < n && !moved; ++i) moved = perm[i] != i;
    if (!moved) return;

    // Copy the block's cells (values with their formats), then write them
    // back in the new order. Columns outside the block stay where they are.
    const int w = rect_.cols();
    std::vector<Cell> block(static_cast<std::size_t>(n) * w);
    std::vector<char> present(block.size(), 0);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < w; ++j) {
            if (const Cell* c = ws.cellAt(first + i, rect_.col1 + j)) {
                block[static_cast<std::size_t>(i) * w + j] = *c;
                present[static_cast<std::size_t>(i) * w + j] = 1;
            }
        }
    }
    for (int i = 0; i < n; ++i) {
        if (perm[i] == i) continue;
        const int row = first + i;
        for (int j = 0; j < w; ++j) {
            const std::size_t src = static_cast<std::size_t>(perm[i]) * w + j;
            const int col = rect_.col1 + j;
            if (present[src]) {
                ws.cellRef(row, col) = block[src];
            } else if (ws.cellAt(row, col)) {
                // The source cell was absent: the target reverts to the
                // format it inherits from its column.
                Cell& c = ws.cellRef(row, col);
                c = Cell{};
                c.style = ws.inheritedStyle(row, col);
            }
        }
    }
}

// ---------------------------------------------------------------- formats

namespace {

template <typename Fn>
void applyStyle(Worksheet& ws, const CellRect& rect, Fn fn) {
    Workbook& book = ws.Parent();
    std::unordered_map<std::uint32_t, std::uint32_t> cache;
    auto transformUncached = [&](std::uint32_t idx) {
        auto it = cache.find(idx);
        if (it != cache.end()) return it->second;
        Style s = book.style(idx);
        fn(s);
        const std::uint32_t to = book.internStyle(s);
        cache.emplace(idx, to);
        return to;
    };
    // Neighbouring cells mostly share a format: the last answer is kept
    // apart from the map.
    std::uint32_t lastFrom = 0, lastTo = 0;
    bool last = false;
    auto transform = [&](std::uint32_t idx) {
        if (last && idx == lastFrom) return lastTo;
        last = true;
        lastFrom = idx;
        lastTo = transformUncached(idx);
        return lastTo;
    };
    const bool wholeCols = isWholeColumns(rect);
    const bool wholeRows = isWholeRows(rect);

    if (wholeCols || wholeRows) {
        if (wholeCols) {
            // Rows with a format of their own get real cells where the new
            // column format meets them, so that the row format does not hide it.
            for (int row = 1; row <= ws.usedRows(); ++row) {
                const RowInfo* ri = ws.rowInfo(row);
                if (ri->style >= 0 && !wholeRows) ws.cellRef(row, rect.col2);
            }
            for (int col = rect.col1; col <= rect.col2; ++col) {
                ColumnInfo& ci = ws.columnInfoRef(col);
                ci.style = static_cast<std::int32_t>(transform(ci.style < 0 ? 0 : ci.style));
            }
        }
        if (wholeRows) {
            const int lastRow = wholeCols ? ws.usedRows() : rect.row2;
            for (int row = rect.row1; row <= lastRow; ++row) {
                if (wholeCols) {
                    const RowInfo* ri = ws.rowInfo(row);
                    if (ri->style < 0) continue;
                    ws.rowInfoRef(row).style = static_cast<std::int32_t>(transform(ri->style));
                    continue;
                }
                RowInfo& ri = ws.rowInfoRef(row);
                if (ri.style < 0) {
                    // Cells under a column format keep it under the new row format.
                    for (int col = kMaxCols; col >= 1; --col) {
                        if (ws.columnInfo(col).style >= 0) {
                            ws.cellRef(row, col);
                            break;
                        }
                    }
                }
                RowInfo& r2 = ws.rowInfoRef(row);
                r2.style = static_cast<std::int32_t>(transform(r2.style < 0 ? 0 : r2.style));
            }
        }
        // Existing cells (including padding slots, which follow the same
        // change as the format they inherit).
        // A row whose cells already have the format is left untouched, so
        // that it is not taken as written (a layout pass formats every
        // cell of a sheet each time, and nearly all already have it).
        const int lastRow = std::min(rect.row2, ws.usedRows());
        for (int row = rect.row1; row <= lastRow; ++row) {
            const auto& seen = ws.rowInfo(row)->cells;
            const int lastCol = std::min(rect.col2, static_cast<int>(seen.size()));
            bool changes = false;
            for (int col = rect.col1; col <= lastCol && !changes; ++col)
                changes = transform(seen[col - 1].style) != seen[col - 1].style;
            if (!changes) continue;
            auto& cells = ws.rowInfoRef(row).cells;
            for (int col = rect.col1; col <= lastCol; ++col) cells[col - 1].style = transform(cells[col - 1].style);
        }
        return;
    }
    for (int row = rect.row1; row <= rect.row2; ++row) {
        ws.cellRef(row, rect.col2); // every cell of the row up to the block's edge exists now
        auto& cells = ws.rowInfoRef(row).cells;
        for (int col = rect.col1; col <= rect.col2; ++col) cells[col - 1].style = transform(cells[col - 1].style);
    }
}

HAlign hAlignFrom(int c) {
    switch (c) {
    case xlHAlignGeneral: return HAlign::General;
    case xlHAlignLeft: return HAlign::Left;
    case xlHAlignCenter: return HAlign::Center;
    case xlHAlignRight: return HAlign::Right;
    case 5: return HAlign::Fill;
    case -4130: return HAlign::Justify;
    case 7: return HAlign::CenterAcross;
    case -4117: return HAlign::Distributed;
    default: throw Error("invalid horizontal alignment");
    }
}

VAlign vAlignFrom(int c) {
    switch (c) {
    case xlVAlignTop: return VAlign::Top;
    case xlVAlignCenter: return VAlign::Center;
    case xlVAlignBottom: return VAlign::Bottom;
    case -4130: return VAlign::Justify;
    case -4117: return VAlign::Distributed;
    default: throw Error("invalid vertical alignment");
    }
}

} // namespace

QString Range::NumberFormat() const { return CellStyle().numberFormat; }

const Style& Range::CellStyle() const {
    Worksheet& ws = Parent();
    return ws.Parent().style(ws.effectiveStyle(rect_.row1, rect_.col1));
}

void Range::SetNumberFormat(const QString& fmt) {
    const QString f = fmt.isEmpty() ? QStringLiteral("General") : fmt;
    applyStyle(Parent(), rect_, [&f](Style& s) { s.numberFormat = f; });
}

void Range::SetHorizontalAlignment(int xlConst) {
    const HAlign a = hAlignFrom(xlConst);
    applyStyle(Parent(), rect_, [a](Style& s) { s.hAlign = a; });
}

void Range::SetVerticalAlignment(int xlConst) {
    const VAlign a = vAlignFrom(xlConst);
    applyStyle(Parent(), rect_, [a](Style& s) { s.vAlign = a; });
}

void Range::SetWrapText(bool on) {
    applyStyle(Parent(), rect_, [on](Style& s) { s.wrapText = on; });
}

void Range::SetOrientation(int degrees) {
    if ((degrees < -90 || degrees > 90) && degrees != 255 && degrees != -4166 && degrees != -4171 && degrees != -4170 &&
        degrees != -4128)
        throw Error("invalid orientation");
    int d = degrees;
    if (d == -4128)
        d = 0; // xlHorizontal
    else if (d == -4166)
        d = 90; // xlUpward
    else if (d == -4170)
        d = -90; // xlDownward
    else if (d == -4171)
        d = 255; // xlVertical
    applyStyle(Parent(), rect_, [d](Style& s) { s.orientation = d; });
}

void Range::SetAddIndent(bool on) {
    applyStyle(Parent(), rect_, [on](Style& s) { s.addIndent = on; });
}

void Range::SetIndentLevel(int level) {
    if (level < 0 || level > 15) throw Error("invalid indent level");
    applyStyle(Parent(), rect_, [level](Style& s) { s.indentLevel = level; });
}

void Range::SetShrinkToFit(bool on) {
    applyStyle(Parent(), rect_, [on](Style& s) { s.shrinkToFit = on; });
}

void Range::SetReadingOrder(int xlConst) {
    int r;
    switch (xlConst) {
    case xlContext: r = 0; break;
    case xlLTR: r = 1; break;
    case xlRTL: r = 2; break;
    default: throw Error("invalid reading order");
    }
    applyStyle(Parent(), rect_, [r](Style& s) { s.readingOrder = r; });
}

void Range::SetMergeCells(bool merge) {
    Worksheet& ws = Parent();
    auto overlaps = [this](const CellRect& m) {
        return !(m.row2 < rect_.row1 || m.row1 > rect_.row2 || m.col2 < rect_.col1 || m.col1 > rect_.col2);
    };
    std::erase_if(ws.mergedCells, overlaps);
    if (merge && (rect_.rows() > 1 || rect_.cols() > 1)) ws.mergedCells.push_back(rect_);
}

void Range::SetFontSize(double points) {
    if (!(points >= 1 && points <= 409)) throw Error("invalid font size");
    applyStyle(Parent(), rect_, [points](Style& s) { s.font.size = points; });
}

void Range::SetFontBold(bool bold) {
    applyStyle(Parent(), rect_, [bold](Style& s) { s.font.bold = bold; });
}

// ---------------------------------------------------------------- sizes

double Range::ColumnWidth() const {
    Worksheet& ws = Parent();
    const double w = ws.columnInfo(rect_.col1).width;
    return w < 0 ? ws.defaultColumnWidth : w;
}

void Range::SetColumnWidth(double chars) {
    if (!(chars >= 0 && chars <= 255)) throw Error("column width outside 0..255");
    Worksheet& ws = Parent();
    for (int col = rect_.col1; col <= rect_.col2; ++col) {
        ColumnInfo& ci = ws.columnInfoRef(col);
        ci.width = chars;
        ci.hidden = chars == 0;
    }
}

double Range::RowHeight() const {
    Worksheet& ws = Parent();
    const RowInfo* ri = ws.rowInfo(rect_.row1);
    return ri && ri->height >= 0 ? ri->height : ws.defaultRowHeight;
}

void Range::SetRowHeight(double points) {
    if (!(points >= 0 && points <= 409)) throw Error("row height outside 0..409");
    Worksheet& ws = Parent();
    if (isWholeColumns(rect_)) {
        // Every row: the sheet's default changes, no row is stored for it.
        ws.defaultRowHeight = points;
        for (int row = 1; row <= ws.usedRows(); ++row) {
            RowInfo& ri = ws.rowInfoRef(row);
            ri.height = -1;
            ri.hidden = points == 0;
        }
        return;
    }
    for (int row = rect_.row1; row <= rect_.row2; ++row) {
        RowInfo& ri = ws.rowInfoRef(row);
        ri.height = points;
        ri.hidden = points == 0;
    }
}

} // namespace xl
