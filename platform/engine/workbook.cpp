#include "platform/engine/workbook.h"

#include "platform/engine/numberformat.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <optional>
#include <thread>

namespace xl {

// ---------------------------------------------------------------- addresses

QString columnLetters(int col) {
    if (col < 1 || col > kMaxCols) throw Error("column out of range: " + std::to_string(col));
    QString s;
    while (col > 0) {
        const int r = (col - 1) % 26;
        s.prepend(QChar('A' + r));
        col = (col - 1) / 26;
    }
    return s;
}

namespace {

[[noreturn]] void badAddress(const QString& a) { throw Error("invalid address: " + a.toStdString()); }

// One side of an address: "$A$1", "A1", "A", "$A", "1", "$1".
struct Ref {
    int row = 0; // 0 = none given
    int col = 0;
};

Ref parseRef(const QString& text, const QString& whole) {
    Ref ref;
    int i = 0;
    const int n = static_cast<int>(text.size());
    if (i < n && text[i] == u'$') ++i;
    int col = 0, letters = 0;
    while (i < n && text[i].isLetter() && text[i].unicode() < 128) {
        col = col * 26 + (text[i].toUpper().unicode() - 'A' + 1);
        ++letters;
        ++i;
        if (letters > 3) badAddress(whole);
    }
    if (i < n && text[i] == u'$') {
        if (letters == 0) {
            // "$1": a row mark without a column: accepted only before digits
        }
        ++i;
    }
    long row = 0;
    int digits = 0;
    while (i < n && text[i].isDigit() && text[i].unicode() < 128) {
        row = row * 10 + (text[i].unicode() - '0');
        ++digits;
        ++i;
        if (digits > 6) badAddress(whole);
    }
    if (i != n || (letters == 0 && digits == 0)) badAddress(whole);
    if (letters > 0 && (col < 1 || col > kMaxCols)) badAddress(whole);
    if (digits > 0 && (row < 1 || row > kMaxRows)) badAddress(whole);
    ref.col = letters > 0 ? col : 0;
    ref.row = digits > 0 ? static_cast<int>(row) : 0;
    return ref;
}

} // namespace

CellRect parseAddress(const QString& address) {
    const QString a = address.trimmed();
    if (a.isEmpty()) badAddress(address);
    const QStringList parts = a.split(u':');
    if (parts.size() > 2) badAddress(address);
    const Ref r1 = parseRef(parts[0], address);
    const Ref r2 = parts.size() == 2 ? parseRef(parts[1], address) : r1;
    CellRect rect;
    const bool wholeCols = r1.row == 0 && r2.row == 0;
    const bool wholeRows = r1.col == 0 && r2.col == 0;
    if (wholeCols && wholeRows) badAddress(address);
    if (wholeCols) {
        if (parts.size() != 2 || r1.col == 0 || r2.col == 0) badAddress(address);
        rect = {1, std::min(r1.col, r2.col), kMaxRows, std::max(r1.col, r2.col)};
    } else if (wholeRows) {
        if (parts.size() != 2) badAddress(address);
        rect = {std::min(r1.row, r2.row), 1, std::max(r1.row, r2.row), kMaxCols};
    } else {
        if (r1.row == 0 || r1.col == 0 || r2.row == 0 || r2.col == 0) badAddress(address);
        rect = {std::min(r1.row, r2.row), std::min(r1.col, r2.col), std::max(r1.row, r2.row), std::max(r1.col, r2.col)};
    }
    return rect;
}

QString formatAddress(const CellRect& r) {
    if (r.row1 < 1 || r.row2 > kMaxRows || r.col1 < 1 || r.col2 > kMaxCols || r.row1 > r.row2 || r.col1 > r.col2)
        throw Error("range outside the sheet");
    const bool allRows = r.row1 == 1 && r.row2 == kMaxRows;
    const bool allCols = r.col1 == 1 && r.col2 == kMaxCols;
    if (allCols) return QStringLiteral("$%1:$%2").arg(r.row1).arg(r.row2);
    if (allRows) return QStringLiteral("$%1:$%2").arg(columnLetters(r.col1), columnLetters(r.col2));
    const QString first = QStringLiteral("$%1$%2").arg(columnLetters(r.col1)).arg(r.row1);
    if (r.row1 == r.row2 && r.col1 == r.col2) return first;
    return first + QStringLiteral(":$%1$%2").arg(columnLetters(r.col2)).arg(r.row2);
}

// ---------------------------------------------------------------- page setup

void PageSetup::SetPrintArea(const QString& address) {
    if (address.trimmed().isEmpty()) {
        PrintArea.clear();
        return;
    }
    PrintArea = formatAddress(parseAddress(address));
}

void PageSetup::SetZoom(int percent) {
    if (percent < 10 || percent > 400) throw Error("zoom outside 10..400");
    Zoom = percent;
    FitToPage = false;
}

void PageSetup::SetFitToPages(int wide, int tall) {
    if (wide < 0 || tall < 0 || wide > 32767 || tall > 32767) throw Error("fit-to-pages out of range");
    FitToPagesWide = wide;
    FitToPagesTall = tall;
    FitToPage = true;
}

// ---------------------------------------------------------------- worksheet

Worksheet::Worksheet(Workbook* book, const QString& name) : book_(book), name_(name) {}

namespace {
void checkCell(int row, int col) {
    if (row < 1 || row > kMaxRows || col < 1 || col > kMaxCols)
        throw Error("cell outside the sheet: row " + std::to_string(row) + ", column " + std::to_string(col));
}
} // namespace

Range Worksheet::GetRange(const QString& address) { return Range(this, parseAddress(address)); }

Range Worksheet::GetRange(const Range& a, const Range& b) {
    if ((!a.isNull() && &a.Parent() != this) || (!b.isNull() && &b.Parent() != this) || a.isNull() || b.isNull())
        throw Error("Range of cells from another sheet");
    const CellRect& x = a.Rect();
    const CellRect& y = b.Rect();
    return Range(
        this, {std::min(x.row1, y.row1), std::min(x.col1, y.col1), std::max(x.row2, y.row2), std::max(x.col2, y.col2)});
}

Range Worksheet::Cells(int row, int col) {
    checkCell(row, col);
    return Range(this, {row, col, row, col});
}

Range Worksheet::AllCells() { return Range(this, {1, 1, kMaxRows, kMaxCols}); }

Range Worksheet::Columns(const QString& letters) {
    QString a = letters.trimmed();
    if (!a.contains(u':')) a = a + u':' + a;
    const CellRect r = parseAddress(a);
    if (r.row1 != 1 || r.row2 != kMaxRows) throw Error("invalid column: " + letters.toStdString());
    return Range(this, r);
}

Range Worksheet::Columns(int col) {
    checkCell(1, col);
    return Range(this, {1, col, kMaxRows, col});
}

Range Worksheet::Rows(int row) {
    checkCell(row, 1);
    return Range(this, {row, 1, row, kMaxCols});
}

void Worksheet::Select() { book_->SetActiveSheet(*this); }

Range Worksheet::Selection() const { return Range(const_cast<Worksheet*>(this), selection_); }

void Worksheet::SetScrollArea(const QString& address) {
    if (address.trimmed().isEmpty()) {
        scrollArea_.clear();
        return;
    }
    scrollArea_ = formatAddress(parseAddress(address));
}

std::uint32_t Worksheet::inheritedStyle(int row, int col) const {
    if (row <= rowCount_) {
        const std::int32_t rs = storedRow(row - 1).style;
        if (rs >= 0) return static_cast<std::uint32_t>(rs);
    }
    const std::int32_t cs = cols_[col - 1].style;
    return cs >= 0 ? static_cast<std::uint32_t>(cs) : 0;
}

const Cell* Worksheet::cellAt(int row, int col) const {
    if (row < 1 || col < 1 || row > rowCount_ || col > kMaxCols) return nullptr;
    const auto& cells = storedRow(row - 1).cells;
    if (col > static_cast<int>(cells.size())) return nullptr;
    const Cell& c = cells[col - 1];
    // Slots that only pad the row (no value, no formula, the format they
    // would inherit anyway) count as absent.
    if (c.value.isEmpty() && !c.kept && c.style == inheritedStyle(row, col)) return nullptr;
    return &c;
}

Cell& Worksheet::cellRef(int row, int col) { return cellForWrite(row, col, true); }

Cell& Worksheet::valueRef(int row, int col) { return cellForWrite(row, col, false); }

Cell& Worksheet::cellForWrite(int row, int col, bool formats) {
    checkCell(row, col);
    RowInfo& ri = rowForWrite(row, formats);
    // Only this cell is written: cells added before it are padding.
    columnStamps_[(row - 1) / kStampRows][(col - 1) / kStampColumns] = stamp_;
    auto& cells = ri.cells;
    if (col > static_cast<int>(cells.size())) {
        const std::size_t old = cells.size();
        cells.resize(col);
        for (std::size_t c = old; c < cells.size(); ++c) cells[c].style = inheritedStyle(row, static_cast<int>(c) + 1);
    }
    // Its width is measured again; the rest of the row keeps theirs.
    cells[col - 1].fitWidth = std::numeric_limits<float>::quiet_NaN();
    return cells[col - 1];
}

const RowInfo* Worksheet::rowInfo(int row) const {
    if (row < 1 || row > rowCount_) return nullptr;
    return &storedRow(row - 1);
}

float Worksheet::knownFitWidth(int row, int col) const {
    const RowInfo* ri = rowInfo(row);
    if (!ri || !ri->fitKnown || col < 1 || col > static_cast<int>(ri->cells.size()))
        return std::numeric_limits<float>::quiet_NaN();
    return ri->cells[col - 1].fitWidth;
}

RowInfo& Worksheet::rowInfoRef(int row) {
    RowInfo& ri = rowForWrite(row);
    columnStamps_[(row - 1) / kStampRows].fill(stamp_);
    // The caller may change anything of the row. Its cells lose their
    // widths too, so that none moved elsewhere carries one that may no
    // longer hold.
    ri.fitKnown = false;
    for (const Cell& c : ri.cells) c.fitWidth = std::numeric_limits<float>::quiet_NaN();
    return ri;
}

RowInfo& Worksheet::rowForWrite(int row, bool formats) {
    checkCell(row, 1);
    if (row > rowCount_) resizeRows(row);
    RowInfo& ri = writableRow(row - 1);
    ri.stamp = blockStamps_[(row - 1) / kStampRows] = ++stamp_;
    if (formats) ri.formatStamp = stamp_;
    return ri;
}

Worksheet::RowBlock& Worksheet::writableBlock(int block) {
    std::shared_ptr<RowBlock>& p = blocks_[block];
    if (p.use_count() > 1) {
        // A snapshot (or another copy) reads these rows: write a copy. Only
        // this thread hands out references to the block, so a count above
        // one can only fall, never rise, behind our back; copying when it
        // has just fallen to one is merely wasted work.
        p = std::make_shared<RowBlock>(*p);
    } else {
        // The last other owner may have let go on another thread just now;
        // its reads of the block must be over before we write. The count's
        // decrement releases, this fence acquires.
        std::atomic_thread_fence(std::memory_order_acquire);
    }
    return *p;
}

void Worksheet::resizeRows(int count) {
    if (count == rowCount_) return;
    const int blocks = (count + kBlockRows - 1) >> kBlockShift;
    // The last block kept, or the one that was last, takes its new length.
    if (count < rowCount_) {
        blocks_.resize(blocks);
        if (blocks > 0) {
            const int inLast = count - ((blocks - 1) << kBlockShift);
            std::shared_ptr<RowBlock>& p = blocks_.back();
            if (static_cast<int>(p->size()) != inLast) {
                if (p.use_count() > 1)
                    p = std::make_shared<RowBlock>(p->begin(), p->begin() + inLast);
                else
                    writableBlock(blocks - 1).resize(inLast);
            }
        }
    } else {
        if (!blocks_.empty()) {
            const int lastBlock = static_cast<int>(blocks_.size()) - 1;
            const int inLast = std::min(kBlockRows, count - (lastBlock << kBlockShift));
            if (static_cast<int>(blocks_.back()->size()) != inLast) writableBlock(lastBlock).resize(inLast);
        }
        while (static_cast<int>(blocks_.size()) < blocks) {
            auto b = std::make_shared<RowBlock>();
            b->reserve(kBlockRows);
            b->resize(std::min(kBlockRows, count - (static_cast<int>(blocks_.size()) << kBlockShift)));
            blocks_.push_back(std::move(b));
        }
    }
    rowCount_ = count;
}

std::uint32_t Worksheet::effectiveStyle(int row, int col) const {
    if (row >= 1 && row <= rowCount_) {
        const auto& cells = storedRow(row - 1).cells;
        if (col >= 1 && col <= static_cast<int>(cells.size())) return cells[col - 1].style;
    }
    if (col < 1 || col > kMaxCols || row < 1) return 0;
    return inheritedStyle(row, col);
}

const Value& Worksheet::valueAt(int row, int col) const {
    static const Value empty;
    if (row < 1 || row > rowCount_ || col < 1) return empty;
    const auto& cells = storedRow(row - 1).cells;
    if (col > static_cast<int>(cells.size())) return empty;
    return cells[col - 1].value;
}

int Worksheet::runEnd(int col, int from) const {
    auto blank = [&](int row) {
        const Value& v = valueAt(row, col);
        return v.isEmpty() || (v.isText() && v.textValue().isEmpty());
    };
    auto walk = [&](int row) {
        while (row <= kMaxRows && !blank(row)) ++row;
        return row - 1;
    };
    RunMemo* memo = nullptr;
    for (RunMemo& m : runMemo_)
        if (m.known && m.col == col && m.from == from) memo = &m;
    int end;
    if (!memo) {
        end = walk(from);
        memo = &runMemo_[runMemoNext_];
        runMemoNext_ = (runMemoNext_ + 1) % runMemo_.size();
        *memo = RunMemo{col, from, end, stamp_, true};
        return end;
    }
    if (memo->stamp == stamp_) return memo->end;
    // Rows in blocks nobody wrote since the answer was kept are as they
    // were, non-blank down to its end: only the newer blocks can hold the
    // first blank now. Past the old end the run may have grown.
    end = -1;
    const int oldEnd = memo->end;
    for (int row = from; row <= oldEnd && end < 0;) {
        const int blockLast = std::min(oldEnd, ((row - 1) / kStampRows + 1) * kStampRows);
        if (blockStamp(row, col) > memo->stamp) {
            for (int r = row; r <= blockLast; ++r)
                if (blank(r)) {
                    end = r - 1;
                    break;
                }
        }
        row = blockLast + 1;
    }
    if (end < 0) end = walk(std::max(from, oldEnd + 1));
    memo->end = end;
    memo->stamp = stamp_;
    return end;
}

QString Worksheet::textAt(int row, int col) const {
    const Value& v = valueAt(row, col);
    if (v.isEmpty()) return QString();
    return formatValue(v, book_->style(effectiveStyle(row, col)).numberFormat);
}

void Worksheet::deleteRows(int first, int count) {
    if (count <= 0) return;
    checkCell(first, 1);
    const int last = std::min(kMaxRows, first + count - 1);
    count = last - first + 1;
    const int stored = rowCount_;
    if (first <= stored) {
        // The rows below move up over the deleted ones. A row whose block a
        // snapshot still shares is copied rather than moved out of it.
        const int gone = std::min(stored, last) - first + 1;
        for (int i = first - 1; i + gone < stored; ++i) {
            RowInfo& to = writableRow(i);
            const int from = i + gone;
            std::shared_ptr<RowBlock>& src = blocks_[from >> kBlockShift];
            if (src.use_count() > 1)
                to = (*src)[from & (kBlockRows - 1)];
            else
                to = std::move(writableRow(from));
        }
        resizeRows(stored - gone);
        // The rows below move up, into other blocks: every block from the
        // first one touched counts as changed (its rows keep their stamps).
        shiftStamp_ = ++stamp_;
        for (std::size_t b = (first - 1) / kStampRows; b < blockStamps_.size(); ++b) {
            blockStamps_[b] = stamp_;
            columnStamps_[b].fill(stamp_);
        }
    }
    // Merged areas and manual page breaks below move up with their rows;
    // those inside the deleted rows go, those across them shrink.
    std::vector<CellRect> kept;
    for (CellRect m : mergedCells) {
        if (m.row2 < first) {
            kept.push_back(m);
            continue;
        }
        if (m.row1 > last) {
            m.row1 -= count;
            m.row2 -= count;
            kept.push_back(m);
            continue;
        }
        const int above = std::max(0, first - m.row1);
        const int below = std::max(0, m.row2 - last);
        if (above + below == 0) continue;
        m.row1 = m.row1 < first ? m.row1 : first;
        m.row2 = m.row1 + above + below - 1;
        if (m.row1 != m.row2 || m.col1 != m.col2) kept.push_back(m);
    }
    mergedCells.swap(kept);
    auto& breaks = pageSetup_.HPageBreaks;
    std::vector<int> nb;
    for (int b : breaks) {
        if (b < first)
            nb.push_back(b);
        else if (b > last)
            nb.push_back(b - count);
    }
    breaks.swap(nb);
}

void Worksheet::clear(const CellRect& r) {
    const int last = std::min(r.row2, rowCount_);
    for (int row = r.row1; row <= last; ++row) {
        const int lastCol = std::min(r.col2, static_cast<int>(storedRow(row - 1).cells.size()));
        for (int col = r.col1; col <= lastCol; ++col) {
            // Looked up afresh each time: a write below may have given the
            // row a block of its own.
            const Cell& was = storedRow(row - 1).cells[col - 1];
            if (was.value.isEmpty() && !was.kept) continue;
            // Only a row that loses something counts as written.
            RowInfo& ri = writableRow(row - 1);
            ri.stamp = blockStamps_[(row - 1) / kStampRows] = ++stamp_;
            columnStamps_[(row - 1) / kStampRows][(col - 1) / kStampColumns] = stamp_;
            Cell& c = ri.cells[col - 1];
            c.value = Value();
            c.kept.reset();
            c.fitWidth = std::numeric_limits<float>::quiet_NaN();
        }
    }
}

// ---------------------------------------------------------------- workbook

std::unique_ptr<Workbook> Workbook::snapshot() const {
    auto copy = std::make_unique<Workbook>();
    copy->sheets_.reserve(sheets_.size());
    for (const auto& s : sheets_) {
        copy->sheets_.push_back(std::make_unique<Worksheet>(*s));
        copy->sheets_.back()->book_ = copy.get();
    }
    copy->active_ = active_;
    copy->styles_ = styles_;
    copy->styleIndex_ = styleIndex_;
    copy->path_ = path_;
    copy->password_ = password_;
    copy->date1904 = date1904;
    copy->codepage = codepage;
    copy->foreignStreams = foreignStreams;
    copy->formatting = formatting;
    copy->names = names;
    copy->notKept = notKept;
    return copy;
}

Worksheet* Workbook::findSheet(const QString& name) {
    for (auto& s : sheets_)
        if (s->Name().compare(name, Qt::CaseInsensitive) == 0) return s.get();
    return nullptr;
}

Worksheet& Workbook::Sheets(const QString& name) {
    if (Worksheet* s = findSheet(name)) return *s;
    throw Error("no sheet named " + name.toStdString());
}

Worksheet& Workbook::Sheets(int index) {
    if (index < 1 || index > SheetCount()) throw Error("no sheet number " + std::to_string(index));
    return *sheets_[index - 1];
}

Worksheet& Workbook::AddSheet(const QString& name) {
    if (name.trimmed().isEmpty() || name.size() > 31) throw Error("invalid sheet name");
    for (QChar c : name)
        if (QStringLiteral(":\\/?*[]").contains(c)) throw Error("invalid sheet name: " + name.toStdString());
    if (findSheet(name)) throw Error("a sheet named " + name.toStdString() + " exists already");
    sheets_.push_back(std::make_unique<Worksheet>(this, name));
    return *sheets_.back();
}

Worksheet& Workbook::ActiveSheet() {
    if (sheets_.empty()) throw Error("the workbook has no sheets");
    if (active_ < 0 || active_ >= SheetCount()) active_ = 0;
    return *sheets_[active_];
}

void Workbook::SetActiveSheet(Worksheet& s) {
    for (int i = 0; i < SheetCount(); ++i) {
        if (sheets_[i].get() == &s) {
            active_ = i;
            return;
        }
    }
    throw Error("the sheet is not in this workbook");
}

namespace {
std::size_t hashStyle(const Style& s) {
    std::size_t h = qHash(s.numberFormat);
    auto mix = [&h](std::size_t v) { h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2); };
    mix(static_cast<std::size_t>(s.hAlign));
    mix(static_cast<std::size_t>(s.vAlign));
    mix(s.wrapText);
    mix(static_cast<std::size_t>(s.orientation));
    mix(static_cast<std::size_t>(s.indentLevel));
    mix(qHash(s.font.name));
    mix(static_cast<std::size_t>(s.font.size * 20));
    mix(s.font.bold);
    mix(s.fillPattern);
    mix(s.fillForeground);
    mix(s.left.style | s.right.style << 4 | s.top.style << 8 | s.bottom.style << 12);
    mix(static_cast<std::size_t>(s.origin.xf));
    return h;
}
} // namespace

std::uint32_t Workbook::internStyle(const Style& s) {
    const std::size_t h = hashStyle(s);
    auto& bucket = styleIndex_[h];
    for (std::uint32_t idx : bucket)
        if (styles_[idx] == s && styles_[idx].origin.xf == s.origin.xf) return idx;
    if (styles_.front() == s && styles_.front().origin.xf == s.origin.xf) return 0;
    styles_.push_back(s);
    const auto idx = static_cast<std::uint32_t>(styles_.size() - 1);
    bucket.push_back(idx);
    return idx;
}

void Workbook::setDefaultStyle(const Style& s) {
    if (styles_.size() != 1) throw Error("the default format is set before any other");
    styles_.front() = s;
}

void Workbook::Save() {
    if (path_.isEmpty()) throw Error("the workbook has no file to save to");
    SaveAs(path_, password_, true);
}

void Workbook::SaveAs(const QString& path, const QString& password, bool keepBinding) {
    const FileCodec& codec = fileCodec();
    if (!codec.save) throw Error("no file codec registered");
    WaitForSave();
    codec.save(*this, path, password);
    if (!keepBinding) bind(path, password);
}

// ---------------------------------------------------------------- background saves
//
// The thread that owns the workbook takes a snapshot (cheap: the sheets
// share their rows with it) and goes on, while a worker encodes the snapshot
// and puts it on disk through the codec.

class Workbook::SaveWorker {
public:
    using Write = std::function<void(const Workbook&, const QString&, const QString&)>;

    ~SaveWorker() {
        wait();
        {
            std::lock_guard<std::mutex> l(state_->m);
            state_->stop = true;
        }
        state_->cv.notify_all();
        if (thread_.joinable()) thread_.join();
        state_->deliver();
    }

    void submit(std::unique_ptr<Workbook> snap, Write write, SaveDone done) {
        state_->deliver();
        {
            std::lock_guard<std::mutex> l(state_->m);
            // A save still waiting is replaced: this one holds a later state.
            state_->queued = Job{std::move(snap), std::move(write), std::move(done)};
        }
        if (!thread_.joinable()) thread_ = std::thread([s = state_] { run(s); });
        state_->cv.notify_all();
    }

    void wait() {
        {
            std::unique_lock<std::mutex> l(state_->m);
            state_->cv.wait(l, [&] { return !state_->queued && !state_->running; });
        }
        state_->deliver();
    }

    bool pending() const {
        std::lock_guard<std::mutex> l(state_->m);
        return state_->queued || state_->running || !state_->finished.empty();
    }

private:
    struct Job {
        std::unique_ptr<Workbook> book;
        Write write;
        SaveDone done;
    };
    struct State {
        std::mutex m;
        std::condition_variable cv;
        std::optional<Job> queued;
        bool running = false;
        bool stop = false;
        // Answers not yet given, in the order the files were written.
        std::vector<std::pair<SaveDone, std::exception_ptr>> finished;

        // On the owning thread only. Taken out first: a `done` that shows
        // a box runs the event loop, which may come back here.
        void deliver() {
            std::vector<std::pair<SaveDone, std::exception_ptr>> ready;
            {
                std::lock_guard<std::mutex> l(m);
                ready.swap(finished);
            }
            for (auto& [done, failure] : ready)
                if (done) done(failure);
        }
    };

    static void run(const std::shared_ptr<State>& s) {
        for (;;) {
            Job job;
            {
                std::unique_lock<std::mutex> l(s->m);
                s->cv.wait(l, [&] { return s->queued || s->stop; });
                if (!s->queued) return;
                job = std::move(*s->queued);
                s->queued.reset();
                s->running = true;
            }
            std::exception_ptr failure;
            try {
                job.write(*job.book, job.book->FullName(), job.book->Password());
            } catch (...) {
                failure = std::current_exception();
            }
            // The snapshot lets go of the rows before anyone hears the save
            // is over, so that later writes find them unshared.
            job.book.reset();
            {
                std::lock_guard<std::mutex> l(s->m);
                s->running = false;
                s->finished.emplace_back(std::move(job.done), failure);
            }
            s->cv.notify_all();
            // The answer goes to the owning thread's event loop; without one,
            // WaitForSave gives it.
            if (QCoreApplication* app = QCoreApplication::instance()) {
                QMetaObject::invokeMethod(
                    app,
                    [w = std::weak_ptr<State>(s)] {
                        if (auto state = w.lock()) state->deliver();
                    },
                    Qt::QueuedConnection);
            }
        }
    }

    std::shared_ptr<State> state_ = std::make_shared<State>();
    std::thread thread_;
};

// Here, where the worker is known: a workbook's end waits for its saves.
Workbook::Workbook() { styles_.push_back(Style{}); }
Workbook::~Workbook() = default;

void Workbook::SaveInBackground(SaveDone done) {
    if (path_.isEmpty()) throw Error("the workbook has no file to save to");
    const FileCodec& codec = fileCodec();
    if (!codec.save) throw Error("no file codec registered");
    if (!saver_) saver_ = std::make_unique<SaveWorker>();
    saver_->submit(snapshot(), codec.save, std::move(done));
}

void Workbook::WaitForSave() {
    if (saver_) saver_->wait();
}

bool Workbook::SavePending() const { return saver_ && saver_->pending(); }

// ---------------------------------------------------------------- codec

namespace {
FileCodec& codecSlot() {
    static FileCodec codec;
    return codec;
}
} // namespace

void setFileCodec(FileCodec codec) { codecSlot() = std::move(codec); }
const FileCodec& fileCodec() { return codecSlot(); }

// ---------------------------------------------------------------- application

Workbook& Application::Open(const QString& path, const QString& password) {
    const FileCodec& codec = fileCodec();
    if (!codec.open) throw Error("no file codec registered");
    std::unique_ptr<Workbook> book = codec.open(path, password);
    if (!book) throw Error("the workbook could not be opened");
    book->bind(path, password);
    book_ = std::move(book);
    return *book_;
}

void Application::adopt(std::unique_ptr<Workbook> book) { book_ = std::move(book); }

Workbook& Application::ActiveWorkbook() {
    if (!book_) throw Error("no workbook is open");
    return *book_;
}

void Application::Close() { book_.reset(); }

double Application::Sum(const Range& r) {
    if (r.isNull()) throw Error("Sum of no range");
    const Worksheet& ws = r.Parent();
    const CellRect& rect = r.Rect();
    double total = 0;
    const int last = std::min(rect.row2, ws.usedRows());
    for (int row = rect.row1; row <= last; ++row) {
        const RowInfo* ri = ws.rowInfo(row);
        const int lastCol = std::min(rect.col2, static_cast<int>(ri->cells.size()));
        for (int col = rect.col1; col <= lastCol; ++col) {
            const Value& v = ri->cells[col - 1].value;
            if (v.isNumeric()) total += v.numberValue();
        }
    }
    return total;
}

} // namespace xl
