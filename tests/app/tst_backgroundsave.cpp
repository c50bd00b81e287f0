// The window's saves written in the background: a panel's save returns
// while the file is still being written, a failure is told once in the
// usual box with the old file whole, and every way out waits for the file.

#include "tests/support/app_fixture.h"
#include "tests/support/failing_device.h"

#include "app/form1.h"
#include "platform/desktop/shell.h"
#include "platform/xls/xlsfile.h"
#include "store/schema.h"

#include <QDir>
#include <QFile>
#include <QSemaphore>
#include <QTest>

using testsupport::AppFixture;

namespace {

const QString kVelmora = QStringLiteral("Velmora");

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList leftovers(const QString& dir) {
    return QDir(dir).entryList(QStringList{QStringLiteral(".Pratiche.xls.*")}, QDir::Files | QDir::Hidden);
}

QString onDisk(const QString& path, const char* cell) {
    return xls::readWorkbook(path, store::workbookPassword())->Sheets(store::kVarie).GetRange(cell).Text();
}

// While it lives, a save tells `started`, then writes only once `go` is
// given (or after a long while, so that a save wrongly made on the
// window's own thread ends the test instead of hanging it).
class HeldSaves {
public:
    HeldSaves() {
        xl::FileCodec codec = xl::fileCodec();
        codec.save = [this](const xl::Workbook& book, const QString& path, const QString& password) {
            started.release();
            go.tryAcquire(1, 15000);
            xls::writeWorkbook(book, path, password);
        };
        xl::setFileCodec(std::move(codec));
    }
    ~HeldSaves() { xls::registerCodec(); }
    QSemaphore started, go;
};

struct ShellRecorder {
    ShellRecorder() {
        shell::setOpenHook([](const QUrl&) { return true; });
    }
    ~ShellRecorder() { shell::setOpenHook({}); }
};

} // namespace

class TestBackgroundSave : public QObject {
    Q_OBJECT
private slots:
    void aPanelsSaveReturnsBeforeTheFileIsWritten() {
        AppFixture fx;
        fx.writeWorkbook();
        QVERIFY(fx.start());
        Form1& f = fx.form();
        const QByteArray before = readAll(fx.workbookPath());
        fx.sheet(store::kVarie).GetRange("A2").SetValue(xl::Value("F1"));
        {
            HeldSaves held;
            QVERIFY(f.save());
            QVERIFY(held.started.tryAcquire(1, 15000));
            // Back in the window with the file not yet replaced.
            QCOMPARE(readAll(fx.workbookPath()), before);
            fx.sheet(store::kVarie).GetRange("A2").SetValue(xl::Value("F2"));
            held.go.release();
            f.waitForSave();
        }
        QCOMPARE(onDisk(fx.workbookPath(), "A2"), QStringLiteral("F1"));
        QVERIFY(fx.dialogs().shown.empty());
        // The change made meanwhile goes with the next save.
        QVERIFY(f.save());
        QCOMPARE(fx.onDisk()->Sheets(store::kVarie).GetRange("A2").Text(), QStringLiteral("F2"));
        QVERIFY(leftovers(fx.folder()).isEmpty());
    }

    void aFailedBackgroundSaveIsToldOnceAndTheOldFileStays() {
        AppFixture fx;
        fx.writeWorkbook();
        QVERIFY(fx.start());
        Form1& f = fx.form();
        const QByteArray before = readAll(fx.workbookPath());
        fx.sheet(store::kVarie).GetRange("A2").SetValue(xl::Value("F3"));
        fx.dialogs().expectMessage(QStringLiteral("Impossibile salvare il database Pratiche.xls: il file o la sua "
                                                  "cartella non si possono scrivere (disco pieno, cartella mancante o "
                                                  "file di sola lettura).\nLe modifiche sono ancora nel programma ma "
                                                  "non sono state scritte nel file."),
                                   kVelmora, ui::MsgIcon::Critical);
        {
            testsupport::FailingSaves unplugged(1024, QStringLiteral("disco scollegato"));
            QVERIFY(f.save());
        }
        // Told from the event loop, without anyone waiting for it.
        QVERIFY(QTest::qWaitFor([&] { return fx.dialogs().shown.size() == 1; }, 20000));
        f.waitForSave();
        QTest::qWait(20);
        QVERIFY2(fx.dialogs().verify().isEmpty(), qPrintable(fx.dialogs().verify()));
        QCOMPARE(readAll(fx.workbookPath()), before);
        QVERIFY(leftovers(fx.folder()).isEmpty());
        QCOMPARE(fx.sheet(store::kVarie).GetRange("A2").Text(), QStringLiteral("F3"));

        // The next save writes it, without a box.
        fx.dialogs().clear();
        QVERIFY(f.SaveWorkbook());
        QVERIFY(fx.dialogs().shown.empty());
        QCOMPARE(onDisk(fx.workbookPath(), "A2"), QStringLiteral("F3"));
    }

    void theExitWaitsForTheFileAndLeavesTheLastState() {
        AppFixture fx;
        fx.writeWorkbook();
        QVERIFY(fx.start());
        Form1& f = fx.form();
        fx.sheet(store::kVarie).GetRange("A2").SetValue(xl::Value("prima"));
        HeldSaves held;
        QVERIFY(f.save());
        QVERIFY(held.started.tryAcquire(1, 15000));
        fx.sheet(store::kVarie).GetRange("A2").SetValue(xl::Value("ultima"));
        // The pending save and the exit's own.
        held.go.release(2);
        f.MenuEsci_Click();
        QVERIFY(f.ended());
        QVERIFY(fx.dialogs().shown.empty());
        QCOMPARE(onDisk(fx.workbookPath(), "A2"), QStringLiteral("ultima"));
        QVERIFY(leftovers(fx.folder()).isEmpty());
    }

    void aPendingFailureNeedsNoBoxWhenTheWayOutSavesAgain() {
        // The save of the way out holds all the failed one held: one
        // answer, the way out's own, and here it is a success.
        for (int way = 0; way < 3; ++way) {
            AppFixture fx;
            fx.writeWorkbook();
            QVERIFY(fx.start());
            Form1& f = fx.form();
            fx.sheet(store::kVarie).GetRange("A2").SetValue(xl::Value(QStringLiteral("via %1").arg(way)));
            {
                testsupport::FailingSaves unplugged(1024, QStringLiteral("disco scollegato"));
                QVERIFY(f.save());
            }
            ShellRecorder shell;
            if (way == 0) f.MenuEsci_Click();
            if (way == 1) f.endSession();
            if (way == 2) f.MnExcel_Click();
            QVERIFY(f.ended());
            QVERIFY2(fx.dialogs().shown.empty(), qPrintable(fx.dialogs().verify()));
            QCOMPARE(onDisk(fx.workbookPath(), "A2"), QStringLiteral("via %1").arg(way));
            QVERIFY(leftovers(fx.folder()).isEmpty());
        }
    }

    void theDatabaseCopyAndTheWindowsEndWaitForTheFile() {
        AppFixture fx;
        fx.writeWorkbook();
        QVERIFY(fx.start());
        Form1& f = fx.form();
        const QString backup = fx.folder() + "/Backup/PraticheBackup.xls";
        fx.sheet(store::kVarie).GetRange("A2").SetValue(xl::Value("copia"));
        {
            HeldSaves held;
            QVERIFY(f.save());
            QVERIFY(held.started.tryAcquire(1, 15000));
            // Both the pending save and the copy pass.
            held.go.release(2);
            fx.dialogs()
                .expectQuestion(" Vuoi eseguire una copia del database ?", true, kVelmora)
                .expectMessage(" Salvataggio Eseguito Correttamente , il file creato è : PraticheBackup.xls\r\n"
                               " Per ripristinare un salvataggio , guarda come fare nelle istruzioni",
                               kVelmora, ui::MsgIcon::Information);
            f.MSalvataggio_Click();
            QVERIFY2(fx.dialogs().verify().isEmpty(), qPrintable(fx.dialogs().verify()));
            QVERIFY(!f.book().application().ActiveWorkbook().SavePending());
            QCOMPARE(onDisk(fx.workbookPath(), "A2"), QStringLiteral("copia"));
            QCOMPARE(onDisk(backup, "A2"), QStringLiteral("copia"));
        }
        // The window's end waits for a save still being written.
        fx.sheet(store::kVarie).GetRange("A2").SetValue(xl::Value("alla fine"));
        const QString path = fx.workbookPath();
        const QString folder = fx.folder();
        {
            HeldSaves held;
            QVERIFY(f.save());
            held.go.release();
            fx.closeForm();
        }
        QCOMPARE(onDisk(path, "A2"), QStringLiteral("alla fine"));
        QVERIFY(leftovers(folder).isEmpty());
    }
};

QTEST_MAIN(TestBackgroundSave)
#include "tst_backgroundsave.moc"
