// Against a real LibreOffice: while the program runs, LibreOffice opens the
// workbook read-only; a LibreOffice that has the workbook open keeps the
// program out, and the lock file of one that was killed does not.

#include "tests/support/app_fixture.h"

#include "app/form1.h"
#include "store/lockprobe.h"
#include "store/schema.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

using testsupport::AppFixture;

namespace {
const QString kLocked = testsupport::alreadyOpenMessage();

// LibreOffice loads the workbook as a user would, answering "Open
// Read-Only" if it finds the workbook in use.
QJsonObject officeOpens(const QString& path) {
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"),
            {QStringLiteral(LO_LOCK), QStringLiteral("open"), path, store::workbookPassword()});
    if (!p.waitForFinished(240000)) {
        p.kill();
        p.waitForFinished();
        return {{QStringLiteral("error"), QStringLiteral("timed out")}};
    }
    const QByteArray out = p.readAllStandardOutput();
    const QJsonObject o = QJsonDocument::fromJson(out).object();
    if (o.isEmpty()) return {{QStringLiteral("error"), QString::fromUtf8(out + p.readAllStandardError())}};
    return o;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

class TestOfficeLock : public QObject {
    Q_OBJECT
private slots:
    void officeOpensTheWorkbookReadOnlyWhileRunning() {
        AppFixture fx;
        fx.writeWorkbook();
        QVERIFY(fx.start());
        QJsonObject o = officeOpens(fx.workbookPath());
        QVERIFY2(!o.contains("error"), qPrintable(o.value("error").toString()));
        QVERIFY(o.value("loaded").toBool());
        QVERIFY(o.value("readonly").toBool());

        // Where no lock file can stand, the lock on the file itself is enough.
        QVERIFY(QFile::remove(store::officeLockFile(fx.workbookPath())));
        o = officeOpens(fx.workbookPath());
        QVERIFY(o.value("loaded").toBool());
        QVERIFY2(o.value("readonly").toBool(), "LibreOffice got the workbook for editing through the record lock");

        // After the exit LibreOffice gets it for editing again.
        QVERIFY(fx.form().SaveWorkbook());
        fx.form().MenuEsci_Click();
        QVERIFY(fx.form().ended());
        o = officeOpens(fx.workbookPath());
        QVERIFY(o.value("loaded").toBool());
        QVERIFY(!o.value("readonly").toBool());
        QVERIFY(!QFileInfo::exists(store::officeLockFile(fx.workbookPath())));
    }

    void openOfficeRefusesAndKilledOfficeDoesNot() {
        AppFixture fx;
        fx.writeWorkbook();
        const QString lock = store::officeLockFile(fx.workbookPath());
        QProcess office;
        office.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral(LO_LOCK), QStringLiteral("hold"), fx.workbookPath(), store::workbookPassword()});
        QVERIFY(office.waitForStarted());
        QVERIFY(
            QTest::qWaitFor([&] { return office.canReadLine() || office.state() == QProcess::NotRunning; }, 240000));
        QCOMPARE(office.readLine().trimmed(), QByteArray("HELD"));
        const QByteArray officeEntry = readAll(lock);
        QVERIFY2(!officeEntry.isEmpty(), "LibreOffice wrote no lock file");

        // LibreOffice really has the file open: refused, its lock file untouched.
        QVERIFY(store::IsFileLocked(fx.workbookPath()));
        QVERIFY(!fx.start());
        QCOMPARE(int(fx.dialogs().shown.size()), 1);
        QCOMPARE(fx.dialogs().shown.front().text, kLocked);
        QCOMPARE(readAll(lock), officeEntry);

        // Killed: its lock file stays behind, and no longer counts.
        office.write("kill\n");
        QVERIFY(office.waitForFinished(60000));
        QVERIFY(office.readAllStandardOutput().contains("KILLED"));
        QCOMPARE(readAll(lock), officeEntry);
        fx.dialogs().clear();
        QVERIFY(fx.start());
        QVERIFY(fx.dialogs().shown.empty());
        QVERIFY(readAll(lock).startsWith("Velmora,"));
        fx.form().MenuEsci_Click();
        QVERIFY(!QFileInfo::exists(lock));
    }
};

QTEST_MAIN(TestOfficeLock)
#include "tst_officelock.moc"
