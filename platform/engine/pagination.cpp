// Where the pages of a printout begin: the print area cut into bands of rows
// and columns that fit between the margins of the paper at the scale the
// page setup asks for, with the manual breaks and the repeated title rows
// and columns taken into account.

#include "platform/engine/workbook.h"

#include <algorithm>
#include <cmath>

namespace xl {

namespace {

// Paper sizes in points (portrait), by the paper codes of the page setup.
void paperSize(int code, double& w, double& h) {
    struct Paper {
        int code;
        double w, h;
    };
    static constexpr Paper kPapers[] = {
        {1, 612, 792},        // Letter
        {5, 612, 1008},       // Legal
        {8, 841.89, 1190.55}, // A3
        {11, 419.53, 595.28}, // A5
    };
    w = 595.28; // A4, the default
    h = 841.89;
    for (const Paper& p : kPapers)
        if (p.code == code) {
            w = p.w;
            h = p.h;
        }
}

// Cuts rows (or columns) first..last into pages. Repeated titles take
// `firstTitles` of the first page (none when they are the area's own first
// rows) and `titles` of every later page.
std::vector<std::pair<int, int>> bands(int first, int last, double avail, double firstTitles, double titles,
                                       double scale, const std::vector<int>& manual,
                                       const std::function<double(int)>& size) {
    std::vector<std::pair<int, int>> out;
    int start = first;
    double used = firstTitles * scale;
    for (int i = first; i <= last; ++i) {
        const double s = size(i) * scale;
        const bool manualBreak = i > start && std::find(manual.begin(), manual.end(), i) != manual.end();
        if (i > start && (manualBreak || used + s > avail + 1e-6)) {
            out.emplace_back(start, i - 1);
            start = i;
            used = titles * scale;
        }
        used += s;
    }
    out.emplace_back(start, last);
    return out;
}

} // namespace

double Worksheet::columnWidthPoints(int col) const {
    const ColumnInfo& ci = columnInfo(col);
    if (ci.hidden) return 0;
    const double chars = ci.width < 0 ? defaultColumnWidth : ci.width;
    if (chars <= 0) return 0;
    // A column of w characters is w digits of the default font (7 pixels)
    // plus 5 pixels of padding; a pixel is three quarters of a point.
    const double pixels = std::floor(chars * 7.0 + 0.5) + 5.0;
    return pixels * 0.75;
}

double Worksheet::rowHeightPoints(int row) const {
    const RowInfo* ri = rowInfo(row);
    if (ri && ri->hidden) return 0;
    return ri && ri->height >= 0 ? ri->height : defaultRowHeight;
}

CellRect Worksheet::usedRange() const {
    CellRect r{0, 0, 0, 0};
    for (int row = 1; row <= rowCount_; ++row) {
        const auto& cells = storedRow(row - 1).cells;
        for (int col = 1; col <= static_cast<int>(cells.size()); ++col) {
            if (cells[col - 1].value.isEmpty()) continue;
            if (r.row1 == 0) {
                r = {row, col, row, col};
            } else {
                r.row2 = row;
                r.col1 = std::min(r.col1, col);
                r.col2 = std::max(r.col2, col);
            }
        }
    }
    if (r.row1 == 0) return {1, 1, 1, 1};
    return r;
}

Worksheet::Pagination Worksheet::Paginate() const {
    const PageSetup& ps = pageSetup_;
    Pagination p;
    p.area = ps.PrintArea.isEmpty() ? usedRange() : parseAddress(ps.PrintArea);

    double pw = 0, ph = 0;
    paperSize(ps.PaperSize, pw, ph);
    if (ps.Orientation == xlLandscape) std::swap(pw, ph);
    const double availW = std::max(1.0, pw - ps.LeftMargin - ps.RightMargin);
    const double availH = std::max(1.0, ph - ps.TopMargin - ps.BottomMargin);

    auto rowH = [this](int r) { return rowHeightPoints(r); };
    auto colW = [this](int c) { return columnWidthPoints(c); };

    // Title rows and columns repeat on every page that does not hold them:
    // on the first page only when they lie outside the area, on every later
    // page in any case.
    double titleH = 0, titleW = 0, firstTitleH = 0, firstTitleW = 0;
    if (!ps.PrintTitleRows.isEmpty()) {
        const CellRect t = parseAddress(ps.PrintTitleRows);
        for (int r = t.row1; r <= t.row2; ++r) titleH += rowH(r);
        if (t.row1 < p.area.row1 || t.row2 > p.area.row2) firstTitleH = titleH;
    }
    if (!ps.PrintTitleColumns.isEmpty()) {
        const CellRect t = parseAddress(ps.PrintTitleColumns);
        for (int c = t.col1; c <= t.col2; ++c) titleW += colW(c);
        if (t.col1 < p.area.col1 || t.col2 > p.area.col2) firstTitleW = titleW;
    }

    if (ps.FitToPage) {
        double totalW = firstTitleW, totalH = firstTitleH;
        for (int c = p.area.col1; c <= p.area.col2; ++c) totalW += colW(c);
        for (int r = p.area.row1; r <= p.area.row2; ++r) totalH += rowH(r);
        double s = 1;
        if (ps.FitToPagesWide > 0 && totalW > 0) s = std::min(s, ps.FitToPagesWide * availW / totalW);
        if (ps.FitToPagesTall > 0 && totalH > 0) s = std::min(s, ps.FitToPagesTall * availH / totalH);
        p.scale = std::clamp(s, 0.10, 1.0);
    } else {
        p.scale = ps.Zoom / 100.0;
    }
    // Fit-to ignores manual breaks, as the application does.
    static const std::vector<int> none;
    p.rowBands = bands(p.area.row1, p.area.row2, availH, firstTitleH, titleH, p.scale,
                       ps.FitToPage ? none : ps.HPageBreaks, rowH);
    p.columnBands = bands(p.area.col1, p.area.col2, availW, firstTitleW, titleW, p.scale,
                          ps.FitToPage ? none : ps.VPageBreaks, colW);
    return p;
}

int Worksheet::HPageBreaksCount() const { return static_cast<int>(Paginate().rowBands.size()) - 1; }

} // namespace xl
