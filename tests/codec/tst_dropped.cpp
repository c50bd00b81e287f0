// What a save cannot write back: found when the file is read, the file as it
// was kept in Backup/ before the first save that drops it, the user told once,
// and a save stopped when the copy cannot be made.

#include "tests/support/app_fixture.h"

#include "app/form1.h"
#include "platform/xls/biff.h"
#include "platform/xls/bytes.h"
#include "platform/xls/cfb.h"
#include "platform/xls/xlsfile.h"
#include "store/keeporiginal.h"
#include "store/schema.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using testsupport::AppFixture;

namespace {

const QDir corpus(QStringLiteral(CORPUS_DIR));

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The workbook at `path` once more, unencrypted, with a sheet protection
// record put into its last sheet: a file as a spreadsheet program leaves it
// after the user protected a sheet.
bool protectLastSheet(const QString& path) {
    auto book = xls::readWorkbook(path, store::workbookPassword());
    QByteArray stream = xls::detail::encodeWorkbookStream(*book, QString());
    std::size_t pos = 0, lastSheet = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(stream.constData());
    while (pos + 4 <= std::size_t(stream.size())) {
        const std::uint16_t type = xls::detail::le16(p + pos), len = xls::detail::le16(p + pos + 2);
        if (type == 0x0085) lastSheet = std::max<std::size_t>(lastSheet, xls::detail::le32(p + pos + 4));
        if (type == 0x000A) break; // end of the globals
        pos += 4 + len;
    }
    if (lastSheet == 0) return false;
    // After the sheet's BOF: no later sheet moves, so every offset stays right.
    const std::size_t at = lastSheet + 4 + xls::detail::le16(p + lastSheet + 2);
    stream.insert(qsizetype(at), QByteArray::fromHex("120002000100"));
    const QByteArray file = xls::detail::writeCompound({{QStringLiteral("Workbook"), stream}});
    return !file.isEmpty() && writeAll(path, file);
}

} // namespace

class TestDropped : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { xls::registerCodec(); }

    // Each kind is found where it is, named with its sheets; what the reader
    // models is not reported.
    void foundWhenRead_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("comments") << "poi-SimpleWithComments.xls" << QString()
                                  << QStringList{QStringLiteral("commenti delle celle (foglio \"Sheet1\")")};
        QTest::newRow("charts") << "poi-SimpleChart.xls" << QString()
                                << QStringList{QStringLiteral("grafici (foglio \"Sheet1\")")};
        QTest::newRow("drawings") << "poi-SheetWithDrawing.xls" << QString()
                                  << QStringList{
                                         QStringLiteral("disegni, immagini e caselle di testo (foglio \"Sheet1\")")};
        QTest::newRow("conditional formats")
            << "poi-WithConditionalFormatting.xls" << QString()
            << QStringList{QStringLiteral("formattazione condizionale (foglio \"CF\")")};
        QTest::newRow("array formulas and tables")
            << "poi-testArraysAndTables.xls" << QString()
            << QStringList{QStringLiteral("formule matrice (restano i valori) (foglio \"Sheet1\")"),
                           QStringLiteral("tabelle dati (restano i valori) (foglio \"Sheet1\")")};
        QTest::newRow("rich text, encrypted")
            << "poi-password.xls" << QStringLiteral("password")
            << QStringList{
                   QStringLiteral("testo con formati diversi nella stessa cella (resta il testo) (foglio \"Лист1\")")};
        QTest::newRow("hyperlinks") << "poi-WithHyperlink.xls" << QString()
                                    << QStringList{QStringLiteral(
                                           "collegamenti ipertestuali (resta il testo) (foglio \"Sheet1\")")};
        QTest::newRow("formats and fonts only") << "poi-Formatting.xls" << QString() << QStringList{};
        QTest::newRow("formulas the program keeps") << "xlrd-formula_test_sjmachin.xls" << QString() << QStringList{};
        // Names over several sheets, and the names built on them, lose their formula.
        QTest::newRow("names that cannot be written back")
            << "xlrd-namesdemo.xls" << QString()
            << QStringList{
                   QStringLiteral(
                       "formule che il programma non sa riscrivere (restano i valori) (fogli \"Sheet1\", \"Sheet3\")"),
                   QStringLiteral("nomi definiti che il programma non sa riscrivere (\"all_local_ranges\", "
                                  "\"BottomLine\", \"Moscow\", \"Москва\")")};
        // An empty validation list validates nothing.
        QTest::newRow("no validation rule") << "poi-dvEmpty.xls" << QString() << QStringList{};
    }
    void foundWhenRead() {
        QFETCH(QString, file);
        QFETCH(QString, password);
        QFETCH(QStringList, expected);
        auto book = xls::readWorkbook(corpus.filePath(file), password);
        QCOMPARE(book->notKept, expected);
    }

    // What the program writes holds nothing a later save would drop, so the
    // copy and the message come once per file; and every public workbook
    // comes back with its cells.
    void programOutputHasNothingToDrop() {
        QTemporaryDir dir;
        std::map<QString, QString> passwords{
            {QStringLiteral("poi-password.xls"), QStringLiteral("password")},
            {QStringLiteral("msoffcrypto-rc4cryptoapi_password.xls"), QStringLiteral("Password1234_")},
            {QStringLiteral("msoffcrypto-xor_password_123456789012345.xls"), QStringLiteral("123456789012345")}};
        int withDrops = 0;
        for (const QString& f : corpus.entryList({QStringLiteral("*.xls")}, QDir::Files)) {
            auto book = xls::readWorkbook(corpus.filePath(f), passwords.count(f) ? passwords[f] : QString());
            if (!book->notKept.isEmpty()) ++withDrops;
            const QString out = dir.filePath(f);
            xls::writeWorkbook(*book, out, store::workbookPassword());
            auto again = xls::readWorkbook(out, store::workbookPassword());
            QVERIFY2(again->notKept.isEmpty(),
                     qPrintable(f + QLatin1String(": ") + again->notKept.join(QLatin1String("; "))));
            QCOMPARE(again->SheetCount(), book->SheetCount());
            for (int s = 1; s <= book->SheetCount(); ++s)
                QCOMPARE(again->Sheets(s).usedRange(), book->Sheets(s).usedRange());
        }
        QVERIFY(withDrops >= 8);
    }

    // The copy is the file byte for byte; an earlier copy is never written
    // over, an identical one is used again; the message comes once.
    void originalCopiedOnce() {
        QTemporaryDir dir;
        testsupport::ScopedDialogs dialogs;
        const QString path = dir.filePath(QStringLiteral("Pratiche.xls"));
        QVERIFY(QFile::copy(corpus.filePath(QStringLiteral("poi-SimpleWithComments.xls")), path));
        const QByteArray original = readAll(path);
        const QString backup = dir.filePath(QStringLiteral("Backup"));
        QVERIFY(QDir().mkpath(backup));
        const QString first = backup + QStringLiteral("/Pratiche-originale-prima-del-salvataggio.xls");
        // A copy of another file is already there under the name.
        QVERIFY(writeAll(first, "another file"));

        auto book = xls::readWorkbook(path, QString());
        QString why;
        QVERIFY(store::keepOriginalBeforeSave(*book, backup, &why));
        const QString second = backup + QStringLiteral("/Pratiche-originale-prima-del-salvataggio (2).xls");
        QCOMPARE(readAll(first), QByteArray("another file"));
        QCOMPARE(readAll(second), original);
        QCOMPARE(int(dialogs->shown.size()), 1);
        const testsupport::Box box = dialogs->shown.front();
        QCOMPARE(box.title, QStringLiteral("Velmora"));
        QCOMPARE(box.icon, ui::MsgIcon::Information);
        QVERIFY2(box.text.contains(QStringLiteral("- commenti delle celle (foglio \"Sheet1\")")), qPrintable(box.text));
        QVERIFY2(box.text.contains(QDir::toNativeSeparators(second)), qPrintable(box.text));
        QVERIFY(book->notKept.isEmpty());

        // Asked again: nothing more.
        QVERIFY(store::keepOriginalBeforeSave(*book, backup, &why));
        QCOMPARE(int(dialogs->shown.size()), 1);

        // The same file read again (the save failed, the program restarted):
        // the copy already made is named again, no third one is made.
        auto reread = xls::readWorkbook(path, QString());
        QVERIFY(store::keepOriginalBeforeSave(*reread, backup, &why));
        QCOMPARE(QDir(backup).entryList(QDir::Files).size(), 2);
        QVERIFY(dialogs->shown.back().text.contains(QDir::toNativeSeparators(second)));
    }

    // Through the program's own save: the first save that drops something
    // keeps the file and tells the user; when the copy cannot be made the
    // save does not happen and the user is told why.
    void programSaveKeepsOriginal() {
        AppFixture fx;
        fx.writeWorkbook();
        QVERIFY(protectLastSheet(fx.workbookPath()));
        const QByteArray original = readAll(fx.workbookPath());
        QVERIFY(fx.start());
        Form1& f = fx.form();
        fx.sheet(store::kVarie).GetRange("A2").SetValue(xl::Value("F7"));
        fx.dialogs().clear();
        QVERIFY(f.SaveWorkbook());
        QCOMPARE(int(fx.dialogs().shown.size()), 1);
        const QString text = fx.dialogs().shown.front().text;
        QVERIFY2(text.contains(QStringLiteral("protezione dei fogli")), qPrintable(text));
        const QString copy = fx.folder() + QStringLiteral("/Backup/Pratiche-originale-prima-del-salvataggio.xls");
        QVERIFY2(text.contains(QDir::toNativeSeparators(copy)), qPrintable(text));
        QCOMPARE(readAll(copy), original);
        QCOMPARE(fx.onDisk()->Sheets(store::kVarie).GetRange("A2").Text(), QStringLiteral("F7"));
        QVERIFY(fx.onDisk()->notKept.isEmpty());

        fx.dialogs().clear();
        QVERIFY(f.SaveWorkbook());
        QVERIFY(fx.dialogs().shown.empty());
    }

    // At the end of the session nobody can read a box: the file is kept all
    // the same and the save goes through without one.
    void sessionEndKeepsOriginalWithoutBox() {
        AppFixture fx;
        fx.writeWorkbook();
        QVERIFY(protectLastSheet(fx.workbookPath()));
        const QByteArray original = readAll(fx.workbookPath());
        QVERIFY(fx.start());
        fx.sheet(store::kVarie).GetRange("A2").SetValue(xl::Value("F7"));
        fx.dialogs().clear();
        fx.form().endSession();
        QVERIFY(fx.dialogs().shown.empty());
        QCOMPARE(readAll(fx.folder() + QStringLiteral("/Backup/Pratiche-originale-prima-del-salvataggio.xls")),
                 original);
        QCOMPARE(fx.onDisk()->Sheets(store::kVarie).GetRange("A2").Text(), QStringLiteral("F7"));
    }

    void saveStoppedWhenCopyFails() {
        AppFixture fx;
        fx.writeWorkbook();
        QVERIFY(protectLastSheet(fx.workbookPath()));
        // A plain file where the Backup folder should be: start-up leaves it.
        QVERIFY(writeAll(fx.folder() + QStringLiteral("/Backup"), "not a folder"));
        const QByteArray original = readAll(fx.workbookPath());
        QVERIFY(fx.start());
        Form1& f = fx.form();
        fx.sheet(store::kVarie).GetRange("A2").SetValue(xl::Value("F7"));
        fx.dialogs().clear();
        QVERIFY(!f.SaveWorkbook());
        QCOMPARE(int(fx.dialogs().shown.size()), 1);
        const testsupport::Box box = fx.dialogs().shown.front();
        QCOMPARE(box.icon, ui::MsgIcon::Critical);
        QVERIFY2(box.text.startsWith(
                     QStringLiteral("Impossibile salvare il database Pratiche.xls: non è stato possibile copiare")),
                 qPrintable(box.text));
        QCOMPARE(readAll(fx.workbookPath()), original);
        QCOMPARE(fx.sheet(store::kVarie).GetRange("A2").Text(), QStringLiteral("F7"));

        // The folder made right: the next save keeps the original and goes through.
        QVERIFY(QFile::remove(fx.folder() + QStringLiteral("/Backup")));
        fx.dialogs().clear();
        QVERIFY(f.SaveWorkbook());
        QCOMPARE(readAll(fx.folder() + QStringLiteral("/Backup/Pratiche-originale-prima-del-salvataggio.xls")),
                 original);
        QCOMPARE(fx.onDisk()->Sheets(store::kVarie).GetRange("A2").Text(), QStringLiteral("F7"));
    }
};

QTEST_MAIN(TestDropped)
#include "tst_dropped.moc"
