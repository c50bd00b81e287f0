// The compound file a save writes reads back, through libgsf, stream for
// stream: streams of every size around the container's units, storages
// inside storages, enough streams for several directory sectors, and one
// large enough that the allocation table needs an index of its own.

#include "platform/xls/bytes.h"
#include "platform/xls/cfb.h"

#include <QRandomGenerator>
#include <QtTest>

#include <functional>
#include <map>

using namespace xls::detail;

namespace {

QByteArray randomBytes(qsizetype n, quint32 seed) {
    QRandomGenerator gen(seed);
    QByteArray b(n, Qt::Uninitialized);
    for (qsizetype i = 0; i < n; ++i) b[i] = char(gen.generate() & 0xFF);
    return b;
}

// What the container holds, read back by the library the program opens
// files with, by path.
std::map<QString, QByteArray> readBack(const QByteArray& file) {
    std::vector<Stream> streams;
    QString why;
    const CfbStatus status = readCompound(file, streams, &why);
    if (status != CfbStatus::Ok) qWarning() << "not read back:" << why;
    std::map<QString, QByteArray> out;
    for (Stream& s : streams) out[s.path] = std::move(s.data);
    return out;
}

// The names of a storage's children as its search tree orders them, read
// from the directory: programs that look a stream up by name (Excel
// finding "Workbook") go down that tree. Small files only: the header
// lists the whole allocation table.
QStringList inOrder(const QByteArray& file, std::uint32_t storage = 0) {
    const auto* p = reinterpret_cast<const unsigned char*>(file.constData());
    auto sectorAt = [&](std::uint32_t s) { return p + 512 + std::size_t(s) * 512; };
    auto fatEntry = [&](std::uint32_t s) { return le32(sectorAt(le32(p + 76 + 4 * (s / 128))) + 4 * (s % 128)); };
    std::vector<const unsigned char*> entries;
    for (std::uint32_t s = le32(p + 48); s < 0xFFFFFFFA; s = fatEntry(s))
        for (int k = 0; k < 4; ++k) entries.push_back(sectorAt(s) + 128 * k);
    QStringList out;
    std::function<void(std::uint32_t)> walk = [&](std::uint32_t i) {
        if (i == 0xFFFFFFFF || i >= entries.size()) return;
        const unsigned char* e = entries[i];
        walk(le32(e + 68));
        QString name;
        for (int k = 0; k + 2 < le16(e + 64); k += 2) name += QChar(le16(e + k));
        out << name;
        walk(le32(e + 72));
    };
    walk(le32(entries[storage] + 76));
    return out;
}

} // namespace

class TestCompound : public QObject {
    Q_OBJECT
private slots:
    void streamsOfEverySizeReadBack() {
        std::vector<Stream> streams;
        quint32 seed = 1;
        // Around the mini sector (64), the cut-off to regular sectors (4096)
        // and the sector (512); empty streams too.
        for (qsizetype n : {0, 1, 63, 64, 65, 511, 512, 513, 4095, 4096, 4097, 9000, 65536 + 3})
            streams.push_back({QStringLiteral("s%1").arg(n), randomBytes(n, seed++)});
        streams.insert(streams.begin(), Stream{QStringLiteral("Workbook"), randomBytes(20000, 99)});
        streams.push_back({QStringLiteral("\x05SummaryInformation"), randomBytes(200, seed++)});
        streams.push_back({QStringLiteral("_VBA_PROJECT_CUR/VBA/dir"), randomBytes(700, seed++)});
        streams.push_back({QStringLiteral("_VBA_PROJECT_CUR/VBA/Modulo1"), randomBytes(5000, seed++)});
        streams.push_back({QStringLiteral("_VBA_PROJECT_CUR/PROJECT"), randomBytes(300, seed++)});
        streams.push_back({QStringLiteral("Altra/Cartella/Profonda/Dati"), randomBytes(10, seed++)});
        QString why;
        const QByteArray file = writeCompound(streams, &why);
        QVERIFY2(!file.isEmpty(), qPrintable(why));
        QCOMPARE(file.size() % 512, 0);
        const auto back = readBack(file);
        QCOMPARE(back.size(), streams.size());
        for (const Stream& s : streams) {
            QVERIFY2(back.count(s.path), qPrintable(s.path));
            QVERIFY2(back.at(s.path) == s.data, qPrintable(s.path));
        }
        // The first stream lies right after the header, where a save puts
        // the workbook stream as it was encoded.
        QCOMPARE(file.mid(512, 20000), streams.front().data);
    }

    void manyEntriesAndNamesThatSortAlike() {
        // Names of one length that differ only in case order by their
        // upper case; several directory sectors' worth of entries.
        std::vector<Stream> streams;
        for (int i = 0; i < 150; ++i)
            streams.push_back({QStringLiteral("%1%2").arg(i % 2 ? QStringLiteral("B") : QStringLiteral("a")).arg(i),
                               randomBytes(i * 37, quint32(i))});
        const QByteArray file = writeCompound(streams);
        const auto back = readBack(file);
        QCOMPARE(back.size(), streams.size());
        for (const Stream& s : streams) QVERIFY2(back.count(s.path) && back.at(s.path) == s.data, qPrintable(s.path));
        const QStringList names = inOrder(file);
        QCOMPARE(names.size(), qsizetype(streams.size()));
        for (qsizetype i = 1; i < names.size(); ++i) {
            const QString &a = names[i - 1], &b = names[i];
            QVERIFY2(a.size() < b.size() || (a.size() == b.size() && a.toUpper() < b.toUpper()),
                     qPrintable(a + QLatin1Char(' ') + b));
        }
    }

    void largeStreamNeedsTheTableIndex() {
        // Past 109 sectors of allocation table (about 7 MB) the header
        // cannot list them all: the rest go in index sectors.
        const QByteArray big = randomBytes(9 << 20, 7);
        const QByteArray small = randomBytes(100, 8);
        const auto back = readBack(writeCompound({{QStringLiteral("Workbook"), big}, {QStringLiteral("x"), small}}));
        QCOMPARE(back.size(), std::size_t(2));
        QVERIFY(back.at(QStringLiteral("Workbook")) == big);
        QVERIFY(back.at(QStringLiteral("x")) == small);
    }

    void partsMakeTheSameFileAsOnePiece() {
        const QByteArray whole = randomBytes(50000, 3);
        const QByteArray other = randomBytes(3000, 4);
        std::vector<StreamParts> parts{{QStringLiteral("Workbook"), {}}, {QStringLiteral("o"), {}}};
        for (qsizetype at = 0, step = 1; at < whole.size(); at += step, step = step * 3 % 7919 + 1)
            parts[0].parts.push_back({whole.constData() + at, std::min(step, whole.size() - at)});
        parts[1].parts = {{other.constData(), 1000}, {other.constData() + 1000, 2000}};
        CompoundImage image;
        QVERIFY(layoutCompound(parts, image));
        QCOMPARE(image.flatten().size(), image.size);
        QCOMPARE(image.flatten(), writeCompound({{QStringLiteral("Workbook"), whole}, {QStringLiteral("o"), other}}));
    }

    void pathsAContainerCannotHoldAreRefused() {
        const QByteArray d(10, 'x');
        for (const QString& bad :
             {QStringLiteral("a/"), QStringLiteral("/a"), QString(32, QLatin1Char('n')), QStringLiteral("a//b")}) {
            QString why;
            QVERIFY2(writeCompound({{bad, d}}, &why).isEmpty(), qPrintable(bad));
            QVERIFY(!why.isEmpty());
        }
        // The same name twice in one storage, in any case.
        QVERIFY(writeCompound({{QStringLiteral("Dati"), d}, {QStringLiteral("DATI"), d}}).isEmpty());
        QVERIFY(writeCompound({{QStringLiteral("s/x"), d}, {QStringLiteral("S/X"), d}}).isEmpty());
        // A stream and a storage of one name cannot both be.
        QVERIFY(writeCompound({{QStringLiteral("s"), d}, {QStringLiteral("s/x"), d}}).isEmpty());
        // Thirty-one characters still fit.
        QVERIFY(!writeCompound({{QString(31, QLatin1Char('n')), d}}).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCompound)
#include "tst_compound.moc"
