#include "store/practicesheet.h"

#include "platform/desktop/guard.h"
#include "platform/engine/numberformat.h"
#include "platform/engine/vbconv.h"
#include "store/rows.h"
#include "store/schema.h"
#include "store/sheetrows.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <unordered_map>

namespace store {

using practices::numberCell;
using practices::wholeNumber;

namespace {

// Columns of sheet "Pratica".
enum Column {
    ColNumber = 1,
    ColDate,
    ColClient,
    ColSubject,
    ColDescription,
    ColSector,
    ColPlace,
    ColBinder,
    ColInPreparation,
    ColCompleted,
    ColNotes,
    ColEstimate
};
// The search work area: AA to AF.
constexpr int kAreaFirstCol = 27;
constexpr int kAreaLastCol = 32;

const QString kYes = QStringLiteral("SI");

// An empty cell reads as empty text; both count as blank.

xl::Worksheet& sheetOf(Book& book) { return book.sheet(kPratica); }

// Fields C to H, K and L, the same for an insert and a modify.
void putTexts(xl::Worksheet& sh, int row, const PracticeRecord& r) {
    put(sh, row, ColClient, xl::Value(r.client));
    put(sh, row, ColSubject, xl::Value(r.subject));
    put(sh, row, ColDescription, xl::Value(r.description));
    put(sh, row, ColSector, xl::Value(r.sector));
    put(sh, row, ColPlace, xl::Value(r.place));
    put(sh, row, ColBinder, xl::Value(r.binder));
}

// Last row of the filled run of `col` that starts at `startRow` (startRow - 1
// when that cell is blank).
int lastRowOfRun(xl::Worksheet& sheet, int col, int startRow) { return sheet.runEnd(col, startRow); }

// Last non-blank row of `col`; 0 when the column is empty.
int lastFilledRow(xl::Worksheet& sheet, int col) {
    // Nothing lies below the rows the sheet keeps, so the walk up starts there
    // rather than at the sheet's last row.
    for (int r = std::min(sheet.usedRows(), xl::kMaxRows); r >= 1; --r)
        if (!isBlank(sheet.Cells(r, col).GetValue())) return r;
    return 0;
}

// The last row of the run of filled number cells from row 2; 1 when A2 is
// empty.
int lastRecordRow(xl::Worksheet& sheet) { return std::max(1, sheet.runEnd(ColNumber, 2)); }

// The practice numbers of column A, kept with the sheet by blocks of rows:
// every insert asks whether its number is taken, and the answer then reads
// again only the blocks written since. A row holding a plain number (what
// the cell reads as through a range: a number under a format that shows no
// date) is found through its block's numbers; every other filled row is
// compared as a cell is compared with a text, and a blank row matches only
// an empty key, as both would on a walk down the column.
class NumberIndex : public xl::Worksheet::Memo {
public:
    // The first row of rows 2 to `last` whose number cell reads as `key`;
    // 0 when there is none.
    int firstRow(xl::Worksheet& sh, const QString& key, int last) {
        if (last < 2) return 0;
        const std::optional<double> keyNumber = vb::CDbl(key);
        const int lastBlock = (last - 1) / xl::Worksheet::kStampRows;
        for (int b = 0; b <= lastBlock; ++b) {
            const Block& k = block(sh, b);
            int found = kNone;
            if (keyNumber && !k.numbers.empty()) {
                const auto it = std::lower_bound(k.numbers.begin(), k.numbers.end(), std::pair(*keyNumber, 0));
                if (it != k.numbers.end() && it->first == *keyNumber) found = it->second;
            }
            if (!k.texts.empty()) {
                const std::size_t h = qHash(key);
                for (auto it = std::lower_bound(k.texts.begin(), k.texts.end(), std::pair(h, 0));
                     it != k.texts.end() && it->first == h && it->second < found; ++it)
                    if (sh.valueAt(it->second, ColNumber).textValue() == key) found = it->second;
            }
            if (key.isEmpty() && k.firstBlank) found = std::min(found, k.firstBlank);
            for (int row : k.others) {
                if (row >= found) break;
                if (vb::CellEqualsText(sh.Cells(row, ColNumber).GetValue(), key)) {
                    found = row;
                    break;
                }
            }
            if (found != kNone) return found <= last ? found : 0;
        }
        return 0;
    }

    // The last filled row of the column from row 2 on; 0 when there is none.
    int lastFilled(xl::Worksheet& sh) {
        for (int b = (std::min(sh.usedRows(), xl::kMaxRows) - 1) / xl::Worksheet::kStampRows; b >= 0; --b)
            if (const int row = block(sh, b).lastFilled) return row;
        return 0;
    }

private:
    static constexpr int kNone = std::numeric_limits<int>::max();

    struct Block {
        bool known = false;
        std::uint64_t stamp = 0;                        // the sheet's change stamp when read
        std::vector<std::pair<double, int>> numbers;    // plain numbers with their rows, by number then row
        std::vector<std::pair<std::size_t, int>> texts; // texts (a number typed as text, "7bis") by hash, then row
        std::vector<int> others;                        // the other filled rows (dates, ...), in order
        int firstBlank = 0;                             // first blank row, 0 for none
        int lastFilled = 0;                             // last filled row, 0 for none
    };

    const Block& block(xl::Worksheet& sh, int b) {
        if (b >= static_cast<int>(blocks_.size())) blocks_.resize(b + 1);
        Block& k = blocks_[b];
        const int first = std::max(2, b * xl::Worksheet::kStampRows + 1);
        if (k.known && sh.blockStamp(first, ColNumber) <= k.stamp) return k;
        k.numbers.clear();
        k.texts.clear();
        k.others.clear();
        k.firstBlank = k.lastFilled = 0;
        const int end = (b + 1) * xl::Worksheet::kStampRows;
        const int stored = std::min(end, sh.usedRows());
        for (int row = first; row <= stored; ++row) {
            const xl::Value& v = sh.valueAt(row, ColNumber);
            if (isBlank(v)) {
                if (!k.firstBlank) k.firstBlank = row;
                continue;
            }
            k.lastFilled = row;
            if (v.type() == xl::ValueType::Number && std::isfinite(v.numberValue()) &&
                !dated(sh, sh.effectiveStyle(row, ColNumber)))
                k.numbers.emplace_back(v.numberValue(), row);
            else if (v.isText())
                k.texts.emplace_back(qHash(v.textValue()), row);
            else
                k.others.push_back(row);
        }
        // The rows past the stored ones are blank.
        if (!k.firstBlank && stored < end) k.firstBlank = std::max(first, stored + 1);
        std::sort(k.numbers.begin(), k.numbers.end());
        std::sort(k.texts.begin(), k.texts.end());
        k.known = true;
        k.stamp = sh.changeStamp();
        return k;
    }

    // Whether a format shows a date, asked once per format: the formats of a
    // workbook never change once made.
    bool dated(const xl::Worksheet& sh, std::uint32_t style) {
        if (style >= dated_.size()) dated_.resize(style + 1, -1);
        if (dated_[style] < 0) dated_[style] = xl::isDateFormat(sh.Parent().style(style).numberFormat) ? 1 : 0;
        return dated_[style] == 1;
    }

    std::vector<Block> blocks_;
    std::vector<signed char> dated_; // per format: -1 not asked yet, else whether it shows a date
};

// The first row of rows 2 to `last` whose number cell reads as `key`, as
// vb::CellEqualsText compares (a number cell as the key's number).
int firstRowReading(xl::Worksheet& sheet, const QString& key, int last) {
    return sheet.memo<NumberIndex>().firstRow(sheet, key, last);
}

// The first row from row 2 down to the column's last filled cell (past any
// gap) whose number is `number`; 0 when no practice has it.
int rowOf(xl::Worksheet& sheet, const QString& number) {
    // " 5" is stored as the number 5, so it is looked for as 5.
    const std::optional<qint64> n = wholeNumber(number);
    return firstRowReading(sheet, n ? QString::number(*n) : number, sheet.memo<NumberIndex>().lastFilled(sheet));
}

// The first row of the run from row 2 whose number cell reads as `key`.
int rowInRun(xl::Worksheet& sheet, const QString& key) {
    return firstRowReading(sheet, key, lastRowOfRun(sheet, ColNumber, 2));
}

QStringList rowTexts(xl::Worksheet& sheet, int row) {
    QStringList texts;
    for (int col = ColNumber; col <= ColEstimate; ++col) texts << vb::CStr(sheet.Cells(row, col).GetValue());
    return texts;
}

// A cell of the "Data" column as a date value for the search area: a date or
// number as it is, a text that reads as a date converted; nullopt otherwise.
std::optional<xl::Value> dateValue(const xl::Value& v) {
    if (v.isNumeric()) return xl::Value::date(v.numberValue());
    if (v.isText())
        if (const auto d = vb::CDate(v.textValue())) return xl::Value::date(vb::DateSerial(*d));
    return std::nullopt;
}

} // namespace

namespace practices {
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
} // namespace practices

PracticeRecord PracticeRecord::fromTexts(const QStringList& texts) {
    auto at = [&](int col) { return col - 1 < texts.size() ? texts[col - 1] : QString(); };
    PracticeRecord r;
    r.number = at(ColNumber);
    r.opened = at(ColDate);
    r.client = at(ColClient);
    r.subject = at(ColSubject);
    r.description = at(ColDescription);
    r.sector = at(ColSector);
    r.place = at(ColPlace);
    r.binder = at(ColBinder);
    // Only "SI" means set: the blank a modify writes for an unset box, like
    // any other text, reads as unset.
    r.inPreparation = at(ColInPreparation) == kYes;
    r.completed = at(ColCompleted) == kYes;
    r.notes = at(ColNotes);
    r.estimate = at(ColEstimate);
    return r;
}

namespace practices {

std::optional<QString> estimateText(const QString& typed) {
    if (typed.trimmed().isEmpty()) return QString();
    const std::optional<Money> amount = Money::parse(typed);
    if (!amount) return std::nullopt;
    return amount->grouped();
}

bool exists(Book& book, const QString& number) { return rowOf(sheetOf(book), number) != 0; }

bool any(Book& book) { return !isBlank(sheetOf(book).GetRange(QStringLiteral("A2")).GetValue()); }

std::optional<PracticeRecord> find(Book& book, const QString& number) {
    xl::Worksheet& sh = sheetOf(book);
    const int row = rowOf(sh, number);
    if (!row) return std::nullopt;
    return PracticeRecord::fromTexts(rowTexts(sh, row));
}

Outcome append(Book& book, const PracticeRecord& r) {
    const std::optional<QDate> opened = vb::CDate(r.opened);
    if (!opened) return Outcome::Invalid;
    xl::Worksheet& sh = sheetOf(book);
    const int row = sh.runEnd(ColNumber, 1) + 1;
    if (!vb::fitsRow16(row)) return Outcome::SheetFull;
    put(sh, row, ColNumber, numberCell(r.number));
    // The insert keeps the opening date as a date value; the modify below
    // writes the text the panel shows. Both are read back the same way.
    put(sh, row, ColDate, xl::Value::date(vb::DateSerial(*opened)));
    putTexts(sh, row, r);
    put(sh, row, ColInPreparation, r.inPreparation ? xl::Value(kYes) : xl::Value());
    put(sh, row, ColCompleted, r.completed ? xl::Value(kYes) : xl::Value());
    put(sh, row, ColNotes, xl::Value(r.notes));
    put(sh, row, ColEstimate, xl::Value(r.estimate));
    sh.GetRange(kCounterCell).SetValue(numberCell(r.number));
    return Outcome::Done;
}

Outcome update(Book& book, const PracticeRecord& r) {
    xl::Worksheet& sh = sheetOf(book);
    sh.Select();
    const int row = rowInRun(sh, r.number);
    if (!row) return Outcome::NotFound;
    put(sh, row, ColNumber, numberCell(r.number));
    put(sh, row, ColDate, xl::Value(r.opened));
    putTexts(sh, row, r);
    // An unset box is written as a blank, not left empty, as the modify
    // always did: the readers take only "SI" as set.
    sh.Cells(row, ColInPreparation).SetValue(xl::Value(r.inPreparation ? kYes : QStringLiteral(" ")));
    sh.Cells(row, ColCompleted).SetValue(xl::Value(r.completed ? kYes : QStringLiteral(" ")));
    put(sh, row, ColNotes, xl::Value(r.notes));
    put(sh, row, ColEstimate, xl::Value(r.estimate));
    return Outcome::Done;
}

Outcome remove(Book& book, qint64 number) {
    xl::Worksheet& sh = sheetOf(book);
    sh.Select();
    const int row = rowInRun(sh, QString::number(number));
    if (!row) return Outcome::NotFound;
    sh.Cells(row, ColNumber).EntireRow().Delete();
    return Outcome::Done;
}

std::vector<QStringList> listRows(Book& book) {
    xl::Worksheet& sh = sheetOf(book);
    sh.Select();
    std::vector<QStringList> rows;
    const int last = sh.runEnd(ColNumber, 2);
    for (int row = 2; row <= last; ++row) rows.push_back(rowTexts(sh, row));
    return rows;
}

std::shared_ptr<const ListRows> listSource(Book& book) {
    xl::Worksheet& sh = sheetOf(book);
    sh.Select();
    return std::make_shared<SheetRows>(sh, 2, sh.runEnd(ColNumber, 2) - 1, ColNumber, ColEstimate - ColNumber + 1);
}

QStringList listHeaders(Book& book) {
    xl::Worksheet& sh = sheetOf(book);
    QStringList out;
    for (int col = ColNumber; col <= ColEstimate; ++col) out << sh.Cells(1, col).Text();
    return out;
}

const std::vector<int>& listWidths() {
    static const std::vector<int> w{1000, 1500, 2000, 2000, 2000, 1000, 1000, 1000, 500, 500, 2000, 2000};
    return w;
}

QStringList numbers(Book& book) {
    xl::Worksheet& sh = sheetOf(book);
    sh.Select();
    QStringList out;
    const int last = sh.runEnd(ColNumber, 2);
    for (int row = 2; row <= last; ++row) out << vb::CStr(sh.Cells(row, ColNumber).GetValue());
    return out;
}

double counter(Book& book) {
    const xl::Value v = sheetOf(book).GetRange(kCounterCell).GetValue();
    if (v.isNumeric()) return v.numberValue();
    if (v.isText())
        if (const auto d = vb::CDbl(v.textValue())) return *d;
    return 0;
}

void resetCounter(Book& book) { sheetOf(book).GetRange(kCounterCell).SetValue(xl::Value(0)); }

void sortByNumber(Book& book) {
    xl::Worksheet& sh = sheetOf(book);
    const int last = lastRecordRow(sh);
    if (last < 2) return; // nothing to sort
    xl::Range block = sh.GetRange(sh.Cells(2, ColNumber), sh.Cells(last, ColEstimate));
    block.Sort(sh.GetRange(QStringLiteral("A2")), xl::xlAscending, xl::xlNo);
}

void sort(Book& book, PracticeKey key, bool ascending) {
    xl::Worksheet& sh = sheetOf(book);
    sh.Select();
    const bool byNumber = key == PracticeKey::Number;
    if (byNumber) sh.Columns(QStringLiteral("A")).SetNumberFormat(QStringLiteral("0"));
    // Every record takes part, however many there are; row 1 is the header
    // and never moves.
    const int last = lastFilledRow(sh, ColNumber);
    if (last < 3) return;
    xl::Range block = sh.GetRange(sh.Cells(2, ColNumber), sh.Cells(last, ColEstimate));
    block.Sort(sh.Cells(2, byNumber ? ColNumber : ColClient), ascending ? xl::xlAscending : xl::xlDescending, xl::xlNo);
}

} // namespace practices

namespace search {

namespace {

// A search walks every practice and copies thousands of cells: it reads the
// cells where they are kept instead of through a range each, and asks once
// per format whether it shows a date.
class SheetReader {
public:
    explicit SheetReader(xl::Worksheet& sh) : sh_(sh) {}

    // The value as a range reads it: a number under a date format is a date.
    xl::Value value(int row, int col) {
        const xl::Value& v = sh_.valueAt(row, col);
        if (v.type() == xl::ValueType::Number && dated(sh_.effectiveStyle(row, col)))
            return xl::Value::date(v.numberValue());
        return v;
    }

    bool blank(int row, int col) const { return isBlank(sh_.valueAt(row, col)); }

    // The cell's value where it is kept, and whether value() reads it as a
    // date, without a copy.
    const xl::Value& stored(int row, int col, bool& asDate) {
        const xl::Value& v = sh_.valueAt(row, col);
        asDate = v.type() == xl::ValueType::Number && dated(sh_.effectiveStyle(row, col));
        return v;
    }

private:
    bool dated(std::uint32_t style) {
        if (style >= known_.size()) known_.resize(style + 1, -1);
        if (known_[style] < 0) known_[style] = xl::isDateFormat(sh_.Parent().style(style).numberFormat) ? 1 : 0;
        return known_[style] == 1;
    }

    xl::Worksheet& sh_;
    std::vector<signed char> known_; // per format: -1 not asked yet, else whether it shows a date
};

// Last non-blank row of any of the columns first..last; 0 when all are empty.
int lastFilledRowOf(const xl::Worksheet& sh, int first, int last) {
    for (int r = std::min(sh.usedRows(), xl::kMaxRows); r >= 1; --r) {
        const xl::RowInfo* ri = sh.rowInfo(r);
        if (static_cast<int>(ri->cells.size()) < first) continue;
        for (int col = first; col <= last; ++col)
            if (!isBlank(sh.valueAt(r, col))) return r;
    }
    return 0;
}

void clearArea(xl::Worksheet& sh) {
    // The whole area, down to its last used row: results left below a fixed
    // bound would mix with the next search's.
    const int last = lastFilledRowOf(sh, kAreaFirstCol, kAreaLastCol);
    if (last >= 2) sh.clear({2, kAreaFirstCol, last, kAreaLastCol});
}

void writeHeaders(xl::Worksheet& sh, int count) {
    for (int i = 0; i < count; ++i) sh.Cells(1, kAreaFirstCol + i).SetValue(xl::Value(columns()[i].caption));
}

// What a result cell of the area holds: a value, its format and a kept
// formula, as a cell does. The value and the formula are those of cells of
// the sheet, or the number a date is kept as, read where they are: nothing
// is copied until a cell is known to change, and nothing is written before.
struct AreaCell {
    const xl::Value* value = nullptr;
    const xl::KeptRef* kept = nullptr; // null: none
    xl::Value number;                  // a date's number, when value points here
    std::uint32_t style = 0;
};

// A cell's value as it stands: the same type and the same bits (a number's
// sign included), or the same text.
bool sameValue(const xl::Value& a, const xl::Value& b) {
    if (a.type() != b.type()) return false;
    if (a.isText()) return a == b;
    const double x = a.numberValue(), y = b.numberValue();
    return std::memcmp(&x, &y, sizeof x) == 0;
}

// What the area gets in column c from the practice of row `from`: the
// value, a date as its number in `number`; null when the cell is left
// empty, also where a write would refuse the value (a number that is not
// finite, a text too long for a cell).
const xl::Value* resultValue(SheetReader& in, int from, int c, xl::Value& number, bool& asDate) {
    static constexpr int kFrom[] = {ColClient, ColNumber, ColDate, ColSubject, ColInPreparation, ColCompleted};
    const xl::Value* v = &in.stored(from, kFrom[c], asDate);
    if (c == 2) {
        if (v->isNumeric()) {
            asDate = true;
        } else if (const auto d = dateValue(*v)) {
            number = *d;
            v = &number;
            asDate = true;
        } else {
            return nullptr;
        }
    }
    if (isBlank(*v)) return nullptr;
    if (!std::isfinite(v->numberValue()) || (v->isText() && v->textValue().size() > xl::kMaxCellText)) return nullptr;
    if (asDate) {
        number = xl::Value::number(v->numberValue());
        return &number;
    }
    return v;
}

// The format a cell of format `style` takes when a date is written there:
// a General cell becomes a date cell, as a date written in it makes it.
std::uint32_t datedStyleOf(xl::Workbook& book, std::uint32_t style) {
    if (xl::canonicalFormat(book.style(style).numberFormat) != u"General") return style;
    xl::Style st = book.style(style);
    st.numberFormat = QStringLiteral("dd/mm/yyyy");
    return book.internStyle(st);
}

// Fills the area with the results of a search, the practices at `sources`
// in sheet order: each gives client, number, opening date as a date value,
// subject and, with `withFlags`, the two flags; with `sorted`, the first
// four columns are in the order the sort by client gives them.
//
// The cells end as emptying the area, copying each result into the row
// below the last and sorting would leave them, formats and all; but only
// the cells that end otherwise than they stand are written. A search
// repeated finds most of its results where the one before left them, and
// the rows it leaves alone keep everything known of them (their measured
// widths, their place in the sheet's shared blocks).
bool fillArea(xl::Worksheet& sh, SheetReader& in, const std::vector<int>& sources, bool withFlags, bool sorted,
              int& areaRows, std::vector<int>& placed) {
    xl::Workbook& book = sh.Parent();
    const int n = static_cast<int>(sources.size());
    constexpr int kWidth = kAreaLastCol - kAreaFirstCol + 1;
    constexpr int kSortWidth = 4;
    const int last = lastFilledRowOf(sh, kAreaFirstCol, kAreaLastCol);
    const int rows = std::min(xl::kMaxRows, std::max(last, 1 + n)) - 1; // rows 2 on
    areaRows = std::max(1, rows + 1);
    placed = sources;
    if (rows <= 0) return true;
    static const xl::Value kEmpty;

    // Asked once per format.
    std::unordered_map<std::uint32_t, std::uint32_t> dated;
    auto datedStyle = [&](std::uint32_t style) {
        auto it = dated.find(style);
        if (it == dated.end()) it = dated.emplace(style, datedStyleOf(book, style)).first;
        return it->second;
    };

    // The area once emptied and written, before any sort: row 2 + i, column
    // kAreaFirstCol + c is cells[i * kWidth + c]. Its size is fixed here, so
    // that a pointer to a cell's own number stays good.
    std::vector<AreaCell> cells(static_cast<std::size_t>(rows) * kWidth);
    for (int i = 0; i < rows; ++i) {
        const int row = 2 + i;
        for (int c = 0; c < kWidth; ++c) {
            AreaCell& a = cells[static_cast<std::size_t>(i) * kWidth + c];
            a.style = sh.effectiveStyle(row, kAreaFirstCol + c);
            a.value = &kEmpty;
            // Below the area's last used row nothing is emptied.
            if (row > last)
                if (const xl::Cell* was = sh.cellAt(row, kAreaFirstCol + c)) {
                    a.value = &was->value;
                    if (was->kept) a.kept = &was->kept;
                }
        }
        if (i >= n) continue;
        const int from = sources[i];
        for (int c = 0; c < (withFlags ? kClientColumns : kStateColumns); ++c) {
            AreaCell& a = cells[static_cast<std::size_t>(i) * kWidth + c];
            bool asDate = false;
            const xl::Value* v = resultValue(in, from, c, a.number, asDate);
            if (!v) continue;
            a.value = v;
            if (asDate) a.style = datedStyle(a.style);
            a.kept = nullptr;
        }
    }

    auto absent = [&](const AreaCell& a, int row, int col) {
        return a.value->isEmpty() && !a.kept && a.style == sh.inheritedStyle(row, col);
    };
    // The sort moves the cells of the first four columns with their
    // formats; a row whose cell moves away while none moves in is left with
    // a cell of the format it inherits.
    std::vector<int> order;
    if (sorted && n >= 2 && 1 + n <= xl::kMaxRows)
        order = xl::sortOrder(
            n, [&](int i) -> const xl::Value& { return *cells[static_cast<std::size_t>(i) * kWidth].value; },
            xl::xlAscending);
    for (std::size_t j = 0; j < order.size(); ++j) placed[j] = sources[order[j]];

    // What changes, copied out before anything is written.
    struct Change {
        int row, col;
        xl::Value value;
        xl::KeptRef kept;
        std::uint32_t style;
    };
    std::vector<Change> changes;
    for (int i = 0; i < rows; ++i) {
        const int row = 2 + i;
        for (int c = 0; c < kWidth; ++c) {
            const int col = kAreaFirstCol + c;
            const AreaCell* want = &cells[static_cast<std::size_t>(i) * kWidth + c];
            AreaCell inherited;
            if (!order.empty() && i < n && c < kSortWidth) {
                const int src = order[i];
                const AreaCell& moved = cells[static_cast<std::size_t>(src) * kWidth + c];
                if (!absent(moved, 2 + src, col)) {
                    want = &moved;
                } else if (!absent(*want, row, col)) {
                    inherited.value = &kEmpty;
                    inherited.style = sh.inheritedStyle(row, col);
                    want = &inherited;
                }
            }
            const xl::Cell* now = sh.cellAt(row, col);
            if (!now) {
                if (absent(*want, row, col)) continue;
            } else if (sameValue(now->value, *want->value) &&
                       now->kept.get() == (want->kept ? want->kept->get() : nullptr) && now->style == want->style) {
                continue;
            }
            changes.push_back({row, col, *want->value, want->kept ? *want->kept : xl::KeptRef(), want->style});
        }
    }
    // Every row written lies above the last practice copied, so no row is
    // added to the sheet.
    for (Change& ch : changes) {
        xl::Cell& cell = sh.cellRef(ch.row, ch.col);
        cell.value = std::move(ch.value);
        cell.kept = std::move(ch.kept);
        cell.style = ch.style;
    }
    return changes.empty();
}

// A search whose pass found the area already as it leaves it, and what it
// read: while the rows it read by their place are as they were (no row
// written since, none moved by a delete) and nothing else it looked at
// changed, the same search finds the same results and the area as it
// leaves it again, and need not read the practices. A pass that wrote
// something is kept only when every cell of each area column has one and
// the same format (and inherits one and the same): otherwise the formats
// the sort moves may move again.
struct AreaMemo : xl::Worksheet::Memo {
    static constexpr int kWidth = kAreaLastCol - kAreaFirstCol + 1;
    bool known = false;
    int search = 0; // the flag column looked at, or 0: by client
    QString client;
    bool sorted = false;
    std::uint64_t stamp = 0;
    int areaRows = 0; // rows 2 to this are the area's
    std::vector<int> sources;
    std::size_t styles = 0;
    xl::Style defaultStyle;
    std::array<std::int32_t, kAreaLastCol> columns{};
    // The results in the order the area holds them: row 2 + j holds the
    // practice of row placed[j].
    std::vector<int> placed;
    // Whether, in rows 2 to areaRows, every cell of area column c has the
    // format style[c] and would inherit inherited[c], holds no formula and
    // no empty text: the area then depends on the results alone, and a
    // search whose results changed a little is an edit of it.
    bool uniform = false;
    std::array<std::uint32_t, kWidth> style{}, inherited{};
};

// Calls `visit(row)` for each row from 2 on written since `stamp`, in
// order, skipping whole blocks nobody wrote, until `visit` says false;
// whether it went through all of them.
template <typename Visit>
bool eachRowWrittenSince(const xl::Worksheet& sh, std::uint64_t stamp, Visit visit) {
    const int used = sh.usedRows();
    for (int row = 2; row <= used;) {
        const int blockLast = std::min(used, ((row - 1) / xl::Worksheet::kStampRows + 1) * xl::Worksheet::kStampRows);
        if (sh.blockStamp(row) > stamp)
            for (int r = row; r <= blockLast; ++r)
                if (sh.rowInfo(r)->stamp > stamp && !visit(r)) return false;
        row = blockLast + 1;
    }
    return true;
}

// Whether no row was moved by a delete since `memo` was taken, and the
// formats the rows inherit (the workbook's default, the columns') are as
// they were.
bool sameLayoutSince(const xl::Worksheet& sh, const AreaMemo& memo) {
    if (sh.shiftStamp() > memo.stamp) return false;
    const xl::Workbook& book = sh.Parent();
    if (book.styles().size() != memo.styles || !(book.style(0) == memo.defaultStyle)) return false;
    for (int c = 1; c <= kAreaLastCol; ++c)
        if (sh.columnInfo(c).style != memo.columns[c - 1]) return false;
    return true;
}

// Whether nothing that `memo` depends on changed since: the formats the
// rows inherit, and every row written since lies below the area, holds no
// result now nor held one then, and has an empty area.
bool memoHolds(const xl::Worksheet& sh, const AreaMemo& memo, const std::function<bool(int)>& isSource) {
    if (!sameLayoutSince(sh, memo)) return false;
    return eachRowWrittenSince(sh, memo.stamp, [&](int r) {
        if (r <= memo.areaRows || isSource(r) || std::binary_search(memo.sources.begin(), memo.sources.end(), r))
            return false;
        for (int c = kAreaFirstCol; c <= kAreaLastCol; ++c)
            if (!isBlank(sh.valueAt(r, c))) return false;
        return true;
    });
}

// Finds out whether the area rows 2 to memo.areaRows are uniform (see
// AreaMemo::uniform) and with which formats.
void noteUniform(const xl::Worksheet& sh, AreaMemo& memo) {
    memo.uniform = false;
    for (int c = 0; c < AreaMemo::kWidth; ++c) {
        memo.style[c] = sh.effectiveStyle(2, kAreaFirstCol + c);
        memo.inherited[c] = sh.inheritedStyle(2, kAreaFirstCol + c);
    }
    for (int row = 2; row <= memo.areaRows; ++row)
        for (int c = 0; c < AreaMemo::kWidth; ++c) {
            const int col = kAreaFirstCol + c;
            if (sh.effectiveStyle(row, col) != memo.style[c] || sh.inheritedStyle(row, col) != memo.inherited[c])
                return;
            if (const xl::Cell* cell = sh.cellAt(row, col))
                if (cell->kept || (cell->value.isText() && cell->value.textValue().isEmpty())) return;
        }
    memo.uniform = true;
}

// The search of `memo` once more, the area uniform, as an edit of the
// area it left: only the practices written since are looked at again, each
// taken out of the results and put back in its place if it is one now, and
// only the area rows from the first that changes are written, each cell
// moved with the width it had. The cells end as fillArea would leave them.
// -1 when the edit cannot be made so (too much changed, or a format or a
// row it depends on), and the search is made afresh.
int editArea(xl::Worksheet& sh, AreaMemo& memo, bool withFlags, int last, const std::function<bool(int)>& isSource) {
    constexpr int kWidth = AreaMemo::kWidth;
    constexpr int kMaxChanged = 64;
    const int width = withFlags ? kClientColumns : kStateColumns;
    xl::Workbook& book = sh.Parent();
    if (!memo.uniform || !sameLayoutSince(sh, memo)) return -1;
    // The area itself is as it was left: nothing written in its columns.
    const int used = sh.usedRows();
    for (int row = 1; row <= used; row += xl::Worksheet::kStampRows)
        if (sh.blockStamp(row, kAreaFirstCol) > memo.stamp) return -1;
    // The practices written since.
    std::vector<int> changed;
    const bool few = eachRowWrittenSince(sh, memo.stamp, [&](int r) {
        if (static_cast<int>(changed.size()) == kMaxChanged) return false;
        changed.push_back(r);
        return true;
    });
    if (!few) return -1;

    SheetReader in(sh);
    // The key a result is sorted by: its client cell as the area gets it.
    static const xl::Value kEmpty;
    auto keyOf = [&](int from, xl::Value& number) -> const xl::Value& {
        bool asDate = false;
        const xl::Value* v = resultValue(in, from, 0, number, asDate);
        return v ? *v : kEmpty;
    };
    // Whether the result of row a goes before that of row b, as the stable
    // sort by client puts them (the results come in sheet order).
    auto before = [&](const xl::Value& ka, int a, const xl::Value& kb, int b) {
        if (a < b)
            return xl::sortOrder(
                       2, [&](int i) -> const xl::Value& { return i ? kb : ka; }, xl::xlAscending)[0] == 0;
        return xl::sortOrder(
                   2, [&](int i) -> const xl::Value& { return i ? ka : kb; }, xl::xlAscending)[0] == 1;
    };

    // The new order: the changed practices out, those that are results now
    // back in their places. An entry < 0 stands for a changed practice
    // (row -entry), read from the sheet; the others are rows whose area
    // cells move as they are, from area row 2 + oldPos.
    std::vector<int> order;
    order.reserve(memo.placed.size() + changed.size());
    for (int r : memo.placed) order.push_back(std::binary_search(changed.begin(), changed.end(), r) ? 0 : r);
    std::vector<int> oldPos(order.size());
    {
        std::size_t k = 0;
        for (std::size_t j = 0; j < order.size(); ++j)
            if (order[j]) {
                oldPos[k] = static_cast<int>(j);
                order[k++] = order[j];
            }
        order.resize(k);
        oldPos.resize(k);
    }
    // Each practice that is a result now goes where the sort puts it; the
    // kept results are compared by their client cells where the area holds
    // them.
    for (int r : changed) {
        if (r > last || !isSource(r)) continue;
        xl::Value number;
        const xl::Value& key = keyOf(r, number);
        std::size_t lo = 0, hi = order.size();
        while (lo < hi) {
            const std::size_t mid = (lo + hi) / 2;
            const int at = order[mid];
            bool goesBefore;
            if (!memo.sorted) {
                goesBefore = std::abs(at) < r;
            } else if (at < 0) {
                xl::Value n2;
                goesBefore = before(keyOf(-at, n2), -at, key, r);
            } else {
                goesBefore = before(sh.valueAt(2 + oldPos[mid], kAreaFirstCol), at, key, r);
            }
            if (goesBefore)
                lo = mid + 1;
            else
                hi = mid;
        }
        order.insert(order.begin() + static_cast<std::ptrdiff_t>(lo), -r);
        oldPos.insert(oldPos.begin() + static_cast<std::ptrdiff_t>(lo), -1);
    }

    const int oldCount = static_cast<int>(memo.placed.size());
    const int count = static_cast<int>(order.size());
    if (1 + count >= xl::kMaxRows) return -1;
    // The first and the last area row that can change.
    int first = 0;
    while (first < count && first < oldCount && oldPos[first] == first) ++first;
    int end = std::max(count, oldCount);
    if (count == oldCount)
        while (end > first && oldPos[end - 1] == end - 1) --end;
    // What each row from the first to change gets, found before anything
    // is written.
    struct Want {
        xl::Value value;
        float width;
    };
    std::vector<Want> want(static_cast<std::size_t>(end - first) * width);
    bool dated = false;
    for (int j = first; j < end; ++j) {
        for (int c = 0; c < width; ++c) {
            Want& w = want[static_cast<std::size_t>(j - first) * width + c];
            w.width = std::numeric_limits<float>::quiet_NaN();
            if (j >= count) continue;
            if (order[j] > 0) {
                const int from = 2 + oldPos[j];
                w.value = sh.valueAt(from, kAreaFirstCol + c);
                w.width = sh.knownFitWidth(from, kAreaFirstCol + c);
            } else {
                xl::Value number;
                bool asDate = false;
                if (const xl::Value* v = resultValue(in, -order[j], c, number, asDate)) {
                    w.value = *v;
                    dated = dated || asDate;
                }
            }
        }
    }
    // A date written makes a General cell a date cell: the area's date
    // column must have a date format already.
    if (dated && datedStyleOf(book, memo.style[2]) != memo.style[2]) return -1;
    // Rows past the area must end with the formats the area has: a row's
    // own, or the date format a date written there gives it.
    for (int j = std::max(first, memo.areaRows - 1); j < count; ++j)
        for (int c = 0; c < kWidth; ++c) {
            const int row = 2 + j, col = kAreaFirstCol + c;
            const std::uint32_t style = sh.effectiveStyle(row, col);
            const bool date =
                c == 2 && c < width && !want[static_cast<std::size_t>(j - first) * width + c].value.isEmpty();
            if ((style != memo.style[c] && !(date && datedStyleOf(book, style) == memo.style[c])) ||
                sh.inheritedStyle(row, col) != memo.inherited[c])
                return -1;
            if (const xl::Cell* cell = sh.cellAt(row, col))
                if (!cell->value.isEmpty() || cell->kept) return -1;
        }

    for (int j = first; j < end; ++j)
        for (int c = 0; c < width; ++c) {
            const int row = 2 + j, col = kAreaFirstCol + c;
            Want& w = want[static_cast<std::size_t>(j - first) * width + c];
            if (sameValue(sh.valueAt(row, col), w.value)) continue;
            if (w.value.isEmpty() && !sh.cellAt(row, col)) continue;
            // Mostly the cell keeps its format: only its value is written.
            const bool sameStyle = sh.effectiveStyle(row, col) == memo.style[c];
            xl::Cell& cell = sameStyle ? sh.valueRef(row, col) : sh.cellRef(row, col);
            cell.value = std::move(w.value);
            cell.style = memo.style[c];
            if (!std::isnan(w.width)) cell.fitWidth = w.width;
        }

    memo.placed.clear();
    memo.placed.reserve(order.size());
    for (int r : order) memo.placed.push_back(std::abs(r));
    memo.sources = memo.placed;
    if (memo.sorted) std::sort(memo.sources.begin(), memo.sources.end());
    memo.areaRows = std::max(memo.areaRows, 1 + count);
    memo.stamp = sh.changeStamp();
    return count;
}

// Finds the practices rows 2 to `last` for which `isSource` holds and fills
// the area with them; the count of results.
int search(xl::Worksheet& sh, int flagColumn, const QString& client, bool sorted, int last,
           const std::function<bool(int)>& isSource) {
    AreaMemo& memo = sh.memo<AreaMemo>();
    const bool same = memo.known && memo.search == flagColumn && memo.client == client && memo.sorted == sorted;
    if (same && memoHolds(sh, memo, isSource)) return static_cast<int>(memo.sources.size());
    // A search by client for no name may find rows past the last looked at
    // before: that one is always made afresh.
    if (same && (flagColumn != 0 || !client.isEmpty())) {
        const int count = editArea(sh, memo, flagColumn == 0, last, isSource);
        if (count >= 0) return count;
    }
    memo.known = false;
    std::vector<int> sources;
    for (int row = 2; row <= last; ++row)
        if (isSource(row)) sources.push_back(row);
    SheetReader in(sh);
    int areaRows = 0;
    std::vector<int> placed;
    const bool unchanged = fillArea(sh, in, sources, flagColumn == 0, sorted, areaRows, placed);
    memo.search = flagColumn;
    memo.client = client;
    memo.sorted = sorted;
    memo.stamp = sh.changeStamp();
    memo.areaRows = areaRows;
    memo.styles = sh.Parent().styles().size();
    memo.defaultStyle = sh.Parent().style(0);
    for (int c = 1; c <= kAreaLastCol; ++c) memo.columns[c - 1] = sh.columnInfo(c).style;
    noteUniform(sh, memo);
    memo.known = unchanged || memo.uniform;
    memo.placed = std::move(placed);
    memo.sources = std::move(sources);
    return static_cast<int>(memo.sources.size());
}

} // namespace

const std::vector<Column>& columns() {
    static const std::vector<Column> c{
        {QStringLiteral("Cliente"), 3000}, {QStringLiteral("N/Pratica"), 1000},   {QStringLiteral("Data"), 1500},
        {QStringLiteral("Oggetto"), 4000}, {QStringLiteral("In Istrutt."), 1000}, {QStringLiteral("Complet."), 1000},
    };
    return c;
}

void leave(Book& book) {
    xl::Worksheet& sh = sheetOf(book);
    sh.Select();
    clearArea(sh);
    sh.Cells(1, 1).Select();
}

namespace {
void stateSearch(Book& book, bool completed, int& copied, bool sorted) {
    xl::Worksheet& sh = sheetOf(book);
    sh.Select();
    writeHeaders(sh, kStateColumns);
    const int flagColumn = completed ? ColCompleted : ColInPreparation;
    // Every practice that carries a flag, however far down.
    const int last = lastFilledRowOf(sh, flagColumn, flagColumn);
    copied = search(sh, flagColumn, QString(), sorted, last, [&](int row) {
        const xl::Value& flag = sh.valueAt(row, flagColumn);
        return flag.isText() && flag.textValue() == kYes;
    });
}
} // namespace

void findByState(Book& book, bool completed, int& copied) { stateSearch(book, completed, copied, false); }

void findByStateSorted(Book& book, bool completed, int& copied) { stateSearch(book, completed, copied, true); }

void findByClient(Book& book, const QString& client, int& copied) {
    xl::Worksheet& sh = sheetOf(book);
    sh.Select();
    writeHeaders(sh, kClientColumns);
    const int last = std::max(lastFilledRowOf(sh, ColNumber, ColNumber), lastFilledRowOf(sh, ColClient, ColClient));
    SheetReader in(sh);
    copied = search(sh, 0, client, false, last, [&](int row) {
        const xl::Value& name = sh.valueAt(row, ColClient);
        // Most practices are of other clients: a text is compared as it is,
        // anything else as the text it reads as.
        return name.isText() ? name.textValue() == client : vb::CStr(in.value(row, ColClient)) == client;
    });
}

void sortResults(Book& book, int count) {
    xl::Worksheet& sh = sheetOf(book);
    sh.Select();
    if (count >= 2) {
        // The block starts below the header row, so it has none.
        xl::Range block = sh.GetRange(sh.Cells(2, kAreaFirstCol), sh.Cells(1 + count, kAreaFirstCol + 3));
        block.Sort(sh.Cells(2, kAreaFirstCol), xl::xlAscending, xl::xlNo);
    }
    sh.Cells(1, kAreaFirstCol).Select();
}

std::shared_ptr<const ListRows> resultSource(Book& book, int count, int columns) {
    xl::Worksheet& sh = sheetOf(book);
    sh.Select();
    return std::make_shared<SheetRows>(sh, 2, count, kAreaFirstCol, columns);
}

std::vector<QStringList> results(Book& book, int count, int columns) {
    xl::Worksheet& sh = sheetOf(book);
    sh.Select();
    // Every result row, also one whose client is empty: the rows are counted
    // when they are written, not found again by their first cell.
    std::vector<QStringList> rows;
    rows.reserve(static_cast<std::size_t>(std::max(0, count)));
    for (int row = 2; row < 2 + count; ++row) {
        QStringList texts;
        for (int i = 0; i < columns; ++i) texts << vb::CStr(sh.Cells(row, kAreaFirstCol + i).GetValue());
        rows.push_back(texts);
    }
    return rows;
}

} // namespace search

} // namespace store
