// Column widths fitted to their contents.
//
// Widths are measured with the metrics of the Liberation fonts (Debian's
// fonts-liberation), which are metric-compatible with Arial, Times New Roman
// and Courier New, so a width comes out the same on every machine whatever
// fonts it has or how its screen is set. Measuring needs a QGuiApplication
// (the program and the GUI tests have one); without it an estimate from
// average character widths is used, so a command-line tool never crashes.

#include "platform/workbook.h"

#include "platform/numberformat.h"

#include <QCoreApplication>
#include <QFont>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHash>
#include <algorithm>
#include <cmath>

namespace xl {

namespace {

// The metric family that stands for a cell font.
QString metricFamily(const QString& name)
{
    const QString n = name.toLower();
    if (n.contains(u"times") || (n.contains(u"serif") && !n.contains(u"sans")))
        return QStringLiteral("Liberation Serif");
    if (n.contains(u"courier") || n.contains(u"mono"))
        return QStringLiteral("Liberation Mono");
    return QStringLiteral("Liberation Sans");
}

// Advance widths measured at a fixed large pixel size and scaled, so that
// hinting and the screen's resolution play no part.
constexpr double kRefPixels = 200.0;

struct Measurer {
    bool gui = false;
    bool noMetrics = false;
    QHash<QString, QFontMetricsF*> cache;

    Measurer() { gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }
    ~Measurer() { qDeleteAll(cache); }

    // Width in pixels at 96 dots an inch.
    double width(const QString& text, const Font& f)
    {
        const double px = f.size * 96.0 / 72.0;
        if (!gui)
            return text.size() * px * (f.bold ? 0.58 : 0.54);
        const QString key = metricFamily(f.name) + (f.bold ? QStringLiteral("|b") : QStringLiteral("|")) +
                            (f.italic ? QStringLiteral("i") : QString());
        QFontMetricsF*& fm = cache[key];
        if (!fm) {
            QFont font(metricFamily(f.name));
            font.setPixelSize(static_cast<int>(kRefPixels));
            font.setBold(f.bold);
            font.setItalic(f.italic);
            font.setHintingPreference(QFont::PreferNoHinting);
            font.setStyleStrategy(QFont::NoFontMerging);
            fm = new QFontMetricsF(font);
            // Without the Liberation fonts the estimate is used rather than
            // whatever font the machine would substitute.
            if (!QFontInfo(font).family().startsWith(QStringLiteral("Liberation")))
                noMetrics = true;
        }
        if (noMetrics)
            return text.size() * px * (f.bold ? 0.58 : 0.54);
        return fm->horizontalAdvance(text) * px / kRefPixels;
    }
};

// Pixel width of one digit of the default font (Arial 10 at 96 dpi): the
// unit column widths are counted in.
constexpr double kDigitPixels = 7.0;

} // namespace

void Range::AutoFit()
{
    Worksheet& ws = Parent();
    const Workbook& book = ws.Parent();
    Measurer m;
    std::vector<double> widest(rect_.cols(), -1);
    const int lastRow = std::min(rect_.row2, ws.usedRows());
    for (int row = rect_.row1; row <= lastRow; ++row) {
        const RowInfo* ri = ws.rowInfo(row);
        if (ri->hidden) continue;
        const int lastCol = std::min(rect_.col2, static_cast<int>(ri->cells.size()));
        for (int col = rect_.col1; col <= lastCol; ++col) {
            const Cell& c = ri->cells[col - 1];
            if (c.value.isEmpty()) continue;
            // Merged cells do not count: their text spans several columns.
            bool merged = false;
            for (const CellRect& mr : ws.mergedCells)
                if (mr.contains(row, col)) { merged = true; break; }
            if (merged) continue;
            const Style& st = book.style(c.style);
            const QString text = formatValue(c.value, st.numberFormat);
            double w = 0;
            for (const QString& line : text.split(u'\n'))
                w = std::max(w, m.width(line, st.font));
            if (st.indentLevel > 0)
                w += st.indentLevel * 3 * kDigitPixels;
            if (st.orientation == 90 || st.orientation == -90 || st.orientation == 255)
                w = st.font.size * 96.0 / 72.0 * 1.2;
            widest[col - rect_.col1] = std::max(widest[col - rect_.col1], w);
        }
    }
    for (int i = 0; i < rect_.cols(); ++i) {
        if (widest[i] < 0) continue;      // nothing to fit: the width stays
        // A column of W characters is W * digit + padding pixels wide; the
        // text gets a couple of pixels to spare besides the padding.
        double chars = (std::ceil(widest[i]) + 2.0) / kDigitPixels;
        chars = std::clamp(std::ceil(chars * 100.0) / 100.0, 0.0, 255.0);
        ColumnInfo& ci = ws.columnInfoRef(rect_.col1 + i);
        ci.width = chars;
        ci.hidden = false;
    }
}

} // namespace xl
