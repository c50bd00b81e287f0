// Turns the Markdown source of the user guide into Guida.pdf (A4), for the
// build: guida-pdf SOURCE.md OUTPUT.pdf

#include <QFile>
#include <QGuiApplication>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFormat>
#include <QTextFrame>
#include <QTextStream>
#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "uso: guida-pdf SORGENTE.md USCITA.pdf\n");
        return 2;
    }
    QFile in(QString::fromLocal8Bit(argv[1]));
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "guida-pdf: non riesco a leggere %s\n", argv[1]);
        return 1;
    }
    const QString markdown = QString::fromUtf8(in.readAll());

    QPdfWriter pdf(QString::fromLocal8Bit(argv[2]));
    pdf.setTitle(QStringLiteral("Velmora — Guida all'uso"));
    pdf.setCreator(QStringLiteral("Velmora"));
    pdf.setResolution(300);
    pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(20, 18, 20, 18),
                                  QPageLayout::Millimeter));

    QTextDocument doc;
    QFont body(QStringLiteral("Liberation Sans"));
    body.setPointSizeF(10.5);
    doc.setDefaultFont(body);
    doc.setDefaultStyleSheet(QStringLiteral("table { border-collapse: collapse; } th, td { padding: 3px; }"));
    doc.setMarkdown(markdown);
    // Table cells get a border and some room, headings some air above.
    QTextFrameFormat root = doc.rootFrame()->frameFormat();
    root.setMargin(0);
    doc.rootFrame()->setFrameFormat(root);
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        const int level = b.blockFormat().headingLevel();
        if (level > 0) {
            QTextCursor c(b);
            QTextBlockFormat bf = b.blockFormat();
            bf.setTopMargin(level == 1 ? 0 : 14);
            bf.setBottomMargin(6);
            c.setBlockFormat(bf);
        }
    }
    for (QTextFrame* f : doc.rootFrame()->childFrames()) {
        QTextFrameFormat ff = f->frameFormat();
        if (ff.isTableFormat()) {
            QTextTableFormat tf = ff.toTableFormat();
            tf.setBorder(0.5);
            tf.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
            tf.setCellPadding(4);
            tf.setCellSpacing(0);
            tf.setWidth(QTextLength(QTextLength::PercentageLength, 100));
            f->setFrameFormat(tf);
        }
    }

    // The document is laid out in points of the page; the painter scales
    // from points to the writer's dots.
    QPainter painter(&pdf);
    const QRectF page = pdf.pageLayout().paintRect(QPageLayout::Point);
    const double scale = pdf.resolution() / 72.0;
    const double footer = 20; // points kept free at the bottom for the page number
    const QSizeF textPage(page.width(), page.height() - footer);
    doc.setPageSize(textPage);
    const int pages = doc.pageCount();
    for (int i = 0; i < pages; ++i) {
        if (i > 0) pdf.newPage();
        painter.save();
        painter.scale(scale, scale);
        painter.translate(0, -i * textPage.height());
        doc.drawContents(&painter, QRectF(0, i * textPage.height(), textPage.width(), textPage.height()));
        painter.restore();
        painter.save();
        painter.scale(scale, scale);
        QFont small = body;
        small.setPixelSize(8); // the painter's units are points here
        painter.setFont(small);
        painter.setPen(Qt::gray);
        painter.drawText(QRectF(0, page.height() - 12, page.width(), 12), Qt::AlignHCenter | Qt::AlignTop,
                         QStringLiteral("Velmora — pagina %1 di %2").arg(i + 1).arg(pages));
        painter.restore();
    }
    painter.end();
    return 0;
}
