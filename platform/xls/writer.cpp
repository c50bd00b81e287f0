// Writing the engine's model as a BIFF8 workbook stream.

#include "platform/engine/numberformat.h"
#include "platform/xls/biff.h"
#include "platform/xls/bytes.h"
#include "platform/xls/cfb.h"
#include "platform/xls/formula.h"
#include "platform/xls/records.h"
#include "platform/xls/xlsfile.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <exception>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace xls::detail {

namespace {

constexpr std::size_t kMaxData = 8224;
// Below this many texts per thread, starting a thread costs more than the
// hashing it would take over.
constexpr std::size_t kTextsPerThread = 16384;
constexpr int kFirstCellXf = 15; // XFs 0-14 are the cell styles' own

bool fitsLatin1(const QString& s) {
    for (QChar c : s)
        if (c.unicode() > 0xFF) return false;
    return true;
}

// Characters of a string, 8-bit when every character fits.
void appendChars(ByteWriter& w, QStringView s, bool high) {
    if (high) {
        for (QChar c : s) w.u16(c.unicode());
    } else {
        QByteArray& b = w.buffer();
        const qsizetype at = b.size();
        b.resize(at + s.size());
        char* p = b.data() + at;
        for (qsizetype i = 0; i < s.size(); ++i) p[i] = char(s[i].unicode());
    }
}

void unicodeString(ByteWriter& w, const QString& s, bool shortCount) {
    const bool high = !fitsLatin1(s);
    if (shortCount)
        w.u8(std::uint8_t(s.size()));
    else
        w.u16(std::uint16_t(s.size()));
    w.u8(high ? 1 : 0);
    appendChars(w, s, high);
}

class Builder {
public:
    Builder() : w(out) { out.reserve(1 << 16); }
    // Starts a record and returns where its length goes.
    qsizetype begin(std::uint16_t type) {
        w.u16(type);
        w.u16(0);
        return out.size();
    }
    void end(qsizetype dataStart) {
        qsizetype len = out.size() - dataStart;
        Q_ASSERT(len <= qsizetype(kMaxData));
        w.put16(dataStart - 2, std::uint16_t(len));
    }
    void rec(std::uint16_t type, const QByteArray& data) {
        // Longer data goes on in CONTINUE records.
        qsizetype off = 0;
        std::uint16_t t = type;
        do {
            qsizetype n = std::min<qsizetype>(data.size() - off, kMaxData);
            w.u16(t);
            w.u16(std::uint16_t(n));
            out.append(data.constData() + off, n);
            off += n;
            t = rec::kContinue;
        } while (off < data.size());
    }
    void rec16(std::uint16_t type, std::uint16_t v) {
        w.u16(type);
        w.u16(2);
        w.u16(v);
    }
    void recEmpty(std::uint16_t type) {
        w.u16(type);
        w.u16(0);
    }
    void recDouble(std::uint16_t type, double v) {
        w.u16(type);
        w.u16(8);
        w.f64(v);
    }
    qsizetype pos() const { return out.size(); }

    QByteArray out;
    ByteWriter w;
};

QByteArray data(const std::function<void(ByteWriter&)>& fill) {
    QByteArray d;
    ByteWriter w(d);
    fill(w);
    return d;
}

// Pieces one after the other in one array.
QByteArray joined(const std::vector<QByteArray>& pieces) {
    if (pieces.size() == 1) return pieces.front();
    qsizetype size = 0;
    for (const QByteArray& p : pieces) size += p.size();
    QByteArray out = largeBuffer(size);
    char* at = out.data();
    for (const QByteArray& p : pieces) {
        std::memcpy(at, p.constData(), std::size_t(p.size()));
        at += p.size();
    }
    return out;
}

struct CellOut {
    std::uint16_t col;
    std::uint16_t xf;
    bool formula; // goes out as its kept formula
    const xl::Cell* cell;
};

// A defined name as written.
struct NameOut {
    const xl::DefinedName* kept; // null: a print area or titles of a page setup
    int sheet;                   // 0-based; -1: the workbook's
    std::uint8_t code;           // of a page setup's name: 6 print area, 7 titles
    std::vector<xl::CellRect> areas;
};

class WorkbookWriter {
public:
    WorkbookWriter(const xl::Workbook& book, unsigned threads)
        : book_(book), threads_(threads ? threads : std::max(1u, std::thread::hardware_concurrency())) {}

    // The stream in pieces of whole records, in their order.
    std::vector<QByteArray> run(const QByteArray& filePass) {
        for (int i = 0; i < book_.SheetCount(); ++i)
            sheetIndex_.insert(const_cast<xl::Workbook&>(book_).Sheets(i + 1).Name(), i);
        planNames();
        // The globals up to the names: they settle the formats every cell
        // is written with.
        writeGlobals(filePass);
        std::vector<QByteArray> pieces;
        pieces.push_back(std::move(b_.out));
        b_.out = QByteArray();
        planSheets();
        collectStrings();
        encodeParts(pieces);
        std::vector<std::size_t> offsets(pieces.size());
        std::size_t at = 0;
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            offsets[i] = at;
            at += std::size_t(pieces[i].size());
        }
        // What could be known only now: where each sheet and the records its
        // INDEX points at landed.
        ByteWriter globals(pieces[0]);
        for (std::size_t s = 0; s < sheets_.size(); ++s) {
            const SheetOut& so = sheets_[s];
            const std::size_t head = so.firstPiece, headAt = offsets[head];
            globals.put32(sheetPosFields_[s], std::uint32_t(headAt));
            ByteWriter w(pieces[head]);
            w.put32(so.defColWidthField, std::uint32_t(headAt + std::size_t(so.defColWidthPos)));
            std::size_t k = 0;
            for (std::size_t c = 0; c < so.chunks.size(); ++c)
                for (qsizetype local : chunkDbCells_[so.firstChunk + c])
                    w.put32(so.dbCellFields + qsizetype(4 * k++),
                            std::uint32_t(offsets[head + 1 + c] + std::size_t(local)));
        }
        return pieces;
    }

private:
    int xfOf(std::uint32_t style) const { return style < xfIndex_.size() ? xfIndex_[style] : kFirstCellXf; }

    // Whether the cell goes out as its kept formula, and the tokens it goes
    // out with: not when a sheet it names is gone or the record would
    // overflow; the cell is then written as its value.
    bool formulaOut(const xl::Cell& c, QByteArray* tokens = nullptr) const {
        if (!c.kept) return false;
        QByteArray t;
        const auto indexOf = [this](const QString& name) { return sheetIndex_.value(name, -1); };
        if (!tokensForWrite(*c.kept, indexOf, t)) return false;
        if (22 + std::size_t(t.size()) + std::size_t(c.kept->extra.size()) > kMaxData) return false;
        if (tokens) *tokens = std::move(t);
        return true;
    }

    // Rows that need a ROW record, and the cells to write.
    struct RowOut {
        int row;
        const xl::RowInfo* info;
        int colMic, colMac;
        const CellOut* cells;
        std::uint32_t count;
        std::uint32_t firstText; // index of the row's first text among all the text cells written
    };
    struct SheetPlan {
        std::vector<RowOut> rows;
        int rwMic = -1, rwMac = 0, colMic = 256, colMac = 0; // the cells' extent, as DIMENSIONS gives it
        std::size_t blocks() const { return (rows.size() + 31) / 32; }
        bool sheetRefs = false;
    };
    // A run of one sheet's rows, planned on its own: the cells to write,
    // and the texts among them that go in the string table, with their
    // hashes, in the order of the cells.
    struct Segment {
        int sheet = 0, first = 1, last = 0; // rows, 1-based, inclusive
        std::vector<CellOut> cells;
        std::vector<const QString*> texts;
        std::vector<std::uint32_t> hashes;
        std::vector<char> high; // written 16 bits a character
        SheetPlan plan;
    };
    // A sheet as written: its plan, and its pieces of the stream, which
    // follow one another: the records before the rows, the chunks of row
    // blocks, the records after them.
    struct SheetOut {
        SheetPlan plan;
        std::vector<std::pair<std::size_t, std::size_t>> chunks; // blocks [first, last)
        std::size_t firstPiece = 0, firstChunk = 0;
        qsizetype defColWidthField = 0, defColWidthPos = 0, dbCellFields = 0;
    };

    // Rows per segment and row blocks per chunk: enough work to be worth a
    // turn of a thread, small enough that a large sheet spreads over all.
    static constexpr int kSegmentRows = 2048;
    static constexpr std::size_t kChunkBlocks = 24;

    const xl::Worksheet& sheet(int i) const { return const_cast<xl::Workbook&>(book_).Sheets(i + 1); }

    // Runs `f(i)` for i in [0, n), spread over the threads.
    template <class F>
    void parallel(std::size_t n, F f) const {
        std::atomic<std::size_t> next{0};
        std::exception_ptr error;
        std::mutex errorLock;
        auto work = [&] {
            for (std::size_t i = next++; i < n; i = next++) {
                try {
                    f(i);
                } catch (...) {
                    std::lock_guard<std::mutex> hold(errorLock);
                    if (!error) error = std::current_exception();
                }
            }
        };
        const std::size_t threads = std::min<std::size_t>(threads_, n);
        std::vector<std::thread> pool;
        for (std::size_t t = 1; t < threads; ++t) pool.emplace_back(work);
        work();
        for (auto& t : pool) t.join();
        if (error) std::rethrow_exception(error);
    }

    // Which cells each sheet writes, and which texts, planned in runs of
    // rows side by side; then each sheet's plan from its runs in order.
    void planSheets() {
        const bool one = threads_ == 1;
        for (int s = 0; s < book_.SheetCount(); ++s) {
            const int rows = sheet(s).usedRows();
            for (int r = 1; r <= std::max(rows, 1); r += one ? std::max(rows, 1) : kSegmentRows) {
                Segment sg;
                sg.sheet = s;
                sg.first = r;
                sg.last = one ? rows : std::min(rows, r + kSegmentRows - 1);
                segments_.push_back(std::move(sg));
            }
        }
        parallel(segments_.size(), [&](std::size_t i) { planSegment(segments_[i]); });
        sheets_.resize(std::size_t(book_.SheetCount()));
        std::uint32_t textBase = 0;
        for (Segment& sg : segments_) {
            SheetPlan& plan = sheets_[std::size_t(sg.sheet)].plan;
            for (RowOut& ro : sg.plan.rows) {
                ro.firstText += textBase;
                plan.rows.push_back(ro);
            }
            textBase += std::uint32_t(sg.texts.size());
            if (sg.plan.rwMic >= 0) {
                if (plan.rwMic < 0) plan.rwMic = sg.plan.rwMic;
                plan.rwMac = sg.plan.rwMac;
                plan.colMic = std::min(plan.colMic, sg.plan.colMic);
                plan.colMac = std::max(plan.colMac, sg.plan.colMac);
            }
            if (sg.plan.sheetRefs) sheetRefs_ = true;
        }
        for (SheetOut& so : sheets_) {
            if (so.plan.rwMic < 0) {
                so.plan.rwMic = 0;
                so.plan.colMic = 0;
            }
        }
    }

    void planSegment(Segment& sg) const {
        const xl::Worksheet& ws = sheet(sg.sheet);
        SheetPlan& plan = sg.plan;
        std::vector<std::uint32_t> at; // each row's first cell in sg.cells
        for (int r = sg.first; r <= sg.last; ++r) {
            const xl::RowInfo* ri = ws.rowInfo(r);
            RowOut ro{r, ri, 256, 0, nullptr, 0, std::uint32_t(sg.texts.size())};
            const std::size_t begin = sg.cells.size();
            for (int c = 1; c <= int(ri->cells.size()) && c <= xl::kMaxCols; ++c) {
                const xl::Cell& cell = ri->cells[std::size_t(c - 1)];
                if (cell.value.isEmpty() && !ws.cellAt(r, c)) continue;
                // A formula's text result goes in a record of its own, not
                // in the table.
                const bool formula = cell.kept && formulaOut(cell);
                if (formula) {
                    if (!cell.kept->sheets.isEmpty()) plan.sheetRefs = true;
                } else if (cell.value.isText()) {
                    const QString& text = cell.value.textValue();
                    sg.texts.push_back(&text);
                    sg.hashes.push_back(std::uint32_t(qHash(QStringView(text))));
                    sg.high.push_back(!fitsLatin1(text));
                }
                sg.cells.push_back({std::uint16_t(c - 1), std::uint16_t(xfOf(cell.style)), formula, &cell});
                ro.colMic = std::min(ro.colMic, c - 1);
                ro.colMac = std::max(ro.colMac, c);
            }
            ro.count = std::uint32_t(sg.cells.size() - begin);
            bool special = ri->height >= 0 || ri->hidden || ri->style >= 0;
            if (ro.count == 0 && !special) continue;
            if (ro.count > 0) {
                if (plan.rwMic < 0) plan.rwMic = r - 1;
                plan.rwMac = r;
                plan.colMic = std::min(plan.colMic, ro.colMic);
                plan.colMac = std::max(plan.colMac, ro.colMac);
            } else {
                ro.colMic = 0;
                ro.colMac = 0;
            }
            at.push_back(std::uint32_t(begin));
            plan.rows.push_back(ro);
        }
        for (std::size_t i = 0; i < plan.rows.size(); ++i) plan.rows[i].cells = sg.cells.data() + at[i];
    }

    // The shared string table: each distinct text once, in the order of
    // its first cell. The texts are split by their hash among the threads,
    // so that each finds the repeats of its own texts in a table of its
    // own; a slot keeps the low half of its text's hash beside the index, so
    // a probe that misses is told apart without reaching the text.
    void collectStrings() {
        std::vector<const QString*> texts;
        std::vector<std::uint32_t> hashes;
        std::vector<char> high;
        {
            std::size_t count = 0;
            for (const Segment& sg : segments_) count += sg.texts.size();
            texts.reserve(count);
            hashes.reserve(count);
            high.reserve(count);
            for (Segment& sg : segments_) {
                texts.insert(texts.end(), sg.texts.begin(), sg.texts.end());
                hashes.insert(hashes.end(), sg.hashes.begin(), sg.hashes.end());
                high.insert(high.end(), sg.high.begin(), sg.high.end());
                sg.texts = {};
                sg.hashes = {};
                sg.high = {};
            }
        }
        const std::size_t count = texts.size();
        std::vector<std::uint32_t> first(count); // of each text, the first text equal to it
        const std::size_t parts = std::min<std::size_t>(threads_, count / kTextsPerThread + 1);
        parallel(parts, [&](std::size_t part) {
            struct Slot {
                std::uint32_t hash = 0;
                std::uint32_t index = 0; // + 1 into texts; 0 for a free slot
            };
            std::vector<Slot> table(1024);
            std::size_t mask = table.size() - 1, used = 0;
            for (std::size_t t = 0; t < count; ++t) {
                const std::uint32_t h = hashes[t];
                if ((std::uint64_t(h >> 16) * parts) >> 16 != part) continue;
                const QString* text = texts[t];
                std::size_t i = h & mask;
                bool found = false;
                while (table[i].index != 0) {
                    const std::uint32_t k = table[i].index - 1;
                    if (table[i].hash == h && (texts[k] == text || *texts[k] == *text)) {
                        first[t] = k;
                        found = true;
                        break;
                    }
                    i = (i + 1) & mask;
                }
                if (found) continue;
                first[t] = std::uint32_t(t);
                table[i] = {h, std::uint32_t(t) + 1};
                if (++used * 2 > table.size()) {
                    std::vector<Slot> bigger(table.size() * 2);
                    const std::size_t m = bigger.size() - 1;
                    for (const Slot& s : table) {
                        if (s.index == 0) continue;
                        std::size_t j = s.hash & m;
                        while (bigger[j].index != 0) j = (j + 1) & m;
                        bigger[j] = s;
                    }
                    table.swap(bigger);
                    mask = m;
                }
            }
        });
        totalStrings_ = count;
        cellSst_.resize(count);
        for (std::size_t t = 0; t < count; ++t) {
            if (first[t] == t) {
                cellSst_[t] = std::uint32_t(sst_.size());
                sst_.push_back(texts[t]);
                sstHigh_.push_back(high[t]);
            } else {
                cellSst_[t] = cellSst_[first[t]];
            }
        }
    }

    // The rest of the globals, each sheet's records before and after its
    // rows, and its rows in chunks of blocks: encoded side by side, each
    // piece in an array of its own, in stream order.
    void encodeParts(std::vector<QByteArray>& pieces) {
        struct Job {
            int kind; // 0 a run of the string table (`sheet` is the run), 1 a sheet's records around its
                      // rows, 2 a chunk of rows
            std::size_t sheet, chunk;
        };
        // The rest of the globals: the names, then the string table in a
        // piece of its own, whose runs of strings are jobs, then EXTSST.
        writeNames();
        pieces.push_back(std::move(b_.out));
        b_.out = QByteArray();
        const SstLayout sst = layoutSst(pieces[0].size() + pieces[1].size());
        pieces.push_back(largeBuffer(sst.size));
        char* sstOut = pieces.back().data();
        writeExtSst(sst);
        b_.recEmpty(rec::kEof);
        pieces.push_back(std::move(b_.out));
        std::vector<Job> jobs;
        for (std::size_t r = 0; r < sst.runs.size(); ++r) jobs.push_back({0, r, 0});
        for (std::size_t s = 0; s < sheets_.size(); ++s) {
            SheetOut& so = sheets_[s];
            const std::size_t blocks = so.plan.blocks();
            const std::size_t per = threads_ == 1 ? std::max<std::size_t>(blocks, 1) : kChunkBlocks;
            for (std::size_t b = 0; b < blocks; b += per) so.chunks.push_back({b, std::min(blocks, b + per)});
            so.firstPiece = pieces.size();
            so.firstChunk = chunkDbCells_.size();
            chunkDbCells_.resize(chunkDbCells_.size() + so.chunks.size());
            pieces.resize(pieces.size() + so.chunks.size() + 2);
            jobs.push_back({1, s, 0});
            for (std::size_t c = 0; c < so.chunks.size(); ++c) jobs.push_back({2, s, c});
        }
        parallel(jobs.size(), [&](std::size_t j) {
            const Job& job = jobs[j];
            if (job.kind == 0) {
                writeSstRun(sst, job.sheet, sstOut);
                return;
            }
            SheetOut& so = sheets_[job.sheet];
            const xl::Worksheet& ws = sheet(int(job.sheet));
            SheetPart part(*this);
            if (job.kind == 1) {
                part.head(ws, so.plan);
                so.defColWidthField = part.defColWidthField;
                so.defColWidthPos = part.defColWidthPos;
                so.dbCellFields = part.dbCellFields;
                pieces[so.firstPiece] = std::move(part.b_.out);
                SheetPart tail(*this);
                tail.tail(ws, int(job.sheet));
                pieces[so.firstPiece + so.chunks.size() + 1] = std::move(tail.b_.out);
                return;
            }
            const auto [from, to] = so.chunks[job.chunk];
            part.nextSst = from * 32 < so.plan.rows.size() ? so.plan.rows[from * 32].firstText : 0;
            for (std::size_t blk = from; blk < to; ++blk) part.writeRowBlock(ws, so.plan, blk);
            chunkDbCells_[so.firstChunk + job.chunk] = std::move(part.dbCells);
            pieces[so.firstPiece + 1 + job.chunk] = std::move(part.b_.out);
        });
    }

    std::uint16_t formatId(const QString& fmt) {
        const QString c = xl::canonicalFormat(fmt);
        if (c == u"General" || c.isEmpty()) return 0;
        if (c == u"0") return 1;
        if (c == u"0.00") return 2;
        if (c == u"#,0" || c == u"#,##0") return 3;
        if (c == u"#,0.00" || c == u"#,##0.00") return 4;
        if (c == u"0%") return 9;
        if (c == u"0.00%") return 10;
        if (c == u"@") return 49;
        // One of the file's own formats that reads the same.
        for (const auto& [id, text] : book_.formatting.formats)
            if (text == fmt || xl::canonicalFormat(text) == c) return id;
        auto it = customFormats_.find(fmt);
        if (it != customFormats_.end()) return it->second;
        std::uint16_t id = std::uint16_t(firstCustomFormat_ + customFormats_.size());
        customFormats_.emplace(fmt, id);
        customOrder_.push_back(fmt);
        return id;
    }

    // A font's index: index 4 is never used, so the records from the
    // fifth on are one further.
    static std::uint16_t fontIndex(std::size_t record) { return std::uint16_t(record < 4 ? record : record + 1); }

    std::uint16_t fontId(const xl::Font& f) {
        const auto& kept = book_.formatting.fonts;
        if (kept.empty() && f == book_.styles().front().font) return 0;
        // One of the file's own fonts written the same way.
        const QByteArray rec = fontRecord(f);
        for (std::size_t i = 0; i < kept.size(); ++i)
            if (kept[i] == rec) return fontIndex(i);
        const std::size_t first = kept.empty() ? 4 : kept.size();
        for (std::size_t i = 0; i < fonts_.size(); ++i)
            if (fonts_[i] == f) return fontIndex(first + i);
        fonts_.push_back(f);
        return fontIndex(first + fonts_.size() - 1);
    }

    // Whether the file's own tables are written back: a workbook read from
    // a file whose tables hold what every workbook needs.
    bool keptFormatting() const {
        const xl::FileFormatting& ff = book_.formatting;
        return ff.fonts.size() >= 4 && ff.xfs.size() > std::size_t(kFirstCellXf) && ff.xfStyle.size() == ff.xfs.size();
    }

    // The file's tables as they were, then a format of the program's own
    // for each style the file does not have: a style the program made, or
    // one of the file's that it changed, which keeps the font and number
    // format of the one it came from where they still agree.
    void writeKeptFormatting() {
        Builder& b = b_;
        const xl::FileFormatting& ff = book_.formatting;
        const auto& styles = book_.styles();
        for (const auto& [id, text] : ff.formats) firstCustomFormat_ = std::max<int>(firstCustomFormat_, id + 1);
        std::vector<QByteArray> added;
        xfIndex_.assign(styles.size(), kFirstCellXf);
        for (std::size_t i = 0; i < styles.size(); ++i) {
            const xl::Style& s = styles[i];
            const std::int32_t from = s.origin.xf;
            const bool known = from >= 0 && std::size_t(from) < ff.xfs.size() && ff.xfs[std::size_t(from)].size() >= 4;
            if (known && ff.xfStyle[std::size_t(from)] == i) {
                xfIndex_[i] = from;
                continue;
            }
            const xl::Style* was = known && ff.xfStyle[std::size_t(from)] < styles.size()
                                       ? &styles[ff.xfStyle[std::size_t(from)]]
                                       : nullptr;
            const auto* raw =
                reinterpret_cast<const unsigned char*>(was ? ff.xfs[std::size_t(from)].constData() : nullptr);
            const std::uint16_t font = was && was->font == s.font ? le16(raw) : fontId(s.font);
            const std::uint16_t fmt =
                was && was->numberFormat == s.numberFormat ? le16(raw + 2) : formatId(s.numberFormat);
            xfIndex_[i] = int(ff.xfs.size() + added.size());
            added.push_back(xfRecord(font, fmt, s, false));
        }
        for (const QByteArray& f : ff.fonts) b.rec(rec::kFont, f);
        for (const xl::Font& f : fonts_) b.rec(rec::kFont, fontRecord(f));
        for (const auto& f : ff.formats)
            b.rec(rec::kFormat, data([&](ByteWriter& w) {
                      w.u16(f.first);
                      unicodeString(w, f.second, false);
                  }));
        for (const QString& f : customOrder_)
            b.rec(rec::kFormat, data([&](ByteWriter& w) {
                      w.u16(customFormats_[f]);
                      unicodeString(w, f, false);
                  }));
        for (const QByteArray& x : ff.xfs) b.rec(rec::kXf, x);
        for (const QByteArray& x : added) b.rec(rec::kXf, x);
        if (ff.styles.empty()) writeNormalStyle();
        for (const auto& [type, rec] : ff.styles) b.rec(type, rec);
        if (!ff.palette.isEmpty()) b.rec(rec::kPalette, ff.palette);
    }

    void writeNormalStyle() {
        b_.rec(rec::kStyle, data([](ByteWriter& w) {
                   w.u16(0x8000);
                   w.u8(0);
                   w.u8(0xFF);
               }));
    }

    static QByteArray fontRecord(const xl::Font& f) {
        return data([&](ByteWriter& w) {
            w.u16(std::uint16_t(std::lround(f.size * 20)));
            w.u16(std::uint16_t((f.italic ? 0x02 : 0) | (f.strikeout ? 0x08 : 0)));
            w.u16(f.color);
            w.u16(f.bold ? 700 : 400);
            w.u16(0);
            w.u8(f.underline ? 1 : 0);
            w.u8(0);
            w.u8(0);
            w.u8(0);
            unicodeString(w, f.name.left(255), true);
        });
    }

    static QByteArray xfRecord(std::uint16_t font, std::uint16_t fmt, const xl::Style& s, bool styleXf) {
        return data([&](ByteWriter& w) {
            w.u16(font);
            w.u16(fmt);
            std::uint16_t prot = (s.locked ? 0x01 : 0) | (s.formulaHidden ? 0x02 : 0);
            if (styleXf) prot |= 0x0004 | 0xFFF0;
            w.u16(prot);
            w.u8(std::uint8_t((int(s.hAlign) & 0x07) | (s.wrapText ? 0x08 : 0) | ((int(s.vAlign) & 0x07) << 4)));
            int rot = s.orientation;
            std::uint8_t trot = rot == 255 ? 255
                                : rot >= 0 ? std::uint8_t(std::min(rot, 90))
                                           : std::uint8_t(90 + std::min(-rot, 90));
            w.u8(trot);
            w.u8(std::uint8_t((s.indentLevel & 0x0F) | (s.shrinkToFit ? 0x10 : 0) | ((s.readingOrder & 0x03) << 6)));
            // Cell XFs say every attribute is their own rather than the style's.
            w.u8(styleXf ? 0 : 0xFC);
            std::uint32_t b1 = (s.left.style & 0x0F) | ((s.right.style & 0x0F) << 4) | ((s.top.style & 0x0F) << 8) |
                               ((s.bottom.style & 0x0F) << 12) | (std::uint32_t(s.left.color & 0x7F) << 16) |
                               (std::uint32_t(s.right.color & 0x7F) << 23);
            std::uint32_t b2 = (s.top.color & 0x7F) | (std::uint32_t(s.bottom.color & 0x7F) << 7) |
                               (std::uint32_t(s.fillPattern & 0x3F) << 26);
            w.u32(b1);
            w.u32(b2);
            w.u16(std::uint16_t((s.fillForeground & 0x7F) | ((s.fillBackground & 0x7F) << 7)));
        });
    }

    // A workbook of the program's own: the default font four times over as
    // the file format wants, the styles' formats, then one per style.
    void writeOwnFormatting() {
        Builder& b = b_;
        const auto& styles = book_.styles();
        xfIndex_.resize(styles.size());
        for (std::size_t i = 0; i < styles.size(); ++i) xfIndex_[i] = kFirstCellXf + int(i);
        std::vector<std::pair<std::uint16_t, std::uint16_t>> xfRefs;
        xfRefs.reserve(styles.size());
        for (const xl::Style& s : styles) {
            std::uint16_t f = fontId(s.font);
            xfRefs.emplace_back(f, formatId(s.numberFormat));
        }
        const QByteArray defaultFont = fontRecord(styles.front().font);
        for (int i = 0; i < 4; ++i) b.rec(rec::kFont, defaultFont);
        for (const xl::Font& f : fonts_) b.rec(rec::kFont, fontRecord(f));
        for (const QString& f : customOrder_) {
            b.rec(rec::kFormat, data([&](ByteWriter& w) {
                      w.u16(customFormats_[f]);
                      unicodeString(w, f, false);
                  }));
        }
        const QByteArray styleXf = xfRecord(0, 0, styles.front(), true);
        for (int i = 0; i < kFirstCellXf; ++i) b.rec(rec::kXf, styleXf);
        for (std::size_t i = 0; i < styles.size(); ++i)
            b.rec(rec::kXf, xfRecord(xfRefs[i].first, xfRefs[i].second, styles[i], false));
        writeNormalStyle();
    }

    // The BOF that opens a substream: BIFF8, with the build and history
    // fields Excel 97-2003 writes.
    static void writeBof(Builder& b, quint16 substream) {
        b.rec(rec::kBof, data([substream](ByteWriter& w) {
                  w.u16(rec::kBiff8Version);
                  w.u16(substream);
                  w.u16(0x0DBB);
                  w.u16(0x07CC);
                  w.u32(0x000100C1);
                  w.u32(0x00000006);
              }));
    }

    void writeGlobals(const QByteArray& filePass) {
        Builder& b = b_;
        writeBof(b_, rec::kBofGlobals);
        if (!filePass.isEmpty()) b.rec(rec::kFilePass, filePass);
        b.rec16(rec::kInterfaceHdr, 0x04B0);
        b.rec16(rec::kMms, 0);
        b.recEmpty(rec::kInterfaceEnd);
        b.rec(rec::kWriteAccess, data([](ByteWriter& w) { // WRITEACCESS, blank-padded
                  const QString who = QStringLiteral("Velmora");
                  unicodeString(w, who, false);
                  w.buffer().append(112 - 3 - who.size(), ' ');
              }));
        b.rec16(rec::kCodePage, 0x04B0); // UTF-16
        b.rec16(rec::kDsf, 0);
        b.rec(rec::kTabId, data([&](ByteWriter& w) {
                  for (int i = 0; i < book_.SheetCount(); ++i) w.u16(std::uint16_t(i + 1));
              }));
        b.rec16(rec::kFnGroupCount, 0x000E);
        b.rec16(rec::kWindowProtect, 0);
        b.rec16(rec::kProtect, 0);
        b.rec16(rec::kPassword, 0);
        b.rec16(rec::kProt4Rev, 0);
        b.rec16(rec::kProt4RevPass, 0);
        active_ = 0;
        if (book_.SheetCount() > 0) {
            xl::Workbook& mb = const_cast<xl::Workbook&>(book_);
            xl::Worksheet* act = &mb.ActiveSheet();
            for (int i = 0; i < book_.SheetCount(); ++i)
                if (&mb.Sheets(i + 1) == act) active_ = i;
        }
        b.rec(rec::kWindow1, data([&](ByteWriter& w) {
                  w.u16(0x0168);
                  w.u16(0x001E);
                  w.u16(0x4000);
                  w.u16(0x2000);
                  w.u16(0x0038);
                  w.u16(std::uint16_t(active_));
                  w.u16(0);
                  w.u16(1);
                  w.u16(0x0258);
              }));
        b.rec16(rec::kBackup, 0);
        b.rec16(rec::kHideObj, 0);
        b.rec16(rec::kDateMode, book_.date1904 ? 1 : 0);
        b.rec16(rec::kPrecision, 1);
        b.rec16(rec::kRefreshAll, 0);
        b.rec16(rec::kBookBool, 0);

        if (keptFormatting())
            writeKeptFormatting();
        else
            writeOwnFormatting();
        b.rec16(rec::kUsesElfs, 1);

        for (int i = 0; i < book_.SheetCount(); ++i) {
            const xl::Worksheet& ws = const_cast<xl::Workbook&>(book_).Sheets(i + 1);
            qsizetype at = b.begin(rec::kBoundSheet);
            sheetPosFields_.push_back(b.pos());
            b.w.u32(0);
            b.w.u8(ws.hidden ? 1 : 0);
            b.w.u8(0);
            unicodeString(b.w, ws.Name(), true);
            b.end(at);
        }
        b.rec(rec::kCountry, data([](ByteWriter& w) {
                  w.u16(39);
                  w.u16(39);
              })); // Italy
    }

    // The names to write, in order: the file's own names where their sheet
    // is still there, each sheet's print area and titles (where the file
    // had them, else after the others), and the index each name read gets.
    void planNames() {
        std::vector<NameOut> page;
        for (int i = 0; i < book_.SheetCount(); ++i) {
            const xl::PageSetup& ps = const_cast<xl::Workbook&>(book_).Sheets(i + 1).GetPageSetup();
            try {
                if (!ps.PrintArea.isEmpty()) page.push_back({nullptr, i, 0x06, {xl::parseAddress(ps.PrintArea)}});
                std::vector<xl::CellRect> titles;
                if (!ps.PrintTitleColumns.isEmpty()) titles.push_back(xl::parseAddress(ps.PrintTitleColumns));
                if (!ps.PrintTitleRows.isEmpty()) titles.push_back(xl::parseAddress(ps.PrintTitleRows));
                if (!titles.empty()) page.push_back({nullptr, i, 0x07, titles});
            } catch (const xl::Error&) {
                // an address the engine would not have accepted: nothing to write
            }
        }
        std::vector<bool> placed(page.size(), false);
        nameIndex_.assign(book_.names.size() + 1, 0);
        for (std::size_t i = 0; i < book_.names.size(); ++i) {
            const xl::DefinedName& n = book_.names[i];
            const int sheet = n.sheet.isEmpty() ? -1 : sheetIndex_.value(n.sheet, -2);
            if (sheet == -2) continue;
            if (n.printSetup()) {
                std::size_t k = 0;
                while (k < page.size() && (placed[k] || page[k].sheet != sheet || page[k].code != n.name[0].unicode()))
                    ++k;
                if (k == page.size()) continue; // the program took it away
                placed[k] = true;
                names_.push_back(page[k]);
            } else {
                if (!n.formula) continue;
                if (!n.formula->sheets.isEmpty()) sheetRefs_ = true;
                names_.push_back({&n, sheet, 0, {}});
            }
            nameIndex_[i + 1] = int(names_.size());
        }
        for (std::size_t k = 0; k < page.size(); ++k)
            if (!placed[k]) names_.push_back(page[k]);
    }

    static QByteArray pageNameTokens(const NameOut& nm) {
        return data([&](ByteWriter& w) {
            auto area = [&](const xl::CellRect& r) {
                w.u8(0x3B);
                w.u16(std::uint16_t(nm.sheet));
                w.u16(std::uint16_t(r.row1 - 1));
                w.u16(std::uint16_t(r.row2 - 1));
                w.u16(std::uint16_t(r.col1 - 1));
                w.u16(std::uint16_t(r.col2 - 1));
            };
            if (nm.areas.size() == 1) {
                area(nm.areas.front());
            } else {
                w.u8(0x29);
                w.u16(std::uint16_t(11 * nm.areas.size() + nm.areas.size() - 1));
                for (std::size_t i = 0; i < nm.areas.size(); ++i) {
                    area(nm.areas[i]);
                    if (i > 0) w.u8(0x10);
                }
            }
        });
    }

    void writeNames() {
        // Names and formulas on other sheets reach a sheet through these.
        if (names_.empty() && !sheetRefs_) return;
        Builder& b = b_;
        const int n = book_.SheetCount();
        b.rec(rec::kSupBook, data([&](ByteWriter& w) {
                  w.u16(std::uint16_t(n));
                  w.u16(rec::kSupBookSelf);
              }));
        b.rec(rec::kExternSheet, data([&](ByteWriter& w) { // one reference per sheet
                  w.u16(std::uint16_t(n));
                  for (int i = 0; i < n; ++i) {
                      w.u16(0);
                      w.u16(std::uint16_t(i));
                      w.u16(std::uint16_t(i));
                  }
              }));
        const auto indexOf = [this](const QString& name) { return sheetIndex_.value(name, -1); };
        const auto nameIndexOf = [this](int read) {
            return read > 0 && std::size_t(read) < nameIndex_.size() ? nameIndex_[std::size_t(read)] : 0;
        };
        for (const NameOut& nm : names_) {
            QByteArray rgce, extra;
            std::uint32_t textCounts = 0;
            QString name = QString(QChar(nm.code));
            std::uint16_t flags = 0x0020;
            std::uint8_t shortcut = 0;
            if (nm.kept) {
                const xl::KeptFormula& f = *nm.kept->formula;
                // A name whose formula cannot be written as it stands stays
                // without one, in its place, so that the names after it keep
                // their numbers.
                if (f.tokens.isEmpty() || tokensForWrite(f, indexOf, rgce, nameIndexOf)) {
                    extra = f.extra;
                    textCounts = nm.kept->textCounts;
                } else {
                    rgce.clear();
                }
                name = nm.kept->name.left(255);
                flags = nm.kept->flags;
                shortcut = nm.kept->shortcut;
            } else {
                rgce = pageNameTokens(nm);
            }
            b.rec(rec::kName, data([&](ByteWriter& w) {
                      w.u16(flags);
                      w.u8(shortcut);
                      w.u8(std::uint8_t(name.size()));
                      w.u16(std::uint16_t(rgce.size()));
                      w.u16(0);
                      w.u16(std::uint16_t(nm.sheet + 1));
                      w.u32(textCounts);
                      const bool high = !fitsLatin1(name);
                      w.u8(high ? 1 : 0);
                      appendChars(w, name, high);
                      w.bytes(rgce.constData(), std::size_t(rgce.size()));
                      w.bytes(extra.constData(), std::size_t(extra.size()));
                  }));
        }
    }

    // SST, laid out from the strings' lengths and widths alone: where each
    // run of strings starts in it (the place of the next string's header,
    // and of the data of the record open there), where the runs' records
    // end, and EXTSST's buckets. The characters are written afterwards,
    // each run on its own.
    struct SstRun {
        std::size_t first, last; // strings [first, last)
        qsizetype pos, rec;
    };
    struct SstLayout {
        std::vector<char> high; // per string: written 16 bits a character
        std::vector<SstRun> runs;
        qsizetype size = 0;
        std::size_t dsst = 8;
        std::vector<std::pair<std::uint32_t, std::uint16_t>> buckets; // EXTSST: stream offset, offset in its record
    };

    // Steps the string table's writing over string `i`, from `pos` with the
    // record whose data starts at `rec` open. `cont` closes it and opens a
    // CONTINUE; `put(at, from, n)` places n characters from the n-th on.
    template <class Cont, class Head, class Put>
    void stepSst(std::size_t i, bool high, qsizetype& pos, qsizetype& rec, Cont cont, Head head, Put put) const {
        const qsizetype size = sst_[i]->size();
        const int cw = high ? 2 : 1;
        auto room = [&] { return qsizetype(kMaxData) - (pos - rec); };
        // A string's header stays with at least its first character.
        if (room() < 3 + cw) cont();
        head(i);
        pos += 3;
        qsizetype done = 0;
        while (done < size) {
            const qsizetype fit = room() / cw;
            if (fit == 0) {
                cont();
                pos += 1; // the characters go on with a fresh flag byte
                continue;
            }
            const qsizetype n = std::min<qsizetype>(fit, size - done);
            put(pos, done, n);
            pos += n * cw;
            done += n;
        }
    }

    SstLayout layoutSst(qsizetype at) const {
        SstLayout l;
        const std::size_t count = sst_.size();
        l.high = sstHigh_;
        l.dsst = std::max<std::size_t>(8, count / 128 + 1);
        const std::size_t per = std::max<std::size_t>(4096, count / (4 * threads_) + 1);
        qsizetype pos = 12, rec = 4; // after SST's header, total and count
        for (std::size_t i = 0; i < count; ++i) {
            if (i % per == 0) l.runs.push_back({i, std::min(count, i + per), pos, rec});
            stepSst(
                i, l.high[i], pos, rec,
                [&] {
                    rec = pos + 4;
                    pos = rec;
                },
                [&](std::size_t k) {
                    if (k % l.dsst == 0) l.buckets.push_back({std::uint32_t(at + pos), std::uint16_t(pos - rec + 4)});
                },
                [](qsizetype, qsizetype, qsizetype) {});
        }
        if (l.runs.empty()) l.runs.push_back({0, 0, pos, rec});
        l.size = pos;
        return l;
    }

    // The characters of a run of strings, the headers of the records it
    // opens and the lengths of those it closes; the first run writes SST's
    // own header, the last closes the last record.
    void writeSstRun(const SstLayout& l, std::size_t r, char* out) const {
        SstRun run = l.runs[r];
        auto put16 = [&](qsizetype at, std::uint16_t v) {
            out[at] = char(v & 0xFF);
            out[at + 1] = char(v >> 8);
        };
        if (r == 0) {
            put16(0, rec::kSst);
            for (int k = 0; k < 4; ++k) out[4 + k] = char((totalStrings_ >> (8 * k)) & 0xFF);
            for (int k = 0; k < 4; ++k) out[8 + k] = char((sst_.size() >> (8 * k)) & 0xFF);
        }
        for (std::size_t i = run.first; i < run.last; ++i) {
            const bool high = l.high[i];
            const QString& s = *sst_[i];
            stepSst(
                i, high, run.pos, run.rec,
                [&] {
                    put16(run.rec - 2, std::uint16_t(run.pos - run.rec));
                    put16(run.pos, rec::kContinue);
                    run.rec = run.pos + 4;
                    run.pos = run.rec;
                    out[run.pos] = char(high ? 1 : 0);
                },
                [&](std::size_t) {
                    put16(run.pos, std::uint16_t(s.size()));
                    out[run.pos + 2] = char(high ? 1 : 0);
                },
                [&](qsizetype at, qsizetype from, qsizetype n) {
                    const ushort* c = s.utf16() + from;
                    char* p = out + at;
                    if (high) {
                        for (qsizetype k = 0; k < n; ++k) {
                            p[2 * k] = char(c[k] & 0xFF);
                            p[2 * k + 1] = char(c[k] >> 8);
                        }
                    } else {
                        for (qsizetype k = 0; k < n; ++k) p[k] = char(c[k]);
                    }
                });
        }
        if (r + 1 == l.runs.size()) put16(run.rec - 2, std::uint16_t(run.pos - run.rec));
    }

    void writeExtSst(const SstLayout& l) {
        b_.rec(rec::kExtSst, data([&](ByteWriter& w) {
                   w.u16(std::uint16_t(l.dsst));
                   for (const auto& [ib, off] : l.buckets) {
                       w.u32(ib);
                       w.u16(off);
                       w.u16(0);
                   }
               }));
    }

    // What a sheet writes, one piece of it at a time: the records before
    // its rows, a chunk of its row blocks, or the records after them. Each
    // piece has a builder of its own; the writer's tables are only read.
    class SheetPart {
    public:
        explicit SheetPart(const WorkbookWriter& ww) : ww_(ww), book_(ww.book_), cellSst_(ww.cellSst_) {}

        // From BOF to DIMENSIONS.
        void head(const xl::Worksheet& ws, const SheetPlan& plan) {
            writeBof(b_, rec::kBofWorksheet);
            writeIndex(plan);
            writeCalcSettings();
            writePrintSettings(ws);
            writePageSetup(ws.GetPageSetup());
            defColWidthPos = b_.pos();
            writeDefColWidth(ws);
            writeColumns(ws);
            writeDimensions(plan);
        }

        // From WINDOW2 to EOF.
        void tail(const xl::Worksheet& ws, int index) {
            writeWindow(ws, index);
            writeMergedCells(ws);
            b_.recEmpty(rec::kEof);
        }

        Builder b_;
        std::size_t nextSst = 0;        // the next text cell's place in the writer's cellSst_
        std::vector<qsizetype> dbCells; // where the DBCELLs written are
        qsizetype defColWidthField = 0; // in the INDEX: where DEFCOLWIDTH's position goes
        qsizetype defColWidthPos = 0;   // where DEFCOLWIDTH is
        qsizetype dbCellFields = 0;     // in the INDEX: where the DBCELLs' positions go

        static QString headerText(const QString& l, const QString& c, const QString& r) {
            QString s;
            if (!l.isEmpty()) s += QStringLiteral("&L") + l;
            if (!c.isEmpty()) s += QStringLiteral("&C") + c;
            if (!r.isEmpty()) s += QStringLiteral("&R") + r;
            return s.left(255);
        }

        // INDEX, filled in once the blocks are written: where its list of
        // DBCELL positions and the DEFCOLWIDTH position go.
        void writeIndex(const SheetPlan& plan) {
            Builder& b = b_;
            const auto& rows = plan.rows;
            qsizetype at = b.begin(rec::kIndex);
            b.w.u32(0);
            b.w.u32(std::uint32_t(rows.empty() ? 0 : rows.front().row - 1));
            b.w.u32(std::uint32_t(rows.empty() ? 0 : rows.back().row));
            defColWidthField = b.pos();
            b.w.u32(0);
            dbCellFields = b.pos();
            b.w.zeros(plan.blocks() * 4);
            b.end(at); // 65536 rows make at most 2048 blocks: the list always fits
        }

        void writeCalcSettings() {
            b_.rec16(rec::kCalcMode, 1);
            b_.rec16(rec::kCalcCount, 100);
            b_.rec16(rec::kRefMode, 1);
            b_.rec16(rec::kIteration, 0);
            b_.recDouble(rec::kDelta, 0.001);
            b_.rec16(rec::kSaveRecalc, 1);
        }

        // From PRINTHEADERS to the margins, in the order the format wants them.
        void writePrintSettings(const xl::Worksheet& ws) {
            Builder& b = b_;
            const xl::PageSetup& ps = ws.GetPageSetup();
            b.rec16(rec::kPrintHeaders, ps.PrintHeadings ? 1 : 0);
            b.rec16(rec::kPrintGridlines, ps.PrintGridlines ? 1 : 0);
            b.rec16(rec::kGridSet, 1);
            b.rec(rec::kGuts, QByteArray(8, '\0'));
            b.rec(rec::kDefaultRowHeight, data([&](ByteWriter& w) {
                      w.u16(0);
                      w.u16(std::uint16_t(std::lround(ws.defaultRowHeight * 20)));
                  }));
            b.rec16(rec::kWsBool, std::uint16_t(0x04C1 | (ps.FitToPage ? 0x0100 : 0)));
            writePageBreaks(rec::kHorizontalPageBreaks, ps.HPageBreaks, 255);
            writePageBreaks(rec::kVerticalPageBreaks, ps.VPageBreaks, 65535);
            writeHeaderFooter(rec::kHeader, headerText(ps.LeftHeader, ps.CenterHeader, ps.RightHeader));
            writeHeaderFooter(rec::kFooter, headerText(ps.LeftFooter, ps.CenterFooter, ps.RightFooter));
            b.rec16(rec::kHCenter, ps.CenterHorizontally ? 1 : 0);
            b.rec16(rec::kVCenter, ps.CenterVertically ? 1 : 0);
            b.recDouble(rec::kLeftMargin, ps.LeftMargin / 72);
            b.recDouble(rec::kRightMargin, ps.RightMargin / 72);
            b.recDouble(rec::kTopMargin, ps.TopMargin / 72);
            b.recDouble(rec::kBottomMargin, ps.BottomMargin / 72);
        }

        void writePageBreaks(std::uint16_t type, const std::vector<int>& list, std::uint16_t spanEnd) {
            if (list.empty()) return;
            std::vector<int> sorted(list);
            std::sort(sorted.begin(), sorted.end());
            sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
            if (sorted.size() > 1026) sorted.resize(1026);
            b_.rec(type, data([&](ByteWriter& w) {
                       w.u16(std::uint16_t(sorted.size()));
                       for (int at : sorted) {
                           w.u16(std::uint16_t(std::max(at - 1, 0)));
                           w.u16(0);
                           w.u16(spanEnd);
                       }
                   }));
        }

        void writeHeaderFooter(std::uint16_t type, const QString& text) {
            if (text.isEmpty()) {
                b_.recEmpty(type);
                return;
            }
            b_.rec(type, data([&](ByteWriter& w) { unicodeString(w, text, false); }));
        }

        void writePageSetup(const xl::PageSetup& ps) {
            b_.rec(rec::kSetup, data([&](ByteWriter& w) {
                       std::uint16_t flags = 0;
                       if (ps.Order == 2) flags |= 0x01;
                       if (ps.Orientation != xl::xlLandscape) flags |= 0x02;
                       if (ps.BlackAndWhite) flags |= 0x08;
                       if (ps.Draft) flags |= 0x10;
                       if (ps.PrintComments != xl::xlPrintNoComments)
                           flags |= 0x20 | (ps.PrintComments == 1 ? 0x200 : 0);
                       if (ps.FirstPageNumber != 0) flags |= 0x80;
                       flags |= std::uint16_t((ps.PrintErrors & 0x03) << 10);
                       w.u16(std::uint16_t(ps.PaperSize));
                       w.u16(std::uint16_t(std::clamp(ps.Zoom, 10, 400)));
                       w.u16(std::uint16_t(std::int16_t(ps.FirstPageNumber)));
                       w.u16(std::uint16_t(std::max(ps.FitToPagesWide, 0)));
                       w.u16(std::uint16_t(std::max(ps.FitToPagesTall, 0)));
                       w.u16(flags);
                       w.u16(std::uint16_t(ps.PrintQuality));
                       w.u16(std::uint16_t(ps.PrintQuality));
                       w.f64(ps.HeaderMargin / 72);
                       w.f64(ps.FooterMargin / 72);
                       w.u16(1);
                   }));
        }

        // Whole characters: the count whose width on screen comes nearest.
        void writeDefColWidth(const xl::Worksheet& ws) {
            int best = 8;
            double bestDiff = 1e9;
            for (int n = 0; n <= 255; ++n) {
                double wch = (std::ceil((n * 7.0 + 5) / 8) * 8 - 5) / 7;
                double d = std::fabs(wch - ws.defaultColumnWidth);
                if (d < bestDiff) {
                    bestDiff = d;
                    best = n;
                }
            }
            b_.rec16(rec::kDefColWidth, std::uint16_t(best));
        }

        void writeDimensions(const SheetPlan& plan) {
            b_.rec(rec::kDimensions, data([&](ByteWriter& w) {
                       w.u32(std::uint32_t(plan.rwMic));
                       w.u32(std::uint32_t(plan.rwMac));
                       w.u16(std::uint16_t(plan.colMic));
                       w.u16(std::uint16_t(plan.colMac));
                       w.u16(0);
                   }));
        }

        // Up to 32 ROW records, their cells, and the DBCELL that finds them,
        // whose place the INDEX learns once the stream is put together.
    public:
        void writeRowBlock(const xl::Worksheet& ws, const SheetPlan& plan, std::size_t blk) {
            Builder& b = b_;
            const std::size_t first = blk * 32, last = std::min(plan.rows.size(), first + 32);
            const qsizetype firstRowPos = b.pos();
            const std::uint16_t defHeight = std::uint16_t(std::lround(ws.defaultRowHeight * 20));
            for (std::size_t i = first; i < last; ++i) writeRow(plan.rows[i], defHeight);
            qsizetype cellStarts[32];
            for (std::size_t i = first; i < last; ++i) {
                cellStarts[i - first] = b.pos();
                writeCells(plan.rows[i].row - 1, plan.rows[i].cells, plan.rows[i].count);
            }
            const qsizetype dbcell = b.pos();
            dbCells.push_back(dbcell);
            qsizetype at = b.begin(rec::kDbCell);
            b.w.u32(std::uint32_t(dbcell - firstRowPos));
            qsizetype prev = firstRowPos + 20;
            for (std::size_t i = first; i < last; ++i) {
                b.w.u16(std::uint16_t(cellStarts[i - first] - prev));
                prev = cellStarts[i - first];
            }
            b.end(at);
        }

        void writeRow(const RowOut& ro, std::uint16_t defHeight) {
            Builder& b = b_;
            const xl::RowInfo& ri = *ro.info;
            qsizetype at = b.begin(rec::kRow);
            b.w.u16(std::uint16_t(ro.row - 1));
            b.w.u16(std::uint16_t(ro.colMic));
            b.w.u16(std::uint16_t(ro.colMac));
            b.w.u16(ri.height >= 0 ? std::uint16_t(std::min(std::lround(ri.height * 20), 8191L)) : defHeight);
            b.w.u16(0);
            b.w.u16(0);
            std::uint32_t flags = 0x0100;
            if (ri.hidden) flags |= 0x20;
            if (ri.height >= 0) flags |= 0x40;
            if (ri.style >= 0)
                flags |= 0x80 | (std::uint32_t(ww_.xfOf(std::uint32_t(ri.style)) & 0x0FFF) << 16);
            else
                flags |= std::uint32_t(kFirstCellXf) << 16;
            b.w.u32(flags);
            b.end(at);
        }

        // WINDOW2, and PANE for frozen rows or columns.
        void writeWindow(const xl::Worksheet& ws, int index) {
            const int fr = ws.FrozenRows(), fc = ws.FrozenCols();
            const bool frozen = fr > 0 || fc > 0;
            std::uint16_t g = 0x0004 | 0x0010 | 0x0020 | 0x0080;
            if (ws.showGridlines) g |= 0x0002;
            if (frozen) g |= 0x0008 | 0x0100;
            if (index == ww_.active_) g |= 0x0200 | 0x0400;
            b_.rec(rec::kWindow2, data([&](ByteWriter& w) {
                       w.u16(g);
                       w.u16(0);
                       w.u16(0);
                       w.u16(64);
                       w.u16(0);
                       w.u16(0);
                       w.u16(0);
                       w.u32(0);
                   }));
            if (!frozen) return;
            b_.rec(rec::kPane, data([&](ByteWriter& w) {
                       w.u16(std::uint16_t(fc));
                       w.u16(std::uint16_t(fr));
                       w.u16(std::uint16_t(fr));
                       w.u16(std::uint16_t(fc));
                       w.u8(fr > 0 && fc > 0 ? 0 : fr > 0 ? 2 : 1);
                       w.u8(0);
                   }));
        }

        void writeMergedCells(const xl::Worksheet& ws) {
            for (std::size_t i = 0; i < ws.mergedCells.size(); i += 1026) {
                const std::size_t n = std::min<std::size_t>(1026, ws.mergedCells.size() - i);
                b_.rec(rec::kMergedCells, data([&](ByteWriter& w) {
                           w.u16(std::uint16_t(n));
                           for (std::size_t k = i; k < i + n; ++k) {
                               const xl::CellRect& m = ws.mergedCells[k];
                               w.u16(std::uint16_t(m.row1 - 1));
                               w.u16(std::uint16_t(m.row2 - 1));
                               w.u16(std::uint16_t(m.col1 - 1));
                               w.u16(std::uint16_t(m.col2 - 1));
                           }
                       }));
            }
        }

        void writeColumns(const xl::Worksheet& ws) {
            Builder& b = b_;
            auto same = [](const xl::ColumnInfo& a, const xl::ColumnInfo& c) {
                return a.width == c.width && a.hidden == c.hidden && a.style == c.style;
            };
            const std::uint16_t defWidth = widthToFile(ws.defaultColumnWidth);
            int c = 1;
            while (c <= xl::kMaxCols) {
                const xl::ColumnInfo& ci = ws.columnInfo(c);
                int end = c;
                while (end < xl::kMaxCols && same(ws.columnInfo(end + 1), ci)) ++end;
                if (ci.width >= 0 || ci.hidden || ci.style >= 0) {
                    b.rec(rec::kColInfo, data([&](ByteWriter& w) {
                              w.u16(std::uint16_t(c - 1));
                              w.u16(std::uint16_t(end - 1));
                              w.u16(ci.width >= 0 ? widthToFile(ci.width) : defWidth);
                              w.u16(std::uint16_t(ci.style >= 0 ? ww_.xfOf(std::uint32_t(ci.style)) : kFirstCellXf));
                              w.u16(std::uint16_t((ci.hidden ? 0x01 : 0) | (ci.width >= 0 ? 0x02 : 0)));
                              w.u16(0);
                          }));
                }
                c = end + 1;
            }
        }

        // A number as the 30-bit RK form when that keeps it exactly.
        static bool toRk(double d, std::uint32_t& rk) {
            if (std::isfinite(d) && d == std::floor(d) && d >= -536870912.0 && d <= 536870911.0) {
                rk = (std::uint32_t(std::int32_t(d)) << 2) | 0x02;
                return true;
            }
            double h = d * 100;
            if (std::isfinite(h) && h == std::floor(h) && h >= -536870912.0 && h <= 536870911.0 &&
                double(std::int32_t(h)) / 100 == d) {
                rk = (std::uint32_t(std::int32_t(h)) << 2) | 0x03;
                return true;
            }
            return false;
        }

        static void put16(unsigned char* p, std::uint16_t v) {
            p[0] = std::uint8_t(v);
            p[1] = std::uint8_t(v >> 8);
        }
        static void put32(unsigned char* p, std::uint32_t v) {
            put16(p, std::uint16_t(v));
            put16(p + 2, std::uint16_t(v >> 16));
        }
        // Header and the row, column, format fields every cell record starts with.
        static void fixed(unsigned char* p, std::uint16_t type, std::uint16_t len, int row, const CellOut& co) {
            put16(p, type);
            put16(p + 2, len);
            put16(p + 4, std::uint16_t(row));
            put16(p + 6, co.col);
            put16(p + 8, co.xf);
        }

        void writeCells(int row, const CellOut* cells, std::uint32_t count) {
            Builder& b = b_;
            ByteWriter& w = b.w;
            for (const CellOut* it = cells; it != cells + count; ++it) {
                const CellOut& co = *it;
                const xl::Value& v = co.cell->value;
                if (co.formula) {
                    writeFormula(row, co);
                    continue;
                }
                switch (v.type()) {
                case xl::ValueType::Empty:
                    w.u16(rec::kBlank);
                    w.u16(6);
                    w.u16(std::uint16_t(row));
                    w.u16(co.col);
                    w.u16(co.xf);
                    break;
                case xl::ValueType::Text: {
                    const std::uint32_t idx = nextSst < cellSst_.size() ? cellSst_[nextSst++] : 0;
                    unsigned char r[14];
                    fixed(r, rec::kLabelSst, 10, row, co);
                    put32(r + 10, idx);
                    w.bytes(r, 14);
                    break;
                }
                case xl::ValueType::Number:
                case xl::ValueType::Date: {
                    double d = v.numberValue();
                    if (book_.date1904 && xl::isDateFormat(book_.style(co.cell->style).numberFormat)) d -= 1462;
                    std::uint32_t rk;
                    if (toRk(d, rk)) {
                        unsigned char r[14];
                        fixed(r, rec::kRk, 10, row, co);
                        put32(r + 10, rk);
                        w.bytes(r, 14);
                    } else {
                        w.u16(rec::kNumber);
                        w.u16(14);
                        w.u16(std::uint16_t(row));
                        w.u16(co.col);
                        w.u16(co.xf);
                        w.f64(d);
                    }
                    break;
                }
                case xl::ValueType::Boolean:
                case xl::ValueType::Error:
                    w.u16(rec::kBoolErr);
                    w.u16(8);
                    w.u16(std::uint16_t(row));
                    w.u16(co.col);
                    w.u16(co.xf);
                    w.u8(v.isBoolean() ? (v.booleanValue() ? 1 : 0) : v.errorCode());
                    w.u8(v.isError() ? 1 : 0);
                    break;
                }
            }
        }

        // The cell's kept formula with its last result, which the spreadsheet
        // is asked to compute again on load: the program may have changed the
        // cells the formula reads.
        void writeFormula(int row, const CellOut& co) {
            const xl::Cell& c = *co.cell;
            QByteArray tokens;
            ww_.formulaOut(c, &tokens);
            const xl::Value& v = c.value;
            QByteArray rec;
            ByteWriter w(rec);
            w.u16(std::uint16_t(row));
            w.u16(co.col);
            w.u16(co.xf);
            const bool text = v.isText() && !v.textValue().isEmpty();
            switch (v.type()) {
            case xl::ValueType::Number:
            case xl::ValueType::Date: {
                double d = v.numberValue();
                if (book_.date1904 && xl::isDateFormat(book_.style(c.style).numberFormat)) d -= 1462;
                w.f64(d);
                break;
            }
            case xl::ValueType::Boolean:
            case xl::ValueType::Error:
                w.u8(v.isBoolean() ? 1 : 2);
                w.u8(0);
                w.u8(v.isBoolean() ? (v.booleanValue() ? 1 : 0) : v.errorCode());
                w.u8(0);
                w.u16(0);
                w.u16(0xFFFF);
                break;
            case xl::ValueType::Text:
            case xl::ValueType::Empty:
                w.u8(text ? 0 : 3);
                w.u8(0);
                w.u32(0);
                w.u16(0xFFFF);
                break;
            }
            w.u16(std::uint16_t((c.kept->flags & ~(kFormulaShared | 0x0002)) | kFormulaAlwaysCalc));
            w.u32(0);
            w.u16(std::uint16_t(tokens.size()));
            w.bytes(tokens.constData(), std::size_t(tokens.size()));
            w.bytes(c.kept->extra.constData(), std::size_t(c.kept->extra.size()));
            b_.rec(rec::kFormula, rec);
            if (text) writeStringResult(v.textValue());
        }

        // STRING: count, flag byte, characters; a text too long for one record
        // goes on in CONTINUE records that each open with a flag byte again.
        void writeStringResult(const QString& s) {
            Builder& b = b_;
            const bool high = !fitsLatin1(s);
            const int cw = high ? 2 : 1;
            qsizetype rec = b.begin(rec::kString);
            b.w.u16(std::uint16_t(s.size()));
            b.w.u8(high ? 1 : 0);
            qsizetype done = 0;
            while (done < s.size()) {
                const qsizetype fit = (qsizetype(kMaxData) - (b.pos() - rec)) / cw;
                if (fit == 0) {
                    b.end(rec);
                    rec = b.begin(rec::kContinue);
                    b.w.u8(high ? 1 : 0);
                    continue;
                }
                const qsizetype n = std::min<qsizetype>(fit, s.size() - done);
                appendChars(b.w, s.mid(done, n), high);
                done += n;
            }
            b.end(rec);
        }

    private:
        const WorkbookWriter& ww_;
        const xl::Workbook& book_;
        const std::vector<std::uint32_t>& cellSst_;
    };

    const xl::Workbook& book_;
    const unsigned threads_;
    Builder b_;
    QHash<QString, int> sheetIndex_;
    bool sheetRefs_ = false;
    std::vector<const QString*> sst_;
    std::vector<char> sstHigh_;          // per string of the table: written 16 bits a character
    std::vector<std::uint32_t> cellSst_; // per text cell, in the order of the cells: its string's index
    std::size_t totalStrings_ = 0;
    std::vector<Segment> segments_;
    std::vector<SheetOut> sheets_;
    std::vector<std::vector<qsizetype>> chunkDbCells_; // per chunk: where its DBCELLs are in it
    std::map<QString, std::uint16_t> customFormats_;
    std::vector<QString> customOrder_;
    std::vector<xl::Font> fonts_;
    std::vector<NameOut> names_;
    std::vector<int> nameIndex_;  // index written of each name read (1-based both), 0 when dropped
    std::vector<int> xfIndex_;    // the XF each style is written as
    int firstCustomFormat_ = 164; // formats the program adds are numbered from here
    std::vector<qsizetype> sheetPosFields_;
    int active_ = 0;
};

} // namespace

namespace {

// The workbook stream in pieces, sealed when `password` is not empty; or,
// when `later` is given and the cipher is block-keyed, left for the caller
// to seal with the cipher put there.
std::vector<QByteArray> encodeStreamParts(const xl::Workbook& book, const QString& password, const EncodeOptions& opt,
                                          std::unique_ptr<StreamCipher>* later = nullptr) {
    if (book.SheetCount() == 0)
        throw FileError(FileErrorKind::WriteFailed, QStringLiteral("La cartella di lavoro non ha fogli."));
    const bool encrypt = !password.isEmpty() && opt.scheme != Scheme::None;
    QByteArray filePass;
    std::unique_ptr<StreamCipher> cipher;
    if (encrypt) {
        if (opt.scheme == Scheme::Xor && xorPasswordBytes(password).isEmpty())
            throw FileError(FileErrorKind::WriteFailed, QStringLiteral("Password non valida."));
        filePass = makeFilePass(opt.scheme, password, opt.keyBits);
        auto info =
            parseFilePass(reinterpret_cast<const unsigned char*>(filePass.constData()), std::size_t(filePass.size()));
        if (info) cipher = makeCipher(*info, password);
        if (!cipher)
            throw FileError(FileErrorKind::WriteFailed, QStringLiteral("Impossibile cifrare la cartella di lavoro."));
    }
    WorkbookWriter writer(book, opt.threads);
    std::vector<QByteArray> pieces = writer.run(filePass);
    if (!cipher) return pieces;
    if (cipher->blockKeyed() && opt.threads != 1) {
        if (later) {
            *later = std::move(cipher);
            return pieces;
        }
        // Each piece is sealed where it lies in the stream, side by side.
        std::vector<StreamPiece> at;
        std::size_t offset = 0;
        for (QByteArray& p : pieces) {
            at.push_back({reinterpret_cast<unsigned char*>(p.data()), std::size_t(p.size()), offset});
            offset += std::size_t(p.size());
        }
        transformPieces(at, *cipher, opt.threads);
        return pieces;
    }
    // Record by record, in one walk over the whole stream.
    QByteArray stream = joined(pieces);
    pieces.clear();
    transformStream(stream, *cipher, true, 1);
    pieces.push_back(std::move(stream));
    return pieces;
}

} // namespace

QByteArray encodeWorkbookStream(const xl::Workbook& book, const QString& password, const EncodeOptions& opt) {
    return joined(encodeStreamParts(book, password, opt));
}

// Where each piece of the stream lies in it.
std::vector<StreamPiece> piecesAt(std::vector<QByteArray>& stream) {
    std::vector<StreamPiece> at;
    std::size_t offset = 0;
    for (QByteArray& p : stream) {
        at.push_back({reinterpret_cast<unsigned char*>(p.data()), std::size_t(p.size()), offset});
        offset += std::size_t(p.size());
    }
    return at;
}

EncodedFile encodeFileParts(const xl::Workbook& book, const QString& password, const EncodeOptions& opt,
                            bool sealWhileWriting) {
    EncodedFile file;
    std::unique_ptr<StreamCipher> later;
    file.stream = encodeStreamParts(book, password, opt, sealWhileWriting ? &later : nullptr);
    if (later) {
        std::size_t size = 0;
        for (const QByteArray& p : file.stream) size += std::size_t(p.size());
        // A stream this small is copied into the container's mini stream
        // as it is laid out: it goes sealed.
        if (size < 4096)
            transformPieces(piecesAt(file.stream), *later, opt.threads);
        else
            file.cipher = std::move(later);
    }
    std::vector<StreamParts> streams;
    streams.push_back({QStringLiteral("Workbook"), {}});
    for (const QByteArray& part : file.stream) streams.back().parts.push_back({part.constData(), part.size()});
    for (const xl::ForeignStream& f : book.foreignStreams) {
        if (f.path.compare(QLatin1String("Workbook"), Qt::CaseInsensitive) == 0 ||
            f.path.compare(QLatin1String("Book"), Qt::CaseInsensitive) == 0)
            continue;
        streams.push_back({f.path, {{f.data.constData(), f.data.size()}}});
    }
    QString why;
    if (!layoutCompound(streams, file.image, &why))
        throw FileError(FileErrorKind::WriteFailed, QStringLiteral("Impossibile comporre il file: %1").arg(why));
    return file;
}

void writeEncoded(EncodedFile& file, const std::function<void(const Bytes&)>& put) {
    if (!file.cipher) {
        for (const Bytes& b : file.image.pieces) put(b);
        return;
    }
    const std::vector<StreamPiece> parts = cutPieces(piecesAt(file.stream));
    std::unique_ptr<std::atomic<bool>[]> sealed(new std::atomic<bool>[parts.size()]);
    for (std::size_t i = 0; i < parts.size(); ++i) sealed[i] = false;
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};
    const StreamCipher& cipher = *file.cipher;
    auto work = [&] {
        for (std::size_t i = next++; i < parts.size() && !stop; i = next++) {
            transformPart(parts[i], cipher);
            sealed[i] = true;
            sealed[i].notify_one();
        }
    };
    std::vector<std::thread> pool;
    const std::size_t threads = std::min<std::size_t>(std::max(1u, std::thread::hardware_concurrency()), parts.size());
    for (std::size_t t = 0; t < threads; ++t) pool.emplace_back(work);
    auto join = [&] {
        for (auto& t : pool) t.join();
        pool.clear();
    };
    try {
        // The stream's pieces lie in the file as they are, in order; each
        // goes out part by part, as its parts are sealed.
        std::size_t k = 0;
        for (const Bytes& b : file.image.pieces) {
            if (k >= parts.size() || b.data != reinterpret_cast<const char*>(parts[k].data)) {
                put(b);
                continue;
            }
            auto within = [&](const StreamPiece& part) {
                const auto* at = reinterpret_cast<const char*>(part.data);
                return at >= b.data && at < b.data + b.size;
            };
            for (; k < parts.size() && within(parts[k]); ++k) {
                sealed[k].wait(false);
                put({reinterpret_cast<const char*>(parts[k].data), qsizetype(parts[k].size)});
            }
        }
    } catch (...) {
        stop = true;
        join();
        throw;
    }
    join();
    file.cipher.reset();
}

QByteArray encodeFile(const xl::Workbook& book, const QString& password, const EncodeOptions& opt) {
    return encodeFileParts(book, password, opt).image.flatten();
}

} // namespace xls::detail
