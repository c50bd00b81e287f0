// Living beside other programs: the marks that tell spreadsheet programs the
// workbook is in use and go at every end, lock files left by a program that
// died, the save at logout and shutdown, the temporary files of an
// interrupted save, and a workbook kept behind a symbolic link.

#include "tests/support/app_fixture.h"
#include "tests/support/failing_device.h"

#include "app/form1.h"
#include "app/sessionend.h"
#include "platform/desktop/fileprobe.h"
#include "platform/desktop/shell.h"
#include "platform/xls/biff.h"
#include "platform/xls/xlsfile.h"
#include "store/lockprobe.h"
#include "store/schema.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QSessionManager>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

using testsupport::AppFixture;

namespace {
const QString kVelmora = QStringLiteral("Velmora");
const QString kLocked = testsupport::alreadyOpenMessage();

QByteArray digest(const QString& path) { return testsupport::fileDigest(path); }

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// A lock file as LibreOffice writes it, for the given machine.
QByteArray officeEntry(const QString& host) {
    return ",utente," + host.toUtf8() + ",09.12.2026 10:00,file:///home/utente/.config/libreoffice/4;";
}

// A change that waits for a save point: it reaches the file only by a save.
void clientInsertWithoutSave(AppFixture& fx) {
    fx.sheet(store::kCliente).GetRange("B2").SetValue(xl::Value("BIANCHI ANNA"));
}
QString savedClient(AppFixture& fx) { return fx.onDisk()->Sheets(store::kCliente).GetRange("B2").Text(); }

struct ShellRecorder {
    ShellRecorder() {
        shell::setOpenHook([](const QUrl&) { return true; });
    }
    ~ShellRecorder() { shell::setOpenHook({}); }
};
} // namespace

class TestNeighbours : public QObject {
    Q_OBJECT
private slots:
    void workbookIsMarkedInUseWhileRunning() {
        AppFixture fx;
        fx.writeWorkbook();
        const QString lock = store::officeLockFile(fx.workbookPath());
        QCOMPARE(lock, fx.folder() + "/.~lock.Pratiche.xls#");
        QVERIFY(fx.start());

        // LibreOffice's own format: five fields, the last ended by ';'.
        const QString entry = QString::fromUtf8(readAll(lock));
        const QRegularExpression format(
            QStringLiteral("^([^,;]*),([^,;]+),([^,;]+),(\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d),(file://[^,;]+);$"));
        const QRegularExpressionMatch m = format.match(entry);
        QVERIFY2(m.hasMatch(), qPrintable(entry));
        QCOMPARE(m.captured(1), kVelmora);
        QCOMPARE(m.captured(3), QSysInfo::machineHostName());
        QVERIFY(fileprobe::OfficeMark::recordLocked(fx.workbookPath()));

        // A save puts a new file in place; the record lock moves onto it.
        struct stat before, after;
        QCOMPARE(::stat(QFile::encodeName(fx.workbookPath()).constData(), &before), 0);
        QVERIFY(fx.form().SaveWorkbook());
        QCOMPARE(::stat(QFile::encodeName(fx.workbookPath()).constData(), &after), 0);
        QVERIFY(after.st_ino != before.st_ino);
        QVERIFY(fileprobe::OfficeMark::recordLocked(fx.workbookPath()));
        QCOMPARE(QString::fromUtf8(readAll(lock)), entry);

        fx.form().MenuEsci_Click();
        QVERIFY(fx.form().ended());
        QVERIFY(!QFileInfo::exists(lock));
        QVERIFY(!fileprobe::OfficeMark::recordLocked(fx.workbookPath()));
    }

    void marksGoAtEveryEnd_data() {
        QTest::addColumn<QString>("end");
        QTest::newRow("hand-over") << "handover";
        QTest::newRow("session end") << "session";
        QTest::newRow("workbook that does not open") << "badopen";
        QTest::newRow("window destroyed") << "destroyed";
    }
    void marksGoAtEveryEnd() {
        QFETCH(QString, end);
        AppFixture fx;
        const QString lock = store::officeLockFile(fx.workbookPath());
        if (end == "badopen") {
            // The marks are taken before the open; the refusal takes them off.
            auto book = store::newStarterWorkbook();
            xls::writeWorkbook(*book, fx.workbookPath(), QStringLiteral("altra"));
            QVERIFY(!fx.start());
        } else if (end == "destroyed") {
            fx.writeWorkbook();
            auto f = std::make_unique<Form1>(fx.folder());
            QVERIFY(f->Form_Load());
            QVERIFY(QFileInfo::exists(lock));
            f.reset();
        } else {
            fx.writeWorkbook();
            QVERIFY(fx.start());
            QVERIFY(QFileInfo::exists(lock));
            ShellRecorder desktop;
            if (end == "handover")
                fx.form().MnExcel_Click();
            else
                fx.form().endSession();
            QVERIFY(fx.form().ended());
        }
        QVERIFY(!QFileInfo::exists(lock));
        QVERIFY(!fileprobe::OfficeMark::recordLocked(fx.workbookPath()));
        QVERIFY(!fileprobe::FolderLock::isHeld(fx.folder()));
    }

    void staleLockFileDoesNotLockTheUserOut() {
        AppFixture fx;
        fx.writeWorkbook();
        const QString lock = store::officeLockFile(fx.workbookPath());
        // Written here by a program that is gone: nobody has the file open.
        writeFile(lock, officeEntry(QSysInfo::machineHostName()));
        QVERIFY(!store::IsFileLocked(fx.workbookPath()));
        QVERIFY(fx.start());
        QVERIFY2(fx.dialogs().verify().isEmpty(), qPrintable(fx.dialogs().verify()));
        QVERIFY(readAll(lock).startsWith("Velmora,"));
        fx.form().MenuEsci_Click();
        QVERIFY(!QFileInfo::exists(lock));

        // A lock file whose writer died half-way is judged the same way.
        writeFile(lock, ",utente,");
        QVERIFY(!store::IsFileLocked(fx.workbookPath()));
    }

    void liveLockFileStillRefuses_data() {
        QTest::addColumn<QString>("holder");
        QTest::newRow("a process here has the file open") << "open";
        QTest::newRow("written on another machine") << "remote";
    }
    void liveLockFileStillRefuses() {
        QFETCH(QString, holder);
        AppFixture fx;
        fx.writeWorkbook();
        const QString lock = store::officeLockFile(fx.workbookPath());
        QProcess keeper;
        if (holder == "open") {
            writeFile(lock, officeEntry(QSysInfo::machineHostName()));
            // A process that keeps the workbook open, as LibreOffice does.
            keeper.start(QStringLiteral("/bin/sh"),
                         {QStringLiteral("-c"), QStringLiteral("exec 3<\"$0\"; exec cat"), fx.workbookPath()});
            QVERIFY(keeper.waitForStarted());
        } else {
            writeFile(lock, officeEntry(QStringLiteral("altro-pc-") + QSysInfo::machineHostName()));
        }
        const QByteArray before = readAll(lock);
        QVERIFY(QTest::qWaitFor([&] { return store::IsFileLocked(fx.workbookPath()); }, 5000));
        QVERIFY(!fx.start());
        QCOMPARE(int(fx.dialogs().shown.size()), 1);
        QCOMPARE(fx.dialogs().shown.front().text, kLocked);
        // Somebody else's lock file is left exactly as it was.
        QCOMPARE(readAll(lock), before);
        if (holder == "open") {
            keeper.closeWriteChannel();
            QVERIFY(keeper.waitForFinished(5000));
            QVERIFY(!store::IsFileLocked(fx.workbookPath()));
        }
    }

    void signalsAndSessionEndSave_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGHUP") << SIGHUP;
        QTest::newRow("session manager") << 0;
    }
    void signalsAndSessionEndSave() {
        QFETCH(int, how);
        AppFixture fx;
        fx.writeWorkbook();
        QVERIFY(fx.start());
        SessionEnd session;
        connect(&session, &SessionEnd::requested, &fx.form(), &Form1::endSession);
        clientInsertWithoutSave(fx);
        if (how) {
            QCOMPARE(::raise(how), 0);
        } else {
            // The session manager Qt made for the application asks for the data.
            auto* manager = qApp->findChild<QSessionManager*>();
            QVERIFY(manager);
            emit qApp->commitDataRequest(*manager);
        }
        QVERIFY(QTest::qWaitFor([&] { return fx.form().ended(); }, 5000));
        QVERIFY(fx.dialogs().shown.empty());
        QCOMPARE(savedClient(fx), QStringLiteral("BIANCHI ANNA"));
        QVERIFY(!QFileInfo::exists(store::officeLockFile(fx.workbookPath())));
        QVERIFY(!store::IsFileLocked(fx.workbookPath()));
    }

    void failedSaveAtSessionEndLeavesTheOldFile() {
        AppFixture fx;
        fx.writeWorkbook();
        QVERIFY(fx.start());
        clientInsertWithoutSave(fx);
        const QByteArray before = digest(fx.workbookPath());
        // The disk gives out with the new file half written.
        bool ended = false;
        {
            testsupport::FailingSaves unplugged(1024, QStringLiteral("disco scollegato"));
            SessionEnd session;
            connect(&session, &SessionEnd::requested, &fx.form(), &Form1::endSession);
            QCOMPARE(::raise(SIGTERM), 0);
            ended = QTest::qWaitFor([&] { return fx.form().ended(); }, 5000);
        }
        QVERIFY(ended);
        QCOMPARE(digest(fx.workbookPath()), before);
        QVERIFY(savedClient(fx).isEmpty());
        QVERIFY(fx.dialogs().shown.empty());
        QCOMPARE(
            QDir(fx.folder()).entryList(QStringList{QStringLiteral(".Pratiche.xls.*")}, QDir::Files | QDir::Hidden),
            QStringList{});
        QVERIFY(!QFileInfo::exists(store::officeLockFile(fx.workbookPath())));
    }

    void failedSaveAtTheExitDefaultsToNo() {
        AppFixture fx;
        fx.writeWorkbook();
        QVERIFY(fx.start());
        QVERIFY(QFile::remove(fx.workbookPath()));
        QVERIFY(QDir(fx.folder()).mkdir(store::kWorkbookFileName));
        fx.dialogs().expectQuestion(QString(), false, kVelmora, ui::DefaultAnswer::No);
        fx.form().MenuEsci_Click();
        QVERIFY2(fx.dialogs().verify().isEmpty(), qPrintable(fx.dialogs().verify()));
        QVERIFY(!fx.form().ended());
        // The hand-over asks the same kind of question, with the same default.
        fx.dialogs().expectQuestion(QString(), false, kVelmora, ui::DefaultAnswer::No);
        fx.form().MnExcel_Click();
        QVERIFY2(fx.dialogs().verify().isEmpty(), qPrintable(fx.dialogs().verify()));
        QVERIFY(!fx.form().ended());
        // And a script that expects the wrong default is told so.
        fx.dialogs().expectQuestion(QString(), true, kVelmora, ui::DefaultAnswer::Yes);
        fx.form().MenuEsci_Click();
        QVERIFY(fx.dialogs().verify().contains(QStringLiteral("default")));
        fx.dialogs().clear();
    }

    void leftoverTemporaryFilesGo() {
        AppFixture fx;
        fx.writeWorkbook();
        QDir dir(fx.folder());
        const QStringList ours{".Pratiche.xls.AbC123", ".Pratiche.xls.z9Y8x7"};
        const QStringList others{".Pratiche.xls.toolong", ".Pratiche.xls.ab-12x",     "Pratiche.xls.AbC123",
                                 ".Altro.xls.AbC123",     ".Pratiche.xls.AbC123.bak", "Pratiche.xls.bak"};
        for (const QString& n : ours + others) writeFile(fx.folder() + '/' + n, "x");
        // A folder and a link of the same pattern are not files of ours.
        QVERIFY(dir.mkdir(".Pratiche.xls.Dir123"));
        QVERIFY(QFile::link(fx.folder() + "/Pratiche.xls.bak", fx.folder() + "/.Pratiche.xls.Lnk123"));

        // Another copy of the program holding the folder may be saving: its
        // temporary files stay.
        {
            fileprobe::FolderLock other;
            QVERIFY(other.acquire(fx.folder()));
            QVERIFY(!fx.start());
            for (const QString& n : ours) QVERIFY2(QFileInfo::exists(fx.folder() + '/' + n), qPrintable(n));
            fx.dialogs().clear();
        }
        QVERIFY(fx.start());
        for (const QString& n : ours) QVERIFY2(!QFileInfo::exists(fx.folder() + '/' + n), qPrintable(n));
        for (const QString& n : others) QVERIFY2(QFileInfo::exists(fx.folder() + '/' + n), qPrintable(n));
        QVERIFY(QFileInfo(fx.folder() + "/.Pratiche.xls.Dir123").isDir());
        QVERIFY(QFileInfo(fx.folder() + "/.Pratiche.xls.Lnk123").isSymLink());
    }

    void linkedWorkbookStaysLinked() {
        AppFixture fx;
        QTemporaryDir data;
        const QString real = data.path() + "/archivio.xls";
        {
            auto book = store::newStarterWorkbook();
            xls::writeWorkbook(*book, real, store::workbookPassword());
        }
        QVERIFY(QFile::link(real, fx.workbookPath()));
        writeFile(data.path() + "/.archivio.xls.Old123", "x");
        QVERIFY(fx.start());
        // The marks stand where LibreOffice looks: beside the real file.
        QCOMPARE(store::officeLockFile(fx.workbookPath()), data.path() + "/.~lock.archivio.xls#");
        QVERIFY(QFileInfo::exists(data.path() + "/.~lock.archivio.xls#"));
        QVERIFY(!QFileInfo::exists(data.path() + "/.archivio.xls.Old123"));

        clientInsertWithoutSave(fx);
        QVERIFY(fx.form().SaveWorkbook());
        QVERIFY(QFileInfo(fx.workbookPath()).isSymLink());
        QCOMPARE(QFileInfo(fx.workbookPath()).symLinkTarget(), real);
        QCOMPARE(xls::readWorkbook(real, store::workbookPassword())->Sheets(store::kCliente).GetRange("B2").Text(),
                 QStringLiteral("BIANCHI ANNA"));
        QVERIFY(fileprobe::OfficeMark::recordLocked(real));
        // No temporary file is left in either folder.
        for (const QString& d : {fx.folder(), data.path()})
            QCOMPARE(QDir(d).entryList(QStringList{QStringLiteral(".*.xls.*")}, QDir::Files | QDir::Hidden),
                     QStringList{});
        fx.form().MenuEsci_Click();
        QVERIFY(QFileInfo(fx.workbookPath()).isSymLink());
        QVERIFY(!QFileInfo::exists(data.path() + "/.~lock.archivio.xls#"));
    }
};

QTEST_MAIN(TestNeighbours)
#include "tst_neighbours.moc"
