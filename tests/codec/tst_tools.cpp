// The two file commands: xlsdump shows a workbook line by line or fails
// with one line; new-workbook makes the starter workbook and never
// replaces an existing one.

#include "platform/xls/xlsfile.h"
#include "store/schema.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run {
    int code = -1;
    QString out, err;
};

Run run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    Run r;
    if (!p.waitForFinished(60000)) return r;
    r.code = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace

class TestTools : public QObject {
    Q_OBJECT
private slots:
    void newWorkbookThenDump() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Pratiche.xls"));
        Run made = run(QStringLiteral(NEW_WORKBOOK), {path});
        QVERIFY2(made.code == 0, qPrintable(made.err));
        auto book = xls::readWorkbook(path, store::workbookPassword());
        QStringList names;
        for (int i = 1; i <= book->SheetCount(); ++i) names << book->Sheets(i).Name();
        QCOMPARE(names, store::sheetNames());
        QCOMPARE(book->Sheets(store::kCopertina).GetPageSetup().PrintArea.isEmpty(), false);

        // An existing workbook is never replaced.
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray before = f.readAll();
        f.close();
        Run again = run(QStringLiteral(NEW_WORKBOOK), {path});
        QVERIFY(again.code != 0);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);

        Run dump = run(QStringLiteral(XLSDUMP), {path, store::workbookPassword()});
        QCOMPARE(dump.code, 0);
        const QStringList lines = dump.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.first(), QStringLiteral("sheet\tPratica"));
        QCOMPARE(lines.at(1), QStringLiteral("A1\ttext\tNum.Prat.\tGeneral\tNum.Prat."));
        QStringList sheetLines = lines.filter(QRegularExpression(QStringLiteral("^sheet\t")));
        QCOMPARE(sheetLines.size(), 5);
    }

    void dumpShowsTypesFormatsAndText() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("x.xls"));
        xl::Workbook book;
        xl::Worksheet& ws = book.AddSheet(QStringLiteral("Spese"));
        xl::Style date, amount;
        date.numberFormat = QStringLiteral("dd/mm/yyyy");
        amount.numberFormat = QStringLiteral("#,0.00");
        ws.cellRef(2, 4).value = xl::Value(45292.0);
        ws.cellRef(2, 4).style = book.internStyle(date);
        ws.cellRef(2, 7).value = xl::Value(-1234.5);
        ws.cellRef(2, 7).style = book.internStyle(amount);
        ws.cellRef(3, 1).value = xl::Value(QStringLiteral("a\tb"));
        ws.cellRef(3, 2).value = xl::Value::boolean(true);
        xls::writeWorkbook(book, path, QStringLiteral("pw"));
        Run dump = run(QStringLiteral(XLSDUMP), {path, QStringLiteral("pw")});
        QCOMPARE(dump.code, 0);
        const QStringList lines = dump.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines,
                 (QStringList{QStringLiteral("sheet\tSpese"), QStringLiteral("D2\tdate\t45292\tdd/mm/yyyy\t01/01/2024"),
                              QStringLiteral("G2\tnumber\t-1234.5\t#,0.00\t-1.234,50"),
                              QStringLiteral("A3\ttext\ta\\tb\tGeneral\ta\\tb"),
                              QStringLiteral("B3\tboolean\tTRUE\tGeneral\tVERO")}));
    }

    void dumpFailsWithOneLine() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("x.xls"));
        xl::Workbook book;
        book.AddSheet(QStringLiteral("S"));
        xls::writeWorkbook(book, path, QStringLiteral("pw"));
        for (const QStringList& args : {QStringList{path, QStringLiteral("wrong")},
                                        QStringList{dir.filePath(QStringLiteral("none.xls"))}, QStringList{}}) {
            Run r = run(QStringLiteral(XLSDUMP), args);
            QVERIFY(r.code != 0);
            QCOMPARE(r.err.trimmed().count(QLatin1Char('\n')), 0);
            QVERIFY(!r.err.trimmed().isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(TestTools)
#include "tst_tools.moc"
