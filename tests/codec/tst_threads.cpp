// A file read with the work spread over the cores gives the very workbook
// that one thread reading everything in turn gives: every cell with its
// value, format and formula, every row and column, the names, the style
// table, the page setups, and the same error for a damaged file.

#include "tests/codec/samples.h"

#include "platform/xls/biff.h"
#include "platform/xls/bytes.h"
#include "platform/xls/cfb.h"
#include "platform/xls/xlsfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <random>

using namespace xls::detail;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString keptDifference(const xl::KeptFormula* a, const xl::KeptFormula* b) {
    if (!a || !b) return a == b ? QString() : QStringLiteral("formula on one side only");
    if (a->tokens != b->tokens || a->extra != b->extra || a->flags != b->flags)
        return QStringLiteral("formula tokens or flags");
    if (a->sheets != b->sheets || a->sheetFields != b->sheetFields || a->nameFields != b->nameFields)
        return QStringLiteral("formula's sheets or names");
    return {};
}

// Exact where the round-trip comparison allows for the file's rounding:
// both sides here come from the same bytes.
QString difference(xl::Workbook& a, xl::Workbook& b) {
    if (QString d = codectest::firstDifference(a, b); !d.isEmpty()) return d;
    if (a.styles().size() != b.styles().size()) return QStringLiteral("style count");
    for (std::size_t i = 0; i < a.styles().size(); ++i)
        if (!(a.styles()[i] == b.styles()[i]) || a.styles()[i].origin.xf != b.styles()[i].origin.xf)
            return QStringLiteral("style %1").arg(i);
    const xl::FileFormatting &fa = a.formatting, &fb = b.formatting;
    if (fa.fonts != fb.fonts || fa.formats != fb.formats || fa.xfs != fb.xfs || fa.xfStyle != fb.xfStyle ||
        fa.styles != fb.styles || fa.palette != fb.palette)
        return QStringLiteral("formatting tables");
    if (a.names.size() != b.names.size()) return QStringLiteral("name count");
    for (std::size_t i = 0; i < a.names.size(); ++i) {
        const xl::DefinedName &x = a.names[i], &y = b.names[i];
        if (x.name != y.name || x.builtin != y.builtin || x.sheet != y.sheet || x.flags != y.flags ||
            x.shortcut != y.shortcut || x.textCounts != y.textCounts)
            return QStringLiteral("name %1").arg(i);
        if (QString d = keptDifference(x.formula.get(), y.formula.get()); !d.isEmpty())
            return QStringLiteral("name %1: %2").arg(i).arg(d);
    }
    if (a.notKept != b.notKept) return QStringLiteral("what a save cannot keep");
    for (int s = 1; s <= a.SheetCount(); ++s) {
        const xl::Worksheet &x = a.Sheets(s), &y = b.Sheets(s);
        const QString where = x.Name() + QLatin1Char('!');
        if (x.usedRows() != y.usedRows()) return where + QStringLiteral("row count");
        for (int r = 1; r <= x.usedRows(); ++r) {
            const xl::RowInfo *rx = x.rowInfo(r), *ry = y.rowInfo(r);
            if (!rx || !ry) {
                if (rx != ry) return where + QStringLiteral("row %1 on one side only").arg(r);
                continue;
            }
            if (rx->height != ry->height || rx->hidden != ry->hidden || rx->style != ry->style ||
                rx->cells.size() != ry->cells.size())
                return where + QStringLiteral("row %1").arg(r);
            for (std::size_t c = 0; c < rx->cells.size(); ++c) {
                const xl::Cell &cx = rx->cells[c], &cy = ry->cells[c];
                const QString cell = where + QStringLiteral("R%1C%2 ").arg(r).arg(c + 1);
                if (!(cx.value == cy.value) ||
                    std::signbit(cx.value.numberValue()) != std::signbit(cy.value.numberValue()))
                    return cell + QStringLiteral("value");
                if (cx.style != cy.style) return cell + QStringLiteral("style");
                if (QString d = keptDifference(cx.kept.get(), cy.kept.get()); !d.isEmpty()) return cell + d;
            }
        }
        for (int c = 1; c <= xl::kMaxCols; ++c) {
            const xl::ColumnInfo &cx = x.columnInfo(c), &cy = y.columnInfo(c);
            if (cx.width != cy.width || cx.hidden != cy.hidden || cx.style != cy.style)
                return where + QStringLiteral("column %1").arg(c);
        }
    }
    return {};
}

// Both ways of reading, and what each gave: a workbook or an error.
struct Both {
    std::unique_ptr<xl::Workbook> serial, parallel;
    QString serialError, parallelError;
};

Both readBoth(const QByteArray& file, const QString& password) {
    Both out;
    try {
        out.serial = decodeFile(file, password, DecodeOptions{1});
    } catch (const xls::FileError& e) {
        out.serialError = QString::fromStdString(e.what());
    }
    // More threads than most of these files have sheets, and fewer.
    for (unsigned threads : {0u, 2u, 16u}) {
        try {
            out.parallel = decodeFile(file, password, DecodeOptions{threads});
            out.parallelError.clear();
        } catch (const xls::FileError& e) {
            out.parallelError = QString::fromStdString(e.what());
            out.parallel.reset();
        }
        if (bool(out.serial) != bool(out.parallel) || out.serialError != out.parallelError) break;
        if (out.serial && !difference(*out.serial, *out.parallel).isEmpty()) break;
    }
    return out;
}

// More sheets than cores, each of its own size, values and formats.
std::unique_ptr<xl::Workbook> manySheets() {
    auto book = std::make_unique<xl::Workbook>();
    for (int s = 0; s < 24; ++s) {
        xl::Worksheet& ws = book->AddSheet(QStringLiteral("Foglio %1").arg(s + 1));
        xl::Style st;
        st.font.size = 8 + s;
        st.numberFormat = s % 2 ? QStringLiteral("0.00") : QStringLiteral("dd/mm/yyyy");
        const std::uint32_t style = book->internStyle(st);
        for (int r = 1; r <= 40 + 37 * s; ++r) {
            ws.cellRef(r, 1).value = xl::Value(QStringLiteral("riga %1 del foglio %2").arg(r).arg(s));
            ws.cellRef(r, 2).value = xl::Value(r * 1.5 - s);
            ws.cellRef(r, 2).style = style;
            if (r % 7 == 0) ws.cellRef(r, 3 + s % 5).value = xl::Value(QStringLiteral("comune"));
            if (r % 11 == 0) ws.rowInfoRef(r).height = 20 + s;
        }
        ws.columnInfoRef(1 + s % 3).width = 12 + s;
        ws.GetPageSetup().SetZoom(50 + s);
    }
    return book;
}

// The offsets of each sheet's BOF in a clear workbook stream.
std::vector<std::size_t> sheetStarts(const QByteArray& stream) {
    std::vector<std::size_t> out;
    const auto* p = reinterpret_cast<const unsigned char*>(stream.constData());
    std::size_t pos = 0;
    while (pos + 4 <= std::size_t(stream.size())) {
        const std::uint16_t type = le16(p + pos), len = le16(p + pos + 2);
        if (type == 0x0085) out.push_back(le32(p + pos + 4));
        if (type == 0x000A) break;
        pos += 4 + len;
    }
    return out;
}

// A sheet long enough for many pieces and runs of the string table:
// texts that repeat, texts of their own, texts beyond Latin-1 and texts
// long enough to run over into CONTINUE records, numbers and blanks.
std::unique_ptr<xl::Workbook> longSheets() {
    auto book = std::make_unique<xl::Workbook>();
    xl::Worksheet& ws = book->AddSheet(QStringLiteral("Lungo"));
    for (int r = 1; r <= 9000; ++r) {
        ws.cellRef(r, 1).value = xl::Value(QStringLiteral("voce %1").arg(r));
        ws.cellRef(r, 2).value = xl::Value(QStringLiteral("gruppo %1").arg(r % 37));
        if (r % 5 == 0) ws.cellRef(r, 3).value = xl::Value(QStringLiteral("Ελληνικά € %1").arg(r));
        if (r % 97 == 0) ws.cellRef(r, 4).value = xl::Value(QString(900 + r % 2000, QChar(0x20AC + r % 3)));
        if (r % 89 == 0) ws.cellRef(r, 5).value = xl::Value(QString(2500 + r % 3000, QLatin1Char('a' + r % 20)));
        ws.cellRef(r, 6).value = xl::Value(r * 0.25);
        if (r % 7 == 0) ws.cellRef(r, 8).style = 0;
        if (r % 300 == 0) ws.rowInfoRef(r).height = 30;
    }
    xl::Worksheet& other = book->AddSheet(QStringLiteral("Altro"));
    for (int r = 1; r <= 3000; r += 3) other.cellRef(r, 2).value = xl::Value(QStringLiteral("gruppo %1").arg(r % 50));
    book->AddSheet(QStringLiteral("Vuoto"));
    return book;
}

// A sealed stream in clear again, through the record walk of one thread,
// with its FILEPASS data blanked: that holds the salt, fresh on each save.
QByteArray unsealed(QByteArray stream, const QString& password) {
    auto* p = reinterpret_cast<unsigned char*>(stream.data());
    std::size_t pos = 0;
    while (pos + 4 <= std::size_t(stream.size()) && le16(p + pos) != 0x002F) pos += 4 + le16(p + pos + 2);
    if (pos + 4 > std::size_t(stream.size())) return QByteArray();
    const std::size_t len = le16(p + pos + 2);
    auto info = parseFilePass(p + pos + 4, len);
    auto cipher = info ? makeCipher(*info, password) : nullptr;
    if (!cipher || !transformStream(stream, *cipher, false, 1)) return QByteArray();
    std::memset(p + pos + 4, 0, len);
    return stream;
}

// A shared string table as the file holds it, split into CONTINUE records
// where the writer chooses; a text's characters go on in the next record
// after a flag byte of their own, which may change their width.
class StringTable {
public:
    explicit StringTable(std::uint32_t unique) {
        ByteWriter w(segs_.emplace_back());
        w.u32(unique);
        w.u32(unique);
    }
    // `runs` formatting runs and `ext` bytes of extended data after the
    // characters; `width16` how wide each record's share of them is written.
    void add(const QString& text, std::uint16_t runs, std::uint16_t ext, const std::function<bool()>& width16) {
        bool high = width16() || !fitsLatin1(text, 0);
        QByteArray head;
        ByteWriter h(head);
        h.u16(std::uint16_t(text.size()));
        h.u8(std::uint8_t((high ? 0x01 : 0) | (runs ? 0x08 : 0) | (ext ? 0x04 : 0)));
        if (runs) h.u16(runs);
        if (ext) h.u32(ext);
        if (room() < std::size_t(head.size())) segs_.emplace_back();
        segs_.back() += head;
        for (qsizetype i = 0; i < text.size();) {
            if (room() < (high ? 2u : 1u)) {
                segs_.emplace_back();
                high = width16() || !fitsLatin1(text, i);
                segs_.back() += char(high ? 0x01 : 0x00);
            }
            ByteWriter w(segs_.back());
            if (high)
                w.u16(text[i].unicode());
            else
                w.u8(std::uint8_t(text[i].unicode()));
            ++i;
        }
        for (std::size_t b = 0; b < std::size_t(runs) * 4 + ext; ++b) {
            if (room() == 0) segs_.emplace_back();
            segs_.back() += char(b & 0x7F);
        }
    }
    // The SST record and its CONTINUE records.
    void write(QByteArray& out) const {
        for (std::size_t i = 0; i < segs_.size(); ++i) {
            ByteWriter w(out);
            w.u16(i == 0 ? 0x00FC : 0x003C);
            w.u16(std::uint16_t(segs_[i].size()));
            out += segs_[i];
        }
    }

private:
    static bool fitsLatin1(const QString& s, qsizetype from) {
        for (qsizetype i = from; i < s.size(); ++i)
            if (s[i].unicode() > 0xFF) return false;
        return true;
    }
    static constexpr std::size_t kMaxRecord = 8224; // bytes of data a record holds
    std::size_t room() const { return kMaxRecord - std::size_t(segs_.back().size()); }
    std::vector<QByteArray> segs_{};
};

// A workbook stream of one sheet whose cells show the table's texts in turn,
// four to a row.
QByteArray streamWithTable(const StringTable& table, std::uint32_t cells) {
    QByteArray out;
    auto rec = [&out](std::uint16_t type, const std::function<void(ByteWriter&)>& fill) {
        QByteArray data;
        ByteWriter d(data);
        fill(d);
        ByteWriter w(out);
        w.u16(type);
        w.u16(std::uint16_t(data.size()));
        out += data;
    };
    auto bof = [](std::uint16_t kind) {
        return [kind](ByteWriter& w) {
            const QByteArray body = codectest::bofRecord(kind);
            w.bytes(body.constData(), std::size_t(body.size()));
        };
    };
    rec(0x0809, bof(0x0005));
    const qsizetype sheetAt = out.size() + 4;
    rec(0x0085, [](ByteWriter& w) {
        w.u32(0);
        w.u16(0);
        w.u8(5);
        w.u8(0);
        w.bytes("Testi", 5);
    });
    table.write(out);
    rec(0x000A, [](ByteWriter&) {});
    ByteWriter(out).put32(sheetAt, std::uint32_t(out.size()));
    rec(0x0809, bof(0x0010));
    for (std::uint32_t i = 0; i < cells; ++i)
        rec(0x00FD, [i](ByteWriter& w) {
            w.u16(std::uint16_t(i / 4));
            w.u16(std::uint16_t(i % 4));
            w.u16(0);
            w.u32(i);
        });
    rec(0x000A, [](ByteWriter&) {});
    return out;
}

} // namespace

class TestThreads : public QObject {
    Q_OBJECT
private slots:
    void sameWorkbook_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("password");
        const QString pw = QStringLiteral("Kemi4417");
        QTest::newRow("rich, sealed") << encodeFile(*codectest::richWorkbook(2500), pw) << pw;
        QTest::newRow("rich, xor") << encodeFile(*codectest::richWorkbook(400), pw, {Scheme::Xor, 0}) << pw;
        QTest::newRow("rich, plain") << encodeFile(*codectest::richWorkbook(400), QString()) << QString();
        QTest::newRow("many sheets, sealed") << encodeFile(*manySheets(), pw) << pw;
        QTest::newRow("formulas") << writeCompound({{QStringLiteral("Workbook"), codectest::formulaStream()}})
                                  << QString();
        const QDir corpus(QStringLiteral(CORPUS_DIR));
        std::map<QString, QString> passwords;
        for (const QString& line :
             QString::fromUtf8(readAll(corpus.filePath(QStringLiteral("PASSWORDS")))).split(QLatin1Char('\n'))) {
            const QStringList parts = line.split(QLatin1Char('\t'));
            if (parts.size() == 2 && !line.startsWith(QLatin1Char('#'))) passwords[parts[0]] = parts[1];
        }
        const QStringList files = corpus.entryList({QStringLiteral("*.xls")}, QDir::Files, QDir::Name);
        QVERIFY2(files.size() >= 20, "the corpus of public workbooks is missing");
        for (const QString& f : files)
            QTest::newRow(qPrintable(f)) << readAll(corpus.filePath(f))
                                         << (passwords.count(f) ? passwords[f] : QString());
    }

    void sameWorkbook() {
        QFETCH(QByteArray, file);
        QFETCH(QString, password);
        QVERIFY(!file.isEmpty());
        const Both both = readBoth(file, password);
        QCOMPARE(both.parallelError, both.serialError);
        QCOMPARE(bool(both.parallel), bool(both.serial));
        if (!both.serial) return; // a file the reader refuses, refused alike
        QVERIFY(both.serial->SheetCount() > 0);
        const QString d = difference(*both.serial, *both.parallel);
        QVERIFY2(d.isEmpty(), qPrintable(d));
    }

    // A save spread over the cores writes the very bytes that one thread
    // encoding each sheet whole and sealing record by record writes.
    void sameBytesWritten_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("long sheets") << encodeFile(*longSheets(), QString());
        QTest::newRow("rich") << encodeFile(*codectest::richWorkbook(2500), QString());
        QTest::newRow("many sheets") << encodeFile(*manySheets(), QString());
        QTest::newRow("formulas") << writeCompound({{QStringLiteral("Workbook"), codectest::formulaStream()}});
        const QDir corpus(QStringLiteral(CORPUS_DIR));
        for (const QString& f : corpus.entryList({QStringLiteral("*.xls")}, QDir::Files, QDir::Name))
            QTest::newRow(qPrintable(f)) << readAll(corpus.filePath(f));
    }

    void sameBytesWritten() {
        QFETCH(QByteArray, file);
        std::unique_ptr<xl::Workbook> book;
        try {
            book = decodeFile(file, QString());
        } catch (const xls::FileError&) {
            return; // sealed with a password of its own, or refused: not this test's
        }
        const QByteArray one = encodeWorkbookStream(*book, QString(), {Scheme::None, 128, 1});
        QVERIFY(!one.isEmpty());
        for (unsigned threads : {0u, 2u, 3u, 16u}) {
            const QByteArray spread = encodeWorkbookStream(*book, QString(), {Scheme::None, 128, threads});
            QVERIFY2(spread == one, qPrintable(QStringLiteral("%1 threads").arg(threads)));
        }
        const QString pw = QStringLiteral("Kemi4417");
        const QByteArray sealedOne = unsealed(encodeWorkbookStream(*book, pw, {Scheme::Rc4CryptoApi, 128, 1}), pw);
        QVERIFY(!sealedOne.isEmpty());
        for (unsigned threads : {0u, 3u}) {
            const QByteArray sealed =
                unsealed(encodeWorkbookStream(*book, pw, {Scheme::Rc4CryptoApi, 128, threads}), pw);
            QVERIFY2(sealed == sealedOne, qPrintable(QStringLiteral("sealed, %1 threads").arg(threads)));
        }
        // And the file reads back as the workbook it was written from.
        auto back = decodeFile(encodeFile(*book, pw), pw);
        QVERIFY(back->SheetCount() == book->SheetCount());
    }

    // A long cell table is read in chunks side by side, each into rows of
    // its own: records that name rows out of their order, deep inside the
    // table, and damage there give what one thread gives.
    void chunksOfALongTable() {
        const QByteArray stream = encodeWorkbookStream(*longSheets(), QString());
        const auto* p = reinterpret_cast<const unsigned char*>(stream.constData());
        // The records of the first sheet's cell table, by type.
        std::map<std::uint16_t, std::vector<std::size_t>> at;
        std::size_t pos = sheetStarts(stream).front();
        while (pos + 4 <= std::size_t(stream.size())) {
            const std::uint16_t type = le16(p + pos), len = le16(p + pos + 2);
            if (type == 0x000A) break;
            at[type].push_back(pos);
            pos += 4 + len;
        }
        const std::vector<std::size_t>& labels = at[0x00FD];
        const std::vector<std::size_t>& rows = at[0x0208];
        QVERIFY(labels.size() > 10000 && rows.size() > 8000);
        auto put16 = [](QByteArray& s, std::size_t where, std::uint16_t v) {
            s[qsizetype(where)] = char(v & 0xFF);
            s[qsizetype(where + 1)] = char(v >> 8);
        };
        struct Variant {
            const char* name;
            QByteArray stream;
        };
        std::vector<Variant> variants{{"as written", stream}};
        for (double where : {0.3, 0.8}) {
            const std::size_t label = labels[std::size_t(double(labels.size()) * where)];
            const std::size_t row = rows[std::size_t(double(rows.size()) * where)];
            QByteArray early = stream; // a cell of the table's first rows, written late
            put16(early, label + 4, 2);
            variants.push_back({"early cell", early});
            QByteArray earlyRow = stream; // a row's height, given late
            put16(earlyRow, row + 4, 5);
            variants.push_back({"early row", earlyRow});
            QByteArray late = stream; // a cell far below every other, written early
            put16(late, label + 4, 60000);
            variants.push_back({"late cell", late});
            QByteArray ahead = stream; // a cell of a row far below, written early, in a column of its own
            const std::size_t below = labels[std::size_t(double(labels.size()) * (where + 0.1))];
            put16(ahead, label + 4, le16(p + below + 4));
            put16(ahead, label + 6, 9);
            variants.push_back({"cell ahead", ahead});
            QByteArray damaged = stream; // a formula too short for its fields
            put16(damaged, label, 0x0006);
            variants.push_back({"damaged", damaged});
        }
        for (const Variant& v : variants) {
            const Both both = readBoth(writeCompound({{QStringLiteral("Workbook"), v.stream}}), QString());
            QVERIFY2(both.parallelError == both.serialError, v.name);
            QVERIFY2(bool(both.parallel) == bool(both.serial), v.name);
            if (both.serial) {
                const QString d = difference(*both.serial, *both.parallel);
                QVERIFY2(d.isEmpty(), qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(v.name), d)));
            }
        }
        QVERIFY(!readBoth(writeCompound({{QStringLiteral("Workbook"), variants.back().stream}}), QString()).serial);
    }

    // A long shared string table is read in pieces side by side: texts of
    // both widths, a width changing where a text runs over into a CONTINUE,
    // formatting runs and extended data running over too; a table shorter
    // than its count, and one cut inside a text, read as one thread reads them.
    void longStringTableInPieces() {
        std::mt19937 rng(4417);
        auto pick = [&rng](int n) { return int(rng() % unsigned(n)); };
        const std::uint32_t count = 3 * 2048 + 517;
        QStringList texts;
        StringTable table(count);
        for (std::uint32_t i = 0; i < count; ++i) {
            QString t = QStringLiteral("testo %1 ").arg(i);
            const int len = pick(40) == 0 ? 3000 + pick(9000) : pick(60);
            const bool greek = pick(5) == 0;
            for (int k = 0; k < len; ++k)
                t += greek && pick(3) == 0 ? QChar(0x03B1 + pick(20)) : QChar(u'a' + pick(26));
            texts << t;
            table.add(t, pick(6) == 0 ? std::uint16_t(1 + pick(5)) : 0, pick(7) == 0 ? std::uint16_t(pick(50)) : 0,
                      [&] { return pick(4) == 0; });
        }
        const QByteArray stream = streamWithTable(table, count);
        const Both whole = readBoth(writeCompound({{QStringLiteral("Workbook"), stream}}), QString());
        QVERIFY2(whole.serial, qPrintable(whole.serialError));
        QVERIFY(whole.parallel);
        QString d = difference(*whole.serial, *whole.parallel);
        QVERIFY2(d.isEmpty(), qPrintable(d));
        xl::Worksheet& ws = whole.parallel->Sheets(1);
        for (std::uint32_t i = 0; i < count; ++i)
            QCOMPARE(ws.Cells(int(i / 4) + 1, int(i % 4) + 1).Text(), texts[int(i)]);
        QVERIFY(!whole.parallel->notKept.isEmpty()); // the formatting runs are told

        // More strings counted than the records hold, and a text cut short.
        QByteArray fewer = stream, cut = stream;
        const auto* p = reinterpret_cast<const unsigned char*>(stream.constData());
        std::size_t pos = 0, sst = 0, lastContinue = 0;
        while (pos + 4 <= std::size_t(stream.size())) {
            const std::uint16_t type = le16(p + pos), len = le16(p + pos + 2);
            if (type == 0x00FC) sst = pos;
            if (type == 0x003C) lastContinue = pos;
            pos += 4 + len;
        }
        QVERIFY(sst > 0 && lastContinue > sst);
        ByteWriter(fewer).put32(qsizetype(sst + 8), count + 5000);
        const std::uint16_t lastLen = le16(p + lastContinue + 2);
        // The last record loses its second half: a text or its runs end early.
        ByteWriter(cut).put16(qsizetype(lastContinue + 2), std::uint16_t(lastLen / 2));
        cut.remove(qsizetype(lastContinue + 4 + lastLen / 2), lastLen - lastLen / 2);
        for (const QByteArray* each : {&fewer, &cut}) {
            const QByteArray& damaged = *each;
            const Both both = readBoth(writeCompound({{QStringLiteral("Workbook"), damaged}}), QString());
            // The first reads, without the texts it lacks; the second is refused.
            QCOMPARE(bool(both.serial), &damaged == &fewer);
            QCOMPARE(both.parallelError, both.serialError);
            QCOMPARE(bool(both.parallel), bool(both.serial));
            if (both.serial) {
                d = difference(*both.serial, *both.parallel);
                QVERIFY2(d.isEmpty(), qPrintable(d));
            }
        }
    }

    // Two sheets damaged in different ways: the error of the first one in
    // the file is the one reported, however the sheets were shared out.
    void firstDamageReported() {
        QByteArray stream = encodeWorkbookStream(*manySheets(), QString());
        const std::vector<std::size_t> starts = sheetStarts(stream);
        QCOMPARE(starts.size(), std::size_t(24));
        // Sheet 20 loses its BOF first, then sheet 6 too.
        auto* p = reinterpret_cast<unsigned char*>(stream.data());
        p[starts[19]] = 0x01;
        p[starts[19] + 1] = 0x00;
        const QByteArray file = writeCompound({{QStringLiteral("Workbook"), stream}});
        Both both = readBoth(file, QString());
        QVERIFY(!both.serial && !both.parallel);
        QVERIFY2(both.serialError.contains(QStringLiteral("Foglio 20")), qPrintable(both.serialError));
        QCOMPARE(both.parallelError, both.serialError);

        QByteArray worse = stream;
        auto* q = reinterpret_cast<unsigned char*>(worse.data());
        q[starts[5]] = 0x01;
        q[starts[5] + 1] = 0x00;
        both = readBoth(writeCompound({{QStringLiteral("Workbook"), worse}}), QString());
        QVERIFY2(both.serialError.contains(QStringLiteral("Foglio 6")), qPrintable(both.serialError));
        QCOMPARE(both.parallelError, both.serialError);
    }

    // A file of several megabytes read from disk, through the buffers that
    // large pages back, is the workbook its bytes give in memory.
    void bigFileFromDisk() {
        auto book = std::make_unique<xl::Workbook>();
        xl::Worksheet& ws = book->AddSheet(QStringLiteral("Grande"));
        for (int r = 1; r <= 24000; ++r)
            for (int c = 1; c <= 6; ++c)
                ws.cellRef(r, c).value = xl::Value(QStringLiteral("testo della riga %1, colonna %2").arg(r).arg(c));
        const QString pw = QStringLiteral("Kemi4417");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Grande.xls"));
        xls::writeWorkbook(*book, path, pw);
        QVERIFY(QFileInfo(path).size() > 6 << 20);
        // Sealed while it was being written, it holds in clear the stream one
        // thread writes.
        std::vector<Stream> streams;
        QCOMPARE(readCompound(readAll(path), streams), CfbStatus::Ok);
        QCOMPARE(streams.size(), std::size_t(1));
        const QByteArray written = unsealed(streams.front().data, pw);
        QVERIFY(!written.isEmpty());
        QVERIFY(written == unsealed(encodeWorkbookStream(*book, pw, {Scheme::Rc4CryptoApi, 128, 1}), pw));
        auto fromDisk = xls::readWorkbook(path, pw);
        auto inMemory = decodeFile(readAll(path), pw, DecodeOptions{1});
        const QString d = difference(*fromDisk, *inMemory);
        QVERIFY2(d.isEmpty(), qPrintable(d));
        QCOMPARE(fromDisk->Sheets(1).valueAt(24000, 6).textValue(),
                 QStringLiteral("testo della riga 24000, colonna 6"));
    }

    // Cells that repeat a text share it with the table they came from, and
    // a value copied out lives on after the workbook goes.
    void sharedTexts() {
        const QByteArray file = encodeFile(*manySheets(), QString());
        auto book = decodeFile(file, QString());
        const xl::Value& a = book->Sheets(1).cellAt(7, 3)->value;
        const xl::Value& b = book->Sheets(2).cellAt(14, 4)->value;
        QCOMPARE(a.textValue(), QStringLiteral("comune"));
        QCOMPARE(b, a);
        QVERIFY(a.textValue().constData() == b.textValue().constData());
        const xl::Value kept = a;
        book.reset();
        QCOMPARE(kept.textValue(), QStringLiteral("comune"));
    }
};

QTEST_GUILESS_MAIN(TestThreads)
#include "tst_threads.moc"
