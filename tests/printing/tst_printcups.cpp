// The road through a real print server: a private CUPS daemon (started by
// with_cups.sh) with four queues. The printer-choice form lists them with the
// default, a list printout and the label reach the queues as PDF documents,
// a name that is no queue prints nothing, a queue that rejects jobs is a
// failed printout the user is told of, and a stopped queue keeps the job.

#include "printtest.h"

#include "app/form1.h"
#include "platform/desktop/controls.h"
#include "practices/practicepanel.h"
#include "printing/stampap.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace prt;
using testsupport::AppFixture;
using testsupport::control;

namespace {

const QString kV = QStringLiteral("Velmora");
const QString kOffice = QStringLiteral("Velmora_Ufficio");
const QString kArchive = QStringLiteral("Velmora_Archivio");
const QString kRejecting = QStringLiteral("Velmora_Rifiuta");
const QString kStopped = QStringLiteral("Velmora_Ferma");

QString spool() { return qEnvironmentVariable("VELMORA_CUPS_SPOOL"); }

// Documents the daemon has received, oldest first.
QStringList documents() { return QDir(spool()).entryList({QStringLiteral("d*")}, QDir::Files, QDir::Name); }

// Completed jobs of one queue, as lpstat lists them.
int completedJobs(const QString& queue) {
    const QString out =
        run(QStringLiteral("lpstat"), {QStringLiteral("-W"), QStringLiteral("completed"), QStringLiteral("-o"), queue});
    return static_cast<int>(out.split(QLatin1Char('\n'), Qt::SkipEmptyParts).size());
}

bool waitForJobs(const QString& queue, int count) {
    return QTest::qWaitFor([&] { return completedJobs(queue) >= count; }, 20000);
}

// Jobs of one queue in any state, finished or not.
int allJobs(const QString& queue) {
    const QString out =
        run(QStringLiteral("lpstat"), {QStringLiteral("-W"), QStringLiteral("all"), QStringLiteral("-o"), queue});
    return static_cast<int>(out.split(QLatin1Char('\n'), Qt::SkipEmptyParts).size());
}

void putBinder(xl::Workbook& b) {
    xl::Worksheet& v = b.Sheets(QStringLiteral("Varie"));
    v.Cells(2, 1).SetValue(QStringLiteral("7"));
    v.Cells(2, 2).SetValue(QStringLiteral("Faldone sette"));
}

// Starts the program on one binder and asks for the binder list: the printer
// form it shows, or null when the program did not start.
StampaP* binderListForm(AppFixture& fx) {
    fx.writeWorkbook(putBinder);
    if (!fx.start()) return nullptr;
    fx.form().requestPrint(StampaP::BinderList);
    return fx.form().stampaP();
}

} // namespace

class TestPrintCups : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void systemListsTheQueues();
    void listAndLabelReachTheirQueues();
    void rejectedJobIsAFailedPrintout();
    void stoppedQueueKeepsTheJob();
};

void TestPrintCups::initTestCase() {
    if (qEnvironmentVariableIsEmpty("CUPS_SERVER") || spool().isEmpty())
        QSKIP("run through with_cups.sh, which starts the print server");
}

void TestPrintCups::systemListsTheQueues() {
    printing::SystemPrinters system;
    const QStringList names = system.names();
    QVERIFY2(names.contains(kOffice) && names.contains(kArchive), qPrintable(names.join(QLatin1Char(','))));
    QCOMPARE(system.defaultName(), kOffice);

    xl::Workbook book;
    xl::Worksheet& s = book.AddSheet(QStringLiteral("Prova"));
    s.Cells(1, 1).SetValue(QStringLiteral("diretta"));
    printout::Request rq;
    rq.printer = QStringLiteral("Seleziona la stampante");
    QVERIFY_THROWS_EXCEPTION(xl::Error, system.printOut(s, rq));
}

void TestPrintCups::listAndLabelReachTheirQueues() {
    AppFixture fx;
    StampaP* s = binderListForm(fx);
    QVERIFY(s);
    Form1& f = fx.form();
    QVERIFY(control<QComboBox>(s, "Combo1")->findText(kArchive) >= 0);
    QCOMPARE(control<QLabel>(s, "Label1")->text(), QStringLiteral("La stampante predefinita è: \n") + kOffice);

    // Nothing picked: nothing reaches the server, and nothing is asked.
    const int before = static_cast<int>(documents().size());
    fx.dialogs().expectMessage(QString(), kV, ui::MsgIcon::Information);
    control<QPushButton>(s, "Command1")->click();
    QVERIFY(shown(s));

    control<QComboBox>(s, "Combo1")->setCurrentIndex(control<QComboBox>(s, "Combo1")->findText(kArchive));
    fx.dialogs().expectInput(QString(), QStringLiteral("100"), kV);
    control<QPushButton>(s, "Command1")->click();
    QVERIFY(!shown(s));
    QVERIFY(waitForJobs(kArchive, 1));
    QStringList docs = documents();
    QCOMPARE(static_cast<int>(docs.size()), before + 1);
    const QString doc = QDir(spool()).filePath(docs.back());
    QFile file(doc);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.read(4) == "%PDF");
    file.close();
    const QString printed = pdfText(doc);
    QVERIFY2(printed.contains(QStringLiteral("Faldone sette")), qPrintable(printed));
    QVERIFY(printed.simplified().contains(QStringLiteral("Stampa Faldoni")));

    // The label goes to the default queue.
    f.MenuPratiche_Click();
    QWidget* pp = control<PracticePanel>(&f, "Frame1");
    fillLabelFields(pp, QStringLiteral("7"));
    control<QPushButton>(pp, "Command200")->click();
    QVERIFY(waitForJobs(kOffice, 1));
    docs = documents();
    QCOMPARE(static_cast<int>(docs.size()), before + 2);
    QVERIFY(pdfText(QDir(spool()).filePath(docs.back())).contains(QStringLiteral("Cliente : ROSSI MARIO")));
    const QString why = fx.dialogs().verify();
    QVERIFY2(why.isEmpty(), qPrintable(why));
}

void TestPrintCups::rejectedJobIsAFailedPrintout() {
    // What the print system answers for the job sent is the outcome.
    xl::Workbook book;
    xl::Worksheet& sheet = book.AddSheet(QStringLiteral("Prova"));
    sheet.Cells(1, 1).SetValue(QStringLiteral("diretta"));
    printout::Request direct;
    direct.printer = kRejecting;
    try {
        printing::SystemPrinters().printOut(sheet, direct);
        QFAIL("a job the queue rejected passed for printed");
    } catch (const xl::Error& e) {
        QVERIFY2(QString::fromUtf8(e.what()).contains(QStringLiteral("not-accepting-jobs")), e.what());
    }

    AppFixture fx;
    fx.writeWorkbook([](xl::Workbook& b) {
        putBinder(b);
        xl::Worksheet& p = b.Sheets(QStringLiteral("Pratica"));
        for (int i = 1; i <= 120; ++i) {
            p.Cells(i + 1, 1).SetValue(xl::Value(i));
            p.Cells(i + 1, 3).SetValue(QStringLiteral("CLIENTE %1").arg(i));
        }
    });
    QVERIFY(fx.start());
    Form1& f = fx.form();
    const QString refused = QStringLiteral(" Stampa non eseguita: la stampante %1 non ha accettato il lavoro. "
                                           "Controllarla e riprovare ..................")
                                .arg(kRejecting);
    const int before = static_cast<int>(documents().size());

    // A one-shot list: told, and the form stays for another printer.
    f.requestPrint(StampaP::BinderList);
    StampaP* s = f.stampaP();
    control<QComboBox>(s, "Combo1")->setCurrentIndex(control<QComboBox>(s, "Combo1")->findText(kRejecting));
    QVERIFY(control<QComboBox>(s, "Combo1")->currentIndex() >= 0);
    fx.dialogs().expectInput(QString(), QStringLiteral("100"), kV).expectMessage(refused, kV, ui::MsgIcon::Information);
    control<QPushButton>(s, "Command1")->click();
    QVERIFY(shown(s));

    // Page by page: the first page refused, no further page offered.
    f.requestPrint(StampaP::PracticeList);
    fx.dialogs()
        .expectInput(QString(), QStringLiteral("110"), kV)
        .expectQuestion(QString(), false, kV)
        .expectQuestion(QString(), true, QStringLiteral("Stampa Risultato "))
        .expectMessage(refused, kV, ui::MsgIcon::Information);
    control<QPushButton>(s, "Command1")->click();
    QVERIFY(shown(s));
    QVERIFY(fx.sheet(QStringLiteral("Pratica")).Paginate().pageCount() >= 2);
    const auto& shownBoxes = fx.dialogs().shown;
    QVERIFY(shownBoxes.size() >= 2);
    QVERIFY(shownBoxes[shownBoxes.size() - 2].text.endsWith(
        QStringLiteral("1    di    ") + QString::number(fx.sheet(QStringLiteral("Pratica")).Paginate().pageCount())));

    // Nothing reached the queue or the server.
    QCOMPARE(allJobs(kRejecting), 0);
    QCOMPARE(static_cast<int>(documents().size()), before);
    const QString why = fx.dialogs().verify();
    QVERIFY2(why.isEmpty(), qPrintable(why));
}

void TestPrintCups::stoppedQueueKeepsTheJob() {
    AppFixture fx;
    StampaP* s = binderListForm(fx);
    QVERIFY(s);
    control<QComboBox>(s, "Combo1")->setCurrentIndex(control<QComboBox>(s, "Combo1")->findText(kStopped));
    QVERIFY(control<QComboBox>(s, "Combo1")->currentIndex() >= 0);

    // The queue takes the job and holds it: the printout is done.
    const int before = static_cast<int>(documents().size());
    fx.dialogs().expectInput(QString(), QStringLiteral("100"), kV);
    control<QPushButton>(s, "Command1")->click();
    QVERIFY(!shown(s));
    QCOMPARE(allJobs(kStopped), 1);
    QCOMPARE(completedJobs(kStopped), 0);
    const QStringList docs = documents();
    QCOMPARE(static_cast<int>(docs.size()), before + 1);
    QVERIFY(pdfText(QDir(spool()).filePath(docs.back())).contains(QStringLiteral("Faldone sette")));

    // Started again, the queue prints it.
    run(QStringLiteral("cupsenable"), {kStopped});
    QVERIFY(waitForJobs(kStopped, 1));
    const QString why = fx.dialogs().verify();
    QVERIFY2(why.isEmpty(), qPrintable(why));
}

QTEST_MAIN(TestPrintCups)
#include "tst_printcups.moc"
