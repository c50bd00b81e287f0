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
#include <cmath>
#include <functional>
#include <map>
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

struct CellOut {
    std::uint16_t col;
    std::uint16_t xf;
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
    WorkbookWriter(const xl::Workbook& book) : book_(book) {}

    QByteArray run(const QByteArray& filePass) {
        for (int i = 0; i < book_.SheetCount(); ++i)
            sheetIndex_.insert(const_cast<xl::Workbook&>(book_).Sheets(i + 1).Name(), i);
        planNames();
        collectStrings();
        writeGlobals(filePass);
        for (int i = 0; i < book_.SheetCount(); ++i) {
            b_.w.put32(sheetPosFields_[std::size_t(i)], std::uint32_t(b_.pos()));
            writeSheet(const_cast<xl::Workbook&>(book_).Sheets(i + 1), i);
        }
        return std::move(b_.out);
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

    // The shared string table: each distinct text once, found again through
    // an open-addressing table over views of the engine's own strings.
    void collectStrings() {
        // The texts that go in the table, in the order of their cells. A
        // formula's text result goes in a record of its own, not in the table.
        std::vector<const QString*> texts;
        forEachCell([&](const xl::Cell& c) {
            if (!c.kept || !formulaOut(c)) {
                if (c.value.isText()) texts.push_back(&c.value.textValue());
                return;
            }
            formulaCells_.insert(&c);
            if (!c.kept->sheets.isEmpty()) sheetRefs_ = true;
        });
        // Hashing reads every text where the engine keeps it, scattered in
        // memory: the reads overlap when the texts are hashed side by side.
        const std::size_t count = texts.size();
        std::vector<std::uint32_t> hashes(count);
        auto hashRange = [&](std::size_t from, std::size_t to) {
            for (std::size_t t = from; t < to; ++t) hashes[t] = std::uint32_t(qHash(QStringView(*texts[t])));
        };
        const std::size_t threads =
            std::min<std::size_t>(std::max(1u, std::thread::hardware_concurrency()), count / kTextsPerThread + 1);
        const std::size_t per = (count + threads - 1) / threads;
        std::vector<std::thread> pool;
        for (std::size_t t = 1; t < threads; ++t)
            pool.emplace_back(hashRange, std::min(count, t * per), std::min(count, (t + 1) * per));
        hashRange(0, std::min(count, per));
        for (auto& th : pool) th.join();
        // Each slot keeps the low half of its text's hash beside the index: a
        // probe that misses is told apart without reaching the text, and the
        // table grows with the distinct texts rather than the cells (a small
        // table stays in the cache; most texts of a large workbook repeat).
        struct Slot {
            std::uint32_t hash = 0;
            std::uint32_t index = 0; // + 1 into sst_; 0 for a free slot
        };
        std::vector<Slot> table(1024);
        std::size_t mask = table.size() - 1;
        auto place = [](std::vector<Slot>& t, std::size_t m, Slot s) {
            std::size_t i = s.hash & m;
            while (t[i].index != 0) i = (i + 1) & m;
            t[i] = s;
        };
        totalStrings_ = count;
        cellSst_.reserve(count);
        for (std::size_t t = 0; t < count; ++t) {
            constexpr std::size_t kAhead = 8; // slots asked for early, so their reads overlap
            if (t + kAhead < count) __builtin_prefetch(&table[hashes[t + kAhead] & mask]);
            const QString& text = *texts[t];
            const std::uint32_t h = hashes[t];
            std::size_t i = h & mask;
            bool found = false;
            while (table[i].index != 0) {
                const std::uint32_t k = table[i].index - 1;
                if (table[i].hash == h && *sst_[k] == text) {
                    cellSst_.push_back(k);
                    found = true;
                    break;
                }
                i = (i + 1) & mask;
            }
            if (found) continue;
            const auto k = std::uint32_t(sst_.size());
            sst_.push_back(&text);
            table[i] = {h, k + 1};
            cellSst_.push_back(k);
            if (sst_.size() * 2 > table.size()) {
                std::vector<Slot> bigger(table.size() * 2);
                const std::size_t m = bigger.size() - 1;
                for (const Slot& s : table)
                    if (s.index != 0) place(bigger, m, s);
                table.swap(bigger);
                mask = m;
            }
        }
    }

    template <class F>
    void forEachCell(F f) {
        for (int i = 1; i <= book_.SheetCount(); ++i) {
            const xl::Worksheet& ws = const_cast<xl::Workbook&>(book_).Sheets(i);
            for (int r = 1; r <= ws.usedRows(); ++r)
                for (const xl::Cell& c : ws.rowInfo(r)->cells) f(c);
        }
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
    void writeBof(quint16 substream) {
        b_.rec(rec::kBof, data([substream](ByteWriter& w) {
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
        writeBof(rec::kBofGlobals);
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
        writeNames();
        writeSst();
        b.recEmpty(rec::kEof);
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

    void writeSst() {
        Builder& b = b_;
        const std::size_t count = sst_.size();
        const std::size_t dsst = std::max<std::size_t>(8, count / 128 + 1);
        struct Bucket {
            std::uint32_t ib;
            std::uint16_t off;
        };
        std::vector<Bucket> buckets;
        qsizetype rec = b.begin(rec::kSst);
        b.w.u32(std::uint32_t(totalStrings_));
        b.w.u32(std::uint32_t(count));
        auto room = [&] { return qsizetype(kMaxData) - (b.pos() - rec); };
        auto cont = [&] {
            b.end(rec);
            rec = b.begin(rec::kContinue);
        };
        for (std::size_t i = 0; i < count; ++i) {
            const QString& s = *sst_[i];
            const bool high = !fitsLatin1(s);
            const int cw = high ? 2 : 1;
            // A string's header stays with at least its first character.
            if (room() < 3 + cw) cont();
            if (i % dsst == 0) buckets.push_back({std::uint32_t(b.pos()), std::uint16_t(b.pos() - rec + 4)});
            b.w.u16(std::uint16_t(s.size()));
            b.w.u8(high ? 1 : 0);
            qsizetype done = 0;
            while (done < s.size()) {
                qsizetype fit = room() / cw;
                if (fit == 0) {
                    cont();
                    b.w.u8(high ? 1 : 0); // the characters go on with a fresh flag byte
                    continue;
                }
                qsizetype n = std::min<qsizetype>(fit, s.size() - done);
                appendChars(b.w, QStringView(s).mid(done, n), high); // a view: no copy of each piece
                done += n;
            }
        }
        b.end(rec);
        b.rec(rec::kExtSst, data([&](ByteWriter& w) {
                  w.u16(std::uint16_t(dsst));
                  for (const Bucket& k : buckets) {
                      w.u32(k.ib);
                      w.u16(k.off);
                      w.u16(0);
                  }
              }));
    }

    static QString headerText(const QString& l, const QString& c, const QString& r) {
        QString s;
        if (!l.isEmpty()) s += QStringLiteral("&L") + l;
        if (!c.isEmpty()) s += QStringLiteral("&C") + c;
        if (!r.isEmpty()) s += QStringLiteral("&R") + r;
        return s.left(255);
    }

    // Rows that need a ROW record, and the cells to write.
    struct RowOut {
        int row;
        const xl::RowInfo* info;
        int colMic, colMac;
        std::vector<CellOut> cells;
    };
    struct SheetPlan {
        std::vector<RowOut> rows;
        int rwMic = -1, rwMac = 0, colMic = 256, colMac = 0; // the cells' extent, as DIMENSIONS gives it
        std::size_t blocks() const { return (rows.size() + 31) / 32; }
    };
    // Where the INDEX record leaves room for what is known only later.
    struct IndexFields {
        qsizetype defColWidth, dbCells;
    };

    void writeSheet(const xl::Worksheet& ws, int index) {
        writeBof(rec::kBofWorksheet);
        const SheetPlan plan = planRows(ws);
        const IndexFields index0 = writeIndex(plan);
        writeCalcSettings();
        writePrintSettings(ws);
        writePageSetup(ws.GetPageSetup());
        b_.w.put32(index0.defColWidth, std::uint32_t(b_.pos()));
        writeDefColWidth(ws);
        writeColumns(ws);
        writeDimensions(plan);
        for (std::size_t blk = 0; blk < plan.blocks(); ++blk) writeRowBlock(ws, plan, blk, index0.dbCells);
        writeWindow(ws, index);
        writeMergedCells(ws);
        b_.recEmpty(rec::kEof);
    }

    SheetPlan planRows(const xl::Worksheet& ws) const {
        SheetPlan plan;
        for (int r = 1; r <= ws.usedRows(); ++r) {
            const xl::RowInfo* ri = ws.rowInfo(r);
            RowOut ro{r, ri, 256, 0, {}};
            for (int c = 1; c <= int(ri->cells.size()) && c <= xl::kMaxCols; ++c) {
                const xl::Cell& cell = ri->cells[std::size_t(c - 1)];
                if (cell.value.isEmpty() && !ws.cellAt(r, c)) continue;
                ro.cells.push_back({std::uint16_t(c - 1), std::uint16_t(xfOf(cell.style)), &cell});
                ro.colMic = std::min(ro.colMic, c - 1);
                ro.colMac = std::max(ro.colMac, c);
            }
            bool special = ri->height >= 0 || ri->hidden || ri->style >= 0;
            if (ro.cells.empty() && !special) continue;
            if (!ro.cells.empty()) {
                if (plan.rwMic < 0) plan.rwMic = r - 1;
                plan.rwMac = r;
                plan.colMic = std::min(plan.colMic, ro.colMic);
                plan.colMac = std::max(plan.colMac, ro.colMac);
            }
            if (ro.cells.empty()) {
                ro.colMic = 0;
                ro.colMac = 0;
            }
            plan.rows.push_back(std::move(ro));
        }
        if (plan.rwMic < 0) {
            plan.rwMic = 0;
            plan.colMic = 0;
        }
        return plan;
    }

    // INDEX, filled in once the blocks are written.
    IndexFields writeIndex(const SheetPlan& plan) {
        Builder& b = b_;
        const auto& rows = plan.rows;
        qsizetype at = b.begin(rec::kIndex);
        b.w.u32(0);
        b.w.u32(std::uint32_t(rows.empty() ? 0 : rows.front().row - 1));
        b.w.u32(std::uint32_t(rows.empty() ? 0 : rows.back().row));
        IndexFields fields;
        fields.defColWidth = b.pos();
        b.w.u32(0);
        fields.dbCells = b.pos();
        b.w.zeros(plan.blocks() * 4);
        b.end(at); // 65536 rows make at most 2048 blocks: the list always fits
        return fields;
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
                   if (ps.PrintComments != xl::xlPrintNoComments) flags |= 0x20 | (ps.PrintComments == 1 ? 0x200 : 0);
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

    // Up to 32 ROW records, their cells, and the DBCELL that finds them;
    // the INDEX learns where the DBCELL is.
    void writeRowBlock(const xl::Worksheet& ws, const SheetPlan& plan, std::size_t blk, qsizetype dbcellFields) {
        Builder& b = b_;
        const std::size_t first = blk * 32, last = std::min(plan.rows.size(), first + 32);
        const qsizetype firstRowPos = b.pos();
        const std::uint16_t defHeight = std::uint16_t(std::lround(ws.defaultRowHeight * 20));
        for (std::size_t i = first; i < last; ++i) writeRow(plan.rows[i], defHeight);
        std::vector<qsizetype> cellStarts;
        for (std::size_t i = first; i < last; ++i) {
            cellStarts.push_back(b.pos());
            writeCells(plan.rows[i].row - 1, plan.rows[i].cells);
        }
        const qsizetype dbcell = b.pos();
        b.w.put32(dbcellFields + qsizetype(blk) * 4, std::uint32_t(dbcell));
        qsizetype at = b.begin(rec::kDbCell);
        b.w.u32(std::uint32_t(dbcell - firstRowPos));
        qsizetype prev = firstRowPos + 20;
        for (qsizetype start : cellStarts) {
            b.w.u16(std::uint16_t(start - prev));
            prev = start;
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
            flags |= 0x80 | (std::uint32_t(xfOf(std::uint32_t(ri.style)) & 0x0FFF) << 16);
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
        if (index == active_) g |= 0x0200 | 0x0400;
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
                          w.u16(std::uint16_t(ci.style >= 0 ? xfOf(std::uint32_t(ci.style)) : kFirstCellXf));
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

    void writeCells(int row, const std::vector<CellOut>& cells) {
        Builder& b = b_;
        ByteWriter& w = b.w;
        for (const CellOut& co : cells) {
            const xl::Value& v = co.cell->value;
            if (co.cell->kept && formulaCells_.contains(co.cell)) {
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
                const std::uint32_t idx = nextSst_ < cellSst_.size() ? cellSst_[nextSst_++] : 0;
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
        formulaOut(c, &tokens);
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

    const xl::Workbook& book_;
    Builder b_;
    QHash<QString, int> sheetIndex_;
    QSet<const xl::Cell*> formulaCells_;
    bool sheetRefs_ = false;
    std::vector<const QString*> sst_;
    std::vector<std::uint32_t> cellSst_;
    std::size_t nextSst_ = 0;
    std::size_t totalStrings_ = 0;
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

QByteArray encodeWorkbookStream(const xl::Workbook& book, const QString& password, const EncodeOptions& opt) {
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
    WorkbookWriter writer(book);
    QByteArray stream = writer.run(filePass);
    if (cipher) transformStream(stream, *cipher, true);
    return stream;
}

EncodedFile encodeFileParts(const xl::Workbook& book, const QString& password, const EncodeOptions& opt) {
    EncodedFile file;
    file.stream.push_back(encodeWorkbookStream(book, password, opt));
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

QByteArray encodeFile(const xl::Workbook& book, const QString& password, const EncodeOptions& opt) {
    return encodeFileParts(book, password, opt).image.flatten();
}

} // namespace xls::detail
