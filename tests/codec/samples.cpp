#include "tests/codec/samples.h"

#include "platform/engine/numberformat.h"

#include "platform/xls/bytes.h"

#include <cmath>
#include <functional>

namespace codectest {

namespace {

xl::Style fancyStyle() {
    xl::Style s;
    s.numberFormat = QStringLiteral("#,0.00");
    s.hAlign = xl::HAlign::Center;
    s.vAlign = xl::VAlign::Top;
    s.wrapText = true;
    s.orientation = 45;
    s.indentLevel = 2;
    s.addIndent = true;
    s.shrinkToFit = true;
    s.readingOrder = 2;
    s.font.name = QStringLiteral("Liberation Serif");
    s.font.size = 12.5;
    s.font.bold = true;
    s.font.italic = true;
    s.font.underline = true;
    s.font.strikeout = true;
    s.font.color = 10;
    s.left = {1, 8};
    s.right = {2, 12};
    s.top = {5, 17};
    s.bottom = {13, 63};
    s.fillPattern = 1;
    s.fillForeground = 13;
    s.fillBackground = 22;
    s.locked = false;
    s.formulaHidden = true;
    return s;
}

} // namespace

std::unique_ptr<xl::Workbook> richWorkbook(int rows) {
    auto book = std::make_unique<xl::Workbook>();
    xl::Workbook& b = *book;
    xl::Worksheet& p = b.AddSheet(QStringLiteral("Pratica"));
    xl::Worksheet& c = b.AddSheet(QStringLiteral("Cliente"));
    xl::Worksheet& h = b.AddSheet(QStringLiteral("Nascosto"));

    xl::Style header;
    header.font.bold = true;
    const std::uint32_t headerStyle = b.internStyle(header);
    xl::Style date;
    date.numberFormat = QStringLiteral("dd/mm/yyyy");
    const std::uint32_t dateStyle = b.internStyle(date);
    xl::Style amount;
    amount.numberFormat = QStringLiteral("#,0.00");
    const std::uint32_t amountStyle = b.internStyle(amount);
    xl::Style two;
    two.numberFormat = QStringLiteral("0.00");
    const std::uint32_t twoStyle = b.internStyle(two);
    xl::Style text;
    text.numberFormat = QStringLiteral("@");
    const std::uint32_t textStyle = b.internStyle(text);
    const std::uint32_t fancy = b.internStyle(fancyStyle());
    xl::Style vertical;
    vertical.orientation = -30;
    const std::uint32_t verticalStyle = b.internStyle(vertical);
    xl::Style stacked;
    stacked.orientation = 255;
    stacked.hAlign = xl::HAlign::Distributed;
    stacked.vAlign = xl::VAlign::Justify;
    const std::uint32_t stackedStyle = b.internStyle(stacked);

    const QStringList heads = {"Num.Prat.", "Data", "Cliente", "Importo", "Preventivo", "Collocazione", "Completata"};
    for (int i = 0; i < heads.size(); ++i) {
        xl::Cell& cell = p.cellRef(1, i + 1);
        cell.value = xl::Value(heads[i]);
        cell.style = headerStyle;
    }
    for (int r = 2; r <= rows + 1; ++r) {
        p.cellRef(r, 1).value = xl::Value(r - 1);
        xl::Cell& d = p.cellRef(r, 2);
        d.value = xl::Value(45000.0 + r);
        d.style = dateStyle;
        // Many distinct strings, some beyond Latin-1, so that the string
        // table spans several records.
        p.cellRef(r, 3).value = xl::Value(r % 7 == 0 ? QStringLiteral("ΑΒΓ Cliente %1 — 中文").arg(r)
                                                     : QStringLiteral("CLIENTE NUMERO %1 SRL").arg(r));
        xl::Cell& a = p.cellRef(r, 4);
        a.value = xl::Value(r * 12.34 + 0.005);
        a.style = amountStyle;
        xl::Cell& e = p.cellRef(r, 5);
        e.value = xl::Value(r % 3 == 0 ? -r * 100.25 : 0.1 + 0.2 * r);
        e.style = twoStyle;
        xl::Cell& g = p.cellRef(r, 6);
        g.value = xl::Value(QStringLiteral("%1").arg(r, 5, 10, QLatin1Char('0')));
        g.style = textStyle;
        if (r % 2 == 0) p.cellRef(r, 7).value = xl::Value("SI");
    }
    // Values of every kind and numbers that test the compact encodings.
    const int x = rows + 3;
    p.cellRef(x, 1).value = xl::Value::boolean(true);
    p.cellRef(x, 2).value = xl::Value::boolean(false);
    p.cellRef(x, 3).value = xl::Value::error(0x07);
    p.cellRef(x, 4).value = xl::Value(1e300);
    p.cellRef(x, 5).value = xl::Value(-536870912.0);
    p.cellRef(x, 6).value = xl::Value(536870912.0);
    p.cellRef(x, 7).value = xl::Value(-0.01);
    p.cellRef(x, 8).value = xl::Value(1.0 / 3.0);
    p.cellRef(x, 9).style = fancy; // a formatted empty cell
    p.cellRef(x, 256).value = xl::Value("ultima colonna");
    p.cellRef(x + 1, 1).value = xl::Value(QStringLiteral("tab\tand\nnew line"));
    p.cellRef(x + 1, 2).value = xl::Value(QString(10000, QLatin1Char('x')) + QStringLiteral("end"));
    p.cellRef(x + 1, 3).value = xl::Value(QString(5000, QChar(0x4E2D)) + QStringLiteral("fine"));
    QString mixed;
    for (int i = 0; i < 9000; ++i) mixed.append(i % 100 == 99 ? QChar(0x20AC) : QChar('a' + i % 26));
    p.cellRef(x + 1, 4).value = xl::Value(mixed);
    p.cellRef(x + 1, 5).value = xl::Value(QString());
    p.cellRef(x + 2, 1).value = xl::Value("bordi");
    p.cellRef(x + 2, 1).style = fancy;
    p.cellRef(x + 2, 2).value = xl::Value("obliquo");
    p.cellRef(x + 2, 2).style = verticalStyle;
    p.cellRef(x + 2, 3).value = xl::Value("impilato");
    p.cellRef(x + 2, 3).style = stackedStyle;
    p.cellRef(65536, 1).value = xl::Value("ultima riga");

    p.columnInfoRef(1).width = 10.71;
    p.columnInfoRef(3).width = 40;
    p.columnInfoRef(5).hidden = true;
    p.columnInfoRef(5).width = 12.5;
    p.columnInfoRef(6).style = std::int32_t(textStyle);
    p.columnInfoRef(8).width = 0.5;
    p.rowInfoRef(1).height = 30;
    p.rowInfoRef(4).hidden = true;
    p.rowInfoRef(5).style = std::int32_t(amountStyle);
    p.rowInfoRef(rows + 20).height = 7.5; // a row with a height and no cells
    p.FreezePanes(1, 0);
    p.mergedCells.push_back({x + 3, 1, x + 4, 3});
    p.mergedCells.push_back({1, 20, 1, 25});
    xl::PageSetup& ps = p.GetPageSetup();
    ps.PrintArea = QStringLiteral("$A$1:$G$101");
    ps.PrintTitleRows = QStringLiteral("$1:$1");
    ps.PrintTitleColumns = QStringLiteral("$A:$B");
    ps.CenterHeader = QStringLiteral("Elenco Pratiche &P di &N");
    ps.LeftHeader = QStringLiteral("Velmora && Co.");
    ps.RightFooter = QStringLiteral("&D");
    ps.LeftMargin = 36;
    ps.RightMargin = 18;
    ps.TopMargin = 50.4;
    ps.BottomMargin = 43.2;
    ps.HeaderMargin = 21.6;
    ps.FooterMargin = 14.4;
    ps.FitToPage = true;
    ps.FitToPagesWide = 1;
    ps.FitToPagesTall = 0;
    ps.Zoom = 85;
    ps.PrintGridlines = true;
    ps.PrintHeadings = true;
    ps.Orientation = xl::xlLandscape;
    ps.PaperSize = 8;
    ps.PrintQuality = 300;
    ps.CenterHorizontally = true;
    ps.CenterVertically = true;
    ps.Draft = true;
    ps.BlackAndWhite = true;
    ps.FirstPageNumber = 3;
    ps.Order = 2;
    ps.PrintErrors = 2;
    ps.HPageBreaks = {20, 45, 70};
    ps.VPageBreaks = {4};

    c.cellRef(1, 1).value = xl::Value("ID");
    c.cellRef(1, 2).value = xl::Value("Ragione Sociale/Cognome Nome");
    c.cellRef(1, 256).value = xl::Value(7);
    c.cellRef(2, 2).value = xl::Value("ROSSI MARIO");
    c.FreezePanes(3, 2);
    c.showGridlines = false;
    c.defaultColumnWidth = 10.71;
    c.defaultRowHeight = 15;
    c.GetPageSetup().PrintTitleColumns = QStringLiteral("$A:$A");
    c.GetPageSetup().PrintArea = QStringLiteral("$A$1:$Q$40");

    h.hidden = true;
    h.cellRef(3, 3).value = xl::Value(3.25);
    h.FreezePanes(0, 1);

    b.SetActiveSheet(c);
    b.foreignStreams.push_back({QStringLiteral("\x05SummaryInformation"), QByteArray("summary\0bytes", 13)});
    b.foreignStreams.push_back({QStringLiteral("_VBA_PROJECT_CUR/VBA/dir"), QByteArray(5000, 'v')});
    return book;
}

namespace {

QString styleDiff(const xl::Style& a, const xl::Style& b) {
    if (xl::canonicalFormat(a.numberFormat) != xl::canonicalFormat(b.numberFormat))
        return QStringLiteral("number format %1 vs %2").arg(a.numberFormat, b.numberFormat);
    xl::Style x = a, y = b;
    x.numberFormat = y.numberFormat;
    // Indentation is kept as a level; "add indent" is what a level implies.
    x.addIndent = y.addIndent = false;
    if (!(x.font == y.font))
        return QStringLiteral("font %1/%2 vs %3/%4")
            .arg(x.font.name)
            .arg(x.font.size)
            .arg(y.font.name)
            .arg(y.font.size);
    if (!(x == y)) return QStringLiteral("alignment, borders, fill or protection");
    return {};
}

bool near(double a, double b, double eps) { return std::fabs(a - b) <= eps; }

} // namespace

QString firstDifference(const xl::Workbook& a, const xl::Workbook& b) {
    auto& ma = const_cast<xl::Workbook&>(a);
    auto& mb = const_cast<xl::Workbook&>(b);
    if (a.SheetCount() != b.SheetCount())
        return QStringLiteral("sheet count %1 vs %2").arg(a.SheetCount()).arg(b.SheetCount());
    if (a.date1904 != b.date1904) return QStringLiteral("date system");
    if (ma.ActiveSheet().Name() != mb.ActiveSheet().Name()) return QStringLiteral("active sheet");
    for (int i = 1; i <= a.SheetCount(); ++i) {
        const xl::Worksheet& x = ma.Sheets(i);
        const xl::Worksheet& y = mb.Sheets(i);
        const QString where = x.Name() + QLatin1Char('!');
        if (x.Name() != y.Name()) return QStringLiteral("sheet name %1 vs %2").arg(x.Name(), y.Name());
        if (x.hidden != y.hidden) return where + QStringLiteral("hidden");
        if (x.showGridlines != y.showGridlines) return where + QStringLiteral("gridlines");
        if (x.FrozenRows() != y.FrozenRows() || x.FrozenCols() != y.FrozenCols())
            return where + QStringLiteral("frozen panes");
        if (!near(x.defaultColumnWidth, y.defaultColumnWidth, 0.01))
            return where + QStringLiteral("default width %1 vs %2").arg(x.defaultColumnWidth).arg(y.defaultColumnWidth);
        if (!near(x.defaultRowHeight, y.defaultRowHeight, 0.05)) return where + QStringLiteral("default height");
        if (x.mergedCells != y.mergedCells) return where + QStringLiteral("merged cells");
        const int rows = std::max(x.usedRows(), y.usedRows());
        for (int r = 1; r <= rows; ++r) {
            const xl::RowInfo* rx = x.rowInfo(r);
            const xl::RowInfo* ry = y.rowInfo(r);
            const double hx = rx ? rx->height : -1, hy = ry ? ry->height : -1;
            if (!near(hx, hy, 0.05)) return where + QStringLiteral("row %1 height %2 vs %3").arg(r).arg(hx).arg(hy);
            if ((rx && rx->hidden) != (ry && ry->hidden)) return where + QStringLiteral("row %1 hidden").arg(r);
            const std::int32_t sx = rx ? rx->style : -1, sy = ry ? ry->style : -1;
            if ((sx > 0) != (sy > 0) ||
                (sx > 0 && !styleDiff(a.style(std::uint32_t(sx)), b.style(std::uint32_t(sy))).isEmpty()))
                return where + QStringLiteral("row %1 format").arg(r);
            const int cols = int(std::max(rx ? rx->cells.size() : 0, ry ? ry->cells.size() : 0));
            for (int col = 1; col <= cols && col <= xl::kMaxCols; ++col) {
                const xl::Cell* cx = x.cellAt(r, col);
                const xl::Cell* cy = y.cellAt(r, col);
                const QString cellName = where + xl::columnLetters(col) + QString::number(r);
                if (!cx && !cy) continue;
                if (!cx || !cy) return cellName + QStringLiteral(" present on one side only");
                if (!(cx->value == cy->value))
                    return cellName +
                           QStringLiteral(" value %1 vs %2")
                               .arg(cx->value.textValue().left(40))
                               .arg(cy->value.textValue().left(40)) +
                           QStringLiteral(" (%1 vs %2)")
                               .arg(cx->value.numberValue(), 0, 'g', 17)
                               .arg(cy->value.numberValue(), 0, 'g', 17);
                if (bool(cx->kept) != bool(cy->kept)) return cellName + QStringLiteral(" formula on one side only");
                if (cx->kept &&
                    (cx->kept->tokens != cy->kept->tokens || cx->kept->extra != cy->kept->extra ||
                     cx->kept->sheets != cy->kept->sheets || cx->kept->sheetFields != cy->kept->sheetFields))
                    return cellName + QStringLiteral(" formula tokens");
                const QString sd = styleDiff(a.style(cx->style), b.style(cy->style));
                if (!sd.isEmpty()) return cellName + QStringLiteral(" format: ") + sd;
            }
        }
        for (int col = 1; col <= xl::kMaxCols; ++col) {
            const xl::ColumnInfo& cx = x.columnInfo(col);
            const xl::ColumnInfo& cy = y.columnInfo(col);
            if (!near(cx.width, cy.width, 0.01))
                return where + QStringLiteral("column %1 width %2 vs %3").arg(col).arg(cx.width).arg(cy.width);
            if (cx.hidden != cy.hidden) return where + QStringLiteral("column %1 hidden").arg(col);
            if ((cx.style > 0) != (cy.style > 0) ||
                (cx.style > 0 &&
                 !styleDiff(a.style(std::uint32_t(cx.style)), b.style(std::uint32_t(cy.style))).isEmpty()))
                return where + QStringLiteral("column %1 format").arg(col);
        }
        const xl::PageSetup& p = x.GetPageSetup();
        const xl::PageSetup& q = y.GetPageSetup();
        auto text = [&](const char* what, const QString& u, const QString& v) {
            return u == v ? QString() : where + QLatin1String(what) + QStringLiteral(" '%1' vs '%2'").arg(u, v);
        };
        for (const QString& d :
             {text("print area", p.PrintArea, q.PrintArea), text("title rows", p.PrintTitleRows, q.PrintTitleRows),
              text("title columns", p.PrintTitleColumns, q.PrintTitleColumns),
              text("left header", p.LeftHeader, q.LeftHeader), text("center header", p.CenterHeader, q.CenterHeader),
              text("right header", p.RightHeader, q.RightHeader), text("left footer", p.LeftFooter, q.LeftFooter),
              text("center footer", p.CenterFooter, q.CenterFooter),
              text("right footer", p.RightFooter, q.RightFooter)})
            if (!d.isEmpty()) return d;
        const double m[] = {p.LeftMargin - q.LeftMargin,     p.RightMargin - q.RightMargin,
                            p.TopMargin - q.TopMargin,       p.BottomMargin - q.BottomMargin,
                            p.HeaderMargin - q.HeaderMargin, p.FooterMargin - q.FooterMargin};
        for (double d : m)
            if (std::fabs(d) > 1e-9) return where + QStringLiteral("margins");
        if (p.FitToPage != q.FitToPage || p.FitToPagesWide != q.FitToPagesWide ||
            p.FitToPagesTall != q.FitToPagesTall || p.Zoom != q.Zoom)
            return where + QStringLiteral("scaling");
        if (p.PrintGridlines != q.PrintGridlines || p.PrintHeadings != q.PrintHeadings)
            return where + QStringLiteral("gridlines/headings");
        if (p.Orientation != q.Orientation || p.PaperSize != q.PaperSize || p.PrintQuality != q.PrintQuality)
            return where + QStringLiteral("orientation, paper or quality");
        if (p.CenterHorizontally != q.CenterHorizontally || p.CenterVertically != q.CenterVertically)
            return where + QStringLiteral("centring");
        if (p.Draft != q.Draft || p.BlackAndWhite != q.BlackAndWhite || p.FirstPageNumber != q.FirstPageNumber ||
            p.Order != q.Order || p.PrintErrors != q.PrintErrors || p.PrintComments != q.PrintComments)
            return where + QStringLiteral("print options");
        if (p.HPageBreaks != q.HPageBreaks || p.VPageBreaks != q.VPageBreaks)
            return where + QStringLiteral("page breaks");
    }
    if (a.foreignStreams.size() != b.foreignStreams.size()) return QStringLiteral("foreign stream count");
    for (std::size_t i = 0; i < a.foreignStreams.size(); ++i) {
        const xl::ForeignStream& fa = a.foreignStreams[i];
        auto it = std::find_if(b.foreignStreams.begin(), b.foreignStreams.end(),
                               [&](const xl::ForeignStream& f) { return f.path == fa.path; });
        if (it == b.foreignStreams.end() || it->data != fa.data)
            return QStringLiteral("foreign stream %1").arg(fa.path);
    }
    return {};
}

namespace {

using xls::detail::ByteWriter;

QByteArray bytes(const std::function<void(ByteWriter&)>& f) {
    QByteArray d;
    ByteWriter w(d);
    f(w);
    return d;
}

void record(QByteArray& out, std::uint16_t type, const QByteArray& data) {
    ByteWriter w(out);
    w.u16(type);
    w.u16(std::uint16_t(data.size()));
    out.append(data);
}

// The eight bytes of a formula's last result that is not a number.
QByteArray special(std::uint8_t kind, std::uint8_t value = 0) {
    return bytes([&](ByteWriter& w) {
        w.u8(kind);
        w.u8(0);
        w.u8(value);
        w.u8(0);
        w.u16(0);
        w.u16(0xFFFF);
    });
}
QByteArray number(double d) {
    return bytes([&](ByteWriter& w) { w.f64(d); });
}

QByteArray formula(int row, int col, const QByteArray& result, std::uint16_t flags, const QByteArray& tokens,
                   const QByteArray& extra = {}) {
    return bytes([&](ByteWriter& w) {
        w.u16(std::uint16_t(row));
        w.u16(std::uint16_t(col));
        w.u16(0);
        w.bytes(result.constData(), 8);
        w.u16(flags);
        w.u32(0);
        w.u16(std::uint16_t(tokens.size()));
        w.bytes(tokens.constData(), std::size_t(tokens.size()));
        w.bytes(extra.constData(), std::size_t(extra.size()));
    });
}

QByteArray stringResult(const QString& s) {
    return bytes([&](ByteWriter& w) {
        w.u16(std::uint16_t(s.size()));
        w.u8(0);
        w.bytes(s.toLatin1().constData(), std::size_t(s.size()));
    });
}

QByteArray ref(std::uint8_t ptg, int row, int col, bool relative = true) {
    return bytes([&](ByteWriter& w) {
        w.u8(ptg);
        w.u16(std::uint16_t(row));
        w.u16(std::uint16_t((col & 0xFF) | (relative ? 0xC000 : 0)));
    });
}

} // namespace

QByteArray bofRecord(std::uint16_t kind) {
    return bytes([&](ByteWriter& w) {
        w.u16(0x0600);
        w.u16(kind);
        w.u16(0x0DBB);
        w.u16(0x07CC);
        w.u32(0);
        w.u32(6);
    });
}

// Sheet "Dati" (A1:A3 hold 1, 2, 3):
//   B1 =A1*2                 C1:C3 =A1+1 shared, filled down
//   D1 =A1&"x" (text)        E1:E2 ="t"&A1 shared, its text after the shared record
//   F1 =SUM(A1:A3)           F2 =Altro!A1             F3 =CHOOSE(2,3,4)
//   G1 =A1>0 (TRUE)          G2 =1/0 (#DIV/0!)
//   H1 a defined name, H2 another workbook, H3 a cut-off text constant,
//   H4 a shared formula that is not there: values only (5, 6, 7, 8)
//   I1 =REPT("x",9000), its text in a STRING record and a CONTINUE
// Sheet "Altro": A1 = 42.
QByteArray formulaStream() {
    QByteArray out;
    auto sheetName = [](const QString& n) {
        return bytes([&](ByteWriter& w) {
            w.u32(0);
            w.u8(0);
            w.u8(0);
            w.u8(std::uint8_t(n.size()));
            w.u8(0);
            w.bytes(n.toLatin1().constData(), std::size_t(n.size()));
        });
    };
    record(out, 0x0809, bofRecord(0x0005));
    const qsizetype dati = out.size() + 4;
    record(out, 0x0085, sheetName(QStringLiteral("Dati")));
    const qsizetype altro = out.size() + 4;
    record(out, 0x0085, sheetName(QStringLiteral("Altro")));
    // another workbook, then this one
    record(out, 0x01AE, bytes([](ByteWriter& w) {
               w.u16(1);
               w.u16(3);
               w.u8(0);
               w.bytes("abc", 3);
           }));
    record(out, 0x01AE, bytes([](ByteWriter& w) {
               w.u16(2);
               w.u16(0x0401);
           }));
    record(out, 0x0017, bytes([](ByteWriter& w) {
               w.u16(3);
               w.u16(0);
               w.u16(0);
               w.u16(0); // in the other workbook
               w.u16(1);
               w.u16(1);
               w.u16(1); // "Altro"
               w.u16(1);
               w.u16(0);
               w.u16(1); // both sheets at once
           }));
    record(out, 0x000A, {});

    ByteWriter(out).put32(dati, std::uint32_t(out.size()));
    record(out, 0x0809, bofRecord(0x0010));
    for (int r = 0; r < 3; ++r)
        record(out, 0x0203, bytes([&](ByteWriter& w) {
                   w.u16(std::uint16_t(r));
                   w.u16(0);
                   w.u16(0);
                   w.f64(r + 1);
               }));
    const QByteArray a1 = ref(0x24, 0, 0);
    const QByteArray exp = bytes([](ByteWriter& w) {
        w.u8(0x01);
        w.u16(0);
        w.u16(2);
    });
    const QByteArray expE = bytes([](ByteWriter& w) {
        w.u8(0x01);
        w.u16(0);
        w.u16(4);
    });
    auto shrfmla = [](int r1, int r2, int c, const QByteArray& tokens) {
        return bytes([&](ByteWriter& w) {
            w.u16(std::uint16_t(r1));
            w.u16(std::uint16_t(r2));
            w.u8(std::uint8_t(c));
            w.u8(std::uint8_t(c));
            w.u8(0);
            w.u8(std::uint8_t(r2 - r1 + 1));
            w.u16(std::uint16_t(tokens.size()));
            w.bytes(tokens.constData(), std::size_t(tokens.size()));
        });
    };
    const QByteArray str = QByteArray::fromHex("17010074"); // "t"
    // row 1
    record(out, 0x0006, formula(0, 1, number(2), 0, a1 + QByteArray::fromHex("1e020005")));
    record(out, 0x0006, formula(0, 2, number(2), 0x0008, exp));
    record(out, 0x04BC, shrfmla(0, 2, 2, ref(0x2C, 0, -2) + QByteArray::fromHex("1e010003")));
    record(out, 0x0006, formula(0, 3, special(0), 0, a1 + QByteArray::fromHex("1701007808")));
    record(out, 0x0207, stringResult(QStringLiteral("1x")));
    record(out, 0x0006, formula(0, 4, special(0), 0x0008, expE));
    record(out, 0x04BC, shrfmla(0, 1, 4, str + ref(0x2C, 0, -4) + QByteArray::fromHex("08")));
    record(out, 0x0207, stringResult(QStringLiteral("t1")));
    record(
        out, 0x0006,
        formula(0, 5, number(6), 0x0002, QByteArray::fromHex("250000020000c000c0") + QByteArray::fromHex("42010400")));
    record(out, 0x0006, formula(0, 6, special(1, 1), 0, a1 + QByteArray::fromHex("1e00000d")));
    record(out, 0x0006, formula(0, 7, number(5), 0, QByteArray::fromHex("2301000000")));
    record(out, 0x0006,
           formula(0, 8, special(0), 0,
                   QByteArray::fromHex("17010078") + QByteArray::fromHex("1e2823") + QByteArray::fromHex("411e00")));
    {
        // the STRING of I1 crosses into a CONTINUE with its own flag byte
        const QByteArray all(9000, 'x');
        QByteArray first = bytes([&](ByteWriter& w) {
            w.u16(9000);
            w.u8(0);
            w.bytes(all.constData(), 8221);
        });
        record(out, 0x0207, first);
        record(out, 0x003C, QByteArray(1, '\0') + all.mid(8221));
    }
    // row 2
    record(out, 0x0006, formula(1, 2, number(3), 0x0008, exp));
    record(out, 0x0006, formula(1, 4, special(0), 0x0008, expE));
    record(out, 0x0207, stringResult(QStringLiteral("t2")));
    record(out, 0x0006, formula(1, 5, number(42), 0, bytes([](ByteWriter& w) {
                                    w.u8(0x3A);
                                    w.u16(1);
                                    w.u16(0);
                                    w.u16(0xC000);
                                })));
    record(out, 0x0006, formula(1, 6, special(2, 0x07), 0, QByteArray::fromHex("1e01001e000006")));
    record(out, 0x0006, formula(1, 7, number(6), 0, bytes([](ByteWriter& w) {
                                    w.u8(0x3A);
                                    w.u16(0);
                                    w.u16(0);
                                    w.u16(0xC000);
                                })));
    // row 3
    record(out, 0x0006, formula(2, 2, number(4), 0x0008, exp));
    record(out, 0x0006,
           formula(2, 5, number(4), 0,
                   QByteArray::fromHex("1e0200") +
                       QByteArray::fromHex("19040200"
                                           "08000e001400") +
                       QByteArray::fromHex("1e0300") + QByteArray::fromHex("19080700") + QByteArray::fromHex("1e0400") +
                       QByteArray::fromHex("19080300") + QByteArray::fromHex("42036400")));
    record(out, 0x0006, formula(2, 7, number(7), 0, QByteArray::fromHex("170a0061626364")));
    record(out, 0x0006, formula(3, 7, number(8), 0x0008, bytes([](ByteWriter& w) {
                                    w.u8(0x01);
                                    w.u16(9);
                                    w.u16(9);
                                })));
    record(out, 0x000A, {});

    ByteWriter(out).put32(altro, std::uint32_t(out.size()));
    record(out, 0x0809, bofRecord(0x0010));
    record(out, 0x0203, bytes([](ByteWriter& w) {
               w.u16(0);
               w.u16(0);
               w.u16(0);
               w.f64(42);
           }));
    record(out, 0x000A, {});
    return out;
}

} // namespace codectest
