// The printer-choice form and every printout it runs, on a started program
// whose printers write PDF files: the form's loading and unloading, the
// dispatch of the job codes, the list printouts one-shot and page by page,
// the cover sheet and the practice label, with what they leave on the sheets.

#include "printtest.h"

#include "app/form1.h"
#include "platform/desktop/controls.h"
#include "platform/engine/vbconv.h"
#include "practices/practicepanel.h"
#include "practices/searchpanel.h"
#include "printing/label.h"
#include "printing/stampap.h"
#include "reference/clientpanel.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace prt;
using testsupport::AppFixture;
using testsupport::control;

namespace {

const QString kV = QStringLiteral("Velmora");
constexpr auto kInfo = ui::MsgIcon::Information;
const QString kZoomShort = QStringLiteral("Digita la percentuale di Zoom della Stampa 80-90-100..................");
const QString kZoomLong =
    QStringLiteral("Digita la percentuale di Zoom della Stampa 50-60-70-80-90-100..................");
const QString kNotPrinted =
    QStringLiteral(" Stampa non eseguita: scegliere una stampante dall'elenco e premere di nuovo "
                   "Seleziona ..................");
const QString kAskPortrait =
    QStringLiteral(" Vuoi la Stampa Verticale ?.........................................................");
const QString kPageTitle = QStringLiteral("Stampa Risultato ");

QString today() { return QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")); }

QString pageQuestion(int page, int pages) {
    return QStringLiteral("Vuoi Procedere alla stampa   ?  Pagine     %1    di    %2").arg(page).arg(pages);
}

void put(xl::Worksheet& s, int row, int col, const xl::Value& v) { s.Cells(row, col).SetValue(v); }
QString text(xl::Worksheet& s, const QString& cell) { return vb::CStr(s.GetRange(cell).GetValue()); }

void putPractices(xl::Workbook& b, int count) {
    xl::Worksheet& s = b.Sheets(QStringLiteral("Pratica"));
    for (int i = 1; i <= count; ++i) {
        const int r = i + 1;
        put(s, r, 1, xl::Value(i));
        put(s, r, 2, xl::Value::date(vb::DateSerial(QDate(2024, 1, 1).addDays(i))));
        put(s, r, 3, QStringLiteral("CLIENTE %1").arg(i));
        put(s, r, 4, QStringLiteral("Oggetto %1").arg(i));
        put(s, r, 6, QStringLiteral("CIVILE"));
        put(s, r, 8, QStringLiteral("3"));
        if (i % 2)
            put(s, r, 9, QStringLiteral("SI"));
        else
            put(s, r, 10, QStringLiteral("SI"));
    }
}

void putClients(xl::Workbook& b, int count) {
    xl::Worksheet& s = b.Sheets(QStringLiteral("Cliente"));
    for (int i = 1; i <= count; ++i) {
        const int r = i + 1;
        put(s, r, 1, xl::Value(i));
        put(s, r, 2, QStringLiteral("CLIENTE NUMERO %1").arg(i));
        for (int c = 3; c <= 17; ++c) put(s, r, c, QStringLiteral("campo %1 del cliente %2").arg(c).arg(i));
    }
}

struct Program {
    RecordingPrinters printers; // before the form loads its list
    AppFixture fx;
    explicit Program(const std::function<void(xl::Workbook&)>& prepare = {}) {
        fx.writeWorkbook(prepare);
        started = fx.start();
    }
    bool started = false;
    Form1& form() { return fx.form(); }
    xl::Worksheet& sheet(const QString& name) { return fx.sheet(name); }
    StampaP* request(int code, const QString& printer = QStringLiteral("Archivio")) {
        form().requestPrint(code);
        StampaP* s = form().stampaP();
        if (!printer.isEmpty())
            control<QComboBox>(s, "Combo1")->setCurrentIndex(control<QComboBox>(s, "Combo1")->findText(printer));
        return s;
    }
    void press() { control<QPushButton>(form().stampaP(), "Command1")->click(); }
};

} // namespace

class TestPrintJobs : public QObject {
    Q_OBJECT
private slots:
    void formListsPrintersAndKeepsChoiceUntilClosed();
    void pressRunsTheLastCodeOnlyEachTime();
    void stateSearchPrintFollowsTheSearch();
    void searchResultsPrintPastABlankClient();
    void binderListPrintsItsBlock();
    void zoomAnswers_data();
    void zoomAnswers();
    void emptyListsAreRefusedAfterFormatting();
    void sectorListStaysShown();
    void ledgerPrintoutsAndTheirTitles();
    void failedPrintIsToldAndFormStays();
    void failedPageEndsThePageByPagePrintout();
    void practiceListAsksBeforeEachPage();
    void clientListOffersEveryPageOfAWideList();
    void coverMenuAsksAndChecks();
    void coverPrintsThePanelAsShown();
    void labelPrintsAloneOnTheCurrentPrinter();
    void labelRefusalsAndFailures();
    void zoomBoxAnnullaAbandonsThePrintout();
    void labelKeepsItsOwnScaleAfterAZoomedList();
    void coverWithDataIsCheckedAtThePress();
};

void TestPrintJobs::formListsPrintersAndKeepsChoiceUntilClosed() {
    Program p;
    QVERIFY(p.started);
    Form1& f = p.form();
    QVERIFY(!f.stampaPLoaded());
    StampaP* s = p.request(StampaP::ClientList, QString());
    QVERIFY(shown(s));
    QCOMPARE(s->windowTitle(), QStringLiteral("Seleziona Stampante"));
    QCOMPARE(control<QComboBox>(s, "Combo1")->count(), 2);
    QCOMPARE(control<QComboBox>(s, "Combo1")->itemText(0), QStringLiteral("Ufficio"));
    QCOMPARE(control<QComboBox>(s, "Combo1")->itemText(1), QStringLiteral("Archivio"));
    // A pick-only list: no name can be typed into it.
    QVERIFY(!control<QComboBox>(s, "Combo1")->isEditable());
    QCOMPARE(control<QComboBox>(s, "Combo1")->currentIndex(), -1);
    QCOMPARE(control<QComboBox>(s, "Combo1")->placeholderText(), StampaP::placeholder());
    QCOMPARE(control<QLabel>(s, "Label1")->text(), QStringLiteral("La stampante predefinita è: \nUfficio"));
    QVERIFY(control<QLineEdit>(s, "Text1")->isReadOnly());
    QCOMPARE(control<QLineEdit>(s, "Text1")->text(), QStringLiteral("8"));

    // Hidden after a printout: a new request keeps the printer picked, and a
    // printer added meanwhile is not listed yet.
    control<QComboBox>(s, "Combo1")->setCurrentIndex(1);
    s->hide();
    p.printers.list << QStringLiteral("Nuova");
    p.request(StampaP::SectorList, QString());
    QCOMPARE(control<QComboBox>(s, "Combo1")->currentText(), QStringLiteral("Archivio"));
    QCOMPARE(control<QComboBox>(s, "Combo1")->count(), 2);
    QCOMPARE(control<QLineEdit>(s, "Text1")->text(), QStringLiteral("10"));

    // Left on screen behind the main window: a new request brings it back
    // to the front.
    p.request(StampaP::ClientList, QString());
    f.activateWindow();
    QTRY_VERIFY(f.isActiveWindow());
    p.request(StampaP::SectorList, QString());
    QTRY_VERIFY(s->isActiveWindow());

    // Closed: the code goes; the next request lists the printers afresh.
    s->close();
    QVERIFY(control<QLineEdit>(s, "Text1")->text().isEmpty());
    QVERIFY(!s->loaded());
    p.request(StampaP::BinderList, QString());
    QCOMPARE(control<QComboBox>(s, "Combo1")->count(), 3);
    QCOMPARE(control<QComboBox>(s, "Combo1")->currentIndex(), -1);
    QCOMPARE(control<QComboBox>(s, "Combo1")->placeholderText(), StampaP::placeholder());
    QCOMPARE(control<QLineEdit>(s, "Text1")->text(), QStringLiteral("9"));
    VERIFY_DIALOGS(p.fx);
}

void TestPrintJobs::pressRunsTheLastCodeOnlyEachTime() {
    Program p([](xl::Workbook& b) {
        xl::Worksheet& s = b.Sheets(QStringLiteral("Pratica"));
        const char* heads[] = {"Cliente", "N/Pratica", "Data", "Oggetto", "In Istrutt.", "Complet."};
        for (int c = 0; c < 6; ++c) put(s, 1, 27 + c, QString::fromLatin1(heads[c]));
        put(s, 2, 27, QStringLiteral("ROSSI"));
        put(s, 2, 28, xl::Value(4));
        put(s, 3, 27, QStringLiteral("ROSSI"));
        put(s, 3, 28, xl::Value(9));
    });
    QVERIFY(p.started);
    // A click that writes two codes: only the second runs.
    p.request(StampaP::StateSearch);
    p.request(StampaP::ClientSearch);
    p.fx.dialogs().expectInput(kZoomLong, QStringLiteral("80"), kV).expectInput(kZoomLong, QStringLiteral("80"), kV);
    p.press();
    QCOMPARE(p.printers.jobs.size(), std::size_t(1));
    QCOMPARE(p.printers.jobs[0].setup.CenterHeader,
             QStringLiteral("Stampa Ricerca per Cliente    ------ del     ") + today());
    QCOMPARE(p.printers.jobs[0].printArea, QStringLiteral("$AA$1:$AF$3"));
    QCOMPARE(p.printers.jobs[0].printer, QStringLiteral("Archivio"));
    QVERIFY(!shown(p.form().stampaP()));

    // The form keeps its code: a second press prints the same again.
    p.form().stampaP()->show();
    p.press();
    QCOMPARE(p.printers.jobs.size(), std::size_t(2));
    QCOMPARE(p.printers.jobs[1].printArea, QStringLiteral("$AA$1:$AF$3"));

    // Codes that start nothing: never written ones, and 12 with no state
    // search behind it and neither box ticked.
    for (int code : {3, 5, 11, 12}) {
        p.request(code);
        p.press();
        QVERIFY(shown(p.form().stampaP()));
    }
    control<QLineEdit>(p.form().stampaP(), "Text1")->setText(QStringLiteral("abc"));
    p.press();
    QCOMPARE(p.printers.jobs.size(), std::size_t(2));
    VERIFY_DIALOGS(p.fx);
}

void TestPrintJobs::stateSearchPrintFollowsTheSearch() {
    Program p([](xl::Workbook& b) { putPractices(b, 6); });
    QVERIFY(p.started);
    Form1& f = p.form();
    f.MenuPratiche_Click();
    control<QPushButton>(&f, "Frame1", "cmd14")->click();
    QVERIFY(shown(control<SearchPanel>(&f, "Frame6")));
    control<QCheckBox>(&f, "Frame6", "Check9")->setChecked(true); // the completed practices: 2, 4, 6
    QCOMPARE(control<SearchPanel>(&f, "Frame6")->resultCount(), 3);
    control<QPushButton>(&f, "Frame6", "Command18")->click();
    QCOMPARE(control<QLineEdit>(f.stampaP(), "Text1")->text(), QStringLiteral("12"));
    control<QComboBox>(f.stampaP(), "Combo1")->setCurrentIndex(0);

    // The box unticked before the press: the completed list still prints,
    // under its own title.
    control<QCheckBox>(&f, "Frame6", "Check9")->setChecked(false);
    p.fx.dialogs().expectInput(kZoomLong, QStringLiteral("70"), kV);
    p.press();
    QCOMPARE(p.printers.jobs.size(), std::size_t(1));
    const Job& j = p.printers.jobs[0];
    QCOMPARE(j.setup.CenterHeader, QStringLiteral("Stampa Pratiche Completate   ------ del     ") + today());
    QCOMPARE(j.printArea, QStringLiteral("$AA$1:$AD$4"));
    QCOMPARE(j.printer, QStringLiteral("Ufficio"));
    QCOMPARE(j.setup.Zoom, 70);
    QVERIFY(!j.setup.FitToPage);
    QVERIFY(j.texts().contains(QStringLiteral("CLIENTE 4")));
    QVERIFY(!j.texts().contains(QStringLiteral("CLIENTE 3")));

    // The practices in preparation, asked for and printed with their title.
    control<QCheckBox>(&f, "Frame6", "Check8")->setChecked(true);
    control<QPushButton>(&f, "Frame6", "Command18")->click();
    p.fx.dialogs().expectInput(kZoomLong, QStringLiteral("90"), kV);
    p.press();
    QCOMPARE(p.printers.jobs.size(), std::size_t(2));
    QCOMPARE(p.printers.jobs[1].setup.CenterHeader,
             QStringLiteral("Stampa Pratiche in Istruttoria   ------ del     ") + today());
    QCOMPARE(p.printers.jobs[1].setup.Zoom, 90);
    QVERIFY(p.printers.jobs[1].texts().contains(QStringLiteral("CLIENTE 5")));
    VERIFY_DIALOGS(p.fx);
}

void TestPrintJobs::searchResultsPrintPastABlankClient() {
    // A result whose client is empty sits in the middle of the area.
    Program p([](xl::Workbook& b) {
        xl::Worksheet& s = b.Sheets(QStringLiteral("Pratica"));
        for (int c = 0; c < 6; ++c) put(s, 1, 27 + c, QStringLiteral("H%1").arg(c));
        put(s, 2, 28, xl::Value(1)); // no client in AA2
        put(s, 3, 27, QStringLiteral("BIANCHI"));
        put(s, 3, 28, xl::Value(2));
        put(s, 4, 27, QStringLiteral("VERDI"));
        put(s, 4, 28, xl::Value(3));
    });
    QVERIFY(p.started);
    p.request(StampaP::ClientSearch);
    p.fx.dialogs().expectInput(kZoomLong, QStringLiteral("100"), kV);
    p.press();
    QCOMPARE(p.printers.jobs.size(), std::size_t(1));
    QCOMPARE(p.printers.jobs[0].printArea, QStringLiteral("$AA$1:$AF$4"));
    QVERIFY(p.printers.jobs[0].texts().contains(QStringLiteral("VERDI")));
    VERIFY_DIALOGS(p.fx);
}

void TestPrintJobs::binderListPrintsItsBlock() {
    Program p([](xl::Workbook& b) {
        xl::Worksheet& v = b.Sheets(QStringLiteral("Varie"));
        for (int i = 1; i <= 3; ++i) {
            put(v, i + 1, 1, QString::number(i));
            put(v, i + 1, 2, QStringLiteral("Faldone numero %1").arg(i));
            put(v, i + 1, 3, QStringLiteral("nota %1").arg(i));
        }
        put(v, 2, 5, QStringLiteral("CIVILE"));
        v.GetRange(QStringLiteral("A3")).SetHorizontalAlignment(xl::xlHAlignLeft);
    });
    QVERIFY(p.started);
    p.request(StampaP::BinderList);
    p.fx.dialogs().expectInput(kZoomShort, QStringLiteral("75"), kV);
    p.press();
    QCOMPARE(p.printers.jobs.size(), std::size_t(1));
    const Job& j = p.printers.jobs[0];
    QCOMPARE(j.sheet, QStringLiteral("Varie"));
    QCOMPARE(j.printArea, QStringLiteral("$A$1:$C$4"));
    QCOMPARE(j.copies, 1);
    QCOMPARE(j.from, 0);
    QCOMPARE(j.setup.CenterHeader, QStringLiteral("Stampa  Faldoni  ------ del     ") + today());
    QCOMPARE(j.setup.LeftMargin, 15.12);
    QCOMPARE(j.setup.RightMargin, 15.12);
    QCOMPARE(j.setup.TopMargin, 36.0);
    QCOMPARE(j.setup.BottomMargin, 15.12);
    QCOMPARE(j.setup.HeaderMargin, 15.12);
    QCOMPARE(j.setup.FooterMargin, 15.12);
    QVERIFY(j.setup.PrintGridlines);
    QCOMPARE(j.setup.Orientation, int(xl::xlPortrait));
    QCOMPARE(j.setup.PaperSize, int(xl::xlPaperA4));
    // The zoom, set after the fit to one page, is what counts.
    QCOMPARE(j.setup.Zoom, 75);
    QVERIFY(!j.setup.FitToPage);
    QCOMPARE(j.setup.FitToPagesWide, 1);
    QCOMPARE(j.setup.FitToPagesTall, 1);
    QCOMPARE(j.pages.size(), std::size_t(1));
    QCOMPARE(j.pages[0].scale, 0.75);
    // Only the binders print, not the sectors beside them.
    QVERIFY(j.texts().contains(QStringLiteral("Faldone numero 3")));
    QVERIFY(!j.texts().contains(QStringLiteral("CIVILE")));
    QVERIFY(pdfText(j.pdf).simplified().contains(QStringLiteral("Stampa Faldoni ------ del ") + today()));

    // The sheet is reformatted, active, A1 selected; the form is hidden.
    xl::Worksheet& v = p.sheet(QStringLiteral("Varie"));
    QCOMPARE(v.GetRange(QStringLiteral("A3")).CellStyle().hAlign, xl::HAlign::Right);
    QCOMPARE(&p.form().book().application().ActiveSheet(), &v);
    QCOMPARE(v.Selection().Address(), QStringLiteral("$A$1"));
    QVERIFY(!shown(p.form().stampaP()));
    QCOMPARE(control<QLineEdit>(p.form().stampaP(), "Text1")->text(), QStringLiteral("9"));

    // Print area and page setup reach the file at the next save.
    QVERIFY(p.form().SaveWorkbook());
    auto disk = p.fx.onDisk();
    QVERIFY(disk);
    QCOMPARE(disk->Sheets(QStringLiteral("Varie")).GetPageSetup().PrintArea, QStringLiteral("$A$1:$C$4"));
    VERIFY_DIALOGS(p.fx);
}

void TestPrintJobs::zoomAnswers_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("zoom");
    QTest::newRow("whole") << "75" << 75;
    QTest::newRow("blanks") << " 90 " << 90;
    QTest::newRow("half down to even") << "74,5" << 74;
    QTest::newRow("half up to even") << "75,5" << 76;
    QTest::newRow("decimal comma") << "80,4" << 80;
    QTest::newRow("empty or cancel") << "" << 0;
    QTest::newRow("words") << "cento" << 0;
    QTest::newRow("past 32 bits") << "99999999999" << 0;
    QTest::newRow("negative") << "-20" << -20;
}

void TestPrintJobs::zoomAnswers() {
    QFETCH(QString, answer);
    QFETCH(int, zoom);
    QCOMPARE(StampaP::zoomAnswer(answer), zoom);
}

void TestPrintJobs::emptyListsAreRefusedAfterFormatting() {
    Program p([](xl::Workbook& b) {
        xl::Worksheet& v = b.Sheets(QStringLiteral("Varie"));
        put(v, 2, 1, QStringLiteral("1"));
        v.GetRange(QStringLiteral("A2")).SetHorizontalAlignment(xl::xlHAlignLeft);
    });
    QVERIFY(p.started);
    struct Case {
        int code;
        QString message;
    };
    const Case cases[] = {
        {StampaP::SectorList,
         QStringLiteral(" La stampa non può essere eseguita in assenza di SETTORI  inseriti ..................")},
        {StampaP::LedgerAll,
         QStringLiteral(" La stampa non può essere eseguita in assenza di voci  inserite ..................")},
        {StampaP::LedgerQuery,
         QStringLiteral(" La stampa non può essere eseguita in assenza di voci  inserite ..................")},
        {StampaP::ClientSearch,
         QStringLiteral(" La stampa non può essere eseguita in assenza di Pratiche  inserite ..................")},
        {StampaP::PracticeList,
         QStringLiteral(" La stampa non può essere eseguita in assenza di Pratiche inserite ..................")},
        {StampaP::ClientList,
         QStringLiteral(" La stampa non può essere eseguita in assenza di Clienti inseriti ..................")},
    };
    for (const Case& c : cases) {
        p.request(c.code);
        p.fx.dialogs().expectMessage(c.message, kV, kInfo);
        p.press();
        QVERIFY2(!shown(p.form().stampaP()), qPrintable(QString::number(c.code)));
    }
    QVERIFY(p.printers.jobs.empty());
    // Formatted all the same; print settings and page cells untouched;
    // screen updating back on.
    xl::Worksheet& v = p.sheet(QStringLiteral("Varie"));
    QCOMPARE(v.GetRange(QStringLiteral("A2")).CellStyle().hAlign, xl::HAlign::Right);
    QVERIFY(v.GetPageSetup().PrintArea.isEmpty());
    QVERIFY(p.sheet(QStringLiteral("Pratica")).GetPageSetup().PrintArea.isEmpty());
    QVERIFY(text(p.sheet(QStringLiteral("Pratica")), QStringLiteral("AZ1")).isEmpty());
    QVERIFY(p.form().book().application().ScreenUpdating);
    VERIFY_DIALOGS(p.fx);
}

void TestPrintJobs::sectorListStaysShown() {
    Program p([](xl::Workbook& b) {
        xl::Worksheet& v = b.Sheets(QStringLiteral("Varie"));
        put(v, 2, 5, QStringLiteral("CIVILE"));
        put(v, 2, 6, QStringLiteral("Diritto civile"));
        put(v, 3, 5, QStringLiteral("PENALE")); // no description
        put(v, 4, 5, QStringLiteral("LAVORO"));
        put(v, 4, 6, QStringLiteral("Diritto del lavoro"));
        put(v, 2, 1, QStringLiteral("1"));
    });
    QVERIFY(p.started);
    p.request(StampaP::SectorList, QStringLiteral("Ufficio"));
    p.fx.dialogs()
        .expectInput(kZoomShort, QStringLiteral("100"), kV)
        .expectInput(kZoomShort, QStringLiteral("100"), kV);
    p.press();
    QVERIFY(shown(p.form().stampaP()));
    p.press();
    QCOMPARE(p.printers.jobs.size(), std::size_t(2));
    for (const Job& j : p.printers.jobs) {
        QCOMPARE(j.printArea, QStringLiteral("$E$1:$F$4"));
        QCOMPARE(j.setup.CenterHeader, QStringLiteral("Stampa  Settori  ------ del     ") + today());
        QVERIFY(j.texts().contains(QStringLiteral("PENALE")));
        QVERIFY(j.texts().contains(QStringLiteral("LAVORO")));
    }
    QVERIFY(shown(p.form().stampaP()));
    VERIFY_DIALOGS(p.fx);
}

void TestPrintJobs::ledgerPrintoutsAndTheirTitles() {
    Program p([](xl::Workbook& b) {
        xl::Worksheet& s = b.Sheets(QStringLiteral("Spese"));
        for (int i = 1; i <= 3; ++i) {
            put(s, i + 1, 1, xl::Value(i));
            put(s, i + 1, 2, xl::Value(7));
            put(s, i + 1, 3, QStringLiteral("ROSSI"));
            put(s, i + 1, 5, QStringLiteral("Voce %1").arg(i));
            put(s, i + 1, 6, QStringLiteral("A"));
            put(s, i + 1, 7, QStringLiteral("100,00"));
        }
        // A query by practice: two entries and the summary rows below them.
        for (int c = 0; c < 7; ++c) put(s, 1, 27 + c, QStringLiteral("T%1").arg(c));
        put(s, 2, 27, xl::Value(1));
        put(s, 2, 31, QStringLiteral("Voce 1"));
        put(s, 3, 27, xl::Value(2));
        put(s, 3, 31, QStringLiteral("Voce 2"));
        const char* summary[] = {"Preventivo", "Saldo foglio", "Saldo pratica", "Totale"};
        for (int k = 0; k < 4; ++k) {
            put(s, 4 + k, 27, QStringLiteral("*"));
            put(s, 4 + k, 31, QString::fromLatin1(summary[k]));
        }
        put(s, 65536, 33, xl::Value(200)); // the query's total cell
    });
    QVERIFY(p.started);
    p.request(StampaP::LedgerQuery);
    p.fx.dialogs().expectInput(kZoomLong, QStringLiteral("100"), kV);
    p.press();
    p.request(StampaP::LedgerAll);
    p.fx.dialogs().expectInput(kZoomLong, QStringLiteral("100"), kV);
    p.press();
    QCOMPARE(p.printers.jobs.size(), std::size_t(2));
    const Job& query = p.printers.jobs[0];
    QCOMPARE(query.printArea, QStringLiteral("$AA$1:$AG$7"));
    QCOMPARE(query.setup.CenterHeader, QStringLiteral("Stampa Elenco Acconti/Spese    ------ del     ") + today());
    QVERIFY(query.texts().contains(QStringLiteral("Saldo pratica")));
    const Job& all = p.printers.jobs[1];
    QCOMPARE(all.printArea, QStringLiteral("$A$1:$G$4"));
    QCOMPARE(all.setup.CenterHeader, QStringLiteral("Stampa Elenco Acconti/Spese     ------ del     ") + today());
    QVERIFY(all.texts().contains(QStringLiteral("Voce 3")));
    VERIFY_DIALOGS(p.fx);
}

void TestPrintJobs::failedPrintIsToldAndFormStays() {
    Program p([](xl::Workbook& b) { put(b.Sheets(QStringLiteral("Varie")), 2, 1, QStringLiteral("1")); });
    QVERIFY(p.started);
    // Nothing picked: the placeholder names no printer.
    // Refused at the press, before the zoom is asked and before the sheet is
    // touched.
    xl::Worksheet& v = p.sheet(QStringLiteral("Varie"));
    v.GetRange(QStringLiteral("A2")).SetHorizontalAlignment(xl::xlHAlignLeft);
    p.request(StampaP::BinderList, QString());
    p.fx.dialogs().expectMessage(kNotPrinted, kV, kInfo);
    p.press();
    VERIFY_DIALOGS(p.fx);
    QVERIFY(p.printers.jobs.empty());
    QVERIFY(shown(p.form().stampaP()));
    QCOMPARE(v.GetRange(QStringLiteral("A2")).CellStyle().hAlign, xl::HAlign::Left);
    QVERIFY(v.GetPageSetup().PrintArea.isEmpty());
    // The page-by-page lists and the cover likewise ask nothing.
    for (int code : {int(StampaP::PracticeList), int(StampaP::ClientList), int(StampaP::BlankCover)}) {
        p.request(code, QString());
        p.fx.dialogs().expectMessage(kNotPrinted, kV, kInfo);
        p.press();
        VERIFY_DIALOGS(p.fx);
        QVERIFY(shown(p.form().stampaP()));
    }
    QVERIFY(text(p.sheet(QStringLiteral("Pratica")), QStringLiteral("AZ1")).isEmpty());
    QVERIFY(p.printers.jobs.empty());
    // A printer that went away since the list was read.
    p.request(StampaP::BinderList, QString());
    control<QComboBox>(p.form().stampaP(), "Combo1")->setCurrentIndex(1);
    p.printers.list.removeAll(QStringLiteral("Archivio"));
    p.fx.dialogs().expectMessage(kNotPrinted, kV, kInfo);
    p.press();
    QVERIFY(shown(p.form().stampaP()));
    // Picked: printed, and the form goes.
    control<QComboBox>(p.form().stampaP(), "Combo1")->setCurrentIndex(0);
    p.fx.dialogs().expectInput(kZoomShort, QStringLiteral("100"), kV);
    p.press();
    QCOMPARE(p.printers.jobs.size(), std::size_t(1));
    QVERIFY(!shown(p.form().stampaP()));
    VERIFY_DIALOGS(p.fx);
}

void TestPrintJobs::failedPageEndsThePageByPagePrintout() {
    Program p([](xl::Workbook& b) {
        putPractices(b, 120);
        putClients(b, 30);
    });
    QVERIFY(p.started);
    // A printer that refuses the job: the first page is told as not printed
    // and no further page is offered; the form stays, the screen is updated
    // again.
    p.printers.refusing << QStringLiteral("Archivio");
    const QString refused = QStringLiteral(" Stampa non eseguita: la stampante Archivio non ha accettato il lavoro. "
                                           "Controllarla e riprovare ..................");
    p.request(StampaP::PracticeList);
    p.fx.dialogs()
        .expectInput(kZoomLong, QStringLiteral("110"), kV)
        .expectQuestion(kAskPortrait, false, kV)
        .expectQuestion(QString(), true, kPageTitle)
        .expectMessage(refused, kV, kInfo);
    p.press();
    QVERIFY(p.printers.jobs.empty());
    QVERIFY(p.sheet(QStringLiteral("Pratica")).Paginate().pageCount() >= 3);
    QCOMPARE(text(p.sheet(QStringLiteral("Pratica")), QStringLiteral("AU1")), QStringLiteral("1"));
    QVERIFY(shown(p.form().stampaP()));
    QVERIFY(p.form().book().application().ScreenUpdating);

    // The client list stops at its first page as well.
    p.request(StampaP::ClientList);
    p.fx.dialogs()
        .expectInput(kZoomLong, QStringLiteral("110"), kV)
        .expectQuestion(QString(), true, kPageTitle)
        .expectMessage(refused, kV, kInfo);
    p.press();
    QVERIFY(p.printers.jobs.empty());
    QVERIFY(shown(p.form().stampaP()));

    // The cover likewise keeps the form up until a printer takes it.
    p.request(StampaP::BlankCover);
    p.fx.dialogs().expectMessage(refused, kV, kInfo);
    p.press();
    QVERIFY(p.printers.jobs.empty());
    QVERIFY(shown(p.form().stampaP()));
    control<QComboBox>(p.form().stampaP(), "Combo1")->setCurrentIndex(0);
    p.press();
    QCOMPARE(p.printers.jobs.size(), std::size_t(1));
    QCOMPARE(p.printers.jobs[0].sheet, QStringLiteral("Copertina"));
    QVERIFY(!shown(p.form().stampaP()));

    // No printer left in the system: that is what the user is told.
    p.printers.list.clear();
    p.request(StampaP::BlankCover, QString());
    p.fx.dialogs().expectMessage(
        QStringLiteral(" Stampa non eseguita: nel sistema non è installata alcuna stampante .................."), kV,
        kInfo);
    p.press();
    QCOMPARE(p.printers.jobs.size(), std::size_t(1));
    QVERIFY(shown(p.form().stampaP()));
    VERIFY_DIALOGS(p.fx);
}

void TestPrintJobs::practiceListAsksBeforeEachPage() {
    Program p([](xl::Workbook& b) { putPractices(b, 120); });
    QVERIFY(p.started);
    xl::Worksheet& s = p.sheet(QStringLiteral("Pratica"));

    // A small zoom, portrait: one page, one question.
    p.request(StampaP::PracticeList);
    p.fx.dialogs()
        .expectInput(kZoomLong, QStringLiteral("10"), kV)
        .expectQuestion(kAskPortrait, true, kV)
        .expectQuestion(pageQuestion(1, 1), true, kPageTitle);
    p.press();
    QCOMPARE(p.printers.jobs.size(), std::size_t(1));
    const Job& one = p.printers.jobs[0];
    QCOMPARE(one.printArea, QStringLiteral("$A$1:$L$121"));
    QCOMPARE(one.from, 1);
    QCOMPARE(one.to, 1);
    QCOMPARE(one.setup.Orientation, int(xl::xlPortrait));
    QCOMPARE(one.setup.CenterHeader, QStringLiteral("Stampa  Pratiche  ------ del     ") + today());
    QCOMPARE(one.setup.Zoom, 10);
    QVERIFY(!one.setup.FitToPage);
    QCOMPARE(text(s, QStringLiteral("AZ1")), QStringLiteral("110"));
    QCOMPARE(text(s, QStringLiteral("AU1")), QStringLiteral("1"));
    QCOMPARE(text(s, QStringLiteral("AV1")), QStringLiteral("1"));
    QVERIFY(!shown(p.form().stampaP()));
    QVERIFY(p.form().book().application().ScreenUpdating);

    // Zoom 110, landscape: several pages; Yes, Yes, then No stops at once.
    p.request(StampaP::PracticeList);
    p.fx.dialogs().expectInput(kZoomLong, QStringLiteral("110"), kV).expectQuestion(kAskPortrait, false, kV);
    p.fx.dialogs().expectQuestion(QString(), true, kPageTitle).expectQuestion(QString(), true, kPageTitle);
    p.fx.dialogs().expectQuestion(QString(), false, kPageTitle);
    p.press();
    const int pages = s.HPageBreaksCount() + 1;
    QVERIFY(pages >= 3);
    QCOMPARE(p.fx.dialogs().shown.back().text, pageQuestion(3, pages));
    QCOMPARE(p.printers.jobs.size(), std::size_t(3));
    QCOMPARE(p.printers.jobs[1].from, 1);
    QCOMPARE(p.printers.jobs[2].from, 2);
    QCOMPARE(p.printers.jobs[2].to, 2);
    QCOMPARE(p.printers.jobs[2].setup.Orientation, int(xl::xlLandscape));
    QCOMPARE(p.printers.jobs[2].setup.Zoom, 110);
    // The second page carries the rows after the first page's.
    const int firstOfSecond = p.printers.jobs[2].pages[0].rows.first;
    QCOMPARE(firstOfSecond, p.printers.jobs[1].pages[0].rows.second + 1);
    QCOMPARE(text(s, QStringLiteral("AU1")), QStringLiteral("3"));
    QCOMPARE(text(s, QStringLiteral("AV1")), QString::number(pages));
    QVERIFY(shown(p.form().stampaP()));
    QVERIFY(p.form().book().application().ScreenUpdating);
    QCOMPARE(&p.form().book().application().ActiveSheet(), &s);
    VERIFY_DIALOGS(p.fx);
}

void TestPrintJobs::clientListOffersEveryPageOfAWideList() {
    Program p([](xl::Workbook& b) { putClients(b, 30); });
    QVERIFY(p.started);
    xl::Worksheet& s = p.sheet(QStringLiteral("Cliente"));
    p.request(StampaP::ClientList);
    // No orientation question; every page offered and printed.
    p.fx.dialogs().expectInput(kZoomLong, QStringLiteral("110"), kV);
    for (int i = 0; i < 40; ++i) p.fx.dialogs().expectQuestion(QString(), true, kPageTitle);
    p.press();
    const auto pg = s.Paginate();
    const int pages = pg.pageCount();
    QVERIFY(pg.columnBands.size() >= 2); // columns A to Q do not fit across
    QCOMPARE(static_cast<int>(p.printers.jobs.size()), pages);
    QCOMPARE(p.fx.dialogs().pending(), 40 - pages);
    p.fx.dialogs().clear();
    const Job& last = p.printers.jobs.back();
    QCOMPARE(last.printArea, QStringLiteral("$A$1:$Q$31"));
    QCOMPARE(last.setup.Orientation, int(xl::xlLandscape));
    QCOMPARE(last.setup.PrintTitleRows, QStringLiteral("$1:$1"));
    QCOMPARE(last.setup.PrintTitleColumns, QStringLiteral("$A:$B"));
    QCOMPARE(last.setup.CenterHeader, QStringLiteral("Stampa  Clienti  ------ del     ") + today());
    // The last page holds column Q, with the name columns repeated.
    QCOMPARE(last.pages[0].cols.second, 17);
    QCOMPARE(last.pages[0].colOrder[0], 1);
    QVERIFY(last.texts().contains(QStringLiteral("Nota")));
    QVERIFY(last.texts().contains(QStringLiteral("Ragione Sociale/Cognome Nome")));
    QCOMPARE(text(s, QStringLiteral("AU1")), QString::number(pages));
    QVERIFY(!shown(p.form().stampaP()));
}

void TestPrintJobs::coverMenuAsksAndChecks() {
    Program p;
    QVERIFY(p.started);
    Form1& f = p.form();
    const QString ask = QStringLiteral(" Vuoi stampare la copertina senza dati ?..................");
    const QString notShown =
        QStringLiteral(" Per procedere alla stampa di una copertina con i dati di una pratica occorre, "
                       "prima visualizzarla nel menu Gestione Pratiche !..................");
    const QString noNumber = QStringLiteral(" Bisogna prima selezionare una Pratica dall' Elenco..................");

    // No, with the client panel shown and a number typed earlier.
    f.MenuPratiche_Click();
    control<QLineEdit>(&f, "Frame1", "Text1")->setText(QStringLiteral("12"));
    f.MenuClienti_Click();
    p.fx.dialogs().expectQuestion(ask, false, kV).expectMessage(notShown, kV, kInfo);
    control<QAction>(&f, "MnCoopertina")->trigger();
    QVERIFY(!f.stampaPLoaded());

    // No, practice panel shown without a number.
    f.MenuPratiche_Click();
    control<QLineEdit>(&f, "Frame1", "Text1")->clear();
    p.fx.dialogs().expectQuestion(ask, false, kV).expectMessage(noNumber, kV, kInfo);
    control<QAction>(&f, "MnCoopertina")->trigger();
    QVERIFY(!f.stampaPLoaded());

    // Yes: the blank cover is asked for, whatever is shown.
    p.fx.dialogs().expectQuestion(ask, true, kV);
    control<QAction>(&f, "MnCoopertina")->trigger();
    QCOMPARE(control<QLineEdit>(f.stampaP(), "Text1")->text(), QStringLiteral("1"));
    QVERIFY(shown(f.stampaP()));

    // No with a practice shown: the filled cover.
    control<QLineEdit>(&f, "Frame1", "Text1")->setText(QStringLiteral("12"));
    p.fx.dialogs().expectQuestion(ask, false, kV);
    control<QAction>(&f, "MnCoopertina")->trigger();
    QCOMPARE(control<QLineEdit>(f.stampaP(), "Text1")->text(), QStringLiteral("2"));
    VERIFY_DIALOGS(p.fx);
}

void TestPrintJobs::coverPrintsThePanelAsShown() {
    Program p([](xl::Workbook& b) { putPractices(b, 2); });
    QVERIFY(p.started);
    Form1& f = p.form();
    f.MenuPratiche_Click();
    QWidget* pp = control<PracticePanel>(&f, "Frame1");
    control<QLineEdit>(pp, "Text1")->setText(QStringLiteral("12"));
    control<QLineEdit>(pp, "Text2")->setText(QStringLiteral("15/03/2024"));
    control<QComboBox>(pp, "Combo1")->setEditText(QStringLiteral("ROSSI MARIO"));
    control<QLineEdit>(pp, "Text3")->setText(QStringLiteral("Ricorso al TAR"));
    control<MultiLineTextBox>(pp, "Text4")->setText(QStringLiteral("Impugnazione del provvedimento"));
    control<QComboBox>(pp, "Combo2")->setEditText(QStringLiteral("CIVILE"));
    control<QLineEdit>(pp, "Text5")->setText(QStringLiteral("Armadio 2"));
    control<QComboBox>(pp, "Combo3")->setEditText(QStringLiteral("3"));
    control<QCheckBox>(pp, "Check2")->setChecked(false);
    control<QCheckBox>(pp, "Check3")->setChecked(false);
    control<MultiLineTextBox>(pp, "Text6")->setText(QStringLiteral("Udienza fissata"));
    control<QLineEdit>(pp, "Text37")->setText(QStringLiteral("1.500,00"));
    p.fx.dialogs().expectQuestion(QString(), false, kV);
    control<QAction>(&f, "MnCoopertina")->trigger();
    control<QComboBox>(f.stampaP(), "Combo1")->setCurrentIndex(1);

    // Edited after the request, before the press: printed as shown.
    control<QLineEdit>(pp, "Text3")->setText(QStringLiteral("Ricorso al Consiglio di Stato"));
    p.press();
    QCOMPARE(p.printers.jobs.size(), std::size_t(1));
    xl::Worksheet& c = p.sheet(QStringLiteral("Copertina"));
    QCOMPARE(text(c, QStringLiteral("B1")), QStringLiteral("12"));
    QCOMPARE(text(c, QStringLiteral("B2")), QStringLiteral("ROSSI MARIO"));
    QCOMPARE(text(c, QStringLiteral("B3")), QStringLiteral("15/03/2024"));
    QCOMPARE(text(c, QStringLiteral("B5")), QStringLiteral("CIVILE"));
    QCOMPARE(text(c, QStringLiteral("B6")), QStringLiteral("Armadio 2"));
    QCOMPARE(text(c, QStringLiteral("B7")), QStringLiteral("3"));
    QCOMPARE(text(c, QStringLiteral("B8")), QStringLiteral("NO"));
    QCOMPARE(text(c, QStringLiteral("B9")), QStringLiteral("NO"));
    QCOMPARE(text(c, QStringLiteral("B10")), QStringLiteral("Ricorso al Consiglio di Stato"));
    QCOMPARE(text(c, QStringLiteral("B11")), QStringLiteral("Impugnazione del provvedimento"));
    QCOMPARE(text(c, QStringLiteral("B12")), QStringLiteral("Udienza fissata"));
    QCOMPARE(text(c, QStringLiteral("B14")), QStringLiteral("1.500,00"));
    QCOMPARE(text(c, QStringLiteral("A1")), QStringLiteral("Numero Pratica"));
    const Job& j = p.printers.jobs[0];
    QCOMPARE(j.sheet, QStringLiteral("Copertina"));
    QCOMPARE(j.printArea, QStringLiteral("$A$1:$B$31"));
    QCOMPARE(j.printer, QStringLiteral("Archivio"));
    QCOMPARE(j.pages.size(), std::size_t(1));
    QCOMPARE(pdfPages(j.pdf), 1);
    const QString pdf = pdfText(j.pdf);
    QVERIFY(pdf.contains(QStringLiteral("ROSSI MARIO")));
    QVERIFY(pdf.contains(QStringLiteral("Consiglio di Stato")));
    QCOMPARE(&f.book().application().ActiveSheet(), &c);
    QVERIFY(!shown(f.stampaP()));

    // In preparation ticked: SI and NO.
    control<QCheckBox>(pp, "Check2")->setChecked(true);
    f.stampaP()->show();
    p.press();
    QCOMPARE(text(c, QStringLiteral("B8")), QStringLiteral("SI"));
    QCOMPARE(text(c, QStringLiteral("B9")), QStringLiteral("NO"));

    // A blank cover after a filled one: every written cell is empty.
    p.fx.dialogs().expectQuestion(QString(), true, kV);
    control<QAction>(&f, "MnCoopertina")->trigger();
    p.press();
    QCOMPARE(p.printers.jobs.size(), std::size_t(3));
    for (const char* cell : {"B1", "B2", "B3", "B5", "B6", "B7", "B8", "B9", "B10", "B11", "B12", "B14"})
        QVERIFY2(c.GetRange(QString::fromLatin1(cell)).GetValue().isEmpty(), cell);
    const QStringList blank = p.printers.jobs[2].texts();
    QVERIFY(blank.contains(QStringLiteral("Numero Pratica")));
    QVERIFY(!blank.contains(QStringLiteral("ROSSI MARIO")));
    QVERIFY(!blank.contains(QStringLiteral("NO")));
    VERIFY_DIALOGS(p.fx);
}

void TestPrintJobs::labelPrintsAloneOnTheCurrentPrinter() {
    Program p([](xl::Workbook& b) {
        xl::Worksheet& v = b.Sheets(QStringLiteral("Varie"));
        put(v, 2, 1, QStringLiteral("3"));
        v.Rows(1).SetRowHeight(30);
    });
    QVERIFY(p.started);
    Form1& f = p.form();
    // A printer picked in the printer-choice form does not matter here.
    p.request(StampaP::BinderList, QStringLiteral("Archivio"));
    f.stampaP()->hide();
    f.MenuPratiche_Click();
    QWidget* pp = control<PracticePanel>(&f, "Frame1");
    fillLabelFields(pp);
    control<QLineEdit>(pp, "Text5")->clear();
    control<QPushButton>(pp, "Command200")->click();

    QCOMPARE(p.printers.jobs.size(), std::size_t(1));
    const Job& j = p.printers.jobs[0];
    QCOMPARE(j.printer, QStringLiteral("Ufficio"));
    QCOMPARE(j.sheet, QStringLiteral("Varie"));
    QVERIFY(j.area);
    QCOMPARE(xl::formatAddress(*j.area), QStringLiteral("$AU$1"));
    QCOMPARE(j.copies, 1);
    QCOMPARE(j.pages.size(), std::size_t(1));
    const QString label = QStringLiteral("N.Pratica             12\nData      15/03/2024\nCliente : ROSSI MARIO\n"
                                         "Settore:  CIVILE\nFaldone : 3     \n");
    QCOMPARE(j.texts(), QStringList{label});
    QCOMPARE(j.setup.LeftMargin, 0.0);
    QCOMPARE(j.setup.TopMargin, 0.0);
    QCOMPARE(j.setup.HeaderMargin, 0.0);
    QVERIFY(!j.setup.PrintGridlines);
    QVERIFY(j.setup.CenterHeader.isEmpty());
    QVERIFY(pdfText(j.pdf).contains(QStringLiteral("Cliente : ROSSI MARIO")));

    // Afterwards: the cell empty with the label's format, column AU 33
    // wide, row 1 back to its own height, no print area, "Varie" active.
    xl::Worksheet& v = p.sheet(QStringLiteral("Varie"));
    xl::Range au = v.GetRange(QStringLiteral("AU1"));
    QVERIFY(au.GetValue().isEmpty());
    QCOMPARE(au.CellStyle().hAlign, xl::HAlign::Left);
    QCOMPARE(au.CellStyle().vAlign, xl::VAlign::Center);
    QVERIFY(au.CellStyle().wrapText);
    QCOMPARE(au.CellStyle().indentLevel, 2);
    QVERIFY(au.CellStyle().font.bold);
    QCOMPARE(au.CellStyle().font.size, 10.0);
    QCOMPARE(au.ColumnWidth(), 33.0);
    QCOMPARE(v.rowHeightPoints(1), 30.0);
    QVERIFY(v.GetPageSetup().PrintArea.isEmpty());
    QCOMPARE(&f.book().application().ActiveSheet(), &v);
    QCOMPARE(v.Selection().Address(), QStringLiteral("$AU$1"));
    QCOMPARE(text(v, QStringLiteral("A2")), QStringLiteral("3"));

    // With the collocation, it follows the binder after five blanks.
    control<QLineEdit>(pp, "Text5")->setText(QStringLiteral("Armadio 2"));
    control<QPushButton>(pp, "Command200")->click();
    QCOMPARE(p.printers.jobs.size(), std::size_t(2));
    QVERIFY(p.printers.jobs[1].texts().value(0).endsWith(QStringLiteral("Faldone : 3     Armadio 2\n")));
    VERIFY_DIALOGS(p.fx);
}

void TestPrintJobs::labelRefusalsAndFailures() {
    Program p([](xl::Workbook& b) { b.Sheets(QStringLiteral("Varie")).Rows(1).SetRowHeight(30); });
    QVERIFY(p.started);
    Form1& f = p.form();
    f.MenuPratiche_Click();
    QWidget* pp = control<PracticePanel>(&f, "Frame1");
    const QString missing =
        QStringLiteral(" ERRORE- Occorre SELEZIONARE UNA PRATICA e i  Campi N°-PRATICA /CLIENTE/DATA/"
                       "SETTORE/FALDONE  devono essere sempre compilati !");
    control<QLineEdit>(pp, "Text1")->setText(QStringLiteral("12"));
    control<QLineEdit>(pp, "Text2")->setText(QStringLiteral("15/03/2024"));
    control<QComboBox>(pp, "Combo1")->setEditText(QStringLiteral("ROSSI MARIO"));
    control<QComboBox>(pp, "Combo2")->setEditText(QStringLiteral("CIVILE"));
    control<QComboBox>(pp, "Combo3")->setEditText(QString()); // no binder
    control<QLineEdit>(pp, "Text5")->setText(QStringLiteral("Armadio 2"));
    p.fx.dialogs().expectMessage(missing, kV, ui::MsgIcon::None);
    control<QPushButton>(pp, "Command200")->click();
    xl::Worksheet& v = p.sheet(QStringLiteral("Varie"));
    QVERIFY(p.printers.jobs.empty());
    QCOMPARE(v.rowHeightPoints(1), 30.0);
    QVERIFY(!v.GetRange(QStringLiteral("AU1")).CellStyle().wrapText);

    // No current printer: told, and the label text is not left behind.
    p.printers.defaultPrinter.clear();
    control<QComboBox>(pp, "Combo3")->setEditText(QStringLiteral("3"));
    p.fx.dialogs().expectMessage(
        QStringLiteral(" Etichetta non stampata: non è impostata una stampante predefinita .................."), kV,
        kInfo);
    control<QPushButton>(pp, "Command200")->click();
    QVERIFY(p.printers.jobs.empty());
    QVERIFY(v.GetRange(QStringLiteral("AU1")).GetValue().isEmpty());
    QVERIFY(v.GetPageSetup().PrintArea.isEmpty());
    QCOMPARE(printing::labelText(QStringLiteral("1"), QStringLiteral("d"), QStringLiteral("c"), QStringLiteral("s"),
                                 QStringLiteral("f"), QString())
                 .count(QLatin1Char('\n')),
             5);
    VERIFY_DIALOGS(p.fx);
}

void TestPrintJobs::zoomBoxAnnullaAbandonsThePrintout() {
    Program p([](xl::Workbook& b) {
        putPractices(b, 120);
        put(b.Sheets(QStringLiteral("Varie")), 2, 1, QStringLiteral("1"));
    });
    QVERIFY(p.started);
    xl::Worksheet& pr = p.sheet(QStringLiteral("Pratica"));
    xl::Worksheet& v = p.sheet(QStringLiteral("Varie"));

    // Annulla (an empty answer): nothing printed, nothing more asked, no
    // print setting written; the form stays for another try.
    p.request(StampaP::PracticeList);
    p.fx.dialogs().expectInput(kZoomLong, QString(), kV);
    p.press();
    VERIFY_DIALOGS(p.fx);
    p.request(StampaP::BinderList);
    p.fx.dialogs().expectInput(kZoomShort, QStringLiteral("   "), kV);
    p.press();
    VERIFY_DIALOGS(p.fx);
    QVERIFY(p.printers.jobs.empty());
    QVERIFY(shown(p.form().stampaP()));
    QVERIFY(pr.GetPageSetup().PrintArea.isEmpty());
    QVERIFY(v.GetPageSetup().PrintArea.isEmpty());
    QVERIFY(v.GetPageSetup().CenterHeader.isEmpty());
    QVERIFY(p.form().book().application().ScreenUpdating);

    // Anything but a whole number from 10 to 400 asks again.
    p.fx.dialogs().clear();
    for (const char* wrong : {"cento", "5", "9", "401", "75,5", "-80"})
        p.fx.dialogs().expectInput(kZoomShort, QString::fromLatin1(wrong), kV);
    p.fx.dialogs().expectInput(kZoomShort, QStringLiteral("400"), kV);
    p.press();
    VERIFY_DIALOGS(p.fx);
    QCOMPARE(p.printers.jobs.size(), std::size_t(1));
    QCOMPARE(p.printers.jobs[0].setup.Zoom, 400);
    QCOMPARE(p.printers.jobs[0].pages[0].scale, 4.0);
    for (const testsupport::Box& b : p.fx.dialogs().shown) QCOMPARE(b.defaultText, QStringLiteral("110"));

    // Asked again, then Annulla: still nothing more.
    p.request(StampaP::PracticeList);
    p.fx.dialogs().clear();
    p.fx.dialogs().expectInput(kZoomLong, QStringLiteral("0"), kV).expectInput(kZoomLong, QString(), kV);
    p.press();
    VERIFY_DIALOGS(p.fx);
    QCOMPARE(p.printers.jobs.size(), std::size_t(1));
    QVERIFY(shown(p.form().stampaP()));
}

void TestPrintJobs::labelKeepsItsOwnScaleAfterAZoomedList() {
    Program p([](xl::Workbook& b) {
        xl::Worksheet& v = b.Sheets(QStringLiteral("Varie"));
        put(v, 1, 1, QStringLiteral("Faldone"));
        for (int i = 1; i <= 3; ++i) put(v, i + 1, 1, QString::number(i));
        v.Rows(1).SetRowHeight(22.5);
    });
    QVERIFY(p.started);
    Form1& f = p.form();
    p.request(StampaP::BinderList);
    p.fx.dialogs().expectInput(kZoomShort, QStringLiteral("400"), kV);
    p.press();
    QCOMPARE(p.printers.jobs.size(), std::size_t(1));
    QCOMPARE(p.printers.jobs[0].pages[0].scale, 4.0);

    f.MenuPratiche_Click();
    QWidget* pp = control<PracticePanel>(&f, "Frame1");
    fillLabelFields(pp);
    control<QPushButton>(pp, "Command200")->click();
    QCOMPARE(p.printers.jobs.size(), std::size_t(2));
    const Job& label = p.printers.jobs[1];
    QCOMPARE(label.setup.Zoom, 100);
    QVERIFY(!label.setup.FitToPage);
    QCOMPARE(label.pages.size(), std::size_t(1));
    QCOMPARE(label.pages[0].scale, 1.0);
    // The cell at its own size: 140 points high, 33 characters wide.
    QCOMPARE(label.pages[0].cells.size(), std::size_t(1));
    QCOMPARE(label.pages[0].cells[0].box.height(), 140.0);
    QVERIFY(label.pages[0].cells[0].box.width() < 200);

    // Row 1, with the list headers, has its own height again; a row of the
    // default height stays so.
    xl::Worksheet& v = p.sheet(QStringLiteral("Varie"));
    QCOMPARE(v.rowHeightPoints(1), 22.5);
    v.rowInfoRef(1).height = -1;
    v.defaultRowHeight = 15;
    control<QPushButton>(pp, "Command200")->click();
    QCOMPARE(p.printers.jobs.size(), std::size_t(3));
    QCOMPARE(v.rowHeightPoints(1), 15.0);
    QVERIFY(!v.rowInfo(1) || v.rowInfo(1)->height < 0);
    VERIFY_DIALOGS(p.fx);
}

void TestPrintJobs::coverWithDataIsCheckedAtThePress() {
    Program p([](xl::Workbook& b) { putPractices(b, 3); });
    QVERIFY(p.started);
    Form1& f = p.form();
    const QString notShown =
        QStringLiteral(" Per procedere alla stampa di una copertina con i dati di una pratica occorre, "
                       "prima visualizzarla nel menu Gestione Pratiche !..................");
    const QString noNumber = QStringLiteral(" Bisogna prima selezionare una Pratica dall' Elenco..................");
    xl::Worksheet& c = p.sheet(QStringLiteral("Copertina"));
    put(c, 1, 2, QStringLiteral("prima"));

    // Asked for with practice 2 shown; the client panel open at the press.
    f.MenuPratiche_Click();
    control<QLineEdit>(&f, "Frame1", "Text1")->setText(QStringLiteral("2"));
    control<QComboBox>(&f, "Frame1", "Combo1")->setEditText(QStringLiteral("CLIENTE 2"));
    p.fx.dialogs().expectQuestion(QString(), false, kV);
    control<QAction>(&f, "MnCoopertina")->trigger();
    StampaP* s = f.stampaP();
    QCOMPARE(control<QLineEdit>(s, "Text1")->text(), QStringLiteral("2"));
    control<QComboBox>(s, "Combo1")->setCurrentIndex(0);
    f.MenuClienti_Click();
    p.fx.dialogs().expectMessage(notShown, kV, kInfo);
    p.press();
    VERIFY_DIALOGS(p.fx);
    QVERIFY(p.printers.jobs.empty());
    QVERIFY(shown(s));
    QCOMPARE(text(c, QStringLiteral("B1")), QStringLiteral("prima"));

    // The practice panel back, emptied: no practice to print.
    f.MenuPratiche_Click();
    control<QLineEdit>(&f, "Frame1", "Text1")->clear();
    p.fx.dialogs().expectMessage(noNumber, kV, kInfo);
    p.press();
    VERIFY_DIALOGS(p.fx);
    QVERIFY(p.printers.jobs.empty());
    QCOMPARE(text(c, QStringLiteral("B1")), QStringLiteral("prima"));

    // A practice shown again: the cover prints it.
    control<QLineEdit>(&f, "Frame1", "Text1")->setText(QStringLiteral("3"));
    p.press();
    QCOMPARE(p.printers.jobs.size(), std::size_t(1));
    QCOMPARE(text(c, QStringLiteral("B1")), QStringLiteral("3"));
    QVERIFY(!shown(s));
    VERIFY_DIALOGS(p.fx);
}

QTEST_MAIN(TestPrintJobs)
#include "tst_printjobs.moc"
