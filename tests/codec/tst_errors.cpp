// Bad input gets a codec error of the right kind, never a crash or a hang;
// a failed save leaves the old file whole and says so.

#include "tests/codec/samples.h"
#include "tests/support/failing_device.h"

#include "platform/xls/biff.h"
#include "platform/xls/bytes.h"
#include "platform/xls/cfb.h"
#include "platform/xls/crypto.h"
#include "platform/xls/xlsfile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace xls::detail;
using xls::FileErrorKind;

namespace {

xls::FileErrorKind kindOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const xls::FileError& e) {
        return e.kind();
    }
    return FileErrorKind(-1);
}

QByteArray fileWithStream(const QByteArray& workbook) {
    return writeCompound({{QStringLiteral("Workbook"), workbook}});
}

void put16(QByteArray& s, qsizetype at, std::uint16_t v) {
    s[at] = char(v & 0xFF);
    s[at + 1] = char(v >> 8);
}

// Offset of the first record of `type` in a plain stream, -1 when none.
qsizetype findRecord(const QByteArray& s, std::uint16_t type) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.constData());
    qsizetype pos = 0;
    while (pos + 4 <= s.size()) {
        if (le16(p + pos) == type) return pos;
        pos += 4 + le16(p + pos + 2);
    }
    return -1;
}

QStringList leftovers(const QString& dir) {
    return QDir(dir).entryList(QStringList{QStringLiteral(".*.XXXXXX"), QStringLiteral(".Pratiche.xls.*")},
                               QDir::Files | QDir::Hidden);
}

} // namespace

class TestErrors : public QObject {
    Q_OBJECT
private slots:
    void readErrors() {
        QTemporaryDir dir;
        const QString missing = dir.filePath(QStringLiteral("nessuno.xls"));
        QCOMPARE(kindOf([&] { xls::readWorkbook(missing, QString()); }), FileErrorKind::NotFound);

        const QString text = dir.filePath(QStringLiteral("testo.xls"));
        QFile f(text);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(2000, 'a'));
        f.close();
        QCOMPARE(kindOf([&] { xls::readWorkbook(text, QString()); }), FileErrorKind::NotCompoundFile);
        QCOMPARE(kindOf([&] { decodeFile(QByteArray(), QString()); }), FileErrorKind::NotCompoundFile);

        const QByteArray noBook = writeCompound({{QStringLiteral("Altro"), QByteArray(600, 'z')}});
        QCOMPARE(kindOf([&] { decodeFile(noBook, QString()); }), FileErrorKind::NoWorkbookStream);
    }

    // Excel 95 and older workbooks are named for what they are, with the way
    // out, whether the stream is called "Book" or "Workbook", protected or not.
    void olderFormatsNamed() {
        auto book = codectest::richWorkbook(3);
        const QByteArray plain = encodeWorkbookStream(*book, QString());
        QByteArray biff5 = plain;
        put16(biff5, 4, 0x0500);
        QByteArray biff4 = plain;
        put16(biff4, 0, 0x0409);
        QByteArray biff5Secret = encodeWorkbookStream(*book, QStringLiteral("x"));
        put16(biff5Secret, 4, 0x0500);
        const std::vector<QByteArray> files{
            writeCompound({{QStringLiteral("Book"), QByteArray(600, 'z')}}),
            fileWithStream(biff5),
            fileWithStream(biff4),
            fileWithStream(biff5Secret),
        };
        for (const QByteArray& f : files) {
            try {
                decodeFile(f, QStringLiteral("x"));
                QFAIL("an older workbook was read");
            } catch (const xls::FileError& e) {
                QCOMPARE(e.kind(), FileErrorKind::OlderFormat);
                const QString what = QString::fromStdString(e.what());
                QVERIFY2(what.contains(QStringLiteral("\"Excel 97-2003\"")) &&
                             what.contains(QStringLiteral("più vecchio")),
                         e.what());
            }
        }
    }

    // A file the spreadsheet saved as "read-only recommended" puts WRITEPROT
    // before FILEPASS; it opens with its password like any other.
    void writeProtectedEncryptedFileOpens() {
        auto book = codectest::richWorkbook(20);
        const QString pw = QStringLiteral("Kemi4417");
        QByteArray s = encodeWorkbookStream(*book, pw);
        const qsizetype fp = findRecord(s, 0x002F);
        QCOMPARE(fp, qsizetype(20));
        auto info = parseFilePass(reinterpret_cast<const unsigned char*>(s.constData()) + fp + 4,
                                  le16(reinterpret_cast<const unsigned char*>(s.constData()) + fp + 2));
        QVERIFY(info);
        auto cipher = makeCipher(*info, pw);
        QVERIFY(cipher);
        QVERIFY(transformStream(s, *cipher, false));
        s.insert(fp, QByteArray::fromHex("86000000"));
        // the sheets move by the record put in front of them
        for (qsizetype at = findRecord(s, 0x0085);
             at >= 0 && le16(reinterpret_cast<const unsigned char*>(s.constData()) + at) == 0x0085;
             at += 4 + le16(reinterpret_cast<const unsigned char*>(s.constData()) + at + 2)) {
            ByteWriter(s).put32(at + 4, le32(reinterpret_cast<const unsigned char*>(s.constData()) + at + 4) + 4);
        }
        QVERIFY(transformStream(s, *cipher, true));
        auto back = decodeFile(fileWithStream(s), pw);
        book->foreignStreams.clear(); // the file made here holds the workbook alone
        QCOMPARE(codectest::firstDifference(*book, *back), QString());
        QCOMPARE(kindOf([&] { decodeFile(fileWithStream(s), QStringLiteral("altra")); }), FileErrorKind::WrongPassword);
    }

    // Damage at each level: the container, the record structure, the
    // offsets and counts inside records.
    void damagedFiles() {
        auto book = codectest::richWorkbook(30);
        const QByteArray file = encodeFile(*book, QStringLiteral("Kemi4417"));
        QCOMPARE(kindOf([&] { decodeFile(file.left(file.size() / 2), QStringLiteral("Kemi4417")); }),
                 FileErrorKind::Damaged);
        QCOMPARE(kindOf([&] { decodeFile(file.left(600), QStringLiteral("Kemi4417")); }), FileErrorKind::Damaged);

        const QByteArray plain = encodeWorkbookStream(*book, QString());
        // The stream cut in the middle of the sheets.
        QCOMPARE(kindOf([&] { decodeFile(fileWithStream(plain.left(plain.size() - 300)), QString()); }),
                 FileErrorKind::Damaged);
        // No BOF first.
        QCOMPARE(kindOf([&] { decodeFile(fileWithStream(plain.mid(4 + 16)), QString()); }), FileErrorKind::Damaged);
        // A record longer than the format allows.
        QByteArray tooLong = plain;
        put16(tooLong, 4 + 16 + 2, 9000);
        QCOMPARE(kindOf([&] { decodeFile(fileWithStream(tooLong), QString()); }), FileErrorKind::Damaged);
        // A sheet offset beyond the stream.
        QByteArray farSheet = plain;
        const qsizetype bs = findRecord(farSheet, 0x0085);
        QVERIFY(bs > 0);
        farSheet[bs + 4 + 3] = char(0x7F);
        QCOMPARE(kindOf([&] { decodeFile(fileWithStream(farSheet), QString()); }), FileErrorKind::Damaged);
        // A sheet offset that lands inside a record.
        QByteArray midRecord = plain;
        put16(midRecord, bs + 4,
              std::uint16_t(le16(reinterpret_cast<const unsigned char*>(plain.constData()) + bs + 4) + 1));
        QCOMPARE(kindOf([&] { decodeFile(fileWithStream(midRecord), QString()); }), FileErrorKind::Damaged);
        // A string table that claims four billion strings reads what is there.
        QByteArray manyStrings = plain;
        const qsizetype sst = findRecord(manyStrings, 0x00FC);
        for (int i = 0; i < 4; ++i) manyStrings[sst + 8 + i] = char(0xFF);
        auto back = decodeFile(fileWithStream(manyStrings), QString());
        QCOMPARE(back->Sheets(1).cellAt(2, 3)->value.textValue(), QStringLiteral("CLIENTE NUMERO 2 SRL"));
    }

    // Many sheet entries that all point to one small sheet whose last row is
    // the sheet's last: refused, rather than rows for every entry.
    void manySheetsOfFullRowsRefused() {
        xl::Workbook book;
        book.AddSheet(QStringLiteral("S")).cellRef(65536, 1).value = xl::Value(1);
        QByteArray plain = encodeWorkbookStream(book, QString());
        const qsizetype bs = findRecord(plain, 0x0085);
        const auto* p = reinterpret_cast<const unsigned char*>(plain.constData());
        const qsizetype len = 4 + le16(p + bs + 2);
        const QByteArray entry = plain.mid(bs, len);
        QByteArray copies;
        const int n = 40;
        for (int i = 0; i < n; ++i) {
            QByteArray e = entry;
            e[len - 1] = "abcdefghijklmnopqrtuvwxyz0123456789!#$%&"[i]; // a one-letter name of its own
            copies.append(e);
        }
        plain.insert(bs + len, copies);
        p = reinterpret_cast<const unsigned char*>(plain.constData());
        // Every sheet offset moves by what was inserted.
        const std::uint32_t pos = le32(p + bs + 4) + std::uint32_t(copies.size());
        for (int i = 0; i <= n; ++i) {
            const qsizetype at = bs + i * len + 4;
            for (int k = 0; k < 4; ++k) plain[at + k] = char((pos >> (8 * k)) & 0xFF);
        }
        try {
            decodeWorkbookStream(plain, QString());
            QFAIL("opened");
        } catch (const xls::FileError& e) {
            QCOMPARE(e.kind(), FileErrorKind::Damaged);
            QVERIFY2(QString::fromStdString(e.what()).contains(QStringLiteral("rows")), e.what());
        }
    }

    void unsupportedEncryption() {
        auto book = codectest::richWorkbook(3);
        QByteArray secret = encodeWorkbookStream(*book, QStringLiteral("x"));
        const qsizetype fp = findRecord(secret, 0x002F);
        QVERIFY(fp > 0);
        QByteArray otherVersion = secret;
        put16(otherVersion, fp + 4 + 2, 9); // encryption version 9.2
        QCOMPARE(kindOf([&] { decodeFile(fileWithStream(otherVersion), QStringLiteral("x")); }),
                 FileErrorKind::UnsupportedEncryption);
        QByteArray otherType = secret;
        put16(otherType, fp + 4, 7);
        QCOMPARE(kindOf([&] { decodeFile(fileWithStream(otherType), QStringLiteral("x")); }),
                 FileErrorKind::UnsupportedEncryption);
        QCOMPARE(kindOf([&] { decodeFile(fileWithStream(secret), QStringLiteral("y")); }),
                 FileErrorKind::WrongPassword);
    }

    // Random damage anywhere in a file, plain and encrypted: every outcome
    // is a workbook or a codec error (the sanitizer build checks the rest).
    void randomDamage() {
        auto book = codectest::richWorkbook(20);
        const QByteArray plain = encodeWorkbookStream(*book, QString());
        const QByteArray secret = encodeWorkbookStream(*book, QStringLiteral("k"));
        QRandomGenerator rng(4417);
        int opened = 0, refused = 0;
        for (int round = 0; round < 600; ++round) {
            QByteArray s = (round % 2) ? secret : plain;
            const int hits = 1 + int(rng.bounded(6));
            for (int h = 0; h < hits; ++h) s[qsizetype(rng.bounded(quint32(s.size())))] = char(rng.bounded(256));
            if (round % 5 == 0) s.truncate(qsizetype(rng.bounded(quint32(s.size()))));
            try {
                decodeWorkbookStream(s, (round % 2) ? QStringLiteral("k") : QString());
                ++opened;
            } catch (const xls::FileError&) {
                ++refused;
            }
        }
        QCOMPARE(opened + refused, 600);
    }

    // A device that gives out after any number of bytes makes the save
    // fail, whether the bytes run out at the start, inside a sector of the
    // compound file or at its very last byte.
    void deviceThatGivesOutFailsTheSave() {
        auto book = codectest::richWorkbook(10);
        const QByteArray whole = encodeFile(*book, QString());
        for (qint64 budget : {qint64(0), qint64(1), qint64(511), qint64(512), qint64(4097), qint64(whole.size() - 1)}) {
            QBuffer sink;
            QVERIFY(sink.open(QIODevice::WriteOnly));
            testsupport::FailingDevice disk(&sink, budget, QStringLiteral("disco pieno"));
            try {
                xls::writeWorkbook(*book, disk, QString());
                QFAIL(qPrintable(QStringLiteral("a device full after %1 bytes took the whole file").arg(budget)));
            } catch (const xls::FileError& e) {
                QCOMPARE(e.kind(), FileErrorKind::WriteFailed);
                QCOMPARE(QString::fromStdString(e.what()), QStringLiteral("disco pieno"));
            }
            QCOMPARE(sink.data(), whole.left(budget));
        }
        // Room for the whole file: what lands on the device is the file.
        QBuffer sink;
        QVERIFY(sink.open(QIODevice::WriteOnly));
        testsupport::FailingDevice roomy(&sink, whole.size(), QStringLiteral("disco pieno"));
        xls::writeWorkbook(*book, roomy, QString());
        QCOMPARE(sink.data(), whole);
        QVERIFY(codectest::firstDifference(*book, *decodeFile(sink.data(), QString())).isEmpty());
    }

    void failedSaveKeepsOldFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Pratiche.xls"));
        auto book = codectest::richWorkbook(10);
        xls::writeWorkbook(*book, path, QStringLiteral("Kemi4417"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray before = f.readAll();
        f.close();

        book->Sheets(1).cellRef(2, 1).value = xl::Value(12345);
        for (qint64 budget : {qint64(0), qint64(700), qint64(before.size() - 1)}) {
            try {
                replaceFile(path, [&](QIODevice& temp) {
                    testsupport::FailingDevice disk(&temp, budget, QStringLiteral("disco pieno"));
                    xls::writeWorkbook(*book, disk, QStringLiteral("Kemi4417"));
                });
                QFAIL("the failed save was reported as a success");
            } catch (const xls::FileError& e) {
                QCOMPARE(e.kind(), FileErrorKind::WriteFailed);
                QVERIFY(QString::fromStdString(e.what()).contains(QStringLiteral("disco pieno")));
                QVERIFY(QString::fromStdString(e.what()).contains(QStringLiteral("Pratiche.xls")));
            }
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), before);
            f.close();
            QVERIFY2(leftovers(dir.path()).isEmpty(), qPrintable(leftovers(dir.path()).join(',')));
        }
        auto still = xls::readWorkbook(path, QStringLiteral("Kemi4417"));
        QCOMPARE(still->Sheets(1).cellAt(2, 1)->value.numberValue(), 1.0);

        // Through the engine, as SaveWorkbook calls it.
        xls::registerCodec();
        xl::Application app;
        xl::Workbook& wb = app.Open(path, QStringLiteral("Kemi4417"));
        wb.Sheets(1).cellRef(2, 1).value = xl::Value(777);
        {
            testsupport::FailingSaves full(2048, QStringLiteral("disco pieno"));
            QVERIFY_THROWS_EXCEPTION(xl::Error, wb.Save());
        }
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
        f.close();
        wb.Save();
        QCOMPARE(xls::readWorkbook(path, QStringLiteral("Kemi4417"))->Sheets(1).cellAt(2, 1)->value.numberValue(),
                 777.0);
    }

    void saveIntoMissingFolderFails() {
        QTemporaryDir dir;
        auto book = codectest::richWorkbook(2);
        QCOMPARE(
            kindOf([&] { xls::writeWorkbook(*book, dir.filePath(QStringLiteral("manca/Pratiche.xls")), QString()); }),
            FileErrorKind::WriteFailed);
        // A target that is a folder cannot be replaced by a file.
        QDir().mkpath(dir.filePath(QStringLiteral("cartella.xls/x")));
        QCOMPARE(kindOf([&] { xls::writeWorkbook(*book, dir.filePath(QStringLiteral("cartella.xls")), QString()); }),
                 FileErrorKind::WriteFailed);
        QVERIFY(leftovers(dir.path()).isEmpty());
    }

    void saveKeepsPermissions() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Pratiche.xls"));
        auto book = codectest::richWorkbook(2);
        xls::writeWorkbook(*book, path, QString());
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0640) == 0);
        xls::writeWorkbook(*book, path, QString());
        struct stat st;
        QVERIFY(::stat(QFile::encodeName(path).constData(), &st) == 0);
        QCOMPARE(int(st.st_mode & 0777), 0640);
    }
};

QTEST_GUILESS_MAIN(TestErrors)
#include "tst_errors.moc"
