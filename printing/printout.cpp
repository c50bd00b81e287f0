#include "printing/printout.h"

#include "platform/engine/numberformat.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <QTime>

#include <cups/cups.h>

#include <algorithm>
#include <cmath>

namespace printout {

namespace {

constexpr double kPadding = 2.0;    // points between a cell's edge and its text
constexpr double kIndentStep = 9.0; // points per indent level
const QString kHeaderFont = QStringLiteral("Arial");
constexpr double kHeaderSize = 10.0;

QPageSize::PageSizeId pageSizeId(int paperSize) {
    switch (paperSize) {
    case 1: return QPageSize::Letter;
    case 5: return QPageSize::Legal;
    case 8: return QPageSize::A3;
    case 11: return QPageSize::A5;
    default: return QPageSize::A4;
    }
}

// Header and footer codes: &P page, &N pages, &D date, &T time, &A sheet,
// &F file, && an ampersand; font and size codes are dropped.
QString expandCodes(const QString& text, const xl::Worksheet& sheet, int page, int pages) {
    QString out;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('&') || i + 1 >= text.size()) {
            out += c;
            continue;
        }
        const QChar code = text[++i];
        switch (code.toUpper().unicode()) {
        case '&': out += QLatin1Char('&'); break;
        case 'P': out += QString::number(page); break;
        case 'N': out += QString::number(pages); break;
        case 'D': out += QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")); break;
        case 'T': out += QTime::currentTime().toString(QStringLiteral("HH:mm")); break;
        case 'A': out += sheet.Name(); break;
        case 'F': out += QFileInfo(sheet.Parent().FullName()).fileName(); break;
        case '"': // &"Font,Style": skip to the closing quote
            while (i + 1 < text.size() && text[i + 1] != QLatin1Char('"')) ++i;
            ++i;
            break;
        default:
            if (code.isDigit()) // &12: a font size
                while (i + 1 < text.size() && text[i + 1].isDigit()) ++i;
            break;
        }
    }
    return out;
}

QFont cellFont(const xl::Font& f, double factor) {
    QFont font(f.name);
    font.setPointSizeF(std::max(1.0, f.size) * factor);
    font.setBold(f.bold);
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    font.setStrikeOut(f.strikeout);
    return font;
}

// Text widths measured in points: fonts on a 72-dpi device.
double textWidth(const QFont& font, const QString& text) {
    static QImage device = [] {
        QImage img(1, 1, QImage::Format_RGB32);
        img.setDotsPerMeterX(2835); // 72 dpi
        img.setDotsPerMeterY(2835);
        return img;
    }();
    return QFontMetricsF(font, &device).horizontalAdvance(text);
}

bool isTextual(const xl::Value& v) { return v.isText(); }

// Horizontal alignment as drawn: General puts numbers right, booleans and
// errors in the middle and texts left.
xl::HAlign drawnAlign(const xl::Style& st, const xl::Value& v) {
    if (st.hAlign != xl::HAlign::General) return st.hAlign;
    if (v.isNumeric()) return xl::HAlign::Right;
    if (v.isBoolean() || v.isError()) return xl::HAlign::Center;
    return xl::HAlign::Left;
}

QString cellText(xl::Worksheet& sheet, int row, int col) {
    const xl::Value& v = sheet.valueAt(row, col);
    if (v.isEmpty()) return QString();
    return xl::formatValue(v, sheet.Parent().style(sheet.effectiveStyle(row, col)).numberFormat);
}

} // namespace

QSizeF paperPoints(int paperSize) { return QPageSize(pageSizeId(paperSize)).size(QPageSize::Point); }

std::vector<Page> layOut(xl::Worksheet& sheet, const std::optional<xl::CellRect>& area) {
    xl::Worksheet::Pagination pg;
    if (area) {
        xl::PageSetup& ps = sheet.GetPageSetup();
        const QString saved = ps.PrintArea;
        ps.PrintArea = xl::formatAddress(*area);
        pg = sheet.Paginate();
        ps.PrintArea = saved;
    } else {
        pg = sheet.Paginate();
    }
    const xl::PageSetup& ps = sheet.GetPageSetup();

    QSizeF paper = paperPoints(ps.PaperSize);
    if (ps.Orientation == xl::xlLandscape) paper.transpose();
    const double availW = std::max(1.0, paper.width() - ps.LeftMargin - ps.RightMargin);
    const double availH = std::max(1.0, paper.height() - ps.TopMargin - ps.BottomMargin);

    std::optional<xl::CellRect> titleRows, titleCols;
    if (!ps.PrintTitleRows.isEmpty()) titleRows = xl::parseAddress(ps.PrintTitleRows);
    if (!ps.PrintTitleColumns.isEmpty()) titleCols = xl::parseAddress(ps.PrintTitleColumns);

    // Pages in the sheet's order: down then over, or over then down.
    std::vector<std::pair<std::size_t, std::size_t>> order; // (row band, column band)
    if (ps.Order == 2) {
        for (std::size_t r = 0; r < pg.rowBands.size(); ++r)
            for (std::size_t c = 0; c < pg.columnBands.size(); ++c) order.emplace_back(r, c);
    } else {
        for (std::size_t c = 0; c < pg.columnBands.size(); ++c)
            for (std::size_t r = 0; r < pg.rowBands.size(); ++r) order.emplace_back(r, c);
    }

    const int total = static_cast<int>(order.size());
    std::vector<Page> pages;
    pages.reserve(order.size());
    for (const auto& [rb, cb] : order) {
        Page p;
        p.number = static_cast<int>(pages.size()) + 1;
        p.rows = pg.rowBands[rb];
        p.cols = pg.columnBands[cb];
        p.paper = paper;
        p.scale = pg.scale;
        // Title rows and columns above or left of the band repeat first.
        if (titleRows)
            for (int r = titleRows->row1; r <= titleRows->row2 && r < p.rows.first; ++r) p.rowOrder.push_back(r);
        for (int r = p.rows.first; r <= p.rows.second; ++r) p.rowOrder.push_back(r);
        if (titleCols)
            for (int c = titleCols->col1; c <= titleCols->col2 && c < p.cols.first; ++c) p.colOrder.push_back(c);
        for (int c = p.cols.first; c <= p.cols.second; ++c) p.colOrder.push_back(c);

        double y = 0, x = 0;
        for (int r : p.rowOrder) {
            p.rowEdges.push_back(y);
            y += sheet.rowHeightPoints(r);
        }
        p.rowEdges.push_back(y);
        for (int c : p.colOrder) {
            p.colEdges.push_back(x);
            x += sheet.columnWidthPoints(c);
        }
        p.colEdges.push_back(x);

        const double w = x * p.scale, h = y * p.scale;
        double left = ps.LeftMargin, top = ps.TopMargin;
        if (ps.CenterHorizontally) left += std::max(0.0, (availW - w) / 2);
        if (ps.CenterVertically) top += std::max(0.0, (availH - h) / 2);
        p.content = QRectF(left, top, w, h);
        p.header = expandCodes(ps.CenterHeader, sheet, p.number, total);
        p.footer = expandCodes(ps.CenterFooter, sheet, p.number, total);

        // The texts and the boxes they are drawn in. A text that does not
        // wrap runs on over empty neighbours, as on screen.
        const int nr = static_cast<int>(p.rowOrder.size()), nc = static_cast<int>(p.colOrder.size());
        for (int i = 0; i < nr; ++i) {
            const int row = p.rowOrder[i];
            if (sheet.rowHeightPoints(row) <= 0) continue;
            for (int j = 0; j < nc; ++j) {
                const int col = p.colOrder[j];
                const xl::Value& v = sheet.valueAt(row, col);
                if (v.isEmpty() || sheet.columnWidthPoints(col) <= 0) continue;
                const xl::Style& st = sheet.Parent().style(sheet.effectiveStyle(row, col));
                PlacedCell pc;
                pc.row = row;
                pc.col = col;
                pc.text = cellText(sheet, row, col);
                double x1 = p.colEdges[j], x2 = p.colEdges[j + 1];
                if (isTextual(v) && !st.wrapText && !st.shrinkToFit) {
                    const double need = textWidth(cellFont(st.font, 1.0),
                                                  QString(pc.text).replace(QLatin1Char('\n'), QLatin1Char(' '))) +
                                        2 * kPadding + st.indentLevel * kIndentStep;
                    const xl::HAlign ha = drawnAlign(st, v);
                    const auto emptyAt = [&](int k) { return sheet.valueAt(row, p.colOrder[k]).isEmpty(); };
                    if (ha == xl::HAlign::Left || ha == xl::HAlign::Center) {
                        for (int k = j + 1; k < nc && x2 - x1 < need && emptyAt(k); ++k) x2 = p.colEdges[k + 1];
                    }
                    if (ha == xl::HAlign::Right || ha == xl::HAlign::Center) {
                        for (int k = j - 1; k >= 0 && x2 - x1 < need && emptyAt(k); --k) x1 = p.colEdges[k];
                    }
                }
                pc.box = QRectF(p.content.left() + x1 * p.scale, p.content.top() + p.rowEdges[i] * p.scale,
                                (x2 - x1) * p.scale, (p.rowEdges[i + 1] - p.rowEdges[i]) * p.scale);
                p.cells.push_back(std::move(pc));
            }
        }
        pages.push_back(std::move(p));
    }
    return pages;
}

void paintPage(QPainter& painter, const xl::Worksheet& sheet, const Page& page) {
    const xl::PageSetup& ps = sheet.GetPageSetup();
    // A point size is read against the device's resolution; the painter
    // already works in points, so fonts are given in device terms.
    const double dpi = painter.device() ? painter.device()->logicalDpiY() : 72.0;
    const double factor = 72.0 / (dpi > 0 ? dpi : 72.0);

    painter.save();
    painter.setPen(Qt::black);
    const QFont headerFont = cellFont(xl::Font{kHeaderFont, kHeaderSize}, factor);
    painter.setFont(headerFont);
    if (!page.header.isEmpty())
        painter.drawText(QRectF(ps.LeftMargin, ps.HeaderMargin, page.paper.width() - ps.LeftMargin - ps.RightMargin,
                                std::max(12.0, ps.TopMargin - ps.HeaderMargin)),
                         Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, page.header);
    if (!page.footer.isEmpty())
        painter.drawText(QRectF(ps.LeftMargin, page.paper.height() - ps.FooterMargin - 14,
                                page.paper.width() - ps.LeftMargin - ps.RightMargin, 14),
                         Qt::AlignHCenter | Qt::AlignBottom | Qt::TextSingleLine, page.footer);
    painter.restore();

    painter.save();
    painter.translate(page.content.topLeft());
    painter.scale(page.scale, page.scale);

    const double width = page.colEdges.back(), height = page.rowEdges.back();
    // Gridlines along every drawn row and column.
    if (ps.PrintGridlines && width > 0 && height > 0) {
        QPen grid(QColor(0, 0, 0));
        grid.setWidthF(0.5);
        painter.setPen(grid);
        for (std::size_t i = 0; i < page.rowOrder.size(); ++i) {
            if (i > 0 && page.rowEdges[i] == page.rowEdges[i - 1]) continue;
            painter.drawLine(QLineF(0, page.rowEdges[i], width, page.rowEdges[i]));
        }
        painter.drawLine(QLineF(0, height, width, height));
        for (std::size_t j = 0; j <= page.colOrder.size(); ++j)
            painter.drawLine(QLineF(page.colEdges[j], 0, page.colEdges[j], height));
    }

    // Cell borders as the formats give them.
    auto borderPen = [](const xl::Border& b) {
        QPen pen(Qt::black);
        pen.setWidthF(b.style == 2 || b.style == 5 || b.style == 8 ? 1.5 : 0.75);
        if (b.style == 3 || b.style == 4 || b.style == 7) pen.setStyle(Qt::DashLine);
        return pen;
    };
    for (std::size_t i = 0; i < page.rowOrder.size(); ++i) {
        for (std::size_t j = 0; j < page.colOrder.size(); ++j) {
            const xl::Style& st = sheet.Parent().style(sheet.effectiveStyle(page.rowOrder[i], page.colOrder[j]));
            const QRectF r(page.colEdges[j], page.rowEdges[i], page.colEdges[j + 1] - page.colEdges[j],
                           page.rowEdges[i + 1] - page.rowEdges[i]);
            if (st.fillPattern == 1 && st.fillForeground != 64 && st.fillForeground != 65)
                painter.fillRect(r, QColor(235, 235, 235));
            if (st.left.style) {
                painter.setPen(borderPen(st.left));
                painter.drawLine(r.topLeft(), r.bottomLeft());
            }
            if (st.right.style) {
                painter.setPen(borderPen(st.right));
                painter.drawLine(r.topRight(), r.bottomRight());
            }
            if (st.top.style) {
                painter.setPen(borderPen(st.top));
                painter.drawLine(r.topLeft(), r.topRight());
            }
            if (st.bottom.style) {
                painter.setPen(borderPen(st.bottom));
                painter.drawLine(r.bottomLeft(), r.bottomRight());
            }
        }
    }

    painter.setPen(Qt::black);
    for (const PlacedCell& pc : page.cells) {
        const xl::Style& st = sheet.Parent().style(sheet.effectiveStyle(pc.row, pc.col));
        const xl::Value& v = sheet.valueAt(pc.row, pc.col);
        // Back from page points to the sheet's own points.
        const QRectF box((pc.box.left() - page.content.left()) / page.scale,
                         (pc.box.top() - page.content.top()) / page.scale, pc.box.width() / page.scale,
                         pc.box.height() / page.scale);
        QRectF inner = box.adjusted(kPadding, 0.5, -kPadding, -0.5);
        const xl::HAlign ha = drawnAlign(st, v);
        const double indent = st.indentLevel * kIndentStep;
        int flags = 0;
        switch (ha) {
        case xl::HAlign::Right:
            flags |= Qt::AlignRight;
            inner.setRight(inner.right() - indent);
            break;
        case xl::HAlign::Center:
        case xl::HAlign::CenterAcross:
        case xl::HAlign::Distributed: flags |= Qt::AlignHCenter; break;
        case xl::HAlign::Justify:
            flags |= Qt::AlignJustify;
            inner.setLeft(inner.left() + indent);
            break;
        default:
            flags |= Qt::AlignLeft;
            inner.setLeft(inner.left() + indent);
            break;
        }
        switch (st.vAlign) {
        case xl::VAlign::Center: flags |= Qt::AlignVCenter; break;
        case xl::VAlign::Bottom: flags |= Qt::AlignBottom; break;
        default: flags |= Qt::AlignTop; break;
        }
        QString text = pc.text;
        QFont font = cellFont(st.font, factor);
        if (st.wrapText) {
            flags |= Qt::TextWordWrap;
        } else {
            text.replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace(QLatin1Char('\n'), QLatin1Char(' '));
            flags |= Qt::TextSingleLine;
            if (st.shrinkToFit) {
                const double w = textWidth(cellFont(st.font, 1.0), text);
                if (w > inner.width() && w > 0)
                    font.setPointSizeF(std::max(1.0, font.pointSizeF() * inner.width() / w));
            }
        }
        painter.setFont(font);
        painter.save();
        painter.setClipRect(box, Qt::IntersectClip);
        painter.drawText(inner, flags, text);
        painter.restore();
    }
    painter.restore();
}

namespace {

// Paints pages first..last of `pages` into a PDF file, each `repeat` times
// (collated or page by page).
void renderPdf(const xl::Worksheet& sheet, const std::vector<Page>& pages, int first, int last, int repeat,
               bool collate, const QString& documentName, const QString& file) {
    const xl::PageSetup& ps = sheet.GetPageSetup();
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    printer.setFullPage(true);
    printer.setPageLayout(
        QPageLayout(QPageSize(pageSizeId(ps.PaperSize)),
                    ps.Orientation == xl::xlLandscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                    QMarginsF(0, 0, 0, 0), QPageLayout::Point));
    printer.setDocName(documentName);
    printer.setColorMode(ps.BlackAndWhite ? QPrinter::GrayScale : QPrinter::Color);

    QPainter painter;
    if (!painter.begin(&printer)) throw xl::Error("the document could not be written");
    const double k = printer.resolution() / 72.0;
    painter.scale(k, k);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    bool firstPage = true;
    auto sendPage = [&](const Page& p) {
        if (!firstPage) printer.newPage();
        firstPage = false;
        paintPage(painter, sheet, p);
    };
    if (collate || repeat == 1) {
        for (int c = 0; c < repeat; ++c)
            for (int i = first; i <= last; ++i) sendPage(pages[i - 1]);
    } else {
        for (int i = first; i <= last; ++i)
            for (int c = 0; c < repeat; ++c) sendPage(pages[i - 1]);
    }
    if (!painter.end() || printer.printerState() == QPrinter::Error)
        throw xl::Error("the document could not be written");
}

// Hands a PDF document to a print queue and answers what the print system
// said: a job it took, or its refusal (a queue that does not accept jobs, a
// queue that went away, a server that cannot be reached) raised as xl::Error.
// What becomes of an accepted job afterwards is the print system's business.
void submit(const QString& device, const QString& file, const QString& title, int copies, bool collate, int paperSize) {
    // "queue/instance": the instance's own saved options come first.
    const QByteArray queue = device.section(QLatin1Char('/'), 0, 0).toUtf8();
    const QByteArray instance = device.section(QLatin1Char('/'), 1).toUtf8();
    int count = 0;
    cups_option_t* options = nullptr;
    if (cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue.constData(),
                                             instance.isEmpty() ? nullptr : instance.constData())) {
        for (int i = 0; i < dest->num_options; ++i)
            count = cupsAddOption(dest->options[i].name, dest->options[i].value, count, &options);
        cupsFreeDests(1, dest);
    }
    count = cupsAddOption("copies", QByteArray::number(copies).constData(), count, &options);
    count = cupsAddOption("multiple-document-handling",
                          collate ? "separate-documents-collated-copies" : "separate-documents-uncollated-copies",
                          count, &options);
    count = cupsAddOption("media", QPageSize(pageSizeId(paperSize)).key().toUtf8().constData(), count, &options);
    const int job = cupsPrintFile2(CUPS_HTTP_DEFAULT, queue.constData(), QFile::encodeName(file).constData(),
                                   title.toUtf8().constData(), count, options);
    cupsFreeOptions(count, options);
    if (job <= 0)
        throw xl::Error("the print system refused the job: " + std::string(ippErrorString(cupsLastError())) + " (" +
                        std::string(cupsLastErrorString() ? cupsLastErrorString() : "") + ")");
}

} // namespace

int print(xl::Worksheet& sheet, const Request& request) {
    if (request.copies < 1) throw xl::Error("the number of copies must be at least 1");
    const std::vector<Page> pages = layOut(sheet, request.area);
    const int n = static_cast<int>(pages.size());
    const int first = request.from > 0 ? request.from : 1;
    const int last = request.to > 0 ? std::min(request.to, n) : n;
    if (first > last) return 0;
    const QString title = request.documentName.isEmpty() ? sheet.Name() : request.documentName;

    // A PDF gets the copies as repeated pages.
    if (!request.pdfFile.isEmpty()) {
        renderPdf(sheet, pages, first, last, request.copies, request.collate, title, request.pdfFile);
        return (last - first + 1) * request.copies;
    }

    // A printer gets one copy of the document, the count as a job option,
    // so that the answer to the one job sent is the answer to the printout.
    if (request.printer.trimmed().isEmpty() || QPrinterInfo::printerInfo(request.printer).isNull())
        throw xl::Error("no printer named \"" + request.printer.toStdString() + "\"");
    QTemporaryDir dir;
    if (!dir.isValid()) throw xl::Error("no room for the print document");
    const QString file = dir.filePath(QStringLiteral("velmora.pdf"));
    renderPdf(sheet, pages, first, last, 1, true, title, file);
    submit(request.printer, file, title, request.copies, request.collate, sheet.GetPageSetup().PaperSize);
    return (last - first + 1) * request.copies;
}

} // namespace printout
