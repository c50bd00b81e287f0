// The engine's whole model through the file and back, plain and under every
// password scheme, and the parts of the format that have rules of their own
// (string table continuations, the records that stay in clear, 1904 dates).

#include "tests/codec/samples.h"

#include "platform/engine/numberformat.h"
#include "platform/xls/biff.h"
#include "platform/xls/bytes.h"
#include "platform/xls/cfb.h"
#include "platform/xls/formula.h"
#include "platform/xls/xlsfile.h"

#include <QTemporaryDir>
#include <QtTest>
#include <cstring>
#include <functional>

using namespace xls::detail;

namespace {

struct RecordInfo {
    std::uint16_t type;
    qsizetype data;
    std::uint16_t len;
};

std::vector<RecordInfo> records(const QByteArray& s) {
    std::vector<RecordInfo> out;
    qsizetype pos = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(s.constData());
    while (pos + 4 <= s.size()) {
        RecordInfo r{le16(p + pos), pos + 4, le16(p + pos + 2)};
        out.push_back(r);
        pos += 4 + r.len;
    }
    return out;
}

} // namespace

class TestRoundTrip : public QObject {
    Q_OBJECT
private slots:
    void wholeModel_data() {
        QTest::addColumn<int>("scheme");
        QTest::addColumn<int>("keyBits");
        QTest::addColumn<QString>("password");
        QTest::newRow("plain") << int(Scheme::None) << 0 << QString();
        QTest::newRow("xor") << int(Scheme::Xor) << 0 << QStringLiteral("Kemi4417");
        QTest::newRow("rc4 1.1") << int(Scheme::Rc4) << 0 << QStringLiteral("Kemi4417");
        QTest::newRow("cryptoapi 40") << int(Scheme::Rc4CryptoApi) << 40 << QStringLiteral("Kemi4417");
        QTest::newRow("cryptoapi 128") << int(Scheme::Rc4CryptoApi) << 128 << QStringLiteral("Kemi4417");
        QTest::newRow("cryptoapi 128, non-latin password")
            << int(Scheme::Rc4CryptoApi) << 128 << QStringLiteral("pàsswörd€漢");
    }
    void wholeModel() {
        QFETCH(int, scheme);
        QFETCH(int, keyBits);
        QFETCH(QString, password);
        auto book = codectest::richWorkbook();
        EncodeOptions opt{Scheme(scheme), std::uint32_t(keyBits ? keyBits : 128)};
        const QByteArray file = encodeFile(*book, password, opt);
        auto back = decodeFile(file, password);
        const QString diff = codectest::firstDifference(*book, *back);
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
        // A second pass changes nothing either: what was read writes back the same.
        auto again = decodeFile(encodeFile(*back, password, opt), password);
        const QString diff2 = codectest::firstDifference(*back, *again);
        QVERIFY2(diff2.isEmpty(), qPrintable(diff2));
    }

    void wrongPasswordRefused_data() {
        QTest::addColumn<int>("scheme");
        QTest::addColumn<int>("keyBits");
        QTest::newRow("xor") << int(Scheme::Xor) << 0;
        QTest::newRow("rc4 1.1") << int(Scheme::Rc4) << 0;
        QTest::newRow("cryptoapi 40") << int(Scheme::Rc4CryptoApi) << 40;
        QTest::newRow("cryptoapi 128") << int(Scheme::Rc4CryptoApi) << 128;
    }
    void wrongPasswordRefused() {
        QFETCH(int, scheme);
        QFETCH(int, keyBits);
        auto book = codectest::richWorkbook(5);
        const QByteArray file =
            encodeFile(*book, QStringLiteral("Kemi4417"), {Scheme(scheme), std::uint32_t(keyBits ? keyBits : 128)});
        for (const QString& wrong : {QStringLiteral("kemi4417"), QStringLiteral("Kemi441"), QString()}) {
            try {
                decodeFile(file, wrong);
                QFAIL(qPrintable(QStringLiteral("opened with '%1'").arg(wrong)));
            } catch (const xls::FileError& e) {
                QCOMPARE(e.kind(), xls::FileErrorKind::WrongPassword);
            }
        }
    }

    // Record headers, BOF, FILEPASS, INTERFACEHDR and BOUNDSHEET's offset are
    // in clear in an encrypted stream; the rest of the record data is not.
    void clearPartsOfEncryptedStream() {
        auto book = codectest::richWorkbook(40);
        const QByteArray plain = encodeWorkbookStream(*book, QString());
        const QByteArray secret = encodeWorkbookStream(*book, QStringLiteral("Kemi4417"));
        auto pr = records(plain);
        auto sr = records(secret);
        QCOMPARE(sr.size(), pr.size() + 1); // FILEPASS added
        QCOMPARE(sr[0].type, std::uint16_t(0x0809));
        QCOMPARE(sr[1].type, std::uint16_t(0x002F));
        const auto* s = reinterpret_cast<const unsigned char*>(secret.constData());
        QCOMPARE(le16(s + sr[0].data), std::uint16_t(0x0600));
        QVERIFY(parseFilePass(s + sr[1].data, sr[1].len).has_value());
        int sheets = 0;
        for (std::size_t i = 0; i < pr.size(); ++i) {
            const RecordInfo& a = pr[i];
            const RecordInfo& b = sr[i + (i == 0 ? 0 : 1)];
            QCOMPARE(b.type, a.type);
            QCOMPARE(b.len, a.len);
            if (a.type == 0x00E1) QCOMPARE(le16(s + b.data), std::uint16_t(0x04B0));
            if (a.type == 0x0085) {
                ++sheets;
                const std::uint32_t at = le32(s + b.data);
                QVERIFY(at + 8 <= std::uint32_t(secret.size()));
                QCOMPARE(le16(s + at), std::uint16_t(0x0809));
                QCOMPARE(le16(s + at + 6), std::uint16_t(0x0010)); // a worksheet's BOF, in clear
            }
        }
        QCOMPARE(sheets, 3);
        // Sealed data really differs: the string table does not read in clear.
        QVERIFY(!secret.contains("CLIENTE NUMERO"));
        QVERIFY(plain.contains("CLIENTE NUMERO"));
    }

    // Strings cross CONTINUE records with a fresh flag byte; a long 8-bit
    // string followed by 16-bit ones exercises both ways of splitting.
    void sharedStringsAcrossContinue() {
        xl::Workbook book;
        xl::Worksheet& ws = book.AddSheet(QStringLiteral("S"));
        QStringList texts;
        for (int i = 0; i < 4000; ++i) {
            QString t = (i % 3 == 0) ? QString(i % 50 + 1, QChar(0x0100 + i % 200))
                                     : QStringLiteral("voce %1 ").arg(i).repeated(i % 9 + 1);
            texts << t;
            ws.cellRef(i + 1, 1).value = xl::Value(t);
        }
        const QByteArray stream = encodeWorkbookStream(book, QString());
        int continues = 0;
        for (const RecordInfo& r : records(stream)) {
            QVERIFY(r.len <= 8224);
            if (r.type == 0x003C) ++continues;
        }
        QVERIFY(continues >= 3);
        auto back = decodeWorkbookStream(stream, QString());
        for (int i = 0; i < texts.size(); ++i) QCOMPARE(back->Sheets(1).cellAt(i + 1, 1)->value.textValue(), texts[i]);
    }

    // Each distinct text is in the table once, numbered in the order the
    // cells first show it, sheet by sheet and row by row; repeats point back
    // to it, also past the point where the lookup outgrows its first size.
    void sharedStringsOnceInFirstSeenOrder() {
        xl::Workbook book;
        xl::Worksheet& a = book.AddSheet(QStringLiteral("A"));
        xl::Worksheet& b = book.AddSheet(QStringLiteral("B"));
        QStringList seen;
        std::vector<std::uint32_t> expected;
        auto put = [&](xl::Worksheet& ws, int row, int col, const QString& t) {
            ws.cellRef(row, col).value = xl::Value(t);
            qsizetype k = seen.indexOf(t);
            if (k < 0) {
                k = seen.size();
                seen << t;
            }
            expected.push_back(std::uint32_t(k));
        };
        for (int r = 1; r <= 1500; ++r) {
            put(a, r, 1, QStringLiteral("cliente %1").arg((r * 7919) % 1200));
            put(a, r, 2, r % 5 == 0 ? QStringLiteral("Aperta") : QStringLiteral("Chiusa"));
        }
        for (int r = 1; r <= 1500; ++r) put(b, r, 1, QStringLiteral("cliente %1").arg((r * 104729) % 2100));
        const QByteArray stream = encodeWorkbookStream(book, QString());
        const auto* p = reinterpret_cast<const unsigned char*>(stream.constData());
        std::vector<std::uint32_t> got;
        for (const RecordInfo& r : records(stream)) {
            if (r.type == 0x00FC) {
                QCOMPARE(le32(p + r.data), std::uint32_t(expected.size()));
                QCOMPARE(le32(p + r.data + 4), std::uint32_t(seen.size()));
            }
            if (r.type == 0x00FD) got.push_back(le32(p + r.data + 6));
        }
        QVERIFY(got == expected);
        auto back = decodeWorkbookStream(stream, QString());
        QCOMPARE(back->Sheets(2).cellAt(1500, 1)->value.textValue(), QStringLiteral("cliente %1").arg((1500 * 104729) % 2100));
    }

    // Records other programs write and we do not: packed numbers and blanks,
    // inline labels, formulas with their cached results.
    void recordsOfOtherWriters() {
        xl::Workbook book;
        xl::Worksheet& ws = book.AddSheet(QStringLiteral("S"));
        xl::Style amount;
        amount.numberFormat = QStringLiteral("#,0.00");
        const std::uint32_t st = book.internStyle(amount);
        ws.cellRef(1, 1).value = xl::Value(1);
        ws.cellRef(1, 1).style = st; // makes XF 15 + st exist in the file
        QByteArray stream = encodeWorkbookStream(book, QString());
        const std::uint16_t xf = std::uint16_t(15 + st);

        QByteArray extra;
        ByteWriter w(extra);
        auto rec = [&](std::uint16_t type, const QByteArray& data) {
            w.u16(type);
            w.u16(std::uint16_t(data.size()));
            extra.append(data);
        };
        auto bytes = [](const std::function<void(ByteWriter&)>& f) {
            QByteArray d;
            ByteWriter bw(d);
            f(bw);
            return d;
        };
        // LABEL with 16-bit characters
        rec(0x0204, bytes([&](ByteWriter& b) {
                b.u16(1);
                b.u16(0);
                b.u16(15);
                b.u16(3);
                b.u8(1);
                b.u16(0x3B1);
                b.u16(0x3B2);
                b.u16(0x3B3);
            }));
        // MULRK: 3 numbers in B2:D2, an integer, a hundredth, a float
        rec(0x00BD, bytes([&](ByteWriter& b) {
                b.u16(1);
                b.u16(1);
                b.u16(15);
                b.u32((std::uint32_t(-42) << 2) | 0x02);
                b.u16(xf);
                b.u32((std::uint32_t(12345) << 2) | 0x03);
                double d = 0.5;
                std::uint64_t bits;
                std::memcpy(&bits, &d, 8);
                b.u16(15);
                b.u32(std::uint32_t(bits >> 32));
                b.u16(3);
            }));
        // MULBLANK: formatted blanks in A3:C3
        rec(0x00BE, bytes([&](ByteWriter& b) {
                b.u16(2);
                b.u16(0);
                b.u16(xf);
                b.u16(xf);
                b.u16(xf);
                b.u16(2);
            }));
        auto formula = [&](int row, int col, const std::function<void(ByteWriter&)>& value) {
            rec(0x0006, bytes([&](ByteWriter& b) {
                    b.u16(std::uint16_t(row));
                    b.u16(std::uint16_t(col));
                    b.u16(15);
                    value(b);
                    b.u16(0);
                    b.u32(0);
                    b.u16(3);
                    b.u8(0x1E);
                    b.u16(7); // rgce: the constant 7
                }));
        };
        // A result that is no number: its kind and value, then the 0xFFFF
        // that marks the eight bytes as no double.
        auto special = [](std::uint8_t kind, std::uint8_t value) {
            return [kind, value](ByteWriter& b) {
                b.u8(kind);
                b.u8(0);
                b.u8(value);
                b.u8(0);
                b.u8(0);
                b.u8(0);
                b.u16(0xFFFF);
            };
        };
        formula(3, 0, [](ByteWriter& b) { b.f64(2.25); });
        formula(3, 1, special(0, 0));
        rec(0x0207, bytes([](ByteWriter& b) {
                b.u16(5);
                b.u8(0);
                b.bytes("esito", 5);
            }));
        formula(3, 2, special(1, 1));
        formula(3, 3, special(2, 0x2A));
        formula(3, 4, special(3, 0));

        // In the last sheet, before WINDOW2: nothing after it holds offsets.
        const auto recs = records(stream);
        qsizetype at = -1;
        for (const RecordInfo& r : recs)
            if (r.type == 0x023E) at = r.data - 4;
        QVERIFY(at > 0);
        stream.insert(at, extra);

        auto back = decodeWorkbookStream(stream, QString());
        xl::Worksheet& s = back->Sheets(1);
        QCOMPARE(s.cellAt(2, 1)->value, xl::Value(QStringLiteral("αβγ")));
        QCOMPARE(s.cellAt(2, 2)->value, xl::Value(-42));
        QCOMPARE(s.cellAt(2, 3)->value, xl::Value(123.45));
        QCOMPARE(s.GetRange(QStringLiteral("C2")).Text(), QStringLiteral("123,45"));
        QCOMPARE(s.cellAt(2, 4)->value, xl::Value(0.5));
        for (int c = 1; c <= 3; ++c) {
            QVERIFY(s.cellAt(3, c) != nullptr);
            QVERIFY(s.cellAt(3, c)->value.isEmpty());
            QCOMPARE(xl::canonicalFormat(back->style(s.cellAt(3, c)->style).numberFormat), QStringLiteral("#,0.00"));
        }
        QCOMPARE(s.cellAt(4, 1)->value, xl::Value(2.25));
        QCOMPARE(s.cellAt(4, 2)->value, xl::Value("esito"));
        QCOMPARE(s.cellAt(4, 3)->value, xl::Value::boolean(true));
        QCOMPARE(s.cellAt(4, 4)->value, xl::Value::error(0x2A));
        QCOMPARE(s.cellAt(4, 5)->value, xl::Value(QString()));
    }

    // Formats as other programs spell them are read as what they mean.
    void formatsAsFilesSpellThem() {
        xl::Workbook book;
        xl::Worksheet& ws = book.AddSheet(QStringLiteral("S"));
        const QStringList spelled = {QStringLiteral("[$-410]DD/MM/YYYY"), QStringLiteral("[$-409]#,##0.00"),
                                     QStringLiteral("#,##0.00"), QStringLiteral("0.00"), QStringLiteral("@")};
        for (int i = 0; i < spelled.size(); ++i) {
            xl::Style st;
            st.numberFormat = spelled[i];
            ws.cellRef(1, i + 1).value = xl::Value(45292.5);
            ws.cellRef(1, i + 1).style = book.internStyle(st);
        }
        auto back = decodeWorkbookStream(encodeWorkbookStream(book, QString()), QString());
        xl::Worksheet& s = back->Sheets(1);
        QVERIFY(s.GetRange(QStringLiteral("A1")).GetValue().isDate());
        QCOMPARE(s.GetRange(QStringLiteral("A1")).Text(), QStringLiteral("01/01/2024"));
        QCOMPARE(xl::canonicalFormat(s.GetRange(QStringLiteral("B1")).NumberFormat()), QStringLiteral("#,0.00"));
        QCOMPARE(s.GetRange(QStringLiteral("B1")).Text(), QStringLiteral("45.292,50"));
        QCOMPARE(s.GetRange(QStringLiteral("C1")).Text(), QStringLiteral("45.292,50"));
        QCOMPARE(s.GetRange(QStringLiteral("D1")).Text(), QStringLiteral("45292,50"));
        QCOMPARE(s.GetRange(QStringLiteral("E1")).NumberFormat(), QStringLiteral("@"));
    }

    // Every defined name comes back in its place: one on another sheet, one
    // in Japanese belonging to a sheet, names that use other names. A name
    // that could not be kept gives up its place, and a name that used it
    // stays without a formula; the print area stays the page setup's.
    void definedNamesInTheirPlace() {
        xl::Workbook book;
        book.AddSheet(QStringLiteral("A"));
        book.AddSheet(QStringLiteral("B"));
        book.Sheets(1).GetPageSetup().SetPrintArea(QStringLiteral("A1:C9"));
        const SheetOfIndex sheetOf = [](std::uint16_t i) {
            return i == 0 ? QStringLiteral("A") : i == 1 ? QStringLiteral("B") : QString();
        };
        auto name = [&](const QString& text, const QString& sheet, const QByteArray& tokens) {
            xl::DefinedName n;
            n.name = text;
            n.sheet = sheet;
            n.formula = keepNameFormula(tokens, {}, sheetOf);
            if (!tokens.isEmpty()) QVERIFY(n.formula);
            book.names.push_back(n);
        };
        xl::DefinedName lost;
        lost.name = QStringLiteral("Perso");
        name(QStringLiteral("Uno"), QString(), QByteArray::fromHex("3a010000000000")); // =B!$A$1
        book.names.push_back(lost);
        name(QStringLiteral("Due"), QString(), QByteArray::fromHex("2301000000")); // =Uno
        name(QStringLiteral("Tre"), QString(), QByteArray::fromHex("2302000000")); // =Perso
        name(QStringLiteral("日本語"), QStringLiteral("A"),
             QByteArray::fromHex("3b00000000020000000100")); // =A!$A$1:$B$3

        auto back = decodeWorkbookStream(encodeWorkbookStream(book, QStringLiteral("pw")), QStringLiteral("pw"));
        QCOMPARE(back->Sheets(1).GetPageSetup().PrintArea, QStringLiteral("$A$1:$C$9"));
        QStringList names;
        for (const xl::DefinedName& n : back->names) names << n.name;
        QCOMPARE(names, (QStringList{QStringLiteral("Uno"), QStringLiteral("Due"), QStringLiteral("Tre"),
                                     QStringLiteral("日本語"), QString(QChar(6))}));
        const auto& uno = *back->names[0].formula;
        QCOMPARE(uno.sheets, QStringList{QStringLiteral("B")});
        QCOMPARE(back->names[1].formula->tokens, QByteArray::fromHex("2301000000"));
        QCOMPARE(back->names[1].formula->nameFields, std::vector<std::uint16_t>{1});
        QVERIFY(back->names[2].formula && back->names[2].formula->tokens.isEmpty());
        QCOMPARE(back->names[3].sheet, QStringLiteral("A"));
        QCOMPARE(back->names[3].formula->sheets, QStringList{QStringLiteral("A")});
        QVERIFY(back->names[4].printSetup());
        QCOMPARE(back->names[4].sheet, QStringLiteral("A"));
    }

    // A 1904 file's dates are moved to the 1900 count the engine uses, and
    // back when such a workbook is written.
    void dates1904() {
        xl::Workbook book;
        book.date1904 = true;
        xl::Worksheet& ws = book.AddSheet(QStringLiteral("S"));
        xl::Style d;
        d.numberFormat = QStringLiteral("dd/mm/yyyy");
        ws.cellRef(1, 1).value = xl::Value(45292.0); // 01/01/2024 counted from 1900
        ws.cellRef(1, 1).style = book.internStyle(d);
        ws.cellRef(1, 2).value = xl::Value(1000.0); // not a date: unchanged
        const QByteArray stream = encodeWorkbookStream(book, QString());
        // In the file the date is counted from 1904.
        bool found = false;
        const auto* s = reinterpret_cast<const unsigned char*>(stream.constData());
        for (const RecordInfo& r : records(stream)) {
            if (r.type == 0x027E && le16(s + r.data + 2) == 0) {
                QCOMPARE(std::int32_t(le32(s + r.data + 6)) >> 2, 45292 - 1462);
                found = true;
            }
        }
        QVERIFY(found);
        auto back = decodeWorkbookStream(stream, QString());
        QVERIFY(back->date1904);
        QCOMPARE(back->Sheets(1).cellAt(1, 1)->value.numberValue(), 45292.0);
        QCOMPARE(back->Sheets(1).cellAt(1, 2)->value.numberValue(), 1000.0);
        QCOMPARE(back->Sheets(1).GetRange(QStringLiteral("A1")).Text(), QStringLiteral("01/01/2024"));
    }

    // Column widths in characters survive the file's 1/256 units that
    // include the cell padding (8.43 characters is the classic 2340).
    void columnWidthUnits() {
        QCOMPARE(widthToFile(8.43), std::uint16_t(2340));
        QCOMPARE(widthFromFile(2340), 8.43);
        for (double w = 0; w <= 255; w += 0.37) {
            const double back = widthFromFile(widthToFile(std::round(w * 100) / 100));
            QVERIFY2(std::fabs(back - std::round(w * 100) / 100) < 0.006, qPrintable(QString::number(w)));
        }
    }

    // Through the entry points and the engine: Save writes the bound file,
    // SaveAs with keepBinding writes a copy and leaves the binding alone.
    void engineSaveAndBackupCopy() {
        xls::registerCodec();
        QTemporaryDir dir;
        const QString main = dir.filePath(QStringLiteral("Pratiche.xls"));
        QDir().mkpath(dir.filePath(QStringLiteral("Backup")));
        const QString backup = dir.filePath(QStringLiteral("Backup/PraticheBackup.xls"));
        {
            auto book = codectest::richWorkbook(10);
            xls::writeWorkbook(*book, main, QStringLiteral("Kemi4417"));
        }
        xl::Application app;
        xl::Workbook& wb = app.Open(main, QStringLiteral("Kemi4417"));
        QCOMPARE(wb.FullName(), QFileInfo(main).absoluteFilePath());
        wb.Sheets(QStringLiteral("Pratica")).cellRef(2, 1).value = xl::Value(999);
        wb.SaveAs(backup, QStringLiteral("Kemi4417"), true);
        QCOMPARE(wb.FullName(), QFileInfo(main).absoluteFilePath());
        wb.Sheets(QStringLiteral("Pratica")).cellRef(2, 1).value = xl::Value(1000);
        wb.Save();
        auto onDisk = xls::readWorkbook(main, QStringLiteral("Kemi4417"));
        auto copy = xls::readWorkbook(backup, QStringLiteral("Kemi4417"));
        QCOMPARE(onDisk->Sheets(QStringLiteral("Pratica")).cellAt(2, 1)->value.numberValue(), 1000.0);
        QCOMPARE(copy->Sheets(QStringLiteral("Pratica")).cellAt(2, 1)->value.numberValue(), 999.0);
        QVERIFY_THROWS_EXCEPTION(xls::FileError, xls::readWorkbook(backup, QStringLiteral("wrong")));
    }
};

QTEST_GUILESS_MAIN(TestRoundTrip)
#include "tst_roundtrip.moc"
