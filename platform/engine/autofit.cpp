// Column widths fitted to their contents.
//
// Widths are measured with the metrics of the Liberation fonts (Debian's
// fonts-liberation), which are metric-compatible with Arial, Times New Roman
// and Courier New, so a width comes out the same on every machine whatever
// fonts it has or how its screen is set. Measuring needs a QGuiApplication
// (the program and the GUI tests have one); without it an estimate from
// average character widths is used, so a command-line tool never crashes.

#include "platform/engine/workbook.h"

#include "platform/engine/numberformat.h"

#include <QCoreApplication>
#include <QFont>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHash>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <thread>
#include <unordered_map>

namespace xl {

namespace {

// The metric family that stands for a cell font.
QString metricFamily(const QString& name) {
    const QString n = name.toLower();
    if (n.contains(u"times") || (n.contains(u"serif") && !n.contains(u"sans")))
        return QStringLiteral("Liberation Serif");
    if (n.contains(u"courier") || n.contains(u"mono")) return QStringLiteral("Liberation Mono");
    return QStringLiteral("Liberation Sans");
}

// Advance widths measured at a fixed large pixel size and scaled, so that
// hinting and the screen's resolution play no part.
constexpr double kRefPixels = 200.0;

struct Measurer {
    bool gui = false;
    struct Face {
        std::unique_ptr<QFontMetricsF> fm;
        bool noMetrics = false;
        std::array<float, 256> latin{}; // advances at kRefPixels, < 0 = not measured yet
        QHash<char16_t, float> other;
    };
    QHash<QString, Face*> faces;

    Measurer() { gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }
    ~Measurer() { qDeleteAll(faces); }

    // Cells in a row mostly share a font: the last one asked for is kept
    // apart, so that its key is not built again for every cell.
    Font lastFont;
    Face* lastFace = nullptr;

    Face& face(const Font& f) {
        if (lastFace && f == lastFont) return *lastFace;
        lastFont = f;
        lastFace = &faceFor(f);
        return *lastFace;
    }

    Face& faceFor(const Font& f) {
        const QString key = metricFamily(f.name) + (f.bold ? QStringLiteral("|b") : QStringLiteral("|")) +
                            (f.italic ? QStringLiteral("i") : QString());
        Face*& fc = faces[key];
        if (!fc) {
            fc = new Face;
            fc->latin.fill(-1);
            QFont font(metricFamily(f.name));
            font.setPixelSize(static_cast<int>(kRefPixels));
            font.setBold(f.bold);
            font.setItalic(f.italic);
            font.setHintingPreference(QFont::PreferNoHinting);
            font.setStyleStrategy(QFont::NoFontMerging);
            fc->fm = std::make_unique<QFontMetricsF>(font);
            // Without the Liberation fonts the estimate is used rather than
            // whatever font the machine would substitute.
            fc->noMetrics = !QFontInfo(font).family().startsWith(QStringLiteral("Liberation"));
        }
        return *fc;
    }

    // Width in pixels at 96 dots an inch: the sum of the characters'
    // advances, without kerning, as the application measures a cell.
    double width(const QString& text, const Font& f) {
        const double px = f.size * 96.0 / 72.0;
        if (!gui) return text.size() * px * (f.bold ? 0.58 : 0.54);
        Face& fc = face(f);
        if (fc.noMetrics) return text.size() * px * (f.bold ? 0.58 : 0.54);
        double total = 0;
        for (QChar c : text) {
            const char16_t u = c.unicode();
            float a;
            if (u < 256) {
                a = fc.latin[u];
                if (a < 0) a = fc.latin[u] = static_cast<float>(fc.fm->horizontalAdvance(c));
            } else {
                auto it = fc.other.constFind(u);
                if (it == fc.other.constEnd()) it = fc.other.insert(u, static_cast<float>(fc.fm->horizontalAdvance(c)));
                a = *it;
            }
            total += a;
        }
        return total * px / kRefPixels;
    }
};

// Pixel width of one digit of the default font (Arial 10 at 96 dpi): the
// unit column widths are counted in.
constexpr double kDigitPixels = 7.0;

// The width one cell asks for, in whole pixels (rounded up, which is all the
// column width uses of it, so a float holds it exactly); < 0 when it asks
// for none.
float measureCell(const Cell& c, const Workbook& book, Measurer& m) {
    const Style& st = book.style(c.style);
    const QString text = formatValue(c.value, st.numberFormat);
    double w = 0;
    if (text.contains(u'\n')) {
        for (const QString& line : text.split(u'\n')) w = std::max(w, m.width(line, st.font));
    } else {
        w = m.width(text, st.font);
    }
    if (st.indentLevel > 0) w += st.indentLevel * 3 * kDigitPixels;
    if (st.orientation == 90 || st.orientation == -90 || st.orientation == 255) w = st.font.size * 96.0 / 72.0 * 1.2;
    return static_cast<float>(std::ceil(w));
}

// A number's width depends on its bits and its format alone, and a sheet
// repeats numbers and dates under a few formats: within one pass each
// number, date, truth value or error is formatted and measured once per
// format. So is a text under a format with sections to read (a text column
// "@"), found by the block it is kept in, which cells holding the same
// text read from the file share and which lives through the pass; other
// texts, most of them different, are measured as they come.
struct NumberKey {
    std::uint64_t bits;
    std::uint32_t style;
    ValueType type;
    friend bool operator==(const NumberKey&, const NumberKey&) = default;
};
struct NumberKeyHash {
    std::size_t operator()(const NumberKey& k) const noexcept {
        std::uint64_t h = k.bits * 0x9e3779b97f4a7c15ULL;
        h ^= (std::uint64_t(k.style) << 8 | std::uint64_t(k.type)) + 0x632be59bd9b4e019ULL + (h << 6) + (h >> 2);
        return static_cast<std::size_t>(h ^ (h >> 29));
    }
};

struct KnownWidths {
    std::unordered_map<NumberKey, float, NumberKeyHash> byKey;
    std::vector<signed char> sections; // per format: -1 not asked yet, else whether a text reads it
};

float cellWidth(const Cell& c, const Workbook& book, Measurer& m, KnownWidths& known) {
    if (c.value.isEmpty()) return -1;
    NumberKey key{0, c.style, c.value.type()};
    if (c.value.isText()) {
        if (c.style >= known.sections.size()) known.sections.resize(c.style + 1, -1);
        signed char& sections = known.sections[c.style];
        if (sections < 0) {
            const QString& f = book.style(c.style).numberFormat;
            sections = f.contains(u';') || f.contains(u'@') ? 1 : 0;
        }
        if (!sections) return measureCell(c, book, m);
        key.bits = reinterpret_cast<std::uintptr_t>(&c.value.textValue());
    } else {
        const double x = c.value.numberValue();
        std::memcpy(&key.bits, &x, sizeof x);
    }
    auto& numbers = known.byKey;
    auto it = numbers.find(key);
    if (it == numbers.end()) it = numbers.emplace(key, measureCell(c, book, m)).first;
    return it->second;
}

// Whether every cell of a row has a width that holds.
bool rowMeasured(const RowInfo* ri) {
    if (!ri->fitKnown) return false;
    for (const Cell& c : ri->cells)
        if (std::isnan(c.fitWidth)) return false;
    return true;
}

// Measures the cells of a row written since its last measuring: all of
// them after a write to the whole row, else those written one by one.
void measureRow(const RowInfo* ri, const Workbook& book, Measurer& m, KnownWidths& known) {
    const bool all = !ri->fitKnown;
    for (const Cell& c : ri->cells)
        if (all || std::isnan(c.fitWidth)) c.fitWidth = cellWidth(c, book, m, known);
    ri->fitKnown = true;
}

// Whether block `b` of rows has to find its widest cells again.
bool blockStale(const Worksheet& ws, std::size_t b) {
    return b >= ws.fitBlocks.size() || ws.fitBlocks[b].widest.empty() ||
           ws.blockStamp(static_cast<int>(b) * Worksheet::kStampRows + 1) > ws.fitBlocks[b].stamp;
}

// Finds the widest cell per column of block `b` again, `measure` bringing
// each of its shown rows up to date first.
template <class Measure>
void refreshBlock(Worksheet& ws, std::size_t b, Measure&& measure) {
    const int first = static_cast<int>(b) * Worksheet::kStampRows + 1;
    const int last = std::min(ws.usedRows(), first + Worksheet::kStampRows - 1);
    if (ws.fitBlocks.size() <= b) ws.fitBlocks.resize(b + 1);
    Worksheet::FitBlock& fb = ws.fitBlocks[b];
    fb.widest.assign(kMaxCols, -1);
    for (int r = first; r <= last; ++r) {
        const RowInfo* ri = ws.rowInfo(r);
        if (ri->hidden) continue;
        measure(ri);
        for (std::size_t c = 0; c < ri->cells.size(); ++c) fb.widest[c] = std::max(fb.widest[c], ri->cells[c].fitWidth);
    }
    fb.stamp = ws.changeStamp();
}

// Brings up to date, on several threads, the whole blocks of rows within
// `first`..`last` whose widest cells are not known, when there are enough
// of them to be worth it: the first pass over a large workbook measures
// every cell. Each block is one thread's alone, with its own measurer and
// its own table of known widths, and a width does not depend on who
// measures it, so the blocks end as the one-thread pass leaves them; that
// pass then finds them known. Fonts are measured off the GUI thread as Qt
// allows since its fifth version.
void measureBlocksAside(Worksheet& ws, int first, int last) {
    std::vector<std::size_t> stale;
    for (std::size_t b = (first + Worksheet::kStampRows - 2) / Worksheet::kStampRows;; ++b) {
        const int blockFirst = static_cast<int>(b) * Worksheet::kStampRows + 1;
        if (blockFirst > last || last < std::min(ws.usedRows(), blockFirst + Worksheet::kStampRows - 1)) break;
        if (blockStale(ws, b)) stale.push_back(b);
    }
    const unsigned cores = std::max(1u, std::min(8u, std::thread::hardware_concurrency()));
    constexpr std::size_t kWorthIt = 8; // blocks, below which one thread is as quick
    if (stale.size() < kWorthIt || cores < 2) return;
    // Grown here, before any thread holds one of its blocks.
    if (ws.fitBlocks.size() <= stale.back()) ws.fitBlocks.resize(stale.back() + 1);
    const Workbook& book = ws.Parent();
    auto work = [&](std::size_t from, std::size_t step) {
        Measurer m;
        KnownWidths known;
        for (std::size_t i = from; i < stale.size(); i += step)
            refreshBlock(ws, stale[i], [&](const RowInfo* ri) { measureRow(ri, book, m, known); });
    };
    const std::size_t threads = std::min<std::size_t>(cores, stale.size() / (kWorthIt / 2));
    std::vector<std::thread> helpers;
    for (std::size_t t = 1; t < threads; ++t) helpers.emplace_back(work, t, threads);
    work(0, threads);
    for (std::thread& h : helpers) h.join();
}

} // namespace

// Each cell's width is kept in the cell and measured again only after it
// or its whole row was written (Cell::fitWidth, RowInfo::fitKnown), so a
// pass over a large sheet costs the cells changed since the last pass, and gives the widths a pass
// measuring every cell would give. Whole blocks of rows the range covers
// keep their widest cell per column besides (Worksheet::fitBlocks), so the
// rows of a block nobody wrote since are not even looked at again.
void Range::AutoFit() {
    Worksheet& ws = Parent();
    const Workbook& book = ws.Parent();
    std::unique_ptr<Measurer> m;
    KnownWidths known;
    std::vector<float> widest(rect_.cols(), -1);
    auto measure = [&](const RowInfo* ri) {
        if (rowMeasured(ri)) return;
        if (!m) m = std::make_unique<Measurer>();
        measureRow(ri, book, *m, known);
    };
    auto fitRow = [&](int row) {
        const RowInfo* ri = ws.rowInfo(row);
        if (ri->hidden) return;
        measure(ri);
        const int lastCol = std::min(rect_.col2, static_cast<int>(ri->cells.size()));
        for (int col = rect_.col1; col <= lastCol; ++col) {
            const float w = ri->cells[col - 1].fitWidth;
            if (w < 0 || w <= widest[col - rect_.col1]) continue;
            // Merged cells do not count: their text spans several columns.
            bool merged = false;
            for (const CellRect& mr : ws.mergedCells)
                if (mr.contains(row, col)) {
                    merged = true;
                    break;
                }
            if (!merged) widest[col - rect_.col1] = w;
        }
    };
    const int used = ws.usedRows();
    const int lastRow = std::min(rect_.row2, used);
    // With merged cells about, a column's widest depends on more than its
    // rows: every row is looked at then.
    const bool blocks = ws.mergedCells.empty();
    if (blocks) measureBlocksAside(ws, rect_.row1, lastRow);
    for (int row = rect_.row1; row <= lastRow;) {
        const int blockFirst = (row - 1) / Worksheet::kStampRows * Worksheet::kStampRows + 1;
        const int blockLast = std::min(used, blockFirst + Worksheet::kStampRows - 1);
        if (!blocks || row != blockFirst || lastRow < blockLast) {
            const int end = std::min(lastRow, blockLast);
            for (; row <= end; ++row) fitRow(row);
            continue;
        }
        const std::size_t b = (row - 1) / Worksheet::kStampRows;
        if (blockStale(ws, b)) refreshBlock(ws, b, measure);
        const Worksheet::FitBlock& fb = ws.fitBlocks[b];
        for (int col = rect_.col1; col <= rect_.col2; ++col)
            widest[col - rect_.col1] = std::max(widest[col - rect_.col1], fb.widest[col - 1]);
        row = blockLast + 1;
    }
    for (int i = 0; i < rect_.cols(); ++i) {
        if (widest[i] < 0) continue; // nothing to fit: the width stays
        // A column of W characters is W * digit + padding pixels wide; the
        // text gets a couple of pixels to spare besides the padding.
        double chars = (double(widest[i]) + 2.0) / kDigitPixels;
        chars = std::clamp(std::ceil(chars * 100.0) / 100.0, 0.0, 255.0);
        ColumnInfo& ci = ws.columnInfoRef(rect_.col1 + i);
        ci.width = chars;
        ci.hidden = false;
    }
}

} // namespace xl
