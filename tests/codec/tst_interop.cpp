// The codec against independent peers: LibreOffice (headless, over UNO)
// writes a workbook we read and reads the workbooks we write; Debian's
// msoffcrypto-tool decrypts every scheme we encrypt with; Gnumeric's
// ssconvert converts what we write without a complaint.

#include "tests/codec/peer.h"
#include "tests/codec/samples.h"

#include "platform/engine/numberformat.h"
#include "platform/xls/biff.h"
#include "platform/xls/xlsfile.h"
#include "store/schema.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace xls::detail;

namespace {

const QString kPassword = QStringLiteral("Kemi4417");

using codectest::peer;
using codectest::run;
using codectest::Run;

QJsonObject dumpWithLibreOffice(const QString& path, const QString& password) {
    Run r = peer({QStringLiteral("dump"), path, password});
    if (r.code != 0) return QJsonObject{{QStringLiteral("error"), QString::fromUtf8(r.out + r.err)}};
    return QJsonDocument::fromJson(r.out).object();
}

QJsonObject sheetNamed(const QJsonObject& dump, const QString& name) {
    for (const auto v : dump.value(QStringLiteral("sheets")).toArray())
        if (v.toObject().value(QStringLiteral("name")).toString() == name) return v.toObject();
    return {};
}

QJsonObject cellAt(const QJsonObject& sheet, int row, int col) {
    for (const auto v : sheet.value(QStringLiteral("cells")).toArray()) {
        QJsonObject c = v.toObject();
        if (c.value(QStringLiteral("row")).toInt() == row && c.value(QStringLiteral("col")).toInt() == col) return c;
    }
    return {};
}

} // namespace

class TestInterop : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { xls::registerCodec(); }

    void libreOfficeWritesVelmoraReads() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("da-libreoffice.xls"));
        Run made = peer({QStringLiteral("make"), path, kPassword});
        QVERIFY2(made.code == 0, made.err.constData());
        auto book = xls::readWorkbook(path, kPassword);
        QCOMPARE(book->SheetCount(), 2);
        xl::Worksheet& p = book->Sheets(QStringLiteral("Pratica"));
        QCOMPARE(p.GetRange(QStringLiteral("A1")).GetValue(), xl::Value("Num.Prat."));
        QCOMPARE(p.GetRange(QStringLiteral("A2")).GetValue(), xl::Value(17));
        const xl::Value date = p.GetRange(QStringLiteral("B2")).GetValue();
        QVERIFY(date.isDate());
        QCOMPARE(date.numberValue(), 45292.0);
        QCOMPARE(p.GetRange(QStringLiteral("B2")).Text(), QStringLiteral("01/01/2024"));
        QCOMPARE(p.GetRange(QStringLiteral("C2")).GetValue(), xl::Value(1234.5));
        QCOMPARE(xl::canonicalFormat(p.GetRange(QStringLiteral("C2")).NumberFormat()), QStringLiteral("#,0.00"));
        QCOMPARE(p.GetRange(QStringLiteral("C2")).Text(), QStringLiteral("1.234,50"));
        QCOMPARE(xl::canonicalFormat(p.GetRange(QStringLiteral("D2")).NumberFormat()), QStringLiteral("0.00"));
        QCOMPARE(p.GetRange(QStringLiteral("D2")).Text(), QStringLiteral("99,90"));
        QCOMPARE(p.GetRange(QStringLiteral("E2")).GetValue(), xl::Value("00123"));
        QCOMPARE(p.GetRange(QStringLiteral("E2")).NumberFormat(), QStringLiteral("@"));
        QCOMPARE(p.GetRange(QStringLiteral("A3")).GetValue(), xl::Value(QStringLiteral("Località è già più così €")));
        QVERIFY(p.columnInfo(4).width > 10);
        QCOMPARE(p.FrozenRows(), 1);
        QCOMPARE(p.FrozenCols(), 0);
        QCOMPARE(p.GetPageSetup().PrintArea, QStringLiteral("$A$1:$E$10"));
        QCOMPARE(book->Sheets(2).GetRange(QStringLiteral("A1")).GetValue(), xl::Value("ID"));
        try {
            xls::readWorkbook(path, QStringLiteral("sbagliata"));
            QFAIL("opened with a wrong password");
        } catch (const xls::FileError& e) {
            QCOMPARE(e.kind(), xls::FileErrorKind::WrongPassword);
        }

        // Back to LibreOffice through our writer: the settings it made are
        // the ones it finds.
        const QString again = dir.filePath(QStringLiteral("di-ritorno.xls"));
        xls::writeWorkbook(*book, again, kPassword);
        const QJsonObject before = sheetNamed(dumpWithLibreOffice(path, kPassword), QStringLiteral("Pratica"));
        const QJsonObject after = sheetNamed(dumpWithLibreOffice(again, kPassword), QStringLiteral("Pratica"));
        QVERIFY(!before.isEmpty());
        QCOMPARE(after.value(QStringLiteral("cells")), before.value(QStringLiteral("cells")));
        QCOMPARE(after.value(QStringLiteral("printAreas")), before.value(QStringLiteral("printAreas")));
        QCOMPARE(after.value(QStringLiteral("splitRow")).toInt(), 1);
        const int w0 = before.value(QStringLiteral("widths")).toArray().at(3).toInt();
        const int w1 = after.value(QStringLiteral("widths")).toArray().at(3).toInt();
        QVERIFY2(std::abs(w0 - w1) <= w0 / 100, qPrintable(QStringLiteral("%1 vs %2").arg(w0).arg(w1)));
    }

    // A workbook of formulas written by LibreOffice opens with its values,
    // and after a Velmora save LibreOffice finds the same formulas and
    // values; a cell the program wrote holds the program's value.
    void libreOfficeFormulasSurviveASave() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("formule.xls"));
        Run made = peer({QStringLiteral("formulas"), path, kPassword});
        QVERIFY2(made.code == 0, made.err.constData());
        auto book = xls::readWorkbook(path, kPassword);
        xl::Worksheet& p = book->Sheets(QStringLiteral("Pratica"));
        auto value = [&](const char* a) { return p.GetRange(QString::fromLatin1(a)).GetValue(); };
        QCOMPARE(value("B1"), xl::Value(2));
        QCOMPARE(value("B2"), xl::Value(6));
        QCOMPARE(value("B3"), xl::Value("grande"));
        QCOMPARE(value("C1"), xl::Value("n. 1"));
        QCOMPARE(value("D1"), xl::Value(11));
        QCOMPARE(value("D2"), xl::Value(12));
        QCOMPARE(value("D3"), xl::Value(13));
        QCOMPARE(value("E1"), xl::Value(21));
        QCOMPARE(value("E2"), xl::Value(0.67));
        for (const char* a : {"B1", "B2", "B3", "C1", "D1", "D2", "D3", "E1", "E2"}) {
            const xl::CellRect r = xl::parseAddress(QString::fromLatin1(a));
            QVERIFY2(p.cellAt(r.row1, r.col1)->kept, a);
        }
        QVERIFY(!p.cellAt(1, 1)->kept);
        QCOMPARE(p.cellAt(1, 5)->kept->sheets, QStringList{QStringLiteral("Cliente")});

        const QString again = dir.filePath(QStringLiteral("di-ritorno.xls"));
        xls::writeWorkbook(*book, again, kPassword);
        const QJsonObject before = sheetNamed(dumpWithLibreOffice(path, kPassword), QStringLiteral("Pratica"));
        const QJsonObject after = sheetNamed(dumpWithLibreOffice(again, kPassword), QStringLiteral("Pratica"));
        QVERIFY(!before.isEmpty());
        QCOMPARE(cellAt(before, 3, 4).value(QStringLiteral("formula")).toString(), QStringLiteral("=A3+10"));
        QCOMPARE(cellAt(before, 1, 5).value(QStringLiteral("formula")).toString(), QStringLiteral("=$Cliente.A1*3"));
        QCOMPARE(after.value(QStringLiteral("cells")), before.value(QStringLiteral("cells")));

        // The program's own writes: a formula it overwrote is gone, and the
        // formulas that read a changed cell show the new result.
        p.GetRange(QStringLiteral("B1")).SetValue(xl::Value(5));
        p.GetRange(QStringLiteral("A2")).SetValue(xl::Value(20));
        const QString changed = dir.filePath(QStringLiteral("cambiato.xls"));
        xls::writeWorkbook(*book, changed, kPassword);
        const QJsonObject now = sheetNamed(dumpWithLibreOffice(changed, kPassword), QStringLiteral("Pratica"));
        QCOMPARE(cellAt(now, 1, 2).value(QStringLiteral("kind")).toString(), QStringLiteral("VALUE"));
        QCOMPARE(cellAt(now, 1, 2).value(QStringLiteral("value")).toDouble(), 5.0);
        QCOMPARE(cellAt(now, 2, 2).value(QStringLiteral("formula")).toString(), QStringLiteral("=SUM(A1:A3)"));
        QCOMPARE(cellAt(now, 2, 2).value(QStringLiteral("value")).toDouble(), 24.0);
        QCOMPARE(cellAt(now, 2, 4).value(QStringLiteral("value")).toDouble(), 30.0);
    }

    void velmoraWritesLibreOfficeReads_data() {
        QTest::addColumn<int>("scheme");
        QTest::newRow("cryptoapi 128") << int(Scheme::Rc4CryptoApi);
        QTest::newRow("rc4 1.1") << int(Scheme::Rc4);
    }
    void velmoraWritesLibreOfficeReads() {
        QFETCH(int, scheme);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Pratiche.xls"));
        auto book = codectest::richWorkbook(40);
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(encodeFile(*book, kPassword, {Scheme(scheme), 128}));
        f.close();
        const QJsonObject dump = dumpWithLibreOffice(path, kPassword);
        QVERIFY2(!dump.contains(QStringLiteral("error")), qPrintable(dump.value(QStringLiteral("error")).toString()));
        QCOMPARE(dump.value(QStringLiteral("sheets")).toArray().size(), 3);
        const QJsonObject p = sheetNamed(dump, QStringLiteral("Pratica"));
        QCOMPARE(cellAt(p, 1, 1).value(QStringLiteral("string")).toString(), QStringLiteral("Num.Prat."));
        QCOMPARE(cellAt(p, 2, 1).value(QStringLiteral("value")).toDouble(), 1.0);
        QCOMPARE(cellAt(p, 2, 2).value(QStringLiteral("value")).toDouble(), 45002.0);
        QVERIFY(cellAt(p, 2, 2).value(QStringLiteral("isDate")).toBool());
        QCOMPARE(cellAt(p, 2, 4).value(QStringLiteral("format")).toString(), QStringLiteral("#,##0.00"));
        QCOMPARE(cellAt(p, 2, 4).value(QStringLiteral("value")).toDouble(), 2 * 12.34 + 0.005);
        QCOMPARE(cellAt(p, 2, 5).value(QStringLiteral("format")).toString(), QStringLiteral("0.00"));
        QCOMPARE(cellAt(p, 2, 6).value(QStringLiteral("format")).toString(), QStringLiteral("@"));
        QCOMPARE(cellAt(p, 2, 6).value(QStringLiteral("kind")).toString(), QStringLiteral("TEXT"));
        QCOMPARE(cellAt(p, 7, 3).value(QStringLiteral("string")).toString(), QStringLiteral("ΑΒΓ Cliente 7 — 中文"));
        QCOMPARE(cellAt(p, 44, 2).value(QStringLiteral("string")).toString(),
                 QString(10000, QLatin1Char('x')) + QStringLiteral("end"));
        QCOMPARE(cellAt(p, 44, 3).value(QStringLiteral("string")).toString(),
                 QString(5000, QChar(0x4E2D)) + QStringLiteral("fine"));
        // LibreOffice measures columns its own way; the ratio of two widths
        // set in the file must come out as in the file.
        const QJsonArray widths = p.value(QStringLiteral("widths")).toArray();
        const double ratio = widths.at(2).toDouble() / widths.at(0).toDouble();
        const double expected = double(widthToFile(40)) / widthToFile(10.71);
        QVERIFY2(std::fabs(ratio / expected - 1) < 0.02,
                 qPrintable(QStringLiteral("%1 vs %2").arg(ratio).arg(expected)));
        QCOMPARE(p.value(QStringLiteral("printAreas")).toArray().at(0).toArray(), (QJsonArray{1, 1, 101, 7}));
        QVERIFY(p.value(QStringLiteral("frozen")).toBool());
        QCOMPARE(p.value(QStringLiteral("splitRow")).toInt(), 1);
        const QJsonObject c = sheetNamed(dump, QStringLiteral("Cliente"));
        QCOMPARE(c.value(QStringLiteral("splitRow")).toInt(), 3);
        QCOMPARE(c.value(QStringLiteral("splitColumn")).toInt(), 2);
        QVERIFY(!sheetNamed(dump, QStringLiteral("Nascosto")).value(QStringLiteral("visible")).toBool());
        // A wrong password ends the load rather than waiting for an answer.
        const QJsonObject refused = dumpWithLibreOffice(path, QStringLiteral("sbagliata"));
        QVERIFY(refused.contains(QStringLiteral("error")));
    }

    void starterWorkbookOpensInLibreOffice() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Pratiche.xls"));
        auto book = store::newStarterWorkbook();
        xls::writeWorkbook(*book, path, store::workbookPassword());
        const QJsonObject dump = dumpWithLibreOffice(path, store::workbookPassword());
        QVERIFY2(!dump.contains(QStringLiteral("error")), qPrintable(dump.value(QStringLiteral("error")).toString()));
        QStringList names;
        for (const auto v : dump.value(QStringLiteral("sheets")).toArray())
            names << v.toObject().value(QStringLiteral("name")).toString();
        QCOMPARE(names, store::sheetNames());
        const std::pair<QString, QStringList> heads[] = {{store::kPratica, store::practiceHeaders()},
                                                         {store::kCliente, store::clientHeaders()},
                                                         {store::kVarie, store::varieHeaders()},
                                                         {store::kSpese, store::speseHeaders()}};
        for (const auto& [sheet, list] : heads) {
            const QJsonObject s = sheetNamed(dump, sheet);
            for (int i = 0; i < list.size(); ++i)
                QCOMPARE(cellAt(s, 1, i + 1).value(QStringLiteral("string")).toString(), list[i]);
        }
    }

    // An independent decryptor opens every scheme we write, and what it
    // gives back is the same workbook.
    void msoffcryptoDecryptsEveryScheme_data() {
        QTest::addColumn<int>("scheme");
        QTest::addColumn<int>("keyBits");
        // (msoffcrypto-tool does not decrypt XOR-obfuscated workbooks)
        QTest::newRow("rc4 1.1") << int(Scheme::Rc4) << 0;
        QTest::newRow("cryptoapi 40") << int(Scheme::Rc4CryptoApi) << 40;
        QTest::newRow("cryptoapi 128") << int(Scheme::Rc4CryptoApi) << 128;
    }
    void msoffcryptoDecryptsEveryScheme() {
        QFETCH(int, scheme);
        QFETCH(int, keyBits);
        QTemporaryDir dir;
        const QString sealed = dir.filePath(QStringLiteral("sealed.xls"));
        const QString plain = dir.filePath(QStringLiteral("plain.xls"));
        auto book = codectest::richWorkbook(60);
        book->foreignStreams.clear();
        QFile f(sealed);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(encodeFile(*book, kPassword, {Scheme(scheme), std::uint32_t(keyBits ? keyBits : 128)}));
        f.close();
        Run r = run(QStringLiteral("msoffcrypto-tool"), {QStringLiteral("-p"), kPassword, sealed, plain}, 60000);
        QVERIFY2(r.code == 0, r.err.constData());
        auto back = xls::readWorkbook(plain, QString());
        const QString diff = codectest::firstDifference(*book, *back);
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
    }

    // Gnumeric's reader is stricter than LibreOffice's: it converts what we
    // write without a word on its standard error.
    void ssconvertAcceptsWhatWeWrite() {
        QTemporaryDir dir;
        const std::pair<QString, std::unique_ptr<xl::Workbook>> books[] = {
            {QStringLiteral("rich"), codectest::richWorkbook(200)},
            {QStringLiteral("starter"), store::newStarterWorkbook()}};
        for (const auto& [name, book] : books) {
            const QString sealed = dir.filePath(name + QStringLiteral(".xls"));
            const QString plain = dir.filePath(name + QStringLiteral("-plain.xls"));
            xls::writeWorkbook(*book, sealed, kPassword);
            Run d = run(QStringLiteral("msoffcrypto-tool"), {QStringLiteral("-p"), kPassword, sealed, plain}, 60000);
            QVERIFY2(d.code == 0, d.err.constData());
            Run c = run(QStringLiteral("ssconvert"),
                        {QStringLiteral("-S"), plain, dir.filePath(name + QStringLiteral("-%n.csv"))}, 120000);
            QVERIFY2(c.code == 0, c.err.constData());
            QVERIFY2(c.err.trimmed().isEmpty(), c.err.constData());
            QFile csv(dir.filePath(name + QStringLiteral("-0.csv")));
            QVERIFY(csv.open(QIODevice::ReadOnly));
            QVERIFY(csv.readLine().startsWith("Num.Prat."));
        }
        // Kept formulas, shared ones and their text results read without a word.
        auto formulas = decodeWorkbookStream(codectest::formulaStream(), QString());
        const QString plain = dir.filePath(QStringLiteral("formule.xls"));
        QFile out(plain);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(encodeFile(*formulas, QString()));
        out.close();
        Run c = run(QStringLiteral("ssconvert"),
                    {QStringLiteral("-S"), plain, dir.filePath(QStringLiteral("formule-%n.csv"))}, 120000);
        QVERIFY2(c.code == 0, c.err.constData());
        QVERIFY2(c.err.trimmed().isEmpty(), c.err.constData());
        QFile csv(dir.filePath(QStringLiteral("formule-0.csv")));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QVERIFY(csv.readLine().startsWith("1,2,2,1x,t1,6,TRUE,5,xxx"));
        QCOMPARE(csv.readLine().trimmed(), QByteArray("2,,3,,t2,42,#DIV/0!,6,"));
    }
};

QTEST_MAIN(TestInterop)
#include "tst_interop.moc"
