// Reading a BIFF8 workbook stream into the engine's model.

#include "platform/engine/heappages.h"
#include "platform/engine/numberformat.h"
#include "platform/xls/biff.h"
#include "platform/xls/bytes.h"
#include "platform/xls/cfb.h"
#include "platform/xls/dropscan.h"
#include "platform/xls/formula.h"
#include "platform/xls/records.h"
#include "platform/xls/xlsfile.h"

#include <QHash>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <exception>
#include <map>
#include <thread>

namespace xls::detail {

namespace {

constexpr std::uint16_t kMaxRecord = 8224;
constexpr int kDefaultXf = 15; // XFs 0-14 are the named styles' own
// A cell table is read in chunks of about this many bytes, cut after a
// DBCELL, when it makes two chunks or more.
constexpr std::size_t kChunkBytes = 192 << 10;

[[noreturn]] void damaged(const QString& why) {
    throw FileError(FileErrorKind::Damaged, QStringLiteral("Il file è danneggiato: %1").arg(why));
}

[[noreturn]] void olderFormat() {
    throw FileError(
        FileErrorKind::OlderFormat,
        QStringLiteral("Il file è in un formato di Excel più vecchio (Excel 95 o precedente): va aperto in un "
                       "programma di fogli di calcolo e salvato di nuovo come \"Excel 97-2003\"."));
}

struct Rec {
    std::uint16_t type = 0;
    std::size_t off = 0; // start of the data
    std::uint16_t len = 0;
};

class RecordCursor {
public:
    RecordCursor(const QByteArray& s, std::size_t start)
        : s_(reinterpret_cast<const unsigned char*>(s.constData())), n_(std::size_t(s.size())), pos_(start) {}
    // Where the next record starts.
    std::size_t pos() const { return pos_; }
    // Goes on from `pos` and stops at `end`, as if the stream ended there.
    void reset(std::size_t pos, std::size_t end) {
        pos_ = pos;
        n_ = end;
    }
    bool next(Rec& r) {
        if (pos_ + 4 > n_) return false;
        r.type = le16(s_ + pos_);
        r.len = le16(s_ + pos_ + 2);
        r.off = pos_ + 4;
        if (r.len > kMaxRecord) damaged(QStringLiteral("record 0x%1 is too long").arg(r.type, 4, 16, QLatin1Char('0')));
        if (r.len > n_ - r.off)
            damaged(QStringLiteral("record 0x%1 is truncated").arg(r.type, 4, 16, QLatin1Char('0')));
        pos_ = r.off + r.len;
        return true;
    }
    // The type of the record that follows, 0 when none.
    std::uint16_t peekType() const { return pos_ + 4 <= n_ ? le16(s_ + pos_) : 0; }
    ByteView view(const Rec& r) const { return ByteView(s_ + r.off, r.len); }

private:
    const unsigned char* s_;
    std::size_t n_;
    std::size_t pos_;
};

// Reads across a record and its CONTINUE records, as the shared string
// table needs: a string's characters may cross into a CONTINUE, which then
// starts with a fresh flag byte telling whether they are 8 or 16 bits wide.
void appendUtf16(QString& out, const unsigned char* p, std::size_t n) {
    const qsizetype at = out.size();
    out.resize(at + qsizetype(n));
    QChar* d = out.data() + at;
    for (std::size_t i = 0; i < n; ++i) d[i] = QChar(le16(p + 2 * i));
}

class SegmentReader {
public:
    explicit SegmentReader(std::vector<ByteView> segs) : segs_(std::move(segs)) {}
    // Where a reader stands: a segment and an offset in it.
    struct Place {
        std::size_t seg = 0, off = 0;
    };
    // A reader going on from where another stood.
    SegmentReader(std::vector<ByteView> segs, Place at) : segs_(std::move(segs)), seg_(at.seg), off_(at.off) {}
    Place place() const { return {seg_, off_}; }
    bool atEnd() {
        while (seg_ < segs_.size() && off_ >= segs_[seg_].size()) {
            ++seg_;
            off_ = 0;
        }
        return seg_ >= segs_.size();
    }
    std::uint8_t u8() {
        if (atEnd()) throw Truncated();
        return segs_[seg_].data()[off_++];
    }
    std::uint16_t u16() {
        std::uint16_t lo = u8();
        return std::uint16_t(lo | (u8() << 8));
    }
    std::uint32_t u32() {
        std::uint32_t lo = u16();
        return lo | (std::uint32_t(u16()) << 16);
    }
    void skip(std::size_t n) {
        while (n > 0) {
            if (atEnd()) throw Truncated();
            std::size_t take = std::min(n, segs_[seg_].size() - off_);
            off_ += take;
            n -= take;
        }
    }
    QString chars(std::size_t count, bool high) {
        QString out;
        out.reserve(qsizetype(std::min<std::size_t>(count, 65535)));
        walkChars(count, high, &out);
        return out;
    }
    // A whole XLUnicodeRichExtendedString.
    QString richString() { return string(true); }
    // Passes over the string richString() would read, building no text.
    void skipString() { string(false); }
    bool lastRich = false; // the string just read has formatting runs
private:
    QString string(bool build) {
        std::uint16_t cch = u16();
        std::uint8_t flags = u8();
        std::uint16_t runs = (flags & 0x08) ? u16() : 0;
        std::uint32_t ext = (flags & 0x04) ? u32() : 0;
        lastRich = runs > 0;
        QString s;
        if (build)
            s = chars(cch, flags & 0x01);
        else
            walkChars(cch, flags & 0x01, nullptr);
        skip(std::size_t(runs) * 4);
        skip(ext);
        return s;
    }
    // Goes over `count` characters, appending them to `out` when given.
    void walkChars(std::size_t count, bool high, QString* out) {
        while (count > 0) {
            if (off_ >= currentSize()) {
                // The characters go on in the next CONTINUE, which opens
                // with its own flag byte.
                ++seg_;
                off_ = 0;
                if (seg_ >= segs_.size()) throw Truncated();
                if (segs_[seg_].size() == 0) continue;
                high = (segs_[seg_].data()[off_++] & 0x01) != 0;
                continue;
            }
            const ByteView& v = segs_[seg_];
            std::size_t avail = v.size() - off_;
            const unsigned char* p = v.data() + off_;
            if (high) {
                std::size_t n = std::min(count, avail / 2);
                if (n == 0) throw Truncated();
                if (out) appendUtf16(*out, p, n);
                off_ += 2 * n;
                count -= n;
            } else {
                std::size_t n = std::min(count, avail);
                if (out) out->append(QLatin1StringView(reinterpret_cast<const char*>(p), qsizetype(n)));
                off_ += n;
                count -= n;
            }
        }
    }
    std::size_t currentSize() const { return seg_ < segs_.size() ? segs_[seg_].size() : 0; }
    std::vector<ByteView> segs_;
    std::size_t seg_ = 0, off_ = 0;
};

// An XLUnicodeString inside one record: 16-bit count (or 8-bit when
// `shortCount`), flag byte, characters; `used` receives its length in bytes.
QString unicodeString(const ByteView& v, std::size_t off, bool shortCount, std::size_t* used = nullptr) {
    std::size_t cch = shortCount ? v.u8(off) : v.u16(off);
    std::size_t p = off + (shortCount ? 1 : 2);
    std::uint8_t flags = v.u8(p++);
    std::size_t runs = 0, ext = 0;
    if (flags & 0x08) {
        runs = v.u16(p);
        p += 2;
    }
    if (flags & 0x04) {
        ext = v.u32(p);
        p += 4;
    }
    QString s;
    if (flags & 0x01) {
        v.need(p, cch * 2);
        appendUtf16(s, v.data() + p, cch);
        p += cch * 2;
    } else {
        v.need(p, cch);
        s = QString::fromLatin1(reinterpret_cast<const char*>(v.data() + p), qsizetype(cch));
        p += cch;
    }
    p += runs * 4 + ext;
    if (used) *used = p - off;
    return s;
}

double decodeRk(std::uint32_t rk) {
    double v;
    if (rk & 0x02) {
        v = double(std::int32_t(rk) >> 2);
    } else {
        std::uint64_t bits = std::uint64_t(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&v, &bits, 8);
    }
    if (rk & 0x01) v /= 100.0;
    return v;
}

QString builtinFormat(std::uint16_t id) {
    switch (id) {
    case 0: return QStringLiteral("General");
    case 1: return QStringLiteral("0");
    case 2: return QStringLiteral("0.00");
    case 3: return QStringLiteral("#,##0");
    case 4: return QStringLiteral("#,##0.00");
    case 5: return QStringLiteral("\"€\" #,##0;-\"€\" #,##0");
    case 6: return QStringLiteral("\"€\" #,##0;[Red]-\"€\" #,##0");
    case 7: return QStringLiteral("\"€\" #,##0.00;-\"€\" #,##0.00");
    case 8: return QStringLiteral("\"€\" #,##0.00;[Red]-\"€\" #,##0.00");
    case 9: return QStringLiteral("0%");
    case 10: return QStringLiteral("0.00%");
    case 11: return QStringLiteral("0.00E+00");
    case 12: return QStringLiteral("# ?/?");
    case 13: return QStringLiteral("# ?\?/?\?");
    // The short date follows the reader's regional settings: ours are Italian.
    case 14: return QStringLiteral("dd/mm/yyyy");
    case 15: return QStringLiteral("d-mmm-yy");
    case 16: return QStringLiteral("d-mmm");
    case 17: return QStringLiteral("mmm-yy");
    case 18: return QStringLiteral("h:mm AM/PM");
    case 19: return QStringLiteral("h:mm:ss AM/PM");
    case 20: return QStringLiteral("h:mm");
    case 21: return QStringLiteral("h:mm:ss");
    case 22: return QStringLiteral("dd/mm/yyyy h:mm");
    case 37: return QStringLiteral("#,##0 ;(#,##0)");
    case 38: return QStringLiteral("#,##0 ;[Red](#,##0)");
    case 39: return QStringLiteral("#,##0.00;(#,##0.00)");
    case 40: return QStringLiteral("#,##0.00;[Red](#,##0.00)");
    case 45: return QStringLiteral("mm:ss");
    case 46: return QStringLiteral("[h]:mm:ss");
    case 47: return QStringLiteral("mm:ss.0");
    case 48: return QStringLiteral("##0.0E+0");
    case 49: return QStringLiteral("@");
    default: return QStringLiteral("General");
    }
}

struct XfRec {
    std::uint16_t font = 0, format = 0;
    xl::Style style;
};

struct SheetRef {
    std::uint32_t pos = 0;
    std::uint8_t state = 0, type = 0;
    QString name;
};

struct NameRef {
    int sheet = -1;           // 0-based sheet of the built-in name
    std::uint8_t builtin = 0; // 6 print area, 7 print titles
    std::vector<xl::CellRect> areas;
};

// Header and footer text "&Lleft&Ccenter&Rright" into its three sections.
void splitHeader(const QString& s, QString& left, QString& center, QString& right) {
    QString* cur = &center;
    left.clear();
    center.clear();
    right.clear();
    for (qsizetype i = 0; i < s.size(); ++i) {
        QChar c = s[i];
        if (c == QLatin1Char('&') && i + 1 < s.size()) {
            QChar d = s[i + 1];
            if (d == QLatin1Char('L') || d == QLatin1Char('l')) {
                cur = &left;
                ++i;
                continue;
            }
            if (d == QLatin1Char('C') || d == QLatin1Char('c')) {
                cur = &center;
                ++i;
                continue;
            }
            if (d == QLatin1Char('R') || d == QLatin1Char('r')) {
                cur = &right;
                ++i;
                continue;
            }
            cur->append(c);
            cur->append(d);
            ++i;
            continue;
        }
        cur->append(c);
    }
}

QString rowsAddress(int r1, int r2) { return QStringLiteral("$%1:$%2").arg(r1).arg(r2); }
QString colsAddress(int c1, int c2) {
    return QStringLiteral("$%1:$%2").arg(xl::columnLetters(c1), xl::columnLetters(c2));
}

// Area references of a built-in name's formula (one area or a union).
std::vector<xl::CellRect> nameAreas(const ByteView& v, std::size_t off, std::size_t cce,
                                    const std::vector<int>& xtiSheet, int& sheetOut) {
    std::vector<xl::CellRect> out;
    std::size_t p = off, end = off + cce;
    v.need(off, cce);
    while (p < end) {
        std::uint8_t ptg = v.u8(p++);
        switch (ptg) {
        case 0x3B:
        case 0x5B:
        case 0x7B: { // area 3d
            std::uint16_t ixti = v.u16(p);
            int r1 = v.u16(p + 2), r2 = v.u16(p + 4);
            int c1 = v.u16(p + 6) & 0x3FFF, c2 = v.u16(p + 8) & 0x3FFF;
            p += 10;
            if (ixti < xtiSheet.size() && xtiSheet[ixti] >= 0) sheetOut = xtiSheet[ixti];
            if (c1 > 255) c1 = 255;
            if (c2 > 255) c2 = 255;
            out.push_back({std::min(r1, r2) + 1, std::min(c1, c2) + 1, std::max(r1, r2) + 1, std::max(c1, c2) + 1});
            break;
        }
        case 0x3A:
        case 0x5A:
        case 0x7A: { // cell 3d
            std::uint16_t ixti = v.u16(p);
            int r = v.u16(p + 2), c = v.u16(p + 4) & 0x3FFF;
            p += 6;
            if (ixti < xtiSheet.size() && xtiSheet[ixti] >= 0) sheetOut = xtiSheet[ixti];
            if (c > 255) c = 255;
            out.push_back({r + 1, c + 1, r + 1, c + 1});
            break;
        }
        case 0x29:
        case 0x49:
        case 0x69: // mem func: the sub-expression follows inline
            p += 2;
            break;
        case 0x10: // union
            break;
        default: return out; // anything else: keep what was understood
        }
    }
    return out;
}

class WorkbookReader {
public:
    WorkbookReader(const QByteArray& stream, unsigned threads) : s_(stream), threads_(threads) {}

    std::unique_ptr<xl::Workbook> run() {
        book_ = std::make_unique<xl::Workbook>();
        readGlobals();
        buildStyles();
        std::vector<xl::Worksheet*> sheets;
        sheetDrops_.assign(sheetRefs_.size(), 0);
        for (const SheetRef& ref : sheetRefs_) {
            sheetDrops_[sheets.size()] = sheetKindDrop(ref.type);
            if (ref.type != 0) {
                sheets.push_back(nullptr);
                continue;
            }
            xl::Worksheet* ws = nullptr;
            try {
                ws = &book_->AddSheet(ref.name);
            } catch (const xl::Error&) {
                damaged(QStringLiteral("sheet name \"%1\" is invalid or repeated").arg(ref.name));
            }
            ws->hidden = ref.state != 0;
            sheets.push_back(ws);
        }
        // Each sheet fills only its own storage, from shared tables that are
        // complete by now: the sheets are read side by side. A long cell
        // table is read in chunks side by side too, each into rows of its
        // own that its sheet then takes in order.
        std::vector<std::exception_ptr> errors(sheets.size());
        std::vector<std::unique_ptr<SheetReader>> readers(sheets.size());
        parallel(sheets.size(), [&](std::size_t i) {
            if (!sheets[i]) return;
            try {
                readers[i] = std::make_unique<SheetReader>(*this, sheetRefs_[i], *sheets[i]);
                readers[i]->begin();
            } catch (...) {
                errors[i] = std::current_exception();
            }
        });
        struct ChunkJob {
            std::size_t sheet, chunk;
        };
        std::vector<ChunkJob> jobs;
        std::vector<std::vector<std::unique_ptr<xl::Worksheet>>> scratch(sheets.size());
        std::vector<std::vector<std::unique_ptr<SheetReader>>> chunkReaders(sheets.size());
        std::vector<std::vector<char>> failed(sheets.size());
        for (std::size_t i = 0; i < sheets.size(); ++i) {
            if (errors[i] || !readers[i]) continue;
            const auto& chunks = readers[i]->chunks;
            failed[i].assign(chunks.size(), 0);
            for (std::size_t k = 0; k < chunks.size(); ++k) {
                auto ws = std::make_unique<xl::Worksheet>(book_.get(), sheets[i]->Name());
                for (int c = 1; c <= xl::kMaxCols; ++c) ws->columnInfoRef(c) = sheets[i]->columnInfo(c);
                chunkReaders[i].push_back(std::make_unique<SheetReader>(*this, sheetRefs_[i], *ws, chunks[k].from,
                                                                        chunks[k].to, chunks[k].rowBase));
                scratch[i].push_back(std::move(ws));
                jobs.push_back({i, k});
            }
        }
        parallel(jobs.size(), [&](std::size_t j) {
            const ChunkJob& job = jobs[j];
            try {
                chunkReaders[job.sheet][job.chunk]->readChunk();
            } catch (...) {
                failed[job.sheet][job.chunk] = 1; // read again in turn, which tells the damage where it lies
            }
        });
        parallel(sheets.size(), [&](std::size_t i) {
            if (errors[i] || !readers[i] || readers[i]->chunks.empty()) return;
            try {
                readers[i]->finishChunks(chunkReaders[i], failed[i]);
            } catch (...) {
                errors[i] = std::current_exception();
            }
            scratch[i].clear();
        });
        readers.clear();
        for (auto& e : errors)
            if (e) std::rethrow_exception(e);
        for (const NameRef& n : names_) {
            if (n.sheet < 0 || n.sheet >= int(sheets.size()) || !sheets[n.sheet] || n.areas.empty()) continue;
            xl::PageSetup& ps = sheets[n.sheet]->GetPageSetup();
            if (n.builtin == 0x06) {
                ps.PrintArea = xl::formatAddress(n.areas.front());
            } else {
                for (const xl::CellRect& a : n.areas) {
                    if (a.col1 == 1 && a.col2 == xl::kMaxCols)
                        ps.PrintTitleRows = rowsAddress(a.row1, a.row2);
                    else if (a.row1 == 1 && a.row2 == xl::kMaxRows)
                        ps.PrintTitleColumns = colsAddress(a.col1, a.col2);
                }
            }
        }
        std::vector<QString> sheetNames;
        for (const SheetRef& ref : sheetRefs_) sheetNames.push_back(ref.name);
        book_->notKept = describeDrops(bookDrops_, sheetNames, sheetDrops_);
        if (const QStringList lost = lostNames(); !lost.isEmpty())
            book_->notKept << QStringLiteral("nomi definiti che il programma non sa riscrivere (%1)")
                                  .arg(lost.join(QStringLiteral(", ")));
        if (book_->SheetCount() == 0) damaged(QStringLiteral("the workbook has no worksheet"));
        if (activeTab_ < sheets.size() && sheets[activeTab_]) book_->SetActiveSheet(*sheets[activeTab_]);
        return std::move(book_);
    }

private:
    void readGlobals() {
        RecordCursor cur(s_, 0);
        Rec r;
        if (!cur.next(r) || r.type != rec::kBof) damaged(QStringLiteral("the workbook stream does not begin with BOF"));
        ByteView bof = cur.view(r);
        if (bof.size() >= 2 && bof.u16(0) != rec::kBiff8Version)
            throw FileError(FileErrorKind::Damaged, QStringLiteral("Il file non è nel formato BIFF8 (Excel 97-2003)."));
        std::vector<int> xtiSheet;
        bool sawEof = false;
        while (cur.next(r)) {
            ByteView v = cur.view(r);
            bookDrops_ |= globalsDrop(r.type, v);
            switch (r.type) {
            case rec::kEof: sawEof = true; break;
            case rec::kDateMode:
                if (v.size() >= 2) book_->date1904 = v.u16(0) != 0;
                break;
            case rec::kCodePage:
                if (v.size() >= 2) book_->codepage = v.u16(0);
                break;
            case rec::kWindow1:
                if (v.size() >= 12) activeTab_ = v.u16(10);
                break;
            case rec::kFont: readFont(v); break;
            case rec::kFormat: readFormat(v); break;
            case rec::kStyle:
            case rec::kStyleExt:
                book_->formatting.styles.emplace_back(
                    r.type, QByteArray(reinterpret_cast<const char*>(v.data()), qsizetype(v.size())));
                break;
            case rec::kPalette:
                book_->formatting.palette = QByteArray(reinterpret_cast<const char*>(v.data()), qsizetype(v.size()));
                break;
            case rec::kXf: readXf(v); break;
            case rec::kBoundSheet: readBoundSheet(v); break;
            case rec::kExternSheet: readExternSheet(v, xtiSheet); break;
            case rec::kSupBook: readSupBook(v); break;
            case rec::kName: readName(v, xtiSheet); break;
            case rec::kSst: readSst(cur, r); break;
            default: break;
            }
            if (sawEof) break;
        }
        if (!sawEof) damaged(QStringLiteral("the workbook globals have no end"));
    }

    void readFormat(const ByteView& v) {
        std::uint16_t id = v.u16(0);
        formats_[id] = unicodeString(v, 2, false);
        book_->formatting.formats.emplace_back(id, formats_[id]);
    }

    void readBoundSheet(const ByteView& v) {
        SheetRef ref;
        ref.pos = v.u32(0);
        ref.state = v.u8(4) & 0x03;
        ref.type = v.u8(5);
        ref.name = unicodeString(v, 6, true);
        if (sheetRefs_.size() >= 4096) damaged(QStringLiteral("too many sheets"));
        sheetRefs_.push_back(ref);
    }

    // References to sheets of this book.
    void readExternSheet(const ByteView& v, std::vector<int>& xtiSheet) {
        std::uint16_t n = v.u16(0);
        v.need(2, std::size_t(n) * 6);
        xtiSheet.clear();
        xtiFormulaSheet_.clear();
        for (std::uint16_t i = 0; i < n; ++i) {
            std::uint16_t book = v.u16(2 + i * 6);
            std::int16_t first = std::int16_t(v.u16(4 + i * 6));
            std::int16_t last = std::int16_t(v.u16(6 + i * 6));
            xtiSheet.push_back(book == supbookSelf_ ? first : -1);
            // Formulas keep references to one sheet of this book only.
            xtiFormulaSheet_.push_back(book == supbookSelf_ && first == last ? first : -1);
        }
    }

    // The one for this workbook is marked as such.
    void readSupBook(const ByteView& v) {
        if (v.size() >= 4 && v.u16(2) == rec::kSupBookSelf) supbookSelf_ = supbooks_;
        ++supbooks_;
    }

    void readFont(const ByteView& v) {
        xl::Font f;
        f.size = v.u16(0) / 20.0;
        std::uint16_t grbit = v.u16(2);
        f.italic = grbit & 0x02;
        f.strikeout = grbit & 0x08;
        f.color = v.u16(4);
        f.bold = v.u16(6) >= 700;
        f.underline = v.u8(10) != 0;
        f.name = unicodeString(v, 14, true);
        if (fonts_.size() >= 65535) damaged(QStringLiteral("too many fonts"));
        fonts_.push_back(f);
        book_->formatting.fonts.emplace_back(reinterpret_cast<const char*>(v.data()), qsizetype(v.size()));
    }

    void readXf(const ByteView& v) {
        v.need(0, 20);
        XfRec x;
        x.font = v.u16(0);
        x.format = v.u16(2);
        std::uint16_t prot = v.u16(4);
        xl::Style& s = x.style;
        s.locked = prot & 0x01;
        s.formulaHidden = prot & 0x02;
        std::uint8_t al = v.u8(6);
        s.hAlign = static_cast<xl::HAlign>(al & 0x07);
        s.wrapText = al & 0x08;
        int va = (al >> 4) & 0x07;
        s.vAlign = static_cast<xl::VAlign>(va <= 4 ? va : 2);
        int rot = v.u8(7);
        s.orientation = rot <= 90 ? rot : rot <= 180 ? -(rot - 90) : rot == 255 ? 255 : 0;
        std::uint8_t ind = v.u8(8);
        s.indentLevel = ind & 0x0F;
        s.addIndent = s.indentLevel > 0;
        s.shrinkToFit = ind & 0x10;
        s.readingOrder = (ind >> 6) & 0x03;
        std::uint32_t b1 = v.u32(10), b2 = v.u32(14);
        std::uint16_t fill = v.u16(18);
        s.left = {std::uint8_t(b1 & 0x0F), std::uint8_t((b1 >> 16) & 0x7F)};
        s.right = {std::uint8_t((b1 >> 4) & 0x0F), std::uint8_t((b1 >> 23) & 0x7F)};
        s.top = {std::uint8_t((b1 >> 8) & 0x0F), std::uint8_t(b2 & 0x7F)};
        s.bottom = {std::uint8_t((b1 >> 12) & 0x0F), std::uint8_t((b2 >> 7) & 0x7F)};
        s.fillPattern = std::uint8_t((b2 >> 26) & 0x3F);
        s.fillForeground = std::uint8_t(fill & 0x7F);
        s.fillBackground = std::uint8_t((fill >> 7) & 0x7F);
        if (xfs_.size() >= 65535) damaged(QStringLiteral("too many cell formats"));
        s.origin.xf = std::int32_t(xfs_.size());
        xfs_.push_back(x);
        book_->formatting.xfs.emplace_back(reinterpret_cast<const char*>(v.data()), qsizetype(v.size()));
    }

    // The names that a save writes without their formula: those that could
    // not be kept, and those built on them.
    QStringList lostNames() {
        const auto& names = book_->names;
        std::vector<bool> lost = nameLost_;
        lost.resize(names.size(), false);
        for (bool changed = true; changed;) {
            changed = false;
            for (std::size_t i = 0; i < names.size(); ++i) {
                if (lost[i] || !names[i].formula) continue;
                const xl::KeptFormula& f = *names[i].formula;
                for (std::uint16_t at : f.nameFields) {
                    if (std::size_t(at) + 2 > std::size_t(f.tokens.size())) continue;
                    const std::size_t used = std::uint8_t(f.tokens[at]) | std::size_t(std::uint8_t(f.tokens[at + 1]))
                                                                              << 8;
                    if (used >= 1 && used <= lost.size() && lost[used - 1]) {
                        lost[i] = true;
                        changed = true;
                        break;
                    }
                }
            }
        }
        QStringList out;
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (!lost[i]) continue;
            const xl::DefinedName& n = names[i];
            const QString shown =
                n.builtin ? QStringLiteral("nome interno %1").arg(n.name.isEmpty() ? 0 : n.name[0].unicode()) : n.name;
            out << (n.sheet.isEmpty() ? QStringLiteral("\"%1\"").arg(shown)
                                      : QStringLiteral("\"%1\" del foglio \"%2\"").arg(shown, n.sheet));
        }
        return out;
    }

    void readName(const ByteView& v, const std::vector<int>& xtiSheet) {
        if (v.size() < 15) return; // too short to be a name: passed over as before
        std::uint16_t grbit = v.u16(0);
        std::uint8_t cch = v.u8(3);
        std::uint16_t cce = v.u16(4);
        std::uint16_t itab = v.u16(8);
        std::uint8_t flags = v.u8(14);
        std::size_t nameBytes = (flags & 0x01) ? std::size_t(cch) * 2 : cch;
        // Every name is kept in file order, so that the names that use
        // other names still find them.
        xl::DefinedName dn;
        dn.flags = grbit;
        dn.shortcut = v.u8(2);
        dn.textCounts = v.u32(10);
        dn.builtin = grbit & 0x0020;
        if (nameBytes > v.size() - 15) { // kept in its place, so the names after it keep their numbers
            book_->names.push_back(std::move(dn));
            nameLost_.push_back(false);
            return;
        }
        if (flags & 0x01)
            appendUtf16(dn.name, v.data() + 15, cch);
        else
            dn.name = QString::fromLatin1(reinterpret_cast<const char*>(v.data() + 15), cch);
        if (itab > 0)
            dn.sheet =
                itab <= sheetRefs_.size() && sheetRefs_[itab - 1].type == 0 ? sheetRefs_[itab - 1].name : QString();
        if (!dn.printSetup() && cch > 0 && (itab == 0 || !dn.sheet.isEmpty()) &&
            std::size_t(15) + nameBytes + cce <= v.size()) {
            const char* base = reinterpret_cast<const char*>(v.data()) + 15 + nameBytes;
            const SheetOfIndex sheetOf = [this](std::uint16_t ixti) { return formulaSheet(ixti); };
            dn.formula = keepNameFormula(QByteArray(base, cce),
                                         QByteArray(base + cce, qsizetype(v.size() - 15 - nameBytes - cce)), sheetOf);
        }
        // A print area or print titles come back from the page setup; any
        // other name that had a formula and could not keep it is written
        // without one.
        nameLost_.push_back(!dn.printSetup() && cce > 0 && !dn.formula);
        book_->names.push_back(std::move(dn));
        if (!(grbit & 0x0020) || cch < 1) return;
        std::uint8_t code = v.u8(15);
        if (code != 0x06 && code != 0x07) return;
        NameRef n;
        n.builtin = code;
        int sheet = itab > 0 ? itab - 1 : -1;
        n.areas = nameAreas(v, 15 + nameBytes, cce, xtiSheet, sheet);
        n.sheet = itab > 0 ? itab - 1 : sheet;
        if (n.sheet >= 0 && std::size_t(n.sheet) < sheetRefs_.size())
            book_->names.back().sheet = sheetRefs_[std::size_t(n.sheet)].name;
        names_.push_back(n);
    }

    void readSst(RecordCursor& cur, const Rec& first) {
        std::vector<ByteView> segs{cur.view(first)};
        Rec r;
        while (cur.peekType() == rec::kContinue && cur.next(r)) segs.push_back(cur.view(r));
        SegmentReader sr(segs);
        try {
            sr.u32();
            std::uint32_t unique = sr.u32();
            // Every string takes at least three bytes: the count cannot outgrow the data.
            sst_.reserve(std::min<std::size_t>(unique, std::size_t(s_.size()) / 3));
            if (threads_ != 1 && unique >= 2 * kSstPiece) return readSstAside(sr, segs, unique);
            for (std::uint32_t i = 0; i < unique; ++i) {
                if (sr.atEnd()) break;
                sst_.emplace_back(sr.richString());
                sstRich_.push_back(sr.lastRich);
            }
        } catch (const Truncated&) {
            damaged(QStringLiteral("the shared string table is truncated"));
        }
    }

    // A long table is read in two goes: where each piece of kSstPiece
    // strings begins is found first, building no text, and the pieces'
    // texts are then built side by side. Both goes read the strings as the
    // one-thread read does, so a table that one finds damaged the other
    // finds damaged at the same string.
    static constexpr std::size_t kSstPiece = 2048;
    void readSstAside(SegmentReader& sr, const std::vector<ByteView>& segs, std::uint32_t unique) {
        std::vector<SegmentReader::Place> starts;
        std::size_t count = 0;
        for (; count < unique; ++count) {
            if (sr.atEnd()) break;
            if (count % kSstPiece == 0) starts.push_back(sr.place());
            sr.skipString();
        }
        sst_.resize(count);
        sstRich_.resize(count);
        std::atomic<bool> short_{false};
        parallel(starts.size(), [&](std::size_t p) {
            SegmentReader piece(segs, starts[p]);
            const std::size_t end = std::min(count, (p + 1) * kSstPiece);
            try {
                for (std::size_t i = p * kSstPiece; i < end; ++i) {
                    sst_[i] = xl::Value(piece.richString());
                    sstRich_[i] = piece.lastRich;
                }
            } catch (const Truncated&) {
                short_ = true;
            }
        });
        if (short_) throw Truncated();
    }

    void buildStyles() {
        std::map<std::uint16_t, QString> canon;
        xfStyle_.resize(xfs_.size(), 0);
        // The file's default cell format (the first after the styles' own)
        // is read first, as the format of every cell the program adds.
        std::vector<std::size_t> order;
        order.reserve(xfs_.size());
        if (xfs_.size() > std::size_t(kDefaultXf)) order.push_back(kDefaultXf);
        for (std::size_t i = 0; i < xfs_.size(); ++i)
            if (i != std::size_t(kDefaultXf)) order.push_back(i);
        for (std::size_t i : order) {
            XfRec& x = xfs_[i];
            auto it = canon.find(x.format);
            if (it == canon.end()) {
                auto f = formats_.find(x.format);
                QString raw = f != formats_.end() ? f->second : builtinFormat(x.format);
                it = canon.emplace(x.format, xl::canonicalFormat(raw)).first;
            }
            x.style.numberFormat = it->second;
            std::size_t fi = x.font < 4 ? x.font : std::size_t(x.font) - 1;
            if (fi < fonts_.size()) x.style.font = fonts_[fi];
            if (i == std::size_t(kDefaultXf)) {
                book_->setDefaultStyle(x.style);
                xfStyle_[i] = 0;
            } else {
                xfStyle_[i] = book_->internStyle(x.style);
            }
        }
        book_->formatting.xfStyle = xfStyle_;
        dateStyle_.resize(book_->styles().size(), 0);
        for (std::size_t i = 0; i < book_->styles().size(); ++i)
            dateStyle_[i] = xl::isDateFormat(book_->styles()[i].numberFormat) ? 1 : 0;
    }

    std::uint32_t styleOf(std::uint16_t xf) const { return xf < xfStyle_.size() ? xfStyle_[xf] : 0; }

    // The engine keeps every row up to the last one used, so a few bytes of
    // file can ask for a whole sheet of rows; many sheets would multiply it.
    // The rows of all sheets together stay within a budget.
    void chargeRows(xl::Worksheet& ws, int row) {
        const int have = ws.usedRows();
        if (row <= have) return;
        if ((rowBudget_ -= (row - have)) < 0) damaged(QStringLiteral("more rows than a workbook can hold"));
    }

    xl::Cell* cell(xl::Worksheet& ws, int rw, int col, std::uint16_t xf) {
        if (rw < 0 || rw >= xl::kMaxRows || col < 0 || col >= xl::kMaxCols) return nullptr;
        chargeRows(ws, rw + 1);
        xl::Cell& c = ws.cellRef(rw + 1, col + 1);
        c.style = styleOf(xf);
        c.kept.reset(); // a later record for the same cell replaces its formula too
        return &c;
    }

    void putNumber(xl::Worksheet& ws, int rw, int col, std::uint16_t xf, double d) {
        if (xl::Cell* c = cell(ws, rw, col, xf)) setNumber(*c, d);
    }

    void setNumber(xl::Cell& c, double d) const {
        // Dates are numbers under a date format; the engine counts them
        // from 1900, so a 1904 file's dates move by the 1462 days between.
        if (book_->date1904 && c.style < dateStyle_.size() && dateStyle_[c.style]) d += 1462;
        c.value = xl::Value(d);
    }

    // The name of the sheet a formula's reference index means, null when
    // it means anything but one worksheet of this book.
    QString formulaSheet(std::uint16_t ixti) const {
        if (ixti >= xtiFormulaSheet_.size()) return QString();
        const int i = xtiFormulaSheet_[ixti];
        if (i < 0 || std::size_t(i) >= sheetRefs_.size() || sheetRefs_[std::size_t(i)].type != 0) return QString();
        return sheetRefs_[std::size_t(i)].name;
    }

    // Gives a cell its kept formula while the workbook's allowance lasts: a
    // small file could otherwise copy one long shared formula into every
    // cell of a sheet.
    void keep(xl::Cell& c, std::shared_ptr<const xl::KeptFormula> f, bool charge = true) {
        if (!f) return;
        if (charge && (formulaBudget_ -= long(f->tokens.size() + f->extra.size()) + 192) < 0) return;
        c.kept = std::move(f);
    }

    // Runs `f(i)` for i in [0, n), spread over the threads.
    template <class F>
    void parallel(std::size_t n, F f) {
        std::atomic<std::size_t> next{0};
        auto work = [&] {
            for (std::size_t i = next++; i < n; i = next++) f(i);
        };
        // The rows and texts a thread reads are allocated on its own heap,
        // in memory the process never had.
        auto helper = [&] {
            xl::adviseLargePagesForThreadHeap();
            work();
        };
        const std::size_t threads =
            std::min<std::size_t>(n, threads_ ? threads_ : std::max(1u, std::thread::hardware_concurrency()));
        std::vector<std::thread> pool;
        for (std::size_t t = 1; t < threads; ++t) pool.emplace_back(helper);
        work();
        for (auto& t : pool) t.join();
    }

    // One worksheet's substream: what is carried from one record to the
    // next, and a small reader for each record the program keeps.
    class SheetReader {
    public:
        SheetReader(WorkbookReader& book, const SheetRef& ref, xl::Worksheet& ws)
            : book_(book), ref_(ref), ws_(ws), ps_(ws.GetPageSetup()), cur_(book.s_, ref.pos), dropScan_(book.sstRich_),
              sheetOf_([&book](std::uint16_t ixti) { return book.formulaSheet(ixti); }) {}

        // A chunk of another reader's cell table: records [from, to) into
        // `scratch`, whose row 1 stands for row `rowBase` (0-based) of the file.
        SheetReader(WorkbookReader& book, const SheetRef& ref, xl::Worksheet& scratch, std::size_t from, std::size_t to,
                    int rowBase)
            : SheetReader(book, ref, scratch) {
            chunk_ = true;
            rowBase_ = rowBase;
            cur_.reset(from, to);
        }

        // Reads the sheet from its BOF, whole or up to its cell table when
        // that is long enough to be read in chunks side by side; `chunks`
        // then holds their places, and finish() reads the rest.
        void begin() {
            if (ref_.pos >= std::size_t(book_.s_.size()))
                damaged(QStringLiteral("sheet %1 lies outside the stream").arg(ref_.name));
            Rec r;
            if (!cur_.next(r) || r.type != rec::kBof)
                damaged(QStringLiteral("sheet %1 does not begin with BOF").arg(ref_.name));
            while (true) {
                if (!cur_.next(r)) damaged(QStringLiteral("sheet %1 has no end").arg(ref_.name));
                // One thread reads everything in turn.
                if (!scanned_ && depth_ == 0 && book_.threads_ != 1 && inCellTable(r.type)) {
                    scanned_ = true;
                    if (planChunks(r.off - 4)) return;
                }
                if (!step(r)) break;
            }
            resolveSharedFormulas();
            finish();
        }

        // Reads a chunk's records.
        void readChunk() {
            Rec r;
            while (cur_.next(r)) step(r);
        }

        // Once the chunks are read: takes their rows, in order, when they
        // wrote rows of their own only, each after the rows before it, and
        // reads the chunks again in turn otherwise; then the rest of the sheet.
        void finishChunks(std::vector<std::unique_ptr<SheetReader>>& readers, const std::vector<char>& failed) {
            bool whole = true;
            int after = ws_.usedRows(); // rows below this one (1-based) are taken
            for (std::size_t k = 0; k < readers.size() && whole; ++k) {
                const SheetReader& c = *readers[k];
                if (failed[k] || c.misplaced_) whole = false;
                const auto first = std::find(c.touched_.begin(), c.touched_.end(), 1);
                if (first == c.touched_.end()) continue;
                if (c.rowBase_ + int(first - c.touched_.begin()) < after) whole = false;
                after = c.rowBase_ + int(c.touched_.size());
            }
            std::size_t from = regionEnd_;
            if (whole) {
                for (auto& c : readers) take(*c);
            } else {
                for (auto& c : readers) book_.formulaBudget_ += c->charged_;
                from = regionStart_;
            }
            readers.clear();
            cur_.reset(from, std::size_t(book_.s_.size()));
            Rec r;
            while (true) {
                if (!cur_.next(r)) damaged(QStringLiteral("sheet %1 has no end").arg(ref_.name));
                if (!step(r)) break;
            }
            resolveSharedFormulas();
            finish();
        }

        // Where the chunks of the cell table lie, [first, last) of the stream,
        // and the file's row of the first record of each.
        struct Chunk {
            std::size_t from, to;
            int rowBase;
        };
        std::vector<Chunk> chunks;

    private:
        // The records of a cell table: rows, cells and what belongs to them.
        static bool inCellTable(std::uint16_t type) {
            switch (type) {
            case rec::kRow:
            case rec::kNumber:
            case rec::kRk:
            case rec::kMulRk:
            case rec::kLabelSst:
            case rec::kLabel:
            case rec::kRString:
            case rec::kBoolErr:
            case rec::kBlank:
            case rec::kMulBlank:
            case rec::kFormula:
            case rec::kShrFmla:
            case rec::kArray:
            case rec::kTable:
            case rec::kString:
            case rec::kContinue:
            case rec::kDbCell: return true;
            default: return false;
            }
        }

        // From `start`, the first record of the cell table: its records up
        // to the last DBCELL cut after each stretch of kChunkBytes. Chunks
        // when there are two or more, each opening with a record that names
        // its row.
        bool planChunks(std::size_t start) {
            const auto* p = reinterpret_cast<const unsigned char*>(book_.s_.constData());
            const std::size_t n = std::size_t(book_.s_.size());
            std::vector<std::size_t> cuts{start};
            std::size_t pos = start;
            while (pos + 4 <= n) {
                const std::uint16_t type = le16(p + pos), len = le16(p + pos + 2);
                if (len > kMaxRecord || len > n - pos - 4 || !inCellTable(type)) break;
                pos += 4 + std::size_t(len);
                if (type == rec::kDbCell && pos - cuts.back() >= kChunkBytes) cuts.push_back(pos);
            }
            if (cuts.size() < 3) return false;
            for (std::size_t k = 0; k + 1 < cuts.size(); ++k) {
                const std::uint16_t type = le16(p + cuts[k]), len = le16(p + cuts[k] + 2);
                if (type == rec::kDbCell || type == rec::kString || type == rec::kContinue || len < 2) return false;
                chunks.push_back({cuts[k], cuts[k + 1], int(le16(p + cuts[k] + 4))});
            }
            regionStart_ = start;
            regionEnd_ = cuts.back();
            return true;
        }

        // A chunk's rows, cells and shared formulas, as if read here.
        void take(SheetReader& c) {
            if (!c.touched_.empty()) book_.chargeRows(ws_, c.rowBase_ + int(c.touched_.size()));
            for (std::size_t i = 0; i < c.touched_.size(); ++i) {
                if (!c.touched_[i]) continue;
                xl::RowInfo& to = ws_.rowInfoRef(c.rowBase_ + int(i) + 1);
                const std::uint64_t stamp = to.stamp;
                to = std::move(c.ws_.rowInfoRef(int(i) + 1));
                to.stamp = to.formatStamp = stamp;
                to.fitKnown = false;
            }
            members_.insert(members_.end(), c.members_.begin(), c.members_.end());
            for (auto& [at, sf] : c.shared_) shared_[at] = std::move(sf);
            dropScan_.add(c.dropScan_);
        }

        // One record of the sheet; false at the sheet's EOF.
        bool step(const Rec& r) {
            ByteView v = cur_.view(r);
            dropScan_.record(r.type, v, depth_);
            if (r.type == rec::kBof) {
                ++depth_;
                return true;
            }
            if (r.type == rec::kEof) {
                if (depth_ == 0) return false;
                --depth_;
                return true;
            }
            if (depth_ > 0) return true;
            afterFormulaRow_ = formulaRow_;
            afterFormulaCol_ = formulaCol_;
            formulaRow_ = formulaCol_ = -1;
            // A formula's text result follows it, after the record of its
            // shared or array tokens when it has one.
            if (r.type != rec::kString && r.type != rec::kShrFmla && r.type != rec::kArray && r.type != rec::kTable)
                pendingRow_ = -1;
            dispatch(r.type, v);
            return true;
        }

        void keep(xl::Cell& c, std::shared_ptr<const xl::KeptFormula> f) {
            if (f) charged_ += long(f->tokens.size() + f->extra.size()) + 192;
            book_.keep(c, std::move(f));
        }

        void dispatch(std::uint16_t type, const ByteView& v) {
            switch (type) {
            case rec::kNumber: readNumber(v); break;
            case rec::kRk: readRk(v); break;
            case rec::kMulRk: readMulRk(v); break;
            case rec::kLabelSst: readLabelSst(v); break;
            case rec::kLabel: readLabel(v); break;
            case rec::kBoolErr: readBoolErr(v); break;
            case rec::kBlank: readBlank(v); break;
            case rec::kMulBlank: readMulBlank(v); break;
            case rec::kFormula: readFormula(v); break;
            case rec::kShrFmla: readShrFmla(v); break;
            case rec::kString: readString(v); break;
            case rec::kRow: readRow(v); break;
            case rec::kColInfo: readColInfo(v); break;
            case rec::kDefColWidth: readDefColWidth(v); break;
            case rec::kDefaultRowHeight: ws_.defaultRowHeight = v.u16(2) / 20.0; break;
            case rec::kMergedCells: readMergedCells(v); break;
            case rec::kWindow2: readWindow2(v); break;
            case rec::kPane:
                if (frozen_) ws_.FreezePanes(v.u16(2), v.u16(0));
                break;
            case rec::kSetup: readSetup(v); break;
            case rec::kLeftMargin: ps_.LeftMargin = v.f64(0) * 72; break;
            case rec::kRightMargin: ps_.RightMargin = v.f64(0) * 72; break;
            case rec::kTopMargin: ps_.TopMargin = v.f64(0) * 72; break;
            case rec::kBottomMargin: ps_.BottomMargin = v.f64(0) * 72; break;
            case rec::kHeader:
                if (v.size() > 0)
                    splitHeader(unicodeString(v, 0, false), ps_.LeftHeader, ps_.CenterHeader, ps_.RightHeader);
                break;
            case rec::kFooter:
                if (v.size() > 0)
                    splitHeader(unicodeString(v, 0, false), ps_.LeftFooter, ps_.CenterFooter, ps_.RightFooter);
                break;
            case rec::kPrintGridlines: ps_.PrintGridlines = v.u16(0) != 0; break;
            case rec::kPrintHeaders: ps_.PrintHeadings = v.u16(0) != 0; break;
            case rec::kHCenter: ps_.CenterHorizontally = v.u16(0) != 0; break;
            case rec::kVCenter: ps_.CenterVertically = v.u16(0) != 0; break;
            case rec::kWsBool: fitToPage_ = v.u16(0) & 0x0100; break;
            case rec::kHorizontalPageBreaks: readPageBreaks(v, ps_.HPageBreaks); break;
            case rec::kVerticalPageBreaks: readPageBreaks(v, ps_.VPageBreaks); break;
            default: break;
            }
        }

        // The row a record names, in this reader's storage: the sheet's own,
        // or a chunk's rows from its first on. Null when the row lies before
        // a chunk's first: the chunk is then read again in turn.
        xl::RowInfo* row(int rw) {
            if (!chunk_) {
                book_.chargeRows(ws_, rw + 1);
                return &ws_.rowInfoRef(rw + 1);
            }
            if (!touch(rw)) return nullptr;
            return &ws_.rowInfoRef(rw - rowBase_ + 1);
        }

        // A cell a record writes, as WorkbookReader::cell does, in this
        // reader's storage.
        xl::Cell* cell(int rw, int col, std::uint16_t xf) {
            if (!chunk_) return book_.cell(ws_, rw, col, xf);
            if (rw < 0 || rw >= xl::kMaxRows || col < 0 || col >= xl::kMaxCols || !touch(rw)) return nullptr;
            xl::Cell& c = ws_.cellRef(rw - rowBase_ + 1, col + 1);
            c.style = book_.styleOf(xf);
            c.kept.reset();
            return &c;
        }

        void putNumber(int rw, int col, std::uint16_t xf, double d) {
            if (xl::Cell* c = cell(rw, col, xf)) book_.setNumber(*c, d);
        }

        // Notes a row a chunk writes; false when it lies before the chunk's first.
        bool touch(int rw) {
            if (rw < rowBase_) {
                misplaced_ = true;
                return false;
            }
            const std::size_t i = std::size_t(rw - rowBase_);
            if (i >= touched_.size()) touched_.resize(i + 1, 0);
            touched_[i] = 1;
            return true;
        }

        void readNumber(const ByteView& v) { putNumber(v.u16(0), v.u16(2), v.u16(4), v.f64(6)); }
        void readRk(const ByteView& v) { putNumber(v.u16(0), v.u16(2), v.u16(4), decodeRk(v.u32(6))); }

        void readMulRk(const ByteView& v) {
            int rw = v.u16(0), col = v.u16(2);
            if (v.size() < 6) damaged(QStringLiteral("short MULRK"));
            std::size_t n = (v.size() - 6) / 6;
            for (std::size_t i = 0; i < n; ++i)
                putNumber(rw, col + int(i), v.u16(4 + 6 * i), decodeRk(v.u32(6 + 6 * i)));
        }

        void readLabelSst(const ByteView& v) {
            xl::Cell* c = cell(v.u16(0), v.u16(2), v.u16(4));
            std::uint32_t i = v.u32(6);
            // The table's value is shared, not copied: cells that repeat a
            // text hold one block between them.
            if (c) c->value = i < book_.sst_.size() ? book_.sst_[i] : xl::Value(QString());
        }

        void readLabel(const ByteView& v) {
            QString s = unicodeString(v, 6, false);
            if (xl::Cell* c = cell(v.u16(0), v.u16(2), v.u16(4))) c->value = xl::Value(s);
        }

        void readBoolErr(const ByteView& v) {
            xl::Cell* c = cell(v.u16(0), v.u16(2), v.u16(4));
            if (c) c->value = v.u8(7) ? xl::Value::error(v.u8(6)) : xl::Value::boolean(v.u8(6) != 0);
        }

        // A format only.
        void readBlank(const ByteView& v) { cell(v.u16(0), v.u16(2), v.u16(4)); }

        void readMulBlank(const ByteView& v) {
            int rw = v.u16(0), col = v.u16(2);
            if (v.size() < 6) damaged(QStringLiteral("short MULBLANK"));
            std::size_t n = (v.size() - 6) / 2;
            for (std::size_t i = 0; i < n; ++i) cell(rw, col + int(i), v.u16(4 + 2 * i));
        }

        // Its last result is the value, its tokens are kept beside.
        void readFormula(const ByteView& v) {
            int rw = v.u16(0), col = v.u16(2);
            std::uint16_t xf = v.u16(4);
            v.need(6, 8);
            formulaRow_ = rw;
            formulaCol_ = col;
            xl::Cell* c = cell(rw, col, xf);
            if (!c) return;
            if (v.u16(12) == 0xFFFF) {
                std::uint8_t kind = v.u8(6);
                if (kind == 0) {
                    pendingRow_ = rw;
                    pendingCol_ = col;
                    c->value = xl::Value(QString());
                } else if (kind == 1)
                    c->value = xl::Value::boolean(v.u8(8) != 0);
                else if (kind == 2)
                    c->value = xl::Value::error(v.u8(8));
                else
                    c->value = xl::Value(QString());
            } else {
                book_.setNumber(*c, v.f64(6));
            }
            if (v.size() < 22) return;
            const std::uint16_t flags = v.u16(14);
            const std::size_t cce = v.u16(20);
            if (cce > v.size() - 22) return; // damaged: the value alone
            const char* base = reinterpret_cast<const char*>(v.data());
            if (cce == 5 && v.u8(22) == 0x01) {
                members_.push_back({rw, col, v.u16(23), v.u16(25), flags});
            } else {
                keep(*c, keepFormula(QByteArray(base + 22, qsizetype(cce)),
                                     QByteArray(base + 22 + cce, qsizetype(v.size() - 22 - cce)), flags, sheetOf_));
            }
        }

        // The tokens of a formula shared between cells.
        void readShrFmla(const ByteView& v) {
            if (v.size() < 10) return;
            const std::size_t cce = v.u16(8);
            if (cce > v.size() - 10) return;
            Shared sf;
            sf.r1 = v.u16(0);
            sf.r2 = v.u16(2);
            sf.c1 = v.u8(4);
            sf.c2 = v.u8(5);
            const char* base = reinterpret_cast<const char*>(v.data());
            sf.tokens = QByteArray(base + 10, qsizetype(cce));
            sf.extra = QByteArray(base + 10 + cce, qsizetype(v.size() - 10 - cce));
            sf.relative = hasRelativeReferences(sf.tokens);
            // The cells of the group name the cell of the formula record
            // before this one; the range given here is often wrong, as
            // the spreadsheet programs know and ignore it.
            if (afterFormulaRow_ >= 0)
                shared_[{afterFormulaRow_, afterFormulaCol_}] = std::move(sf);
            else
                shared_[{sf.r1, sf.c1}] = std::move(sf);
        }

        // The text result of the formula just read.
        void readString(const ByteView& v) {
            if (pendingRow_ < 0) return;
            // A long text goes on in CONTINUE records.
            std::vector<ByteView> segs{v};
            Rec more;
            while (cur_.peekType() == rec::kContinue && cur_.next(more)) segs.push_back(cur_.view(more));
            SegmentReader sr(std::move(segs));
            const std::uint16_t cch = sr.u16();
            const std::uint8_t high = sr.u8() & 0x01;
            const QString s = sr.chars(cch, high);
            if (!chunk_ || touch(pendingRow_))
                ws_.cellRef(pendingRow_ - rowBase_ + 1, pendingCol_ + 1).value = xl::Value(s);
            pendingRow_ = -1;
        }

        void readRow(const ByteView& v) {
            int rw = v.u16(0);
            std::uint16_t height = v.u16(6);
            std::uint32_t flags = v.u32(12);
            xl::RowInfo* at = row(rw);
            if (!at) return;
            xl::RowInfo& ri = *at;
            const std::uint16_t colMac = v.u16(4);
            if (colMac <= xl::kMaxCols && ri.cells.capacity() < colMac) ri.cells.reserve(colMac);
            if (flags & 0x40) ri.height = (height & 0x7FFF) / 20.0;
            ri.hidden = flags & 0x20;
            if (flags & 0x80) ri.style = std::int32_t(book_.styleOf(std::uint16_t((flags >> 16) & 0x0FFF)));
        }

        void readColInfo(const ByteView& v) {
            int c1 = v.u16(0), c2 = v.u16(2);
            std::uint16_t width = v.u16(4), xf = v.u16(6), flags = v.u16(8);
            // A width the user never set is the default one, not a setting.
            const bool userWidth = (flags & 0x02) || width != widthToFile(ws_.defaultColumnWidth);
            for (int c = c1; c <= c2 && c < xl::kMaxCols; ++c) {
                xl::ColumnInfo& ci = ws_.columnInfoRef(c + 1);
                if (userWidth) ci.width = widthFromFile(width);
                ci.hidden = flags & 0x01;
                if (xf != 15 && xf < book_.xfStyle_.size() && book_.xfStyle_[xf] != 0)
                    ci.style = std::int32_t(book_.styleOf(xf));
            }
        }

        // Whole characters, padding added as the screen rounds it.
        void readDefColWidth(const ByteView& v) {
            int n = v.u16(0);
            if (n <= 255) ws_.defaultColumnWidth = std::round((std::ceil((n * 7.0 + 5) / 8) * 8 - 5) / 7 * 100) / 100;
        }

        void readMergedCells(const ByteView& v) {
            std::uint16_t n = v.u16(0);
            v.need(2, std::size_t(n) * 8);
            for (std::uint16_t i = 0; i < n; ++i) {
                int r1 = v.u16(2 + 8 * i), r2 = v.u16(4 + 8 * i), c1 = v.u16(6 + 8 * i), c2 = v.u16(8 + 8 * i);
                if (r1 > r2 || c1 > c2 || c2 >= xl::kMaxCols) continue;
                ws_.mergedCells.push_back({r1 + 1, c1 + 1, r2 + 1, c2 + 1});
            }
        }

        void readWindow2(const ByteView& v) {
            std::uint16_t g = v.u16(0);
            ws_.showGridlines = g & 0x0002;
            frozen_ = g & 0x0008;
        }

        void readSetup(const ByteView& v) {
            v.need(0, 34);
            std::uint16_t flags = v.u16(10);
            bool noPls = flags & 0x04;
            if (!noPls) {
                ps_.PaperSize = v.u16(0);
                scale_ = v.u16(2);
                ps_.Orientation = (flags & 0x02) ? xl::xlPortrait : xl::xlLandscape;
                ps_.PrintQuality = v.u16(12);
            }
            fitW_ = v.u16(6);
            fitH_ = v.u16(8);
            ps_.Order = (flags & 0x01) ? 2 : 1;
            ps_.BlackAndWhite = flags & 0x08;
            ps_.Draft = flags & 0x10;
            ps_.PrintComments = (flags & 0x20) ? ((flags & 0x200) ? 1 : 16) : xl::xlPrintNoComments;
            ps_.FirstPageNumber = (flags & 0x80) ? std::int16_t(v.u16(4)) : 0;
            ps_.PrintErrors = (flags >> 10) & 0x03;
            ps_.HeaderMargin = v.f64(16) * 72;
            ps_.FooterMargin = v.f64(24) * 72;
        }

        static void readPageBreaks(const ByteView& v, std::vector<int>& breaks) {
            std::uint16_t n = v.u16(0);
            v.need(2, std::size_t(n) * 6);
            breaks.clear();
            for (std::uint16_t i = 0; i < n; ++i) breaks.push_back(v.u16(2 + 6 * i) + 1);
        }

        // Each cell of a shared formula gets tokens of its own; a cell whose
        // group is missing keeps its value only.
        void resolveSharedFormulas() {
            for (const Member& m : members_) {
                auto it = shared_.find({m.anchorRow, m.anchorCol});
                if (it == shared_.end()) continue;
                Shared& sf = it->second;
                xl::Cell& c = ws_.cellRef(m.row + 1, m.col + 1);
                const std::uint16_t flags = std::uint16_t(m.flags & ~kFormulaShared);
                if (sf.relative) {
                    book_.keep(c, keepFormula(sf.tokens, sf.extra, m.flags, sheetOf_, true, m.row, m.col));
                } else {
                    if (!sf.common || sf.common->flags != flags) {
                        sf.common = keepFormula(sf.tokens, sf.extra, m.flags, sheetOf_, true, m.row, m.col);
                        if (!sf.common) continue;
                        book_.keep(c, sf.common);
                    } else {
                        book_.keep(c, sf.common, false);
                    }
                }
            }
        }

        void finish() {
            dropScan_.finish(ws_);
            book_.sheetDrops_[std::size_t(&ref_ - book_.sheetRefs_.data())] = dropScan_.drops();
            ps_.FitToPage = fitToPage_;
            ps_.FitToPagesWide = fitW_;
            ps_.FitToPagesTall = fitH_;
            if (scale_ >= 10 && scale_ <= 400) ps_.Zoom = scale_;
        }

        // Formulas shared between cells: each cell names the first cell of
        // the group, whose record of the shared tokens may follow it.
        struct Shared {
            int r1 = 0, r2 = 0, c1 = 0, c2 = 0;
            QByteArray tokens, extra;
            bool relative = false;
            std::shared_ptr<const xl::KeptFormula> common; // for tokens alike in every cell
        };
        struct Member {
            int row, col, anchorRow, anchorCol;
            std::uint16_t flags;
        };

        WorkbookReader& book_;
        const SheetRef& ref_;
        xl::Worksheet& ws_;
        xl::PageSetup& ps_;
        RecordCursor cur_;
        SheetDropScan dropScan_;
        const SheetOfIndex sheetOf_;
        std::map<std::pair<int, int>, Shared> shared_;
        std::vector<Member> members_;
        bool frozen_ = false;
        bool fitToPage_ = false;
        int depth_ = 0; // embedded substreams (charts) are skipped whole
        bool scanned_ = false;
        std::size_t regionStart_ = 0, regionEnd_ = 0; // the chunks' records
        // A chunk's: its first row, the rows it wrote (from that one on), a
        // row it met before its first, and the formula allowance it used.
        bool chunk_ = false;
        int rowBase_ = 0;
        std::vector<char> touched_;
        bool misplaced_ = false;
        long charged_ = 0;
        int fitW_ = 1, fitH_ = 1, scale_ = 100;
        int pendingRow_ = -1, pendingCol_ = -1;
        // The cell of the formula record just read: a SHRFMLA right after
        // it belongs to that cell, whatever range the SHRFMLA itself names.
        int formulaRow_ = -1, formulaCol_ = -1;
        int afterFormulaRow_ = -1, afterFormulaCol_ = -1;
    };

    const QByteArray& s_;
    const unsigned threads_;
    std::unique_ptr<xl::Workbook> book_;
    std::vector<xl::Font> fonts_;
    std::map<std::uint16_t, QString> formats_;
    std::vector<XfRec> xfs_;
    std::vector<std::uint32_t> xfStyle_;
    std::vector<char> dateStyle_;
    std::vector<SheetRef> sheetRefs_;
    std::vector<xl::Value> sst_;
    std::vector<char> sstRich_;
    DropSet bookDrops_ = 0;
    std::vector<DropSet> sheetDrops_; // per sheet of the file, charts and macro sheets included
    std::vector<NameRef> names_;
    std::vector<bool> nameLost_; // per name read: its formula cannot be written back
    std::size_t activeTab_ = 0;
    std::atomic<long> rowBudget_{16L * xl::kMaxRows};
    std::atomic<long> formulaBudget_{256L << 20};
    std::vector<int> xtiFormulaSheet_;
    int supbooks_ = 0;
    int supbookSelf_ = 0;
};

// Finds FILEPASS among the first records of the globals, before any record
// that it would have to precede.
const unsigned char* findFilePass(const QByteArray& s, std::size_t& len) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.constData());
    std::size_t n = std::size_t(s.size()), pos = 0;
    for (int i = 0; i < 8 && pos + 4 <= n; ++i) {
        std::uint16_t type = le16(p + pos), l = le16(p + pos + 2);
        if (pos + 4 + l > n) return nullptr;
        if (type == rec::kFilePass) {
            len = l;
            return p + pos + 4;
        }
        // WRITEPROT: a file that asks to be opened read-only may come first.
        if (i > 0 && type != rec::kWriteProt && type != rec::kInterfaceHdr && type != rec::kUsrExcl &&
            type != rec::kFileLock && type != rec::kRrdInfo && type != rec::kRrdHead)
            return nullptr;
        pos += 4 + l;
    }
    return nullptr;
}

} // namespace

double widthFromFile(std::uint16_t coldx) {
    double chars = coldx / 256.0 - 5.0 / 7.0;
    if (chars < 0) chars = 0;
    return std::round(chars * 100) / 100;
}

std::uint16_t widthToFile(double chars) {
    if (chars < 0) chars = 0;
    if (chars > 255) chars = 255;
    // As the spreadsheet does, the 1/256 fraction is cut, not rounded.
    return std::uint16_t(std::floor((chars + 5.0 / 7.0) * 256 + 1e-6));
}

std::unique_ptr<xl::Workbook> decodeWorkbookStream(QByteArray stream, const QString& password,
                                                   const DecodeOptions& opt) {
    // The BOF of Excel 2, 3 and 4 has a type of its own; Excel 5 and 95
    // write this one with an older version number. Either is told apart
    // before anything else, their password protection included.
    if (stream.size() >= 6) {
        const auto* p = reinterpret_cast<const unsigned char*>(stream.constData());
        const std::uint16_t type = le16(p);
        if (type == rec::kBofBiff2 || type == rec::kBofBiff3 || type == rec::kBofBiff4 ||
            (type == rec::kBof && le16(p + 2) >= 2 && le16(p + 4) < rec::kBiff8Version))
            olderFormat();
    }
    std::size_t fpLen = 0;
    if (const unsigned char* fp = findFilePass(stream, fpLen)) {
        auto info = parseFilePass(fp, fpLen);
        if (!info)
            throw FileError(FileErrorKind::UnsupportedEncryption,
                            QStringLiteral("Il file è protetto con un metodo di cifratura non supportato."));
        auto cipher = makeCipher(*info, password);
        // Files protected only against changes carry the application's
        // well-known default password.
        if (!cipher) cipher = makeCipher(*info, QStringLiteral("VelvetSweatshop"));
        if (!cipher) throw FileError(FileErrorKind::WrongPassword, QStringLiteral("La password non è corretta."));
        if (!transformStream(stream, *cipher, false, opt.threads))
            damaged(QStringLiteral("a record runs past the end of the stream"));
    }
    try {
        WorkbookReader reader(stream, opt.threads);
        return reader.run();
    } catch (const Truncated&) {
        damaged(QStringLiteral("a record is shorter than its contents"));
    } catch (const xl::Error& e) {
        if (dynamic_cast<const FileError*>(&e)) throw;
        damaged(QString::fromStdString(e.what()));
    }
}

std::unique_ptr<xl::Workbook> decodeFile(QByteArray file, const QString& password, const DecodeOptions& opt) {
    std::vector<Stream> streams;
    QString why;
    const CfbStatus status = readCompound(file, streams, &why);
    // The streams are copies: the file's bytes go before the workbook grows.
    file = QByteArray();
    switch (status) {
    case CfbStatus::NotCompound:
        throw FileError(FileErrorKind::NotCompoundFile, QStringLiteral("Il file non è una cartella di lavoro .xls."));
    case CfbStatus::Damaged: damaged(why);
    case CfbStatus::Ok: break;
    }
    int wb = -1;
    for (std::size_t i = 0; i < streams.size(); ++i) {
        if (streams[i].path.compare(QLatin1String("Workbook"), Qt::CaseInsensitive) == 0) {
            wb = int(i);
            break;
        }
    }
    if (wb < 0) {
        // Excel 5 and 95 name their stream "Book".
        if (std::any_of(streams.begin(), streams.end(), [](const Stream& s) {
                return s.path.compare(QLatin1String("Book"), Qt::CaseInsensitive) == 0;
            }))
            olderFormat();
        throw FileError(FileErrorKind::NoWorkbookStream,
                        QStringLiteral("Il file non contiene una cartella di lavoro."));
    }
    bool encrypted = false;
    {
        std::size_t l;
        encrypted = findFilePass(streams[std::size_t(wb)].data, l) != nullptr;
    }
    auto book = decodeWorkbookStream(std::move(streams[std::size_t(wb)].data), password, opt);
    for (std::size_t i = 0; i < streams.size(); ++i) {
        if (int(i) == wb) continue;
        // The "encryption" stream holds properties sealed with the old key;
        // a save seals with a new one, so it cannot travel.
        if (encrypted && streams[i].path == QLatin1String("encryption")) continue;
        book->foreignStreams.push_back({streams[i].path, std::move(streams[i].data)});
    }
    return book;
}

} // namespace xls::detail
