// The print layer without the main window: the label and the cover from the
// fields of a practice as the panel shows them, the check before a cover
// with data, and the printer-choice form answering to a context of its own.

#include "printtest.h"

#include "platform/engine/vbconv.h"
#include "printing/cover.h"
#include "printing/label.h"
#include "printing/stampap.h"
#include "store/book.h"
#include "store/panelcontext.h"
#include "store/schema.h"

#include <QComboBox>
#include <QDate>
#include <QPushButton>

using prt::Job;
using prt::RecordingPrinters;
using testsupport::control;

namespace {

const QString kV = QStringLiteral("Velmora");
const QString kLabelFields =
    QStringLiteral(" ERRORE- Occorre SELEZIONARE UNA PRATICA e i  Campi N°-PRATICA /CLIENTE/DATA/"
                   "SETTORE/FALDONE  devono essere sempre compilati !");

QString text(xl::Worksheet& s, const QString& cell) { return vb::CStr(s.GetRange(cell).GetValue()); }

store::ShownPractice practice12() {
    store::ShownPractice p;
    p.number = QStringLiteral("12");
    p.date = QStringLiteral("15/03/2024");
    p.client = QStringLiteral("ROSSI MARIO");
    p.subject = QStringLiteral("Ricorso al TAR");
    p.description = QStringLiteral("Impugnazione del provvedimento");
    p.sector = QStringLiteral("CIVILE");
    p.place = QStringLiteral("Armadio 2");
    p.binder = QStringLiteral("3");
    p.inPreparation = true;
    p.completed = false;
    p.notes = QStringLiteral("Udienza fissata");
    p.estimate = QStringLiteral("1.500,00");
    return p;
}

// What the print layer may ask of the program, answered from plain fields.
struct Desk : store::PanelContext {
    xl::Application excel;
    store::Book book_{excel};
    bool shown = true;
    store::ShownPractice practice = practice12();
    store::SearchState search;

    Desk() { excel.adopt(store::newStarterWorkbook()); }
    xl::Worksheet& sheet(const QString& name) { return excel.Sheets(name); }

    store::Book& book() override { return book_; }
    bool save() override { return true; }
    void resetForm() override {}
    void switchPanels(std::initializer_list<std::pair<store::Panel, bool>>) override {}
    void requestPrint(int) override {}
    Calendario* calendar() override { return nullptr; }
    QAction* toolbarButton(int) const override { return nullptr; }
    void openDocument(const QString&) override {}
    QString documentsFolder() const override { return {}; }
    bool practiceShown() const override { return shown; }
    store::SearchState lastSearch() const override { return search; }
    store::ShownPractice shownPractice() const override { return practice; }
    bool printLabel() override { return printing::printLabel(book_, practice); }
};

} // namespace

class TestPrintParts : public QObject {
    Q_OBJECT
private slots:
    void labelNeedsItsFiveFields_data();
    void labelNeedsItsFiveFields();
    void coverTakesThePracticeAsShownOrIsEmptied();
    void coverWithDataNeedsAPracticeShown();
    void stateSearchPrintoutFollowsTheContext_data();
    void stateSearchPrintoutFollowsTheContext();
};

void TestPrintParts::labelNeedsItsFiveFields_data() {
    QTest::addColumn<int>("blank");
    QTest::addColumn<bool>("printed");
    QTest::newRow("number") << 0 << false;
    QTest::newRow("date") << 1 << false;
    QTest::newRow("client") << 2 << false;
    QTest::newRow("sector") << 3 << false;
    QTest::newRow("binder") << 4 << false;
    QTest::newRow("place may be empty") << 5 << true;
}

void TestPrintParts::labelNeedsItsFiveFields() {
    QFETCH(int, blank);
    QFETCH(bool, printed);
    RecordingPrinters printers;
    testsupport::ScopedDialogs dialogs;
    Desk desk;
    desk.sheet(store::kVarie).Rows(1).SetRowHeight(30);
    QString* fields[] = {&desk.practice.number, &desk.practice.date,   &desk.practice.client,
                         &desk.practice.sector, &desk.practice.binder, &desk.practice.place};
    fields[blank]->clear();
    if (!printed) dialogs->expectMessage(kLabelFields, kV, ui::MsgIcon::None);

    QCOMPARE(desk.printLabel(), printed);
    QCOMPARE(printers.jobs.size(), std::size_t(printed ? 1 : 0));
    xl::Worksheet& v = desk.sheet(store::kVarie);
    if (printed) {
        QCOMPARE(printers.jobs[0].printer, QStringLiteral("Ufficio"));
        QVERIFY(printers.jobs[0].texts().value(0).endsWith(QStringLiteral("Faldone : 3     \n")));
    } else {
        // Refused before the sheet is touched: no label format on AU1.
        QVERIFY(!v.GetRange(QStringLiteral("AU1")).CellStyle().wrapText);
    }
    // Either way no label text is left behind and row 1 keeps its height.
    QVERIFY(v.GetRange(QStringLiteral("AU1")).GetValue().isEmpty());
    QCOMPARE(v.rowHeightPoints(1), 30.0);
    const QString why = dialogs->verify();
    QVERIFY2(why.isEmpty(), qPrintable(why));
}

void TestPrintParts::coverTakesThePracticeAsShownOrIsEmptied() {
    Desk desk;
    xl::Worksheet& c = desk.sheet(store::kCopertina);
    // Rows the cover leaves to the template.
    const QString a1 = text(c, QStringLiteral("A1"));
    c.GetRange(QStringLiteral("B4")).SetValue(xl::Value(QStringLiteral("fisso 4")));
    c.GetRange(QStringLiteral("B13")).SetValue(xl::Value(QStringLiteral("fisso 13")));

    store::ShownPractice p = practice12();
    printing::layOutCover(c, &p);
    const std::pair<const char*, QString> filled[] = {{"B1", "12"},
                                                      {"B2", "ROSSI MARIO"},
                                                      {"B3", "15/03/2024"},
                                                      {"B5", "CIVILE"},
                                                      {"B6", "Armadio 2"},
                                                      {"B7", "3"},
                                                      {"B8", "SI"},
                                                      {"B9", "NO"},
                                                      {"B10", "Ricorso al TAR"},
                                                      {"B11", "Impugnazione del provvedimento"},
                                                      {"B12", "Udienza fissata"},
                                                      {"B14", "1.500,00"}};
    for (const auto& [cell, want] : filled) QCOMPARE(text(c, QString::fromLatin1(cell)), want);
    QCOMPARE(text(c, QStringLiteral("B4")), QStringLiteral("fisso 4"));
    QCOMPARE(text(c, QStringLiteral("B13")), QStringLiteral("fisso 13"));
    QCOMPARE(text(c, QStringLiteral("A1")), a1);
    QCOMPARE(c.GetPageSetup().PrintArea, store::kCoverPrintArea);

    // The flags follow the boxes, the other way round too.
    p.inPreparation = false;
    p.completed = true;
    printing::layOutCover(c, &p);
    QCOMPARE(text(c, QStringLiteral("B8")), QStringLiteral("NO"));
    QCOMPARE(text(c, QStringLiteral("B9")), QStringLiteral("SI"));

    // A blank cover empties what a filled one wrote, and only that.
    printing::layOutCover(c, nullptr);
    for (const auto& [cell, want] : filled) QVERIFY2(text(c, QString::fromLatin1(cell)).isEmpty(), cell);
    QCOMPARE(text(c, QStringLiteral("B4")), QStringLiteral("fisso 4"));
    QCOMPARE(text(c, QStringLiteral("B13")), QStringLiteral("fisso 13"));
    QCOMPARE(c.GetPageSetup().PrintArea, store::kCoverPrintArea);
}

void TestPrintParts::coverWithDataNeedsAPracticeShown() {
    testsupport::ScopedDialogs dialogs;
    Desk desk;
    desk.shown = false;
    dialogs->expectMessage(
        QStringLiteral(" Per procedere alla stampa di una copertina con i dati di una pratica "
                       "occorre, prima visualizzarla nel menu Gestione Pratiche !.................."),
        kV, ui::MsgIcon::Information);
    QVERIFY(!printing::practiceForCover(desk));

    // Shown, but with no practice loaded.
    desk.shown = true;
    desk.practice.number.clear();
    dialogs->expectMessage(QStringLiteral(" Bisogna prima selezionare una Pratica dall' Elenco.................."), kV,
                           ui::MsgIcon::Information);
    QVERIFY(!printing::practiceForCover(desk));

    desk.practice.number = QStringLiteral("12");
    QVERIFY(printing::practiceForCover(desk));
    const QString why = dialogs->verify();
    QVERIFY2(why.isEmpty(), qPrintable(why));
}

void TestPrintParts::stateSearchPrintoutFollowsTheContext_data() {
    using store::SearchState;
    QTest::addColumn<int>("last");
    QTest::addColumn<bool>("inPrep");
    QTest::addColumn<bool>("completed");
    QTest::addColumn<QString>("title"); // "" when nothing is printed
    const QString prep = QStringLiteral("Stampa Pratiche in Istruttoria   ");
    const QString done = QStringLiteral("Stampa Pratiche Completate   ");
    // The search that filled the area wins over the boxes as they are now.
    QTest::newRow("completed search, boxes changed") << int(SearchState::Completed) << true << false << done;
    QTest::newRow("preparation search, boxes changed") << int(SearchState::InPreparation) << false << true << prep;
    // Otherwise the boxes decide, and only one of them may be ticked.
    QTest::newRow("no state search, preparation box") << int(SearchState::None) << true << false << prep;
    QTest::newRow("client search, completed box") << int(SearchState::Client) << false << true << done;
    QTest::newRow("both boxes") << int(SearchState::None) << true << true << QString();
    QTest::newRow("no box") << int(SearchState::Client) << false << false << QString();
}

void TestPrintParts::stateSearchPrintoutFollowsTheContext() {
    QFETCH(int, last);
    QFETCH(bool, inPrep);
    QFETCH(bool, completed);
    QFETCH(QString, title);
    RecordingPrinters printers;
    testsupport::ScopedDialogs dialogs;
    Desk desk;
    desk.search = {static_cast<store::SearchState::Kind>(last), inPrep, completed};
    xl::Worksheet& s = desk.sheet(store::kPratica);
    const char* const header[] = {"N.", "Data", "Cliente", "Oggetto"};
    for (int c = 0; c < 4; ++c) {
        s.Cells(1, 27 + c).SetValue(xl::Value(QString::fromLatin1(header[c])));
        s.Cells(2, 27 + c).SetValue(xl::Value(QStringLiteral("riga %1").arg(c)));
    }

    StampaP form(desk);
    form.request(StampaP::StateSearch);
    control<QComboBox>(&form, "Combo1")->setCurrentIndex(0);
    if (!title.isEmpty())
        dialogs->expectInput(
            QStringLiteral("Digita la percentuale di Zoom della Stampa 50-60-70-80-90-100.................."),
            QStringLiteral("80"), kV);
    control<QPushButton>(&form, "Command1")->click();

    QCOMPARE(printers.jobs.size(), std::size_t(title.isEmpty() ? 0 : 1));
    if (!title.isEmpty()) {
        const Job& j = printers.jobs[0];
        QCOMPARE(j.setup.CenterHeader, title + QStringLiteral("------ del     ") +
                                           QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")));
        QCOMPARE(j.printArea, QStringLiteral("$AA$1:$AD$2"));
        QCOMPARE(j.setup.Zoom, 80);
        QVERIFY(!form.isVisible());
    } else {
        // No printout for the code: the form stays up with its code.
        QVERIFY(form.isVisible());
    }
    const QString why = dialogs->verify();
    QVERIFY2(why.isEmpty(), qPrintable(why));
}

QTEST_MAIN(TestPrintParts)
#include "tst_printparts.moc"
