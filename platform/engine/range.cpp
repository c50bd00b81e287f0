#include "platform/engine/workbook.h"

#include "platform/engine/numberformat.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>
#include <array>
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
    const QString* str = nullptr;         // the text, for texts
    bool plain = false;                   // letters, digits and spaces only: no collation key needed
    std::uint64_t head[2] = {0, 0};       // of a plain text: the places of its first characters, packed
    std::optional<QCollatorSortKey> text; // collation key, case ignored, for the other texts
};

// Where a character of a plain text stands in Italian collation with case
// ignored: spaces, then digits, then letters; nothing else is plain. On
// such texts the collation compares these places one by one, a text that
// is the start of another coming first, and nothing else (no accents, no
// case, no contractions), so the order needs no collation key.
int plainPlace(char16_t c) {
    if (c == u' ') return 0;
    if (c >= u'0' && c <= u'9') return 1 + (c - u'0');
    if (c >= u'a' && c <= u'z') return 11 + (c - u'a');
    if (c >= u'A' && c <= u'Z') return 11 + (c - u'A');
    return -1;
}

bool isPlain(const QString& s) {
    for (QChar c : s)
        if (plainPlace(c.unicode()) < 0) return false;
    return true;
}

// The first kHeadChars characters of a plain text, each as its place + 1
// in six bits, ten to a word and high bits first, then zeros: two texts'
// heads compare as those characters do, a shorter text first.
constexpr int kHeadChars = 20;

void packHead(const QString& s, std::uint64_t (&head)[2]) {
    const qsizetype n = std::min<qsizetype>(s.size(), kHeadChars);
    for (qsizetype i = 0; i < kHeadChars; ++i) {
        const std::uint64_t p = i < n ? static_cast<std::uint64_t>(plainPlace(s[i].unicode()) + 1) : 0;
        head[i / 10] |= p << (6 * (9 - i % 10));
    }
}

int comparePlain(const QString& a, const QString& b) {
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const int x = plainPlace(a[i].unicode()), y = plainPlace(b[i].unicode());
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// Read in place: up to 15 digits make a whole number a double holds
// exactly, so summing them gives what a conversion of the text would.
bool wholeNumberText(const QString& s, double& out) {
    const QStringView t = QStringView(s).trimmed();
    if (t.isEmpty() || t.size() > 15) return false;
    std::int64_t n = 0;
    for (QChar c : t) {
        if (c.unicode() < u'0' || c.unicode() > u'9') return false;
        n = n * 10 + (c.unicode() - u'0');
    }
    out = static_cast<double>(n);
    return true;
}

// What places a row without a collation key: texts are compared as they
// stand, which orders them as their keys would.
struct PlainKey {
    int cls = 4;
    double num = 0;
    const QString* text = nullptr;
};

PlainKey plainKey(const Value& v) {
    PlainKey k;
    switch (v.type()) {
    case ValueType::Empty: break;
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
            k.text = &v.textValue();
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

// Whether `b` must come before `a` that precedes it: blanks last whatever
// the order, the rest as the sort orders them.
bool outOfOrder(const PlainKey& a, const PlainKey& b, bool desc, const QCollator& coll) {
    if (a.cls == 4 || b.cls == 4) return a.cls == 4 && b.cls != 4;
    int c;
    if (a.cls != b.cls)
        c = a.cls < b.cls ? -1 : 1;
    else if (a.cls == 1)
        c = isPlain(*a.text) && isPlain(*b.text) ? comparePlain(*a.text, *b.text) : coll.compare(*a.text, *b.text);
    else
        c = a.num < b.num ? -1 : (b.num < a.num ? 1 : 0);
    return desc ? c < 0 : c > 0;
}

SortKey makeKey(const Value& v, const QCollator& coll) {
    const PlainKey p = plainKey(v);
    SortKey k;
    k.cls = p.cls;
    k.num = p.num;
    if (p.cls == 1) {
        k.str = p.text;
        k.plain = isPlain(*p.text);
        if (k.plain)
            packHead(*p.text, k.head);
        else
            k.text.emplace(coll.sortKey(*p.text));
    }
    return k;
}

int compareKeys(const SortKey& a, const SortKey& b, const QCollator& coll) {
    if (a.cls != b.cls) return a.cls < b.cls ? -1 : 1;
    if (a.cls == 1) {
        int c;
        if (a.plain && b.plain) {
            if (a.head[0] != b.head[0]) return a.head[0] < b.head[0] ? -1 : 1;
            if (a.head[1] != b.head[1]) return a.head[1] < b.head[1] ? -1 : 1;
            // Equal heads: the texts differ, if at all, further on.
            c = a.str->size() <= kHeadChars && b.str->size() <= kHeadChars ? 0 : comparePlain(*a.str, *b.str);
        } else if (a.plain || b.plain)
            c = coll.compare(*a.str, *b.str); // orders as the keys would
        else
            c = a.text->compare(*b.text);
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

namespace {
std::vector<int> computeOrder(int count, const std::function<const Value&(int)>& key, SortOrder order);

// The keys and the order of the last few sorts on this thread. Asked again
// with keys that compare equal one by one (a search repeated, a list sorted
// again after a change elsewhere), the order is the same, found with one
// comparison a key, mostly of two pointers to the same text.
struct LastOrder {
    std::vector<Value> keys;
    std::vector<int> perm;
    SortOrder order = xlAscending;
    std::uint64_t used = 0; // 0: holds nothing
};
thread_local std::array<LastOrder, 4> lastOrders;
thread_local std::uint64_t orderCalls = 0;
} // namespace

std::vector<int> sortOrder(int count, const std::function<const Value&(int)>& key, SortOrder order) {
    ++orderCalls;
    LastOrder* oldest = &lastOrders[0];
    for (LastOrder& memo : lastOrders) {
        if (memo.used < oldest->used) oldest = &memo;
        if (memo.used == 0 || memo.order != order || static_cast<int>(memo.keys.size()) != count) continue;
        int i = 0;
        while (i < count && memo.keys[i] == key(i)) ++i;
        if (i == count) {
            memo.used = orderCalls;
            return memo.perm;
        }
    }
    std::vector<int> perm = computeOrder(count, key, order);
    LastOrder& memo = *oldest;
    memo.keys.clear();
    memo.keys.reserve(count);
    for (int i = 0; i < count; ++i) memo.keys.push_back(key(i));
    memo.perm = perm;
    memo.order = order;
    memo.used = orderCalls;
    return perm;
}

namespace {
std::vector<int> computeOrder(int count, const std::function<const Value&(int)>& key, SortOrder order) {
    const QCollator& coll = italianCollator();
    const bool desc = order == xlDescending;
    std::vector<SortKey> keys(count);
    for (int i = 0; i < count; ++i) keys[i] = makeKey(key(i), coll);
    std::vector<int> perm(count);
    for (int i = 0; i < count; ++i) perm[i] = i;
    std::stable_sort(perm.begin(), perm.end(), [&](int a, int b) {
        const SortKey& ka = keys[a];
        const SortKey& kb = keys[b];
        if (ka.cls == 4 || kb.cls == 4) return ka.cls != 4 && kb.cls == 4;
        const int c = compareKeys(ka, kb, coll);
        return desc ? c > 0 : c < 0;
    });
    return perm;
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

    const bool desc = order1 == xlDescending;
    // A block already in order (the usual case: a new record takes the next
    // number) costs one look at each key and nothing else; when the same
    // block was found in order before, only the pairs of neighbouring keys
    // that touch a row written since (or a row it grew by) are looked at.
    Worksheet::SortedRun* run = nullptr;
    for (Worksheet::SortedRun& r : ws.sortedRuns)
        if (r.known && r.keyCol == keyCol && r.first == first && r.descending == desc) run = &r;
    auto changed = [&](int row) { return !run || row > run->last || ws.blockStamp(row, keyCol) > run->stamp; };
    bool ordered = true;
    for (int row = first; row < last && ordered; ++row) {
        if (!changed(row) && !changed(row + 1)) continue;
        ordered = !outOfOrder(plainKey(ws.valueAt(row, keyCol)), plainKey(ws.valueAt(row + 1, keyCol)), desc, coll);
    }
    auto remember = [&] {
        if (!run) {
            run = &ws.sortedRuns[0];
            for (Worksheet::SortedRun& r : ws.sortedRuns)
                if (!r.known || r.stamp < run->stamp) run = &r;
        }
        *run = Worksheet::SortedRun{keyCol, first, last, desc, ws.changeStamp(), true};
    };
    if (ordered) {
        remember();
        return;
    }

    const int n = last - first + 1;
    const std::vector<int> perm = sortOrder(
        n, [&](int i) -> const Value& { return ws.valueAt(first + i, keyCol); }, order1);

    // The rows move along the permutation's cycles, one row held aside per
    // cycle, so only the rows that move are touched and their cells (values
    // with their formats) are moved, not copied. A target whose source cell
    // is absent reverts to the format it inherits, if it had a cell of its
    // own. Columns outside the block stay where they are.
    const int w = rect_.cols();
    std::vector<Cell> held(w), carried(w);
    std::vector<char> heldHad(w), carriedHad(w), targetHad(w);
    auto take = [&](int row, std::vector<Cell>& out, std::vector<char>& had) {
        for (int j = 0; j < w; ++j) {
            had[j] = ws.cellAt(row, rect_.col1 + j) != nullptr;
            // Cell by cell: only the block's columns count as written.
            if (had[j]) out[j] = std::move(ws.cellRef(row, rect_.col1 + j));
        }
    };
    auto put = [&](int row, std::vector<Cell>& from, const std::vector<char>& fromHad) {
        for (int j = 0; j < w; ++j) {
            const int col = rect_.col1 + j;
            if (fromHad[j]) {
                ws.cellRef(row, col) = std::move(from[j]);
            } else if (targetHad[j]) {
                Cell& c = ws.cellRef(row, col);
                c = Cell{};
                c.style = ws.inheritedStyle(row, col);
            }
        }
    };
    std::vector<char> placed(n, 0);
    for (int start = 0; start < n; ++start) {
        if (perm[start] == start || placed[start]) continue;
        take(first + start, held, heldHad);
        targetHad = heldHad;
        for (int cur = start;;) {
            const int src = perm[cur];
            placed[cur] = 1;
            if (src == start) {
                put(first + cur, held, heldHad);
                break;
            }
            take(first + src, carried, carriedHad);
            put(first + cur, carried, carriedHad);
            targetHad = carriedHad;
            cur = src;
        }
    }
    remember();
}

// ---------------------------------------------------------------- formats

namespace {

// The cell properties a format sets, to tell formats applied before apart.
enum class Property { NumberFormat, HAlign, VAlign, Wrap, Orientation, AddIndent, Indent, Shrink, Reading, Size, Bold };

// Calls `visit(row)` for every stored row of rows first..last whose formats
// may have changed after `since` (every row when since is 0), skipping whole
// blocks nobody wrote.
template <typename Visit>
void rowsStampedSince(const Worksheet& ws, int first, int last, std::uint64_t since, Visit visit) {
    for (int row = first; row <= last;) {
        const int blockEnd = std::min(last, ((row - 1) / Worksheet::kStampRows + 1) * Worksheet::kStampRows);
        if (since == 0 || ws.blockStamp(row) > since) {
            for (; row <= blockEnd; ++row)
                if (since == 0 || ws.rowInfo(row)->formatStamp > since) visit(row);
        }
        row = blockEnd + 1;
    }
}

template <typename Fn>
void applyStyle(Worksheet& ws, const CellRect& rect, Property property, const QString& value, Fn fn) {
    Workbook& book = ws.Parent();
    // By format: what it becomes, plus one; 0 when not asked yet. A
    // workbook has few formats, and a layout pass asks about each of
    // thousands of cells.
    std::vector<std::uint32_t> cache;
    auto transformUncached = [&](std::uint32_t idx) {
        if (idx < cache.size() && cache[idx]) return cache[idx] - 1;
        Style s = book.style(idx);
        fn(s);
        const std::uint32_t to = book.internStyle(s);
        if (idx >= cache.size()) cache.resize(idx + 1, 0);
        cache[idx] = to + 1;
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

    // The same format on the same whole columns (or the whole sheet) as
    // before: the cells it reached then still have it, except in rows
    // written since, so only those are looked at. Any other format of the
    // property over these columns ends what is known of them.
    std::uint64_t since = 0;
    auto& known = ws.wholeFormats;
    for (const Worksheet::WholeFormat& k : known)
        if (wholeCols && k.property == static_cast<int>(property) && k.col1 == rect.col1 && k.col2 == rect.col2 &&
            k.allRows == wholeRows && k.value == value)
            since = k.stamp;
    std::erase_if(known, [&](const Worksheet::WholeFormat& k) {
        return k.property == static_cast<int>(property) && k.col1 <= rect.col2 && k.col2 >= rect.col1;
    });

    if (wholeCols || wholeRows) {
        if (wholeCols) {
            // Rows with a format of their own get real cells where the new
            // column format meets them, so that the row format does not hide it.
            if (!wholeRows)
                rowsStampedSince(ws, 1, ws.usedRows(), since, [&](int row) {
                    const RowInfo* ri = ws.rowInfo(row);
                    if (ri->style >= 0 && static_cast<int>(ri->cells.size()) < rect.col2) ws.cellRef(row, rect.col2);
                });
            for (int col = rect.col1; col <= rect.col2; ++col) {
                ColumnInfo& ci = ws.columnInfoRef(col);
                ci.style = static_cast<std::int32_t>(transform(ci.style < 0 ? 0 : ci.style));
            }
        }
        if (wholeRows && wholeCols) {
            rowsStampedSince(ws, 1, ws.usedRows(), since, [&](int row) {
                const RowInfo* ri = ws.rowInfo(row);
                if (ri->style < 0) return;
                const auto to = static_cast<std::int32_t>(transform(ri->style));
                if (to != ri->style) ws.rowInfoRef(row).style = to;
            });
        } else if (wholeRows) {
            for (int row = rect.row1; row <= rect.row2; ++row) {
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
        rowsStampedSince(ws, rect.row1, lastRow, since, [&](int row) {
            const auto& seen = ws.rowInfo(row)->cells;
            const int lastCol = std::min(rect.col2, static_cast<int>(seen.size()));
            bool changes = false;
            for (int col = rect.col1; col <= lastCol && !changes; ++col)
                changes = transform(seen[col - 1].style) != seen[col - 1].style;
            if (!changes) return;
            auto& cells = ws.rowInfoRef(row).cells;
            for (int col = rect.col1; col <= lastCol; ++col) cells[col - 1].style = transform(cells[col - 1].style);
        });
        if (wholeCols)
            known.push_back({static_cast<int>(property), rect.col1, rect.col2, wholeRows, value, ws.changeStamp()});
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
    applyStyle(Parent(), rect_, Property::NumberFormat, f, [&f](Style& s) { s.numberFormat = f; });
}

void Range::SetHorizontalAlignment(int xlConst) {
    const HAlign a = hAlignFrom(xlConst);
    applyStyle(Parent(), rect_, Property::HAlign, QString::number(int(a)), [a](Style& s) { s.hAlign = a; });
}

void Range::SetVerticalAlignment(int xlConst) {
    const VAlign a = vAlignFrom(xlConst);
    applyStyle(Parent(), rect_, Property::VAlign, QString::number(int(a)), [a](Style& s) { s.vAlign = a; });
}

void Range::SetWrapText(bool on) {
    applyStyle(Parent(), rect_, Property::Wrap, QString::number(on), [on](Style& s) { s.wrapText = on; });
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
    applyStyle(Parent(), rect_, Property::Orientation, QString::number(d), [d](Style& s) { s.orientation = d; });
}

void Range::SetAddIndent(bool on) {
    applyStyle(Parent(), rect_, Property::AddIndent, QString::number(on), [on](Style& s) { s.addIndent = on; });
}

void Range::SetIndentLevel(int level) {
    if (level < 0 || level > 15) throw Error("invalid indent level");
    applyStyle(Parent(), rect_, Property::Indent, QString::number(level), [level](Style& s) { s.indentLevel = level; });
}

void Range::SetShrinkToFit(bool on) {
    applyStyle(Parent(), rect_, Property::Shrink, QString::number(on), [on](Style& s) { s.shrinkToFit = on; });
}

void Range::SetReadingOrder(int xlConst) {
    int r;
    switch (xlConst) {
    case xlContext: r = 0; break;
    case xlLTR: r = 1; break;
    case xlRTL: r = 2; break;
    default: throw Error("invalid reading order");
    }
    applyStyle(Parent(), rect_, Property::Reading, QString::number(r), [r](Style& s) { s.readingOrder = r; });
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
    applyStyle(Parent(), rect_, Property::Size, QString::number(points, 'g', 17),
               [points](Style& s) { s.font.size = points; });
}

void Range::SetFontBold(bool bold) {
    applyStyle(Parent(), rect_, Property::Bold, QString::number(bold), [bold](Style& s) { s.font.bold = bold; });
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
