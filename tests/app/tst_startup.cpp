// Start-up of the main window: the folders, the checks on the workbook file
// with their exact messages, the window it leaves, and the lock held for the
// whole run.

#include "tests/support/app_fixture.h"

#include "app/form1.h"
#include "app/preload.h"
#include "ledger/ledgerpanel.h"
#include "platform/desktop/controls.h"
#include "platform/xls/xlsfile.h"
#include "practices/numberchooser.h"
#include "practices/practicepanel.h"
#include "practices/searchpanel.h"
#include "reference/binderpanel.h"
#include "reference/clientpanel.h"
#include "reference/sectorpanel.h"
#include "store/lockprobe.h"
#include "store/schema.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QToolBar>

using testsupport::AppFixture;
using testsupport::control;

namespace {
const QString kLocked = testsupport::alreadyOpenMessage();

QByteArray digest(const QString& path) { return testsupport::fileDigest(path); }

QList<QWidget*> frames(Form1& f) {
    return {control<PracticePanel>(&f, "Frame1"), control<NumberChooserPanel>(&f, "Frame2"),
            control<ClientPanel>(&f, "Frame3"),   control<SectorPanel>(&f, "Frame4"),
            control<BinderPanel>(&f, "Frame5"),   control<SearchPanel>(&f, "Frame6"),
            control<LedgerPanel>(&f, "Frame8")};
}
} // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void startsOnTheStarterWorkbook() {
        AppFixture fx;
        fx.writeWorkbook();
        QVERIFY(fx.start());
        Form1& f = fx.form();
        QVERIFY2(fx.dialogs().verify().isEmpty(), qPrintable(fx.dialogs().verify()));
        QVERIFY(QFileInfo(fx.folder() + "/Documenti").isDir());
        QVERIFY(QFileInfo(fx.folder() + "/Backup").isDir());
        QCOMPARE(f.windowTitle(), QStringLiteral("Velmora versione 2.3"));
        for (QWidget* w : frames(f)) QVERIFY2(!shown(w), qPrintable(w->objectName()));
        QVERIFY(!shown(control<QToolBar>(&f, "Toolbar1")));
        QVERIFY(shown(control<QPushButton>(&f, "Command40")));
        QCOMPARE(control<QPushButton>(&f, "Command40")->text(), QStringLiteral("&Istruzioni"));
        QCOMPARE(control<ImageLabel>(&f, "Image1")->toolTip(), QStringLiteral("Vai al il mio sito !"));
        QVERIFY(!control<ImageLabel>(&f, "Image1")->pixmap().isNull());
        const QRegularExpression ip(QStringLiteral("^Indirizzo IP:(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})$"));
        QVERIFY2(ip.match(control<QLabel>(&f, "Label45")->text()).hasMatch(),
                 qPrintable(control<QLabel>(&f, "Label45")->text()));
        QVERIFY(control<QTimer>(&f, "Timer2")->isActive());
        for (QTimer* t : {control<QTimer>(&f, "Timer1"), control<QTimer>(&f, "Timer2"), control<QTimer>(&f, "Timer3")})
            QCOMPARE(t->interval(), 1000);

        // The menu bar, in order, with its captions.
        QStringList top;
        for (QAction* a : f.menuBar()->actions()) top << a->text();
        QCOMPARE(top, (QStringList{"Gestione &Pratiche", "Gestione &Clienti", "Gestione &Archiviazione", "&Excel",
                                   "Stampa &Copertina/Pratica", "&Salvataggio Archivio", "&Esci dal programma"}));
        QStringList sub;
        for (QAction* a : control<QMenu>(&f, "MenuArchiviazione")->actions()) sub << a->text();
        QCOMPARE(sub, (QStringList{"Nuova &Classificazione", "Nuovo Raccoglitore/Faldone"}));
        QCOMPARE(f.toolbarButton(1)->text(), QStringLiteral("Inserisci"));
        QCOMPARE(f.toolbarButton(7)->text(), QStringLiteral("&Esci"));
        QVERIFY(!f.toolbarButton(8));

        // The first activation laid the list out: twelve columns from row 1.
        ListView* list = control<ListView>(&f, "Frame1", "ListView1");
        QCOMPARE(list->columnCount(), 12);
        QStringList captions;
        for (int c = 0; c < 12; ++c) captions << list->columnCaption(c);
        QCOMPARE(captions, store::practiceHeaders());
        QCOMPARE(list->naturalColumnWidth(0), twipsToPixels(1000));
        QCOMPARE(list->naturalColumnWidth(8), twipsToPixels(500));
        QCOMPARE(list->naturalColumnWidth(11), twipsToPixels(2000));
        QCOMPARE(list->itemCount(), 0);
        QCOMPARE(f.book().application().ActiveSheet().Name(), store::kPratica);
        QVERIFY(!f.book().application().Visible);
    }

    void firstShowingRunsTheActivationOnce() {
        AppFixture fx;
        fx.writeWorkbook();
        Form1 f(fx.folder());
        QVERIFY(f.Form_Load());
        QCOMPARE(f.activations(), 0);
        f.show();
        QVERIFY(QTest::qWaitFor([&] { return f.activations() == 1; }, 3000));
        QTest::qWait(50);
        QCOMPARE(f.activations(), 1);
    }

    // The file read while the window is built is taken only when it is
    // still the file that was read: one written meanwhile is read again, a
    // start refused for a held folder takes nothing, and a file that does
    // not read is refused with the message a plain start gives.
    void fileReadAheadIsTakenOnlyAsItWas() {
        AppFixture fx;
        auto client = [](const QString& name) {
            return [name](xl::Workbook& b) { b.Sheets(store::kPratica).Cells(2, 3).SetValue(xl::Value(name)); };
        };
        auto clientShown = [](Form1& f) { return f.book().sheet(store::kPratica).Cells(2, 3).Text(); };
        fx.writeWorkbook(client(QStringLiteral("PRIMA")));
        {
            WorkbookPreload preload;
            preload.start(fx.workbookPath(), store::workbookPassword());
            Form1 f(fx.folder());
            f.usePreload(&preload);
            QVERIFY(f.Form_Load());
            QVERIFY(preload.handedOver());
            QCOMPARE(clientShown(f), QStringLiteral("PRIMA"));
            QCOMPARE(f.book().workbook().FullName(), fx.workbookPath());
            QCOMPARE(f.book().workbook().Password(), store::workbookPassword());
        }
        {
            WorkbookPreload preload;
            preload.start(fx.workbookPath(), store::workbookPassword());
            fx.writeWorkbook(client(QStringLiteral("DOPO")));
            Form1 f(fx.folder());
            f.usePreload(&preload);
            QVERIFY(f.Form_Load());
            QVERIFY(!preload.handedOver());
            QCOMPARE(clientShown(f), QStringLiteral("DOPO"));
        }
        {
            Form1 holder(fx.folder());
            QVERIFY(holder.Form_Load());
            WorkbookPreload preload;
            preload.start(fx.workbookPath(), store::workbookPassword());
            Form1 f(fx.folder());
            f.usePreload(&preload);
            QVERIFY(!f.Form_Load());
            QVERIFY(!preload.handedOver());
            QCOMPARE(fx.dialogs().shown.back().text, kLocked);
        }
        xls::writeWorkbook(*store::newStarterWorkbook(), fx.workbookPath(), QStringLiteral("altra"));
        QString plain;
        {
            Form1 f(fx.folder());
            QVERIFY(!f.Form_Load());
            plain = fx.dialogs().shown.back().text;
        }
        WorkbookPreload preload;
        preload.start(fx.workbookPath(), store::workbookPassword());
        Form1 f(fx.folder());
        f.usePreload(&preload);
        QVERIFY(!f.Form_Load());
        QCOMPARE(fx.dialogs().shown.back().text, plain);
    }

    // The read-ahead lays the workbook out on its own thread before the
    // window shows; after the first showing the workbook must be the very
    // one a plain start leaves: cells, formats, column widths, selections.
    void readAheadLaysOutAsThePlainStart() {
        AppFixture fx;
        fx.writeWorkbook([](xl::Workbook& b) {
            xl::Worksheet& p = b.Sheets(store::kPratica);
            xl::Worksheet& s = b.Sheets(store::kSpese);
            for (int i = 0; i < 600; ++i) {
                const int row = 2 + i;
                p.Cells(row, 1).SetValue(xl::Value::number(i + 1));
                p.Cells(row, 3).SetValue(xl::Value(QStringLiteral("CLIENTE %1 %2").arg(i).arg(QString(i % 37, u'W'))));
                p.Cells(row, 4).SetValue(xl::Value(QString(i % 23, u'i') + QStringLiteral("Ricorso")));
                s.Cells(row, 1).SetValue(xl::Value::number(i % 50 + 1));
                s.Cells(row, 5).SetValue(xl::Value::number((i * 7919 % 100000) / 100.0));
            }
        });
        // The program allows the layout as soon as its application is set up;
        // take() allows it when nobody did before.
        auto laidOut = [&](bool readAhead, bool allowedEarly = false) {
            WorkbookPreload preload;
            if (readAhead) preload.start(fx.workbookPath(), store::workbookPassword());
            if (allowedEarly) preload.allowLayout();
            Form1 f(fx.folder());
            if (readAhead) f.usePreload(&preload);
            if (!f.Form_Load()) return QByteArray();
            f.show();
            if (!QTest::qWaitFor([&] { return f.activations() >= 1; }, 3000)) return QByteArray();
            if (readAhead != preload.handedOver()) return QByteArray();
            QByteArray bytes;
            QBuffer out(&bytes);
            out.open(QIODevice::WriteOnly);
            xls::writeWorkbook(f.book().workbook(), out, QString());
            return bytes;
        };
        const QByteArray plain = laidOut(false);
        QVERIFY(!plain.isEmpty());
        QCOMPARE(laidOut(true), plain);
        QCOMPARE(laidOut(true, true), plain);
    }

    // The program begins reading before its application exists: the folder
    // it finds then is the one the application gives, and a read whose
    // layout was never allowed ends when dropped or destroyed, handing
    // nothing over.
    void readBegunBeforeTheApplication() {
        QCOMPARE(WorkbookPreload::programFolder(), QCoreApplication::applicationDirPath());
        AppFixture fx;
        fx.writeWorkbook();
        {
            WorkbookPreload preload;
            preload.start(fx.workbookPath(), store::workbookPassword());
            preload.drop();
            QVERIFY(!preload.take(fx.workbookPath()));
            QVERIFY(!preload.handedOver());
        }
        {
            WorkbookPreload preload;
            preload.start(fx.workbookPath(), store::workbookPassword());
        }
        // After a drop, start-up reads the file the usual way.
        WorkbookPreload preload;
        preload.start(fx.workbookPath(), store::workbookPassword());
        preload.drop();
        Form1 f(fx.folder());
        f.usePreload(&preload);
        QVERIFY(f.Form_Load());
        QVERIFY(!preload.handedOver());
        QCOMPARE(f.book().workbook().FullName(), fx.workbookPath());
    }

    void existingEntriesAreLeftAsTheyAre() {
        AppFixture fx;
        fx.writeWorkbook();
        {
            QFile plain(fx.folder() + "/Documenti");
            QVERIFY(plain.open(QIODevice::WriteOnly));
            plain.write("not a folder");
        }
        QVERIFY(QDir(fx.folder()).mkdir("Backup"));
        QFile keep(fx.folder() + "/Backup/old.xls");
        QVERIFY(keep.open(QIODevice::WriteOnly));
        keep.close();
        QVERIFY(fx.start());
        QVERIFY(QFileInfo(fx.folder() + "/Documenti").isFile());
        QVERIFY(QFileInfo::exists(fx.folder() + "/Backup/old.xls"));
    }

    void refusedStarts_data() {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("icon");
        QTest::newRow("another Velmora has it") << "other" << kLocked << "Velmora" << int(ui::MsgIcon::Critical);
        QTest::newRow("LibreOffice has it") << "office" << kLocked << "Velmora" << int(ui::MsgIcon::Critical);
        QTest::newRow("missing file") << "missing" << kLocked << "Velmora" << int(ui::MsgIcon::Critical);
        QTest::newRow("wrong password")
            << "password"
            << "Impossibile aprire il database Pratiche.xls: la password del file non è quella del programma."
            << "Velmora" << int(ui::MsgIcon::Critical);
        QTest::newRow("damaged file") << "damaged"
                                      << "Impossibile aprire il database Pratiche.xls:"
                                      << "Velmora" << int(ui::MsgIcon::Critical);
        QTest::newRow("sheet missing") << "sheet"
                                       << "Impossibile aprire il database Pratiche.xls: manca il foglio \"Spese\"."
                                       << "Velmora" << int(ui::MsgIcon::Critical);
    }
    void refusedStarts() {
        QFETCH(QString, situation);
        QFETCH(QString, message);
        QFETCH(QString, title);
        QFETCH(int, icon);

        AppFixture fx;
        std::unique_ptr<Form1> other;
        if (situation == "other") {
            fx.writeWorkbook();
            other = std::make_unique<Form1>(fx.folder());
            QVERIFY(other->Form_Load());
        } else if (situation == "office") {
            fx.writeWorkbook();
            QFile lock(store::officeLockFile(fx.workbookPath()));
            QVERIFY(lock.open(QIODevice::WriteOnly));
            lock.write(",utente,pc,01.01.2025 10:00,file:///home/utente/.config/libreoffice/4;");
        } else if (situation == "password") {
            auto book = store::newStarterWorkbook();
            xls::writeWorkbook(*book, fx.workbookPath(), QStringLiteral("altra"));
        } else if (situation == "damaged") {
            QFile f(fx.workbookPath());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(4096, 'x'));
        } else if (situation == "sheet") {
            auto book = std::make_unique<xl::Workbook>();
            for (const QString& n : {store::kPratica, store::kCliente, store::kVarie}) book->AddSheet(n);
            xls::writeWorkbook(*book, fx.workbookPath(), store::workbookPassword());
        }
        const QByteArray before = digest(fx.workbookPath());

        QVERIFY(!fx.start());
        QVERIFY(fx.form().ended());
        QCOMPARE(int(fx.dialogs().shown.size()), 1);
        const testsupport::Box& box = fx.dialogs().shown.front();
        QCOMPARE(box.kind, testsupport::BoxKind::Message);
        if (situation == "damaged" || situation == "password" || situation == "sheet")
            QVERIFY2(box.text.startsWith(message), qPrintable(box.text));
        else
            QCOMPARE(box.text, message);
        QCOMPARE(box.title, title);
        QCOMPARE(int(box.icon), icon);
        QVERIFY(!fx.form().isVisible());
        // The file is exactly as it was, and no lock is left behind.
        QCOMPARE(digest(fx.workbookPath()), before);
        if (situation == "missing") QVERIFY(!QFileInfo::exists(fx.workbookPath()));
    }

    void anotherProcessHoldingTheFolderIsRefused() {
        // flock(1) takes the same advisory lock on the folder that a running
        // copy of the program holds.
        const QString flock = QStandardPaths::findExecutable(QStringLiteral("flock"));
        if (flock.isEmpty()) QSKIP("flock(1) is not installed");
        AppFixture fx;
        fx.writeWorkbook();
        QProcess holder;
        // The lock lasts as long as `cat` reads its input.
        holder.start(flock, {fx.folder(), QStringLiteral("cat")});
        QVERIFY(holder.waitForStarted());
        QVERIFY(QTest::qWaitFor([&] { return store::IsFileLocked(fx.workbookPath()); }, 5000));
        QVERIFY(!fx.start());
        QCOMPARE(fx.dialogs().shown.front().text, kLocked);
        holder.closeWriteChannel();
        QVERIFY(holder.waitForFinished(5000));
        QVERIFY(!store::IsFileLocked(fx.workbookPath()));
    }

    void unreadableFileAfterTheProbe() {
        // A path that exists but cannot be read as a file: the probe already
        // refuses it, with its own message.
        AppFixture fx;
        QVERIFY(QDir(fx.folder()).mkdir(store::kWorkbookFileName));
        QVERIFY(!fx.start());
        QCOMPARE(fx.dialogs().shown.front().text, kLocked);
        // The read check on its own answers what the start-up relies on.
        QVERIFY(!store::VerifyFile(fx.workbookPath()));
        QVERIFY(!store::VerifyFile(fx.folder() + "/nessuno.xls"));
    }

    void lockIsHeldAcrossSavesAndReleasedAtExit() {
        AppFixture fx;
        fx.writeWorkbook();
        QVERIFY(fx.start());
        QVERIFY(fx.form().SaveWorkbook());
        QVERIFY(fx.form().SaveWorkbook());
        {
            Form1 second(fx.folder());
            fx.dialogs().expectMessage(kLocked, QStringLiteral("Velmora"), ui::MsgIcon::Critical);
            QVERIFY(!second.Form_Load());
            QVERIFY(second.ended());
        }
        QVERIFY(store::IsFileLocked(fx.workbookPath()));
        fx.form().MenuEsci_Click();
        QVERIFY(fx.form().ended());
        QVERIFY(!store::IsFileLocked(fx.workbookPath()));
        Form1 third(fx.folder());
        QVERIFY(third.Form_Load());
        QVERIFY2(fx.dialogs().verify().isEmpty(), qPrintable(fx.dialogs().verify()));
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
