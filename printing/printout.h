#pragma once
// What the spreadsheet application's PrintOut did for us: a sheet's print
// area laid out on paper under the sheet's page setup, page by page, and
// painted with QPainter onto a named printer or into a PDF file.
//
// The pages are cut by the engine's own pagination (Worksheet::Paginate), so
// the pages printed are the pages the page-break count announces. The layout
// is also kept as a page model (which rows, columns and texts land where on
// each page) that the printouts and their tests can look at without paper.

#include "platform/engine/workbook.h"

#include <QRectF>
#include <QSizeF>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

class QPainter;

namespace printout {

// One non-empty cell placed on a page: the box it is drawn in (points from
// the paper's top-left corner, after scaling) and its displayed text.
struct PlacedCell {
    int row = 0, col = 0;
    QRectF box;
    QString text;
};

struct Page {
    int number = 0;                 // 1-based, in the sheet's page order
    std::pair<int, int> rows, cols; // the band of the print area on this page
    std::vector<int> rowOrder;      // rows drawn, top to bottom: repeated titles, then the band
    std::vector<int> colOrder;      // columns drawn, left to right
    std::vector<double> rowEdges;   // y of each drawn row's top, then the bottom of the last (points)
    std::vector<double> colEdges;   // x of each drawn column's left, then the right of the last
    QSizeF paper;                   // points, as oriented
    QRectF content;                 // where the cells go (points), after centring and scaling
    double scale = 1;
    QString header, footer; // centre header and footer, codes expanded
    std::vector<PlacedCell> cells;
};

// Lays out the sheet's print area (or, without one, its used cells), or
// `area` when given, the way Range.PrintOut prints a range whatever the
// print area says.
std::vector<Page> layOut(xl::Worksheet& sheet, const std::optional<xl::CellRect>& area = std::nullopt);

// Paints one page; the painter works in points with the paper's top-left
// corner at the origin.
void paintPage(QPainter& painter, const xl::Worksheet& sheet, const Page& page);

// Paper size in points, portrait, for a page-setup paper code (A4 for codes
// we do not know).
QSizeF paperPoints(int paperSize);

struct Request {
    QString printer;      // device name; ignored when pdfFile is set
    QString pdfFile;      // render to this PDF instead of a printer
    int from = 0, to = 0; // page range, 1-based; 0 = from the first / to the last
    int copies = 1;
    bool collate = true;
    std::optional<xl::CellRect> area; // print this range instead of the print area
    QString documentName;             // the job's name in the queue
};

// Prints and answers the number of pages sent (0 when the range holds no
// page: nothing is sent). A printer gets the pages as one PDF document
// handed to its print queue. A device name that names no printer of the
// system, or a job that the print system does not take (a queue that rejects
// jobs, a server that cannot be reached), raises xl::Error, so the caller can
// report it.
int print(xl::Worksheet& sheet, const Request& request);

} // namespace printout
