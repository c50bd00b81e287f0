// The number chooser, the four sorts of the practice sheet and the search
// panel with its work area.

#include "practicetest.h"

#include "printing/stampap.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QToolBar>

using namespace pt;
using testsupport::AppFixture;

namespace {

const QString kV = QStringLiteral("Velmora");
constexpr auto kInfo = ui::MsgIcon::Information;
constexpr int AA = 27;

QString duplicateText(const QString& n) {
    return QStringLiteral(" ERRORE  IL  NUMERO PRATICA       ") + n + QStringLiteral("     E ' ESISTENTE  !");
}

// The work area's first column from row 2 down to its last used row.
QStringList areaColumn(xl::Worksheet& s, int col) {
    int last = 1;
    for (int r = 2; r <= std::min(s.usedRows(), xl::kMaxRows); ++r)
        for (int c = AA; c <= AA + 5; ++c)
            if (!cellText(s, r, c).isEmpty()) last = r;
    QStringList out;
    for (int r = 2; r <= last; ++r) out << cellText(s, r, col);
    return out;
}

QStringList headers(const ListView* list) {
    QStringList out;
    for (int i = 0; i < list->columnCount(); ++i) out << list->columnCaption(i);
    return out;
}

void openSearch(AppFixture& fx) {
    control<PracticePanel>(&fx.form(), "Frame1")->cmd14_Click();
    QVERIFY(shown(control<SearchPanel>(&fx.form(), "Frame6")));
}

} // namespace

class TestPracticeSearch : public QObject {
    Q_OBJECT
private slots:
    void chooserHandsOverFreeNumber();
    void chooserRefusesDuplicateAndBadNumbers();
    void chooserExitAndCounterReset();
    void sortsByNumberAndClient();
    void sortsCoverEveryRecord();
    void searchPanelOpens();
    void stateSearches();
    void stateSearchFindsNothing();
    void stateSearchScansWholeSheetAndClearsWholeArea();
    void clientSearch();
    void printFollowsLastSearch();
    void exitSavesThenClears();
};

void TestPracticeSearch::chooserHandsOverFreeNumber() {
    AppFixture fx;
    open(fx, {{41, QStringLiteral("A")}},
         [](xl::Workbook& b) { b.Sheets(kPratica).GetRange(QStringLiteral("IV1")).SetValue(xl::Value(41)); });
    Form1& f = fx.form();
    press(f, 2);
    const pt::ChooserControls c = pt::chooser(&f);
    QCOMPARE(c->Text9->text(), QStringLiteral("42"));
    c->Text9->setText(QStringLiteral(" 042 "));
    QTest::mouseClick(c->Command4, Qt::LeftButton);
    QCOMPARE(pt::practice(&f).Text1->text(), QStringLiteral("42"));
    QVERIFY(shown(control<PracticePanel>(&f, "Frame1")));
    QVERIFY(shown(control<QToolBar>(&f, "Toolbar1")));
    QVERIFY(!shown(c.panel));
    VERIFY_DIALOGS(fx);
}

void TestPracticeSearch::chooserRefusesDuplicateAndBadNumbers() {
    AppFixture fx;
    // A gap at row 3 and a number stored as text below it: the test covers
    // every row to the last filled one.
    open(fx, {{5, QStringLiteral("A")}, {6, QStringLiteral("B")}, {17, QStringLiteral("C")}}, [](xl::Workbook& b) {
        xl::Worksheet& s = b.Sheets(kPratica);
        s.Cells(3, 1).ClearContents();
        s.Cells(5, 1).SetValue(QStringLiteral("23"));
        s.Cells(5, 3).SetValue(QStringLiteral("D"));
    });
    Form1& f = fx.form();
    press(f, 2);
    const pt::ChooserControls c = pt::chooser(&f);
    for (const QString& n : {QStringLiteral("17"), QStringLiteral("23"), QStringLiteral("5")}) {
        c->Text9->setText(n);
        fx.dialogs().clear();
        fx.dialogs().expectMessage(duplicateText(n), kV, kInfo);
        c.panel->Command4_Click();
        VERIFY_DIALOGS(fx);
        QVERIFY(c->Text9->text().isEmpty());
        QVERIFY(shown(c.panel));
        QVERIFY(pt::practice(&f).Text1->text().isEmpty());
    }
    // Only whole numbers from 1 up reach the duplicate test and the panel.
    for (const QString& n : {QString(), QStringLiteral("abc"), QStringLiteral("0"), QStringLiteral("4,5"),
                             QStringLiteral("-3"), QStringLiteral("7bis")}) {
        c->Text9->setText(n);
        fx.dialogs().clear();
        fx.dialogs().expectMessage(
            QStringLiteral("ERRORE: Il NUMERO PRATICA deve essere un numero intero maggiore di zero"), kV, kInfo);
        c.panel->Command4_Click();
        VERIFY_DIALOGS(fx);
        QVERIFY(shown(c.panel));
        QVERIFY(pt::practice(&f).Text1->text().isEmpty());
    }
    c->Text9->setText(QStringLiteral("6")); // the number of the gap is free
    fx.dialogs().clear();
    c.panel->Command4_Click();
    VERIFY_DIALOGS(fx);
    QCOMPARE(pt::practice(&f).Text1->text(), QStringLiteral("6"));
}

void TestPracticeSearch::chooserExitAndCounterReset() {
    AppFixture fx;
    open(fx, {}, [](xl::Workbook& b) { b.Sheets(kPratica).GetRange(QStringLiteral("IV1")).SetValue(xl::Value(41)); });
    Form1& f = fx.form();
    pt::practice(&f).Text1->setText(QStringLiteral("9"));
    press(f, 2);
    QTest::mouseClick(pt::chooser(&f).Command3, Qt::LeftButton);
    QVERIFY(shown(control<PracticePanel>(&f, "Frame1")));
    QVERIFY(shown(control<QToolBar>(&f, "Toolbar1")));
    QVERIFY(!shown(control<NumberChooserPanel>(&f, "Frame2")));
    QCOMPARE(pt::practice(&f).Text1->text(), QStringLiteral("9"));
    QVERIFY(pt::chooser(&f).Text9->text().isEmpty());

    press(f, 2);
    QTest::mouseClick(pt::chooser(&f).Check5, Qt::LeftButton);
    QVERIFY(!pt::chooser(&f).Check5->isChecked());
    QVERIFY(!shown(control<NumberChooserPanel>(&f, "Frame2")));
    QVERIFY(!shown(control<PracticePanel>(&f, "Frame1")));
    QVERIFY(!shown(control<QToolBar>(&f, "Toolbar1")));
    QCOMPARE(cellText(fx.sheet(kPratica), 1, 256), QStringLiteral("0"));
    // Not saved here: the file keeps 41 until the next save point.
    QCOMPARE(diskText(fx, kPratica, 1, 256), QStringLiteral("41"));
    f.MenuPratiche_Click();
    press(f, 2);
    QCOMPARE(pt::chooser(&f).Text9->text(), QStringLiteral("1"));
    QCOMPARE(diskText(fx, kPratica, 1, 256), QStringLiteral("0"));
    VERIFY_DIALOGS(fx);
}

void TestPracticeSearch::sortsByNumberAndClient() {
    AppFixture fx;
    // 2, 10, 9: as text 10 would come before 2 and 9.
    open(fx, {{2, QStringLiteral("bianchi"), {}, {}, QStringLiteral("2,00")},
              {10, QStringLiteral("ALFA"), {}, {}, QStringLiteral("10,00")},
              {9, QStringLiteral("Carlo"), {}, {}, QStringLiteral("9,00")}});
    Form1& f = fx.form();
    const pt::PracticeControls p = pt::practice(&f);
    xl::Worksheet& s = fx.sheet(kPratica);

    QTest::mouseClick(p->Command24, Qt::LeftButton);
    QCOMPARE(column(s, 1), (QStringList{"2", "9", "10"}));
    QCOMPARE(column(s, 12), (QStringList{"2,00", "9,00", "10,00"}));
    QCOMPARE(listColumn(p->ListView1, 0), (QStringList{"2", "9", "10"}));
    QCOMPARE(listColumn(p->ListView1, 11), (QStringList{"2,00", "9,00", "10,00"}));
    QCOMPARE(s.Cells(2, 1).NumberFormat(), QStringLiteral("0"));
    QCOMPARE(s.GetRange(QStringLiteral("A1")).GetValue(), xl::Value(QStringLiteral("Num.Prat.")));

    QTest::mouseClick(p->Command26, Qt::LeftButton);
    QCOMPARE(column(s, 1), (QStringList{"10", "9", "2"}));
    QCOMPARE(listColumn(p->ListView1, 0), (QStringList{"10", "9", "2"}));
    QCOMPARE(column(s, 3), (QStringList{"ALFA", "Carlo", "bianchi"}));

    QTest::mouseClick(p->Command14, Qt::LeftButton);
    QCOMPARE(column(s, 3), (QStringList{"ALFA", "bianchi", "Carlo"}));
    QCOMPARE(column(s, 1), (QStringList{"10", "2", "9"}));
    QCOMPARE(listColumn(p->ListView1, 2), (QStringList{"ALFA", "bianchi", "Carlo"}));

    QTest::mouseClick(p->Command15, Qt::LeftButton);
    QCOMPARE(column(s, 3), (QStringList{"Carlo", "bianchi", "ALFA"}));
    QCOMPARE(column(s, 12), (QStringList{"9,00", "2,00", "10,00"}));

    // The sorts do not save.
    QCOMPARE(column(fx.onDisk()->Sheets(kPratica), 1), (QStringList{"2", "10", "9"}));
    QVERIFY(f.book().application().ScreenUpdating);
    VERIFY_DIALOGS(fx);
}

void TestPracticeSearch::sortsCoverEveryRecord() {
    AppFixture fx;
    const int n = 2105;
    open(fx, {}, [&](xl::Workbook& b) {
        xl::Worksheet& s = b.Sheets(kPratica);
        for (int i = 0; i < n; ++i) {
            put(s, 2 + i, 1, xl::Value(n - i));
            put(s, 2 + i, 3, QStringLiteral("C%1").arg(n - i, 5, 10, QLatin1Char('0')));
        }
    });
    Form1& f = fx.form();
    QTest::mouseClick(pt::practice(&f).Command24, Qt::LeftButton);
    xl::Worksheet& s = fx.sheet(kPratica);
    QCOMPARE(cellText(s, 2, 1), QStringLiteral("1"));
    QCOMPARE(cellText(s, 2001, 1), QStringLiteral("2000"));
    QCOMPARE(cellText(s, n + 1, 1), QString::number(n));
    QCOMPARE(cellText(s, n + 1, 3), QStringLiteral("C02105"));
    QCOMPARE(pt::practice(&f).ListView1->itemCount(), n);
    QTest::mouseClick(pt::practice(&f).Command15, Qt::LeftButton);
    QCOMPARE(cellText(s, 2, 3), QStringLiteral("C02105"));
    QCOMPARE(cellText(s, n + 1, 3), QStringLiteral("C00001"));
}

void TestPracticeSearch::searchPanelOpens() {
    AppFixture fx;
    open(fx, {});
    Form1& f = fx.form();
    pt::search(&f).Check8->blockSignals(true);
    pt::search(&f).Check8->setChecked(true);
    pt::search(&f).Check8->blockSignals(false);
    QTest::mouseClick(pt::practice(&f).cmd14, Qt::LeftButton);
    const pt::SearchControls s = pt::search(&f);
    QVERIFY(shown(s.panel));
    QVERIFY(!shown(control<PracticePanel>(&f, "Frame1")));
    QVERIFY(!shown(control<QToolBar>(&f, "Toolbar1")));
    QVERIFY(!s->Check8->isChecked());
    QCOMPARE(s->Combo7->currentText(), QStringLiteral("Seleziona"));
    QCOMPARE(s->Combo7->count(), 3);
    QCOMPARE(s->Combo7->itemText(1), QStringLiteral("ROSSI MARIO"));
    VERIFY_DIALOGS(fx);
}

void TestPracticeSearch::stateSearches() {
    AppFixture fx;
    open(fx, {{1, QStringLiteral("ZETA"), QStringLiteral("SI")},
              {2, QStringLiteral("MEDIO"), QStringLiteral(" "), QStringLiteral("SI")},
              {3, QStringLiteral("ALFA"), QStringLiteral("SI")},
              {4, QStringLiteral("BETA")},
              {5, QStringLiteral("alfa bis"), QString(), QStringLiteral("SI")}});
    Form1& f = fx.form();
    openSearch(fx);
    const pt::SearchControls s = pt::search(&f);
    s->Text27->setText(QStringLiteral("2"));
    QTest::mouseClick(s->Check8, Qt::LeftButton);
    QVERIFY(s->Check8->isChecked());
    QCOMPARE(s->Combo7->currentText(), QStringLiteral("Seleziona"));
    QVERIFY(s->Text27->text().isEmpty());
    QCOMPARE(headers(s->ListView2), (QStringList{"Cliente", "N/Pratica", "Data", "Oggetto"}));
    QCOMPARE(listColumn(s->ListView2, 0), (QStringList{"ALFA", "ZETA"}));
    QCOMPARE(listColumn(s->ListView2, 1), (QStringList{"3", "1"}));
    QCOMPARE(listColumn(s->ListView2, 2), (QStringList{"10/02/2024", "10/02/2024"}));
    QCOMPARE(listColumn(s->ListView2, 3), (QStringList{"Oggetto 3", "Oggetto 1"}));
    xl::Worksheet& p = fx.sheet(kPratica);
    QCOMPARE(cellText(p, 1, AA), QStringLiteral("Cliente"));
    QCOMPARE(cellText(p, 1, AA + 3), QStringLiteral("Oggetto"));
    QVERIFY(p.Cells(2, AA + 2).GetValue().isDate());
    QCOMPARE(areaColumn(p, AA), (QStringList{"ALFA", "ZETA"}));

    // The completed ones, sorted by client without regard to case.
    QTest::mouseClick(s->Check9, Qt::LeftButton);
    QVERIFY(!s->Check8->isChecked());
    QVERIFY(s->Check9->isChecked());
    QCOMPARE(listColumn(s->ListView2, 0), (QStringList{"alfa bis", "MEDIO"}));
    QCOMPARE(areaColumn(p, AA), (QStringList{"alfa bis", "MEDIO"}));

    // Unticking by a click leaves list and area as they are.
    QTest::mouseClick(s->Check9, Qt::LeftButton);
    QCOMPARE(s->ListView2->itemCount(), 2);
    QCOMPARE(areaColumn(p, AA), (QStringList{"alfa bis", "MEDIO"}));
    VERIFY_DIALOGS(fx);
}

void TestPracticeSearch::stateSearchFindsNothing() {
    AppFixture fx;
    open(fx, {{1, QStringLiteral("ZETA"), QStringLiteral(" ")}, {2, QStringLiteral("ALFA"), QStringLiteral("si")}});
    Form1& f = fx.form();
    openSearch(fx);
    const pt::SearchControls s = pt::search(&f);
    pt::practice(&f).Text3->setText(QStringLiteral("resto"));
    fx.dialogs().expectMessage(QStringLiteral("Nessuna Pratica trovata,Riprova"), kV, ui::MsgIcon::None);
    QTest::mouseClick(s->Check8, Qt::LeftButton);
    VERIFY_DIALOGS(fx);
    QVERIFY(!s->Check8->isChecked());
    QVERIFY(!s->Check9->isChecked());
    QCOMPARE(s->Combo7->currentText(), QStringLiteral("Seleziona"));
    QCOMPARE(s->Combo7->count(), 3);
    QVERIFY(pt::practice(&f).Text3->text().isEmpty());
    QCOMPARE(s->ListView2->itemCount(), 0);
}

void TestPracticeSearch::stateSearchScansWholeSheetAndClearsWholeArea() {
    AppFixture fx;
    open(fx, {}, [](xl::Workbook& b) {
        xl::Worksheet& s = b.Sheets(kPratica);
        for (int r = 2; r <= 2201; ++r) put(s, r, 1, xl::Value(r - 1));
        put(s, 2150, 3, QStringLiteral("TARDI"));
        put(s, 2150, 9, QStringLiteral("SI"));
        // A flagged practice whose client is empty still has its result row.
        put(s, 40, 9, QStringLiteral("SI"));
        put(s, 40, 4, QStringLiteral("senza cliente"));
        put(s, 60, 3, QStringLiteral("PRESTO"));
        put(s, 60, 9, QStringLiteral("SI"));
        // Stale results of an earlier search, far below row 1000.
        for (int r = 2; r <= 1500; ++r)
            for (int c = AA; c <= AA + 5; ++c) put(s, r, c, QStringLiteral("VECCHIO"));
    });
    Form1& f = fx.form();
    openSearch(fx);
    const pt::SearchControls s = pt::search(&f);
    QTest::mouseClick(s->Check8, Qt::LeftButton);
    xl::Worksheet& p = fx.sheet(kPratica);
    QCOMPARE(listColumn(s->ListView2, 1), (QStringList{"59", "2149", "39"}));
    QCOMPARE(listColumn(s->ListView2, 0), (QStringList{"PRESTO", "TARDI", ""}));
    QCOMPARE(listColumn(s->ListView2, 3), (QStringList{"", "", "senza cliente"}));
    QCOMPARE(areaColumn(p, AA + 1), (QStringList{"59", "2149", "39"}));
    QCOMPARE(s.panel->resultCount(), 3);
    VERIFY_DIALOGS(fx);
}

void TestPracticeSearch::clientSearch() {
    AppFixture fx;
    open(fx, {{1, QStringLiteral("ROSSI MARIO"), QStringLiteral("SI")},
              {2, QStringLiteral("rossi mario")},
              {3, QStringLiteral("BIANCHI SRL")},
              {4, QStringLiteral("ROSSI MARIO "), QStringLiteral("SI")},
              {5, QStringLiteral("ROSSI MARIO"), QString(), QStringLiteral("SI")}});
    Form1& f = fx.form();
    openSearch(fx);
    const pt::SearchControls s = pt::search(&f);
    const QString guard = QStringLiteral("ERRORE: Bisogna SELEZIONARE IL CLIENTE e i campi  :Pratiche in Istruttoria "
                                         "e Completate devono essere vuoti !");

    // No client picked.
    pt::practice(&f).Text3->setText(QStringLiteral("resto"));
    fx.dialogs().expectMessage(guard, QStringLiteral(" Velmora"), kInfo);
    QTest::mouseClick(s->Command22, Qt::LeftButton);
    VERIFY_DIALOGS(fx);
    QVERIFY(pt::practice(&f).Text3->text().isEmpty());
    QCOMPARE(s->Combo7->currentText(), QStringLiteral("Seleziona"));

    // A client picked but a state box ticked: refused, both boxes unticked.
    QTest::mouseClick(s->Check8, Qt::LeftButton);
    s->Combo7->setCurrentIndex(1);
    s.panel->Combo7_Click(1);
    QCOMPARE(s->Combo7->currentText(), QStringLiteral("ROSSI MARIO"));
    QCOMPARE(s->Text27->text(), QStringLiteral("2"));
    fx.dialogs().clear();
    fx.dialogs().expectMessage(guard, QStringLiteral(" Velmora"), kInfo);
    s.panel->Command22_Click();
    VERIFY_DIALOGS(fx);
    QVERIFY(!s->Check8->isChecked());
    QVERIFY(!s->Check9->isChecked());
    QCOMPARE(s->Combo7->currentText(), QStringLiteral("Seleziona"));

    // The client's practices in sheet order, exact names only.
    s->Combo7->setCurrentIndex(1);
    s.panel->Combo7_Click(1);
    fx.dialogs().clear();
    QTest::mouseClick(s->Command22, Qt::LeftButton);
    VERIFY_DIALOGS(fx);
    QCOMPARE(headers(s->ListView2),
             (QStringList{"Cliente", "N/Pratica", "Data", "Oggetto", "In Istrutt.", "Complet."}));
    QCOMPARE(listColumn(s->ListView2, 1), (QStringList{"1", "5"}));
    QCOMPARE(listColumn(s->ListView2, 4), (QStringList{"SI", ""}));
    QCOMPARE(listColumn(s->ListView2, 5), (QStringList{"", "SI"}));
    QCOMPARE(areaColumn(fx.sheet(kPratica), AA + 1), (QStringList{"1", "5"}));
    QCOMPARE(cellText(fx.sheet(kPratica), 1, AA + 5), QStringLiteral("Complet."));

    // A client without practices: the list stays empty, nothing else reset.
    s->Combo7->setCurrentIndex(2);
    s.panel->Combo7_Click(2);
    fx.dialogs().clear();
    fx.dialogs().expectMessage(QStringLiteral("Nessuna Pratica  presente per il Cliente Selezionato,Riprova!"), kV,
                               ui::MsgIcon::None);
    s.panel->Command22_Click();
    VERIFY_DIALOGS(fx);
    QCOMPARE(s->ListView2->itemCount(), 0);
    QCOMPARE(s->Combo7->currentText(), QStringLiteral("verdi anna"));
    QVERIFY(areaColumn(fx.sheet(kPratica), AA).isEmpty());
}

void TestPracticeSearch::printFollowsLastSearch() {
    AppFixture fx;
    open(fx, {{1, QStringLiteral("ROSSI MARIO"), QStringLiteral("SI")}});
    Form1& f = fx.form();
    openSearch(fx);
    const pt::SearchControls s = pt::search(&f);
    const QString nothing = QStringLiteral("Non ci sono risultati da stampare: eseguire prima una ricerca");

    fx.dialogs().expectMessage(nothing, kV, kInfo);
    QTest::mouseClick(s->Command18, Qt::LeftButton);
    VERIFY_DIALOGS(fx);
    QVERIFY(!f.stampaPLoaded());

    // A state search, then a client picked without searching: the area still
    // holds the state results, and their printout is the one asked for.
    QTest::mouseClick(s->Check8, Qt::LeftButton);
    s->Combo7->setCurrentIndex(1);
    s.panel->Combo7_Click(1);
    QTest::mouseClick(s->Command18, Qt::LeftButton);
    QCOMPARE(testsupport::control<QLineEdit>(f.stampaP(), "Text1")->text(), QStringLiteral("12"));
    QCOMPARE(s.panel->lastSearch(), SearchPanel::Search::InPreparation);

    s->Check8->setChecked(false);
    s.panel->Combo7_Click(1);
    s.panel->Command22_Click();
    QCOMPARE(s.panel->lastSearch(), SearchPanel::Search::Client);
    QTest::mouseClick(s->Command18, Qt::LeftButton);
    QCOMPARE(testsupport::control<QLineEdit>(f.stampaP(), "Text1")->text(), QStringLiteral("13"));

    QTest::mouseClick(s->Command21, Qt::LeftButton);
    QCOMPARE(s->Combo7->currentText(), QStringLiteral("Seleziona"));
    QCOMPARE(s->ListView2->itemCount(), 0);
    QCOMPARE(areaColumn(fx.sheet(kPratica), AA), QStringList{"ROSSI MARIO"}); // "&Pulisci" leaves the area
    fx.dialogs().clear();
    fx.dialogs().expectMessage(nothing, kV, kInfo);
    s.panel->Command18_Click();
    VERIFY_DIALOGS(fx);
}

void TestPracticeSearch::exitSavesThenClears() {
    AppFixture fx;
    open(fx, {{1, QStringLiteral("ROSSI MARIO"), QStringLiteral("SI")},
              {2, QStringLiteral("BIANCHI SRL"), QStringLiteral("SI")}});
    Form1& f = fx.form();
    openSearch(fx);
    const pt::SearchControls s = pt::search(&f);
    s->Combo7->setCurrentIndex(1);
    s.panel->Combo7_Click(1);
    s.panel->Command22_Click();
    QTest::mouseClick(s->Command16, Qt::LeftButton);
    QVERIFY(!shown(s.panel));
    QVERIFY(shown(control<PracticePanel>(&f, "Frame1")));
    QVERIFY(shown(control<QToolBar>(&f, "Toolbar1")));
    QCOMPARE(s->ListView2->itemCount(), 0);
    xl::Worksheet& p = fx.sheet(kPratica);
    QVERIFY(areaColumn(p, AA).isEmpty());
    QCOMPARE(cellText(p, 1, AA + 4), QStringLiteral("In Istrutt."));
    // Saved before the clear: the file keeps the results until the next save.
    auto disk = fx.onDisk();
    QCOMPARE(vb::CStr(disk->Sheets(kPratica).Cells(2, AA).GetValue()), QStringLiteral("ROSSI MARIO"));
    QCOMPARE(vb::CStr(disk->Sheets(kPratica).Cells(2, AA + 4).GetValue()), QStringLiteral("SI"));
    VERIFY_DIALOGS(fx);
}

QTEST_MAIN(TestPracticeSearch)
#include "tst_practicesearch.moc"
