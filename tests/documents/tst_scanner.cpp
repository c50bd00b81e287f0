// The scanning layer over SANE's test backend: the devices it finds, pages in
// every pixel layout a scanner may send, the BMP written under the name
// given, the failure check and its report, and the source choice; and what
// becomes of a request whose helper process dies, hangs or answers nonsense.

#include "sanesandbox.h"

#include "tests/support/scripted_dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QImageReader>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <memory>

#include <cerrno>
#include <csignal>

using namespace documentstest;

class TestScanner : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void findsTheSandboxDevices();
    void pagesInEveryLayout_data();
    void pagesInEveryLayout();
    void threePassMatchesOnePass();
    void sixteenBitAsScanimageReadsIt_data();
    void sixteenBitAsScanimageReadsIt();
    void scannerOfUnknownHeight();
    void acquisitionWritesBmp();
    void failedAcquisitionKeepsOldDocument();
    void unwritableFolderIsAFailure();
    void sourceChoice();
    void sourceListDialog();
    void noScannerAtAll();
    void helperThatMisbehaves_data();
    void helperThatMisbehaves();
    void helperThatHangsAfterAnswering();
    void deviceListFromAHelperThatFails_data();
    void deviceListFromAHelperThatFails();
    void helperThatCannotStart();

private:
    // Points the program at the stand-in, behaving as `mode`; its process id
    // is left in pidFile().
    void useStandIn(const QString& mode, int idleMs = scanner::Helper().scanIdleMs);
    QString pidFile() const { return out.filePath(QStringLiteral("standin.pid")); }
    // The stand-in that served the last request no longer runs.
    bool standInGone() const;

    std::unique_ptr<SaneSandbox> sane;
    QTemporaryDir out;
};

void TestScanner::initTestCase() {
    sane = std::make_unique<SaneSandbox>();
    QVERIFY(out.isValid());
}

void TestScanner::init() {
    sane->configure();
    scanner::setChosenSource(QString());
    scanner::setHelper({});
    qunsetenv("SCAN_STANDIN_PID");
    QFile::remove(pidFile());
}

void TestScanner::cleanupTestCase() {
    scanner::setHelper({});
    sane.reset();
}

namespace {
// The bytes of the file at `path`; none when it cannot be read.
QByteArray contentsOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

void TestScanner::useStandIn(const QString& mode, int idleMs) {
    scanner::Helper h;
    h.program = QStringLiteral(SCAN_STANDIN);
    h.arguments = {mode};
    h.scanIdleMs = idleMs;
    h.listTimeoutMs = idleMs;
    scanner::setHelper(h);
    qputenv("SCAN_STANDIN_PID", pidFile().toLocal8Bit());
}

bool TestScanner::standInGone() const {
    QFile f(pidFile());
    if (!f.open(QIODevice::ReadOnly)) return false;
    const pid_t pid = pid_t(f.readAll().trimmed().toInt());
    return pid > 0 && ::kill(pid, 0) == -1 && errno == ESRCH;
}

void TestScanner::findsTheSandboxDevices() {
    QString why;
    const QList<scanner::Device> list = scanner::devices(&why);
    QVERIFY2(why.isEmpty(), qPrintable(why));
    QCOMPARE(list.size(), 2);
    QCOMPARE(list[0].name, QStringLiteral("test:0"));
    QCOMPARE(list[1].name, QStringLiteral("test:1"));
    // The list shows who makes it and which device it is.
    QVERIFY(list[0].label().endsWith(QStringLiteral("(test:0)")));
    QVERIFY(list[0].label().size() > QStringLiteral("(test:0)").size());

    sane->configure({{QStringLiteral("number_of_devices"), QStringLiteral("1")}});
    QCOMPARE(scanner::devices().size(), 1);
}

void TestScanner::pagesInEveryLayout_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("depth");
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QRgb>("colour");
    const QRgb black = qRgb(0, 0, 0), white = qRgb(255, 255, 255);
    for (const char* depth : {"1", "8", "16"}) {
        for (const char* mode : {"Gray", "Color"}) {
            QTest::addRow("%s %s black", mode, depth) << mode << depth << "\"Solid black\"" << black;
            QTest::addRow("%s %s white", mode, depth) << mode << depth << "\"Solid white\"" << white;
        }
    }
}

// Line art's set bits are black while colour's are full intensity, and 16-bit
// samples come in the machine's byte order: a solid page shows whether each
// layout is read the right way round.
void TestScanner::pagesInEveryLayout() {
    QFETCH(QString, mode);
    QFETCH(QString, depth);
    QFETCH(QString, picture);
    QFETCH(QRgb, colour);
    sane->configure(
        {{QStringLiteral("mode"), mode}, {QStringLiteral("depth"), depth}, {QStringLiteral("test-picture"), picture}});
    QString why;
    const QImage page = scanner::scanPage(QStringLiteral("test:0"), &why);
    QVERIFY2(!page.isNull(), qPrintable(why));
    QVERIFY(why.isEmpty());
    // 40 x 30 mm at 25 dpi.
    QVERIFY2(qAbs(page.width() - 39) <= 1, qPrintable(QString::number(page.width())));
    QVERIFY2(qAbs(page.height() - 30) <= 1, qPrintable(QString::number(page.height())));
    QVERIFY(allPixels(page, colour));

    // What reaches the disk reads back the same.
    const QString file = out.filePath(QStringLiteral("%1-%2-%3.bmp").arg(mode, depth, QString::number(colour)));
    QCOMPARE(EZTwain::TWAIN_AcquireToFilename(nullptr, file), 0);
    QImageReader reader(file);
    QCOMPARE(reader.format(), QByteArray("bmp"));
    const QImage back = reader.read();
    QCOMPARE(back.size(), page.size());
    QVERIFY(allPixels(back, colour));
}

// The colour pattern scanned in one pass and in three passes (in an order
// other than red, green, blue) must give the same picture.
void TestScanner::threePassMatchesOnePass() {
    const QMap<QString, QString> pattern{{QStringLiteral("mode"), QStringLiteral("Color")},
                                         {QStringLiteral("test-picture"), QStringLiteral("\"Color pattern\"")},
                                         {QStringLiteral("br_x"), QStringLiteral("120.0")},
                                         {QStringLiteral("br_y"), QStringLiteral("80.0")}};
    sane->configure(pattern);
    QString why;
    const QImage one = scanner::scanPage(QStringLiteral("test:0"), &why);
    QVERIFY2(!one.isNull(), qPrintable(why));
    QVERIFY(!allPixels(one, one.pixel(0, 0))); // a pattern, not a solid page

    QMap<QString, QString> threePass = pattern;
    threePass[QStringLiteral("three-pass")] = QStringLiteral("true");
    threePass[QStringLiteral("three-pass-order")] = QStringLiteral("BGR");
    sane->configure(threePass);
    const QImage three = scanner::scanPage(QStringLiteral("test:0"), &why);
    QVERIFY2(!three.isNull(), qPrintable(why));
    QCOMPARE(three.size(), one.size());
    QCOMPARE(three.convertToFormat(QImage::Format_RGB32), one.convertToFormat(QImage::Format_RGB32));
}

void TestScanner::sixteenBitAsScanimageReadsIt_data() {
    QTest::addColumn<QString>("mode");
    QTest::newRow("gray") << QStringLiteral("Gray");
    QTest::newRow("colour") << QStringLiteral("Color");
}

// A 16-bit pattern read here against the same page written by SANE's own
// scanimage (a PNM file, whose 16-bit samples are big-endian whatever the
// machine): the samples must be taken in the machine's order.
void TestScanner::sixteenBitAsScanimageReadsIt() {
    QFETCH(QString, mode);
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("scanimage"));
    if (tool.isEmpty()) QSKIP("scanimage (sane-utils) is not installed");
    sane->configure({{QStringLiteral("mode"), mode},
                     {QStringLiteral("depth"), QStringLiteral("16")},
                     {QStringLiteral("test-picture"), QStringLiteral("\"Color pattern\"")},
                     {QStringLiteral("br_x"), QStringLiteral("120.0")},
                     {QStringLiteral("br_y"), QStringLiteral("80.0")}});
    QString why;
    const QImage ours = scanner::scanPage(QStringLiteral("test:0"), &why);
    QVERIFY2(!ours.isNull(), qPrintable(why));
    QVERIFY(!allPixels(ours, ours.pixel(0, 0)));

    QProcess p;
    p.start(tool, {QStringLiteral("-d"), QStringLiteral("test:0"), QStringLiteral("--format=pnm")});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 0);
    QByteArray pnm = p.readAllStandardOutput();
    // "P5" or "P6", a comment line, "W H", "65535", then the samples.
    int at = 0;
    QList<QByteArray> head;
    while (head.size() < 3) {
        const int nl = pnm.indexOf('\n', at);
        QVERIFY(nl > 0);
        const QByteArray line = pnm.mid(at, nl - at);
        at = nl + 1;
        if (!line.startsWith('#')) head << line;
    }
    QCOMPARE(head[2], QByteArray("65535"));
    const QList<QByteArray> wh = head[1].split(' ');
    const int w = wh[0].toInt(), h = wh[1].toInt(), channels = head[0] == "P6" ? 3 : 1;
    QCOMPARE(ours.size(), QSize(w, h));
    const auto* s = reinterpret_cast<const uchar*>(pnm.constData() + at);
    QCOMPARE(pnm.size() - at, qsizetype(w) * h * channels * 2);
    const QImage rgb = ours.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uchar* px = s + (qsizetype(y) * w + x) * channels * 2; // high byte first
            const QRgb want = channels == 3 ? qRgb(px[0], px[2], px[4]) : qRgb(px[0], px[0], px[0]);
            if (rgb.pixel(x, y) != want)
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2: %3 instead of %4")
                                     .arg(x)
                                     .arg(y)
                                     .arg(rgb.pixel(x, y), 0, 16)
                                     .arg(want, 0, 16)));
        }
}

// A hand scanner does not know the page's height before the page ends.
void TestScanner::scannerOfUnknownHeight() {
    sane->configure({{QStringLiteral("hand-scanner"), QStringLiteral("true")}});
    QString why;
    const QImage page = scanner::scanPage(QString(), &why);
    QVERIFY2(!page.isNull(), qPrintable(why));
    QVERIFY(page.height() > 0);
    QVERIFY(allPixels(page, qRgb(0, 0, 0)));
}

void TestScanner::acquisitionWritesBmp() {
    // No source chosen: the first device found scans.
    const QString file = out.filePath(QStringLiteral("pagina.bmp"));
    QCOMPARE(EZTwain::TWAIN_AcquireToFilename(nullptr, file), 0);
    QCOMPARE(EZTwain::TWAIN_LoadNativeFromFile(0), 0);
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.read(2), QByteArray("BM"));
    f.close();
    QVERIFY(allPixels(QImage(file), qRgb(0, 0, 0)));

    // The name decides the file, not the format: a name without ".bmp"
    // still holds a bitmap.
    const QString bare = out.filePath(QStringLiteral("senza estensione"));
    QCOMPARE(EZTwain::TWAIN_AcquireToFilename(nullptr, bare), 0);
    QCOMPARE(QImageReader(bare).format(), QByteArray("bmp"));
}

void TestScanner::failedAcquisitionKeepsOldDocument() {
    const QString file = out.filePath(QStringLiteral("esistente.bmp"));
    QCOMPARE(EZTwain::TWAIN_AcquireToFilename(nullptr, file), 0);
    const QByteArray before = contentsOf(file);
    QVERIFY(!before.isEmpty());

    sane->configure({{QStringLiteral("read-status-code"), QStringLiteral("\"SANE_STATUS_JAMMED\"")}});
    QCOMPARE(EZTwain::TWAIN_AcquireToFilename(nullptr, file), -1);
    QVERIFY(EZTwain::TWAIN_LoadNativeFromFile(0) != 0);
    QCOMPARE(contentsOf(file), before);
    // Nothing half-written stays beside it.
    QCOMPARE(QDir(out.path()).entryList({QStringLiteral("esistente*")}, QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("esistente.bmp")});

    // The report names the scanner's reason once; then the failure is told.
    testsupport::ScopedDialogs d;
    d->expectMessage(QStringLiteral("Unable to scan.\r\nErrore dello scanner: carta inceppata"),
                     QStringLiteral("Velmora"), ui::MsgIcon::Critical);
    EZTwain::TWAIN_ReportLastError(QStringLiteral("Unable to scan."));
    QCOMPARE(EZTwain::TWAIN_LoadNativeFromFile(0), 0);
    QVERIFY2(d->verify().isEmpty(), qPrintable(d->verify()));

    // The next good acquisition does replace it.
    sane->configure({{QStringLiteral("test-picture"), QStringLiteral("\"Solid white\"")}});
    QCOMPARE(EZTwain::TWAIN_AcquireToFilename(nullptr, file), 0);
    QVERIFY(allPixels(QImage(file), qRgb(255, 255, 255)));
}

void TestScanner::unwritableFolderIsAFailure() {
    const QString file = out.filePath(QStringLiteral("manca/pagina.bmp"));
    QCOMPARE(EZTwain::TWAIN_AcquireToFilename(nullptr, file), -1);
    QVERIFY(!QFile::exists(file));
    QVERIFY(EZTwain::TWAIN_LoadNativeFromFile(0) != 0);
    testsupport::ScopedDialogs d;
    d->expectMessage(QString(), QStringLiteral("Velmora"), ui::MsgIcon::Critical);
    EZTwain::TWAIN_ReportLastError(QStringLiteral("Unable to scan."));
    QVERIFY2(d->verify().isEmpty(), qPrintable(d->verify()));
    QVERIFY(d->shown[0].text.startsWith(
        QStringLiteral("Unable to scan.\r\nErrore dello scanner: impossibile scrivere il file ") + file));
}

void TestScanner::sourceChoice() {
    ScriptedPicker picker;
    testsupport::ScopedDialogs d;

    // The devices found are offered; the one picked is the source from now on.
    picker.answer = QStringLiteral("test:1");
    QCOMPARE(EZTwain::SelectScannerSource(nullptr), 1);
    QCOMPARE(picker.offered.size(), 2);
    QCOMPARE(picker.offeredCurrent, QString());
    QCOMPARE(scanner::chosenSource(), QStringLiteral("test:1"));

    // Giving up keeps the source; the picker is shown which one it is.
    picker.answer.reset();
    QCOMPARE(EZTwain::TWAIN_SelectImageSource(nullptr), 0);
    QCOMPARE(picker.offeredCurrent, QStringLiteral("test:1"));
    QCOMPARE(scanner::chosenSource(), QStringLiteral("test:1"));

    // Acquisitions really use the source chosen: one that has gone away fails
    // and is named in the reason.
    picker.answer = QStringLiteral("test:7");
    QCOMPARE(EZTwain::TWAIN_SelectImageSource(nullptr), 1);
    QCOMPARE(EZTwain::TWAIN_AcquireToFilename(nullptr, out.filePath(QStringLiteral("x.bmp"))), -1);
    QVERIFY(!QFile::exists(out.filePath(QStringLiteral("x.bmp"))));
    d->expectMessage(QString(), QStringLiteral("Velmora"), ui::MsgIcon::Critical);
    EZTwain::TWAIN_ReportLastError(QStringLiteral("Unable to scan."));
    QVERIFY2(d->verify().isEmpty(), qPrintable(d->verify()));
    QVERIFY2(d->shown[0].text.contains(QStringLiteral("\"test:7\"")), qPrintable(d->shown[0].text));
}

// The program's own picker: the devices in a modal list, the source in use
// selected, "Annulla" giving up.
void TestScanner::sourceListDialog() {
    scanner::setChosenSource(QStringLiteral("test:1"));
    const QList<scanner::Device> list = scanner::devices();
    QCOMPARE(list.size(), 2);
    scanner::DialogSourcePicker picker;

    int selectedAtStart = -1;
    QStringList shownLabels;
    auto answer = [&](bool accept, int row) {
        QTimer::singleShot(0, [&, accept, row] {
            auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dlg) return;
            auto* view = dlg->findChild<QListWidget*>();
            selectedAtStart = view->currentRow();
            shownLabels.clear();
            for (int i = 0; i < view->count(); ++i) shownLabels << view->item(i)->text();
            view->setCurrentRow(row);
            if (accept)
                dlg->accept();
            else
                dlg->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
        });
    };
    answer(true, 0);
    QCOMPARE(picker.pick(list, scanner::chosenSource(), nullptr), std::optional<QString>(QStringLiteral("test:0")));
    QCOMPARE(selectedAtStart, 1);
    QCOMPARE(shownLabels, (QStringList{list[0].label(), list[1].label()}));

    answer(false, 0);
    QCOMPARE(picker.pick(list, QString(), nullptr), std::nullopt);
    QCOMPARE(selectedAtStart, 0);
}

void TestScanner::noScannerAtAll() {
    sane->configure({}, false);
    ScriptedPicker picker;
    testsupport::ScopedDialogs d;
    d->expectMessage(QStringLiteral("Nessuno scanner disponibile."), QStringLiteral("Velmora"),
                     ui::MsgIcon::Information);
    QCOMPARE(EZTwain::TWAIN_SelectImageSource(nullptr), 0);
    QCOMPARE(picker.calls, 0);
    QVERIFY2(d->verify().isEmpty(), qPrintable(d->verify()));

    QCOMPARE(EZTwain::TWAIN_AcquireToFilename(nullptr, out.filePath(QStringLiteral("nulla.bmp"))), -1);
    QVERIFY(!QFile::exists(out.filePath(QStringLiteral("nulla.bmp"))));
    d->expectMessage(QStringLiteral("Unable to scan.\r\nErrore dello scanner: nessuno scanner disponibile"),
                     QStringLiteral("Velmora"), ui::MsgIcon::Critical);
    EZTwain::TWAIN_ReportLastError(QStringLiteral("Unable to scan."));
    QVERIFY2(d->verify().isEmpty(), qPrintable(d->verify()));
}

void TestScanner::helperThatMisbehaves_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("idleMs");
    QTest::addColumn<QString>("reason");
    const int patient = scanner::Helper().scanIdleMs;
    const QString died =
        QStringLiteral("il programma di acquisizione si è interrotto prima di completare l'operazione");
    const QString nonsense = QStringLiteral("il programma di acquisizione ha inviato dati non validi");
    const QString silent = QStringLiteral("lo scanner non risponde da 2 secondi; acquisizione interrotta");
    QTest::newRow("dies midway") << "dies-midway" << patient << died;
    QTest::newRow("frame cut short") << "truncated-frame" << patient << died;
    QTest::newRow("frames without the end") << "no-end" << patient << died;
    QTest::newRow("hangs before answering") << "silent" << 2000 << silent;
    QTest::newRow("hangs midway") << "hangs-midway" << 2000 << silent;
    QTest::newRow("not a scan") << "garbage" << patient << nonsense;
    QTest::newRow("record too long") << "oversized-record" << patient << nonsense;
    QTest::newRow("data of no frame") << "data-before-frame" << patient << nonsense;
    QTest::newRow("frame of no size") << "bad-format" << patient
                                      << QStringLiteral("lo scanner ha indicato un formato d'immagine non valido");
}

// Whatever the helper does wrong, the acquisition fails with a reason, the
// older document stays as it was, nothing half-written lies beside it, and
// the helper is not left running.
void TestScanner::helperThatMisbehaves() {
    QFETCH(QString, mode);
    QFETCH(int, idleMs);
    QFETCH(QString, reason);
    const QString file = out.filePath(QStringLiteral("precedente.bmp"));
    QCOMPARE(EZTwain::TWAIN_AcquireToFilename(nullptr, file), 0);
    const QByteArray before = contentsOf(file);
    QVERIFY(!before.isEmpty());

    useStandIn(mode, idleMs);
    QCOMPARE(EZTwain::TWAIN_AcquireToFilename(nullptr, file), -1);
    QVERIFY(standInGone());
    QVERIFY(EZTwain::TWAIN_LoadNativeFromFile(0) != 0);
    QCOMPARE(contentsOf(file), before);
    QCOMPARE(QDir(out.path()).entryList({QStringLiteral("precedente*")}, QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("precedente.bmp")});
    QFile::remove(out.filePath(QStringLiteral("nuovo.bmp")));
    QCOMPARE(EZTwain::TWAIN_AcquireToFilename(nullptr, out.filePath(QStringLiteral("nuovo.bmp"))), -1);
    QVERIFY(!QFile::exists(out.filePath(QStringLiteral("nuovo.bmp"))));

    testsupport::ScopedDialogs d;
    d->expectMessage(QStringLiteral("Unable to scan.\r\nErrore dello scanner: ") + reason, QStringLiteral("Velmora"),
                     ui::MsgIcon::Critical);
    EZTwain::TWAIN_ReportLastError(QStringLiteral("Unable to scan."));
    QVERIFY2(d->verify().isEmpty(), qPrintable(d->verify()));

    // The real helper serves the next request as before.
    scanner::setHelper({});
    QCOMPARE(EZTwain::TWAIN_AcquireToFilename(nullptr, out.filePath(QStringLiteral("nuovo.bmp"))), 0);
    QVERIFY(allPixels(QImage(out.filePath(QStringLiteral("nuovo.bmp"))), qRgb(0, 0, 0)));
}

// A helper that has handed over the whole page but then freezes, as a
// backend may while it closes the device: the page is kept and the helper
// stopped.
void TestScanner::helperThatHangsAfterAnswering() {
    for (const QString& mode : {QStringLiteral("good"), QStringLiteral("answer-then-hang")}) {
        useStandIn(mode);
        scanner::Helper h = scanner::helper();
        h.exitWaitMs = 100;
        scanner::setHelper(h);
        const QString file = out.filePath(mode + QStringLiteral(".bmp"));
        QCOMPARE(EZTwain::TWAIN_AcquireToFilename(nullptr, file), 0);
        QCOMPARE(EZTwain::TWAIN_LoadNativeFromFile(0), 0);
        QVERIFY(standInGone());
        const QImage page(file);
        QCOMPARE(page.size(), QSize(40, 30));
        QVERIFY(allPixels(page, qRgb(0x80, 0x80, 0x80)));

        // The device list is taken the same way.
        const QList<scanner::Device> list = scanner::devices();
        QVERIFY(standInGone());
        QCOMPARE(list.size(), 2);
        QCOMPARE(list[1].name, QStringLiteral("finto:1"));
        QCOMPARE(list[1].label(), QStringLiteral("Finto Scanner (finto:1)"));
        QCOMPARE(list[1].type, QStringLiteral("flatbed scanner"));
    }
}

void TestScanner::deviceListFromAHelperThatFails_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("idleMs");
    QTest::addColumn<QString>("reason");
    QTest::newRow("dies after one device")
        << "dies-midway" << scanner::Helper().listTimeoutMs
        << QStringLiteral("il programma di acquisizione si è interrotto prima di completare l'operazione");
    QTest::newRow("hangs") << "silent" << 2000
                           << QStringLiteral("lo scanner non risponde da 2 secondi; acquisizione interrotta");
}

// Half a device list is no list: the source choice says why there is none
// and offers nothing.
void TestScanner::deviceListFromAHelperThatFails() {
    QFETCH(QString, mode);
    QFETCH(int, idleMs);
    QFETCH(QString, reason);
    useStandIn(mode, idleMs);
    QString why;
    QVERIFY(scanner::devices(&why).isEmpty());
    QCOMPARE(why, reason);
    QVERIFY(standInGone());

    ScriptedPicker picker;
    picker.answer = QStringLiteral("finto:0");
    testsupport::ScopedDialogs d;
    d->expectMessage(QStringLiteral("Nessuno scanner disponibile.\r\n") + reason, QStringLiteral("Velmora"),
                     ui::MsgIcon::Information);
    QCOMPARE(EZTwain::TWAIN_SelectImageSource(nullptr), 0);
    QCOMPARE(picker.calls, 0);
    QCOMPARE(scanner::chosenSource(), QString());
    QVERIFY2(d->verify().isEmpty(), qPrintable(d->verify()));
}

void TestScanner::helperThatCannotStart() {
    scanner::Helper h;
    h.program = out.filePath(QStringLiteral("manca/velmora-scan"));
    scanner::setHelper(h);
    QString why;
    QVERIFY(scanner::devices(&why).isEmpty());
    QVERIFY2(why.startsWith(QStringLiteral("impossibile avviare il programma di acquisizione ") +
                            QDir::toNativeSeparators(h.program)),
             qPrintable(why));
    const QString file = out.filePath(QStringLiteral("senza-aiuto.bmp"));
    QCOMPARE(EZTwain::TWAIN_AcquireToFilename(nullptr, file), -1);
    QVERIFY(!QFile::exists(file));
    testsupport::ScopedDialogs d;
    d->expectMessage(QString(), QStringLiteral("Velmora"), ui::MsgIcon::Critical);
    EZTwain::TWAIN_ReportLastError(QStringLiteral("Unable to scan."));
    QVERIFY2(d->verify().isEmpty(), qPrintable(d->verify()));
    QVERIFY2(d->shown[0].text.startsWith(QStringLiteral("Unable to scan.\r\nErrore dello scanner: ") + why),
             qPrintable(d->shown[0].text));
}

QTEST_MAIN(TestScanner)
#include "tst_scanner.moc"
