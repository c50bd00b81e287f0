// A workbook LibreOffice made comes back from a Velmora save as it went in:
// its number formats by index and text, its fonts (Calibri 11, a light
// weight), cell formats, named styles and custom palette, every defined
// name (a name in Japanese, a name on another sheet, the autofilter's), and
// its 1904 dates, with only the edited cell changed. LibreOffice then reads
// the saved file as it read the original.

#include "platform/engine/numberformat.h"
#include "platform/xls/biff.h"
#include "platform/xls/bytes.h"
#include "platform/xls/xlsfile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace xls::detail;

namespace {

const QString kPassword = QStringLiteral("Kemi4417");

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// LibreOffice headless converts `in` into `outDir` with `filter`, with a
// profile of its own so that it never meets another test's office.
QString convert(const QString& in, const QString& outDir, const QString& filter, const QString& ext) {
    QProcess p;
    p.start(QStringLiteral("soffice"),
            {QStringLiteral("--headless"), QStringLiteral("--norestore"),
             QStringLiteral("-env:UserInstallation=file://") + outDir + QStringLiteral("/profile"),
             QStringLiteral("--convert-to"), filter, QStringLiteral("--outdir"), outDir, in});
    if (!p.waitForStarted(20000) || !p.waitForFinished(300000)) {
        p.kill();
        p.waitForFinished();
        return QString();
    }
    const QString out = outDir + QLatin1Char('/') + QFileInfo(in).completeBaseName() + QLatin1Char('.') + ext;
    return QFile::exists(out) ? out : QString();
}

// What LibreOffice reads of a file, as its flat XML without what only
// says when and by what it was written.
QString asLibreOfficeReadsIt(const QString& xls, const QString& dir) {
    const QString fods = convert(xls, dir, QStringLiteral("fods"), QStringLiteral("fods"));
    QString text = QString::fromUtf8(readAll(fods));
    text.remove(QRegularExpression(QStringLiteral("<office:meta>.*</office:meta>"),
                                   QRegularExpression::DotMatchesEverythingOption));
    text.remove(QRegularExpression(QStringLiteral("<office:settings>.*</office:settings>"),
                                   QRegularExpression::DotMatchesEverythingOption));
    // Not this test's matter: the rows' automatic heights, the columns
    // past the file format's last one, and the autofilter's buttons (the
    // name of its range is compared with the other names).
    const auto dot = QRegularExpression::DotMatchesEverythingOption;
    text.remove(QRegularExpression(
        QStringLiteral("<style:style style:name=\"(co|ro)\\d+\" style:family=\"table-(column|row)\">.*?</style:style>"),
        dot));
    text.remove(QRegularExpression(QStringLiteral("<table:table-column [^>]*/>")));
    text.remove(QRegularExpression(QStringLiteral(" table:style-name=\"ro\\d+\"")));
    text.remove(QRegularExpression(QStringLiteral(" table:number-columns-repeated=\"\\d+\"")));
    text.remove(QRegularExpression(QStringLiteral("<table:database-ranges>.*?</table:database-ranges>"), dot));
    text.replace(QRegularExpression(QStringLiteral(">\\s+<")), QStringLiteral("><"));
    return text;
}

const xl::DefinedName* nameOf(const xl::Workbook& b, const QString& name) {
    for (const xl::DefinedName& n : b.names)
        if (n.name == name) return &n;
    return nullptr;
}

} // namespace

class TestKeep : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;
    QString original_;

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        const QString fods = dir_.filePath(QStringLiteral("kept.fods"));
        QVERIFY(QFile::copy(QStringLiteral(KEPT_FODS), fods));
        original_ = convert(fods, dir_.path(), QStringLiteral("xls:MS Excel 97"), QStringLiteral("xls"));
        QVERIFY2(!original_.isEmpty(), "LibreOffice made no workbook");
    }

    // Open, change one cell, save with the password, read back.
    void savedTablesAreTheFileOwn() {
        auto book = decodeFile(readAll(original_), QString());
        xl::Worksheet& dati = book->Sheets(QStringLiteral("Dati"));
        // the 1904 file's dates read as true dates
        QVERIFY(book->date1904);
        QCOMPARE(dati.GetRange(QStringLiteral("C2")).GetValue().numberValue(), 36526.0);
        QCOMPARE(dati.GetRange(QStringLiteral("C2")).Text(), QStringLiteral("01/01/2000"));
        QCOMPARE(dati.GetRange(QStringLiteral("C3")).Text(), QStringLiteral("31/12/1999"));
        // the file's default font is the format of the cells the program adds
        QCOMPARE(book->style(0).font.name, QStringLiteral("Calibri"));
        QCOMPARE(book->style(0).font.size, 11.0);

        dati.GetRange(QStringLiteral("D3")).SetValue(xl::Value(8));
        dati.GetRange(QStringLiteral("A5")).SetValue(xl::Value(QStringLiteral("nuova")));
        const QByteArray saved = encodeFile(*book, kPassword);
        auto back = decodeFile(saved, kPassword);

        const xl::FileFormatting& was = book->formatting;
        const xl::FileFormatting& now = back->formatting;
        QVERIFY(!was.palette.isEmpty());
        QCOMPARE(now.palette, was.palette);
        QCOMPARE(now.fonts, was.fonts);
        QCOMPARE(now.formats, was.formats);
        QCOMPARE(now.styles, was.styles);
        QVERIFY(now.xfs.size() >= was.xfs.size());
        QCOMPARE(std::vector<QByteArray>(now.xfs.begin(), now.xfs.begin() + qsizetype(was.xfs.size())), was.xfs);
        // the formats LibreOffice wrote, the light font among the fonts
        bool grouped = false, pounds = false, light = false;
        for (const auto& [id, text] : was.formats) {
            grouped |= text == u"#,##0";
            pounds |= text.contains(u'£');
        }
        for (const QByteArray& f : was.fonts) {
            const std::uint16_t weight = le16(reinterpret_cast<const unsigned char*>(f.constData()) + 6);
            light |= weight != 400 && weight != 700;
        }
        QVERIFY(grouped && pounds && light);

        // every cell keeps its format, the new one has the file's default
        xl::Worksheet& d2 = back->Sheets(QStringLiteral("Dati"));
        for (int r = 1; r <= 3; ++r)
            for (int c = 1; c <= 4; ++c) {
                const xl::Cell* a = dati.cellAt(r, c);
                const xl::Cell* b = d2.cellAt(r, c);
                QVERIFY(a && b);
                QCOMPARE(back->style(b->style).origin.xf, book->style(a->style).origin.xf);
                QVERIFY(back->style(b->style) == book->style(a->style));
            }
        QCOMPARE(back->style(d2.cellAt(5, 1)->style).font.name, QStringLiteral("Calibri"));
        QCOMPARE(d2.GetRange(QStringLiteral("D3")).GetValue(), xl::Value(8));
        QVERIFY(back->date1904);
        QCOMPARE(d2.GetRange(QStringLiteral("C2")).GetValue().numberValue(), 36526.0);

        // every name, in order, with its sheet and formula
        QVERIFY(nameOf(*book, QStringLiteral("日本語")));
        QVERIFY(nameOf(*book, QStringLiteral("Totale")));
        QVERIFY(nameOf(*book, QString(QChar(0x0D)))); // the autofilter's range
        QCOMPARE(back->names.size(), book->names.size());
        for (std::size_t i = 0; i < book->names.size(); ++i) {
            const xl::DefinedName& a = book->names[i];
            const xl::DefinedName& b = back->names[i];
            QCOMPARE(b.name, a.name);
            QCOMPARE(b.sheet, a.sheet);
            QCOMPARE(b.flags, a.flags);
            QVERIFY2(a.formula && b.formula, qPrintable(a.name));
            QCOMPARE(b.formula->tokens, a.formula->tokens);
            QCOMPARE(b.formula->sheets, a.formula->sheets);
        }
        QCOMPARE(nameOf(*back, QStringLiteral("Totale"))->formula->sheets, QStringList{QStringLiteral("Altro")});
    }

    // LibreOffice reads the saved workbook as it reads the original, the
    // edited cell apart.
    void libreOfficeSeesTheSameWorkbook() {
        auto book = decodeFile(readAll(original_), QString());
        book->Sheets(QStringLiteral("Dati")).GetRange(QStringLiteral("D3")).SetValue(xl::Value(8));
        QTemporaryDir out;
        const QString saved = out.filePath(QStringLiteral("kept.xls"));
        xls::writeWorkbook(*book, saved, QString());
        QTemporaryDir a, b;
        QString before = asLibreOfficeReadsIt(original_, a.path());
        const QString after = asLibreOfficeReadsIt(saved, b.path());
        QVERIFY(!before.isEmpty() && !after.isEmpty());
        QVERIFY(after.contains(QStringLiteral("Calibri")));
        QVERIFY(after.contains(QStringLiteral("table:name=\"日本語\"")));
        QVERIFY(after.contains(QStringLiteral("1904-01-01")));
        QVERIFY(after.contains(QStringLiteral("office:date-value=\"2000-01-01\"")));
        const QString seven = QStringLiteral("office:value-type=\"float\" office:value=\"7\"");
        const QString eight = QStringLiteral("office:value-type=\"float\" office:value=\"8\"");
        QVERIFY(before.contains(seven));
        before.replace(seven, eight);
        before.replace(QStringLiteral("<text:p>7</text:p>"), QStringLiteral("<text:p>8</text:p>"));
        if (before != after) {
            // the first line that differs, to tell what changed
            const QStringList x = before.split(u'>'), y = after.split(u'>');
            for (qsizetype i = 0; i < std::min(x.size(), y.size()); ++i)
                if (x[i] != y[i]) QFAIL(qPrintable(QStringLiteral("before: %1\nafter:  %2").arg(x[i], y[i])));
            QFAIL("the saved workbook reads longer or shorter");
        }
    }
};

QTEST_GUILESS_MAIN(TestKeep)
#include "tst_keep.moc"
