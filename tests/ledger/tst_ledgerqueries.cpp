// The queries by practice and by client: the work area beside the entries,
// the balances and the summary block, the client list, and loading a listed
// entry for editing.

// The printers that keep what they print; its VERIFY_DIALOGS gives way to
// the one of the ledger tests.
#include "tests/printing/printtest.h"
#undef VERIFY_DIALOGS

#include "ledgertest.h"
#include "printing/stampap.h"

#include <QComboBox>

using namespace lt;
using testsupport::AppFixture;

namespace {

QString today() { return QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")); }

// Practice 5 with an advance of 900 and expenses of 200 and 50, practice 6
// with one advance between them.
void fourEntries(xl::Workbook& b) {
    putLedger(b, 2, 1, xl::Value(5), "ROSSI MARIO", "Fondo", "A", "900,00");
    putLedger(b, 3, 2, xl::Value(6), "BIANCHI SRL", "Fondo", "A", "50,00");
    putLedger(b, 4, 3, xl::Value(5), "ROSSI MARIO", "Perizia", "S", "-200,00");
    putLedger(b, 5, 4, xl::Value(5), "ROSSI MARIO", "Bollo", "S", "-50,00");
    b.Sheets(kSpese).GetRange("IV1").SetValue(xl::Value(5));
}

QStringList summary(const QString& label, const QString& value) { return {"*", "", "", "", label, "", value}; }

} // namespace

class TestLedgerQueries : public QObject {
    Q_OBJECT
private slots:
    void queryByPractice();
    void queryByPracticeWithoutEntries();
    void queryByPracticeReachesEveryEntry();
    void queryByPracticeWithBadAmounts();
    void settledPracticeToTheCent();
    void practiceChosenOutsideQuery();
    void clientList();
    void clientListOfFullRows();
    void queryByClient();
    void loadFromQueries();
};

void TestLedgerQueries::queryByPractice() {
    AppFixture fx;
    LedgerPanel* p = openLedger(fx, fourEntries);
    QVERIFY(p);
    control<QCheckBox>(p, "Check11")->setChecked(true);
    QVERIFY(choose(control<QComboBox>(p, "Combo8"), QStringLiteral("5")));
    VERIFY_DIALOGS(fx);
    QCOMPARE(control<QLineEdit>(p, "Text32")->text(), QStringLiteral("ROSSI MARIO"));
    QCOMPARE(control<QLineEdit>(p, "Text38")->text(), QStringLiteral("300,00"));
    QCOMPARE(control<QLineEdit>(p, "Text39")->text(), QStringLiteral("650"));
    QCOMPARE(control<QLineEdit>(p, "Text40")->text(), QStringLiteral("950"));

    ListView* list = control<ListView>(p, "ListView3");
    QVERIFY(shown(list));
    QCOMPARE(list->itemCount(), 7);
    QCOMPARE(listRow(list, 0), (QStringList{"1", "5", "ROSSI MARIO", "01/03/2024", "Fondo", "A", "900"}));
    QCOMPARE(listRow(list, 1), (QStringList{"3", "5", "ROSSI MARIO", "01/03/2024", "Perizia", "S", "-200"}));
    QCOMPARE(listRow(list, 2).at(0), QStringLiteral("4"));
    QCOMPARE(listRow(list, 3), summary(QStringLiteral("Situazione ") + today(), QStringLiteral("**********")));
    QCOMPARE(listRow(list, 4), summary(QStringLiteral("Preventivo  €"), QStringLiteral("300,00")));
    QCOMPARE(listRow(list, 5), summary(QStringLiteral("Saldo Scheda €"), QStringLiteral("650")));
    QCOMPARE(listRow(list, 6), summary(QStringLiteral("Saldo Pratica €"), QStringLiteral("950")));
    QCOMPARE(list->columnCaption(5), QStringLiteral("A/S"));
    QCOMPARE(list->naturalColumnWidth(5), twipsToPixels(900));
    QCOMPARE(int(list->columnAlignment(6) & Qt::AlignHorizontal_Mask), int(Qt::AlignRight));

    // The work area the printout reads: headers, the entries with their
    // date and amount converted, the summary rows, the total far below.
    xl::Worksheet& s = fx.sheet(kSpese);
    QCOMPARE(rowTexts(s, 1, AA), store::ledgerAreaHeaders());
    QVERIFY(s.Cells(3, AA + 3).GetValue().isDate());
    QVERIFY(s.Cells(3, AG).GetValue().isNumeric());
    QCOMPARE(cellText(s, 8, AA), QStringLiteral("*"));
    QVERIFY(cellText(s, 9, AA).isEmpty());
    QCOMPARE(cellText(s, xl::kMaxRows, AG), QStringLiteral("650"));

    // A second query replaces the first one's area and balances.
    QVERIFY(choose(control<QComboBox>(p, "Combo8"), QStringLiteral("6")));
    QCOMPARE(control<QLineEdit>(p, "Text39")->text(), QStringLiteral("50"));
    QCOMPARE(control<QLineEdit>(p, "Text40")->text(), QStringLiteral("50"));
    QCOMPARE(list->itemCount(), 5);
    QVERIFY(cellText(s, 7, AA).isEmpty());
}

void TestLedgerQueries::queryByPracticeWithoutEntries() {
    {
        // Empty ledger: the message at once, no summary, the list shown and
        // empty; the balances are those of a practice without entries.
        AppFixture fx;
        LedgerPanel* p = openLedger(fx);
        QVERIFY(p);
        control<QLineEdit>(p, "Text39")->setText(QStringLiteral("123"));
        control<QCheckBox>(p, "Check11")->setChecked(true);
        fx.dialogs().expectMessage(kNoPracticeEntries, kV, kPlain);
        QVERIFY(choose(control<QComboBox>(p, "Combo8"), QStringLiteral("5")));
        VERIFY_DIALOGS(fx);
        QVERIFY(shown(control<ListView>(p, "ListView3")));
        QCOMPARE(control<ListView>(p, "ListView3")->itemCount(), 0);
        QCOMPARE(control<QLineEdit>(p, "Text32")->text(), QStringLiteral("ROSSI MARIO"));
        QCOMPARE(control<QLineEdit>(p, "Text38")->text(), QStringLiteral("300,00"));
        QCOMPARE(control<QLineEdit>(p, "Text39")->text(), QStringLiteral("0"));
        QCOMPARE(control<QLineEdit>(p, "Text40")->text(), QStringLiteral("300"));
        xl::Worksheet& s = fx.sheet(kSpese);
        QCOMPARE(cellText(s, 1, AA), QStringLiteral("ID"));
        QVERIFY(cellText(s, 2, AA).isEmpty());
    }
    {
        // Entries, none of practice 7: the summary block alone, carrying the
        // balances of practice 7 and not those of the query before.
        AppFixture fx;
        LedgerPanel* p = openLedger(fx, fourEntries);
        QVERIFY(p);
        control<QCheckBox>(p, "Check11")->setChecked(true);
        QVERIFY(choose(control<QComboBox>(p, "Combo8"), QStringLiteral("5")));
        QCOMPARE(control<QLineEdit>(p, "Text40")->text(), QStringLiteral("950"));
        fx.dialogs().expectMessage(kNoPracticeEntries, kV, kPlain);
        QVERIFY(choose(control<QComboBox>(p, "Combo8"), QStringLiteral("7")));
        VERIFY_DIALOGS(fx);
        QCOMPARE(control<ListView>(p, "ListView3")->itemCount(), 0);
        QCOMPARE(control<QLineEdit>(p, "Text39")->text(), QStringLiteral("0"));
        QCOMPARE(control<QLineEdit>(p, "Text40")->text(), QStringLiteral("0"));
        xl::Worksheet& s = fx.sheet(kSpese);
        QCOMPARE(rowTexts(s, 2, AA), summary(QStringLiteral("Situazione ") + today(), QStringLiteral("**********")));
        QCOMPARE(rowTexts(s, 4, AA), summary(QStringLiteral("Saldo Scheda €"), QStringLiteral("0")));
        QCOMPARE(cellText(s, 5, AA + 4), QStringLiteral("Saldo Pratica €"));
        QVERIFY(cellText(s, 6, AA).isEmpty());
        QVERIFY(cellText(s, xl::kMaxRows, AG).isEmpty());
    }
}

void TestLedgerQueries::queryByPracticeReachesEveryEntry() {
    AppFixture fx;
    LedgerPanel* p = openLedger(fx, [](xl::Workbook& b) {
        putLedger(b, 2, 1, xl::Value(5), "ROSSI MARIO", "Uno", "A", "100,00");
        // An entry without a practice number, and one whose number is text.
        putLedger(b, 3, 2, xl::Value(), "ROSSI MARIO", "Senza pratica", "A", "7,00");
        putLedger(b, 4, 3, xl::Value(QStringLiteral("5")), "ROSSI MARIO", "Testo", "A", "10,00");
        // Far below, past every fixed bound.
        putLedger(b, 1500, 4, xl::Value(5), "ROSSI MARIO", "Lontano", "S", "-1,50");
    });
    QVERIFY(p);
    control<QCheckBox>(p, "Check11")->setChecked(true);
    QVERIFY(choose(control<QComboBox>(p, "Combo8"), QStringLiteral("5")));
    VERIFY_DIALOGS(fx);
    QCOMPARE(listColumn(control<ListView>(p, "ListView3"), 4).mid(0, 3), (QStringList{"Uno", "Testo", "Lontano"}));
    QCOMPARE(control<QLineEdit>(p, "Text39")->text(), QStringLiteral("108,5"));
    QCOMPARE(control<QLineEdit>(p, "Text40")->text(), QStringLiteral("408,5"));
}

void TestLedgerQueries::queryByPracticeWithBadAmounts() {
    AppFixture fx;
    LedgerPanel* p = openLedger(fx, [](xl::Workbook& b) {
        putLedger(b, 2, 1, xl::Value(6), "BIANCHI SRL", "Buono", "A", "1.050,00");
        putLedger(b, 3, 2, xl::Value(6), "BIANCHI SRL", "Guasto", "A", "dieci");
        putLedger(b, 4, 3, xl::Value(6), "BIANCHI SRL", "Data guasta", "S", "-50,00");
        b.Sheets(kSpese).Cells(4, 4).SetValue(QStringLiteral("ieri"));
        // An estimate that is no amount.
        b.Sheets(kPratica).Cells(3, 12).SetValue(QStringLiteral("da definire"));
    });
    QVERIFY(p);
    control<QCheckBox>(p, "Check11")->setChecked(true);
    fx.dialogs().expectMessage(QStringLiteral("ATTENZIONE: Alcune registrazioni di questa Pratica hanno un importo "
                                              "che non è un numero: nei saldi contano zero"),
                               kV, kInfo);
    QVERIFY(choose(control<QComboBox>(p, "Combo8"), QStringLiteral("6")));
    VERIFY_DIALOGS(fx);
    QCOMPARE(control<QLineEdit>(p, "Text39")->text(), QStringLiteral("1000"));
    QCOMPARE(control<QLineEdit>(p, "Text40")->text(), QStringLiteral("1000"));
    QCOMPARE(listColumn(control<ListView>(p, "ListView3"), 6).mid(0, 3), (QStringList{"1050", "dieci", "-50"}));
    QCOMPARE(listColumn(control<ListView>(p, "ListView3"), 3).at(2), QStringLiteral("ieri"));
}

void TestLedgerQueries::settledPracticeToTheCent() {
    prt::RecordingPrinters printers; // before the program loads the printer list
    AppFixture fx;
    LedgerPanel* p = openLedger(fx);
    QVERIFY(p);
    // Booked through the panel: an advance of 100,10, expenses of 100,00 and
    // 0,10. Practice 6 has no estimate, so both balances are 0.
    struct Entry {
        const char* amount;
        bool expense;
    };
    for (const Entry& e : {Entry{"100,10", false}, Entry{"100,00", true}, Entry{"0,10", true}}) {
        fillEntry(p, QStringLiteral("6"), QStringLiteral("Voce"), QString::fromLatin1(e.amount), e.expense);
        fx.dialogs().expectQuestion(kAskInsert, true, kV).expectMessage(kInserted, kVb, kInfo);
        p->Command29_Click();
        VERIFY_DIALOGS(fx);
    }
    QCOMPARE(diskText(fx, kSpese, 2, 7), QStringLiteral("100,10"));
    QCOMPARE(diskText(fx, kSpese, 3, 7), QStringLiteral("-100,00"));
    QCOMPARE(diskText(fx, kSpese, 4, 7), QStringLiteral("-0,10"));

    control<QCheckBox>(p, "Check11")->setChecked(true);
    QVERIFY(choose(control<QComboBox>(p, "Combo8"), QStringLiteral("6")));
    VERIFY_DIALOGS(fx);
    QCOMPARE(control<QLineEdit>(p, "Text39")->text(), QStringLiteral("0"));
    QCOMPARE(control<QLineEdit>(p, "Text40")->text(), QStringLiteral("0"));
    ListView* list = control<ListView>(p, "ListView3");
    QCOMPARE(listColumn(list, 6), (QStringList{"100,1", "-100", "-0,1", "**********", "", "0", "0"}));
    xl::Worksheet& s = fx.sheet(kSpese);
    QCOMPARE(s.Cells(xl::kMaxRows, AG).GetValue().numberValue(), 0.0);
    QCOMPARE(rowTexts(s, 7, AA), summary(QStringLiteral("Saldo Scheda €"), QStringLiteral("0")));
    QCOMPARE(rowTexts(s, 8, AA), summary(QStringLiteral("Saldo Pratica €"), QStringLiteral("0")));

    // The printout of the query shows the same cells.
    QTest::mouseClick(control<QPushButton>(p, "Command31"), Qt::LeftButton);
    StampaP* stampa = fx.form().stampaP();
    QVERIFY(shown(stampa));
    testsupport::control<QComboBox>(stampa, "Combo1")
        ->setCurrentIndex(testsupport::control<QComboBox>(stampa, "Combo1")->findText(QStringLiteral("Ufficio")));
    fx.dialogs().expectInput(
        QStringLiteral("Digita la percentuale di Zoom della Stampa 50-60-70-80-90-100.................."),
        QStringLiteral("100"), kV);
    testsupport::control<QPushButton>(stampa, "Command1")->click();
    VERIFY_DIALOGS(fx);
    QCOMPARE(printers.jobs.size(), std::size_t(1));
    const QStringList printed = printers.jobs[0].texts();
    for (const char* label : {"Saldo Scheda €", "Saldo Pratica €"}) {
        const qsizetype at = printed.indexOf(QString::fromUtf8(label));
        QVERIFY2(at >= 0 && at + 1 < printed.size(), label);
        QCOMPARE(printed.at(at + 1), QStringLiteral("0"));
    }
    // The amounts under the column's "#,0.00".
    QVERIFY(printed.contains(QStringLiteral("100,10")));
    QVERIFY(printed.contains(QStringLiteral("-0,10")));
    QVERIFY(!printed.join(u' ').contains(QRegularExpression(QStringLiteral("E[+-][0-9]"))));

    // The next save point takes the total and the summary to the file.
    control<QCheckBox>(p, "Check11")->setChecked(false);
    fillEntry(p, QStringLiteral("6"), QStringLiteral("Mai scritta"), QStringLiteral("1"), false);
    fx.dialogs().expectQuestion(kAskInsert, false, kV);
    p->Command29_Click();
    VERIFY_DIALOGS(fx);
    QCOMPARE(diskText(fx, kSpese, xl::kMaxRows, AG), QStringLiteral("0"));
    QCOMPARE(diskText(fx, kSpese, 7, AG), QStringLiteral("0"));
    QCOMPARE(diskText(fx, kSpese, 8, AG), QStringLiteral("0"));
}

void TestLedgerQueries::practiceChosenOutsideQuery() {
    AppFixture fx;
    LedgerPanel* p = openLedger(fx, fourEntries);
    QVERIFY(p);
    xl::Worksheet& s = fx.sheet(kSpese);
    s.Cells(2, AA).SetValue(QStringLiteral("resto"));
    control<QLineEdit>(p, "Text39")->setText(QStringLiteral("11"));
    QVERIFY(choose(control<QComboBox>(p, "Combo8"), QStringLiteral("6")));
    QCOMPARE(control<QLineEdit>(p, "Text32")->text(), QStringLiteral("BIANCHI SRL"));
    QVERIFY(control<QLineEdit>(p, "Text38")->text().isEmpty());
    QCOMPARE(control<QLineEdit>(p, "Text39")->text(), QStringLiteral("11"));
    QCOMPARE(cellText(s, 2, AA), QStringLiteral("resto"));
    QVERIFY(!shown(control<ListView>(p, "ListView3")));

    // The practice sheet sorted after the list was filled: the practice is
    // found by its number, not by its old place.
    xl::Worksheet& pr = fx.sheet(kPratica);
    putPractice(pr, 2, Practice(6, QStringLiteral("BIANCHI SRL")));
    putPractice(pr, 3, Practice(5, QStringLiteral("ROSSI MARIO"), {}, {}, QStringLiteral("300,00")));
    QVERIFY(choose(control<QComboBox>(p, "Combo8"), QStringLiteral("5")));
    QCOMPARE(control<QLineEdit>(p, "Text32")->text(), QStringLiteral("ROSSI MARIO"));
    QCOMPARE(control<QLineEdit>(p, "Text38")->text(), QStringLiteral("300,00"));

    // A typed number that is on the list finds its practice; one that is not
    // changes nothing (the header row is never read as a practice).
    control<QComboBox>(p, "Combo8")->setEditText(QStringLiteral("7"));
    p->Combo8_Click(-1);
    QCOMPARE(control<QLineEdit>(p, "Text32")->text(), QStringLiteral("verdi anna"));
    control<QComboBox>(p, "Combo8")->setEditText(QStringLiteral("99"));
    p->Combo8_Click(-1);
    QCOMPARE(control<QLineEdit>(p, "Text32")->text(), QStringLiteral("verdi anna"));
    QCOMPARE(control<QComboBox>(p, "Combo8")->currentText(), QStringLiteral("99"));
}

void TestLedgerQueries::clientList() {
    AppFixture fx;
    LedgerPanel* p = openLedger(fx, [](xl::Workbook& b) {
        putLedger(b, 2, 1, xl::Value(5), "ROSSI", "a", "A", "1,00");
        putLedger(b, 3, 2, xl::Value(5), "Bianchi", "b", "A", "1,00");
        putLedger(b, 4, 3, xl::Value(5), "rossi", "c", "A", "1,00");
        putLedger(b, 5, 4, xl::Value(5), "", "senza cliente", "A", "1,00");
        putLedger(b, 6, 5, xl::Value(5), "Àlfa", "d", "A", "1,00");
        // Entries past row 1000 count like the others.
        putLedger(b, 1200, 6, xl::Value(5), "ZETA", "e", "A", "1,00");
        b.Sheets(kSpese).Cells(1201, 3).SetValue(xl::Value(42));
        b.Sheets(kSpese).Cells(1201, 1).SetValue(xl::Value(7));
    });
    QVERIFY(p);
    control<QCheckBox>(p, "Check12")->setChecked(true);
    // The empty client first, once; the lower-case duplicate dropped.
    QCOMPARE(comboItems(control<QComboBox>(p, "Combo9")), (QStringList{"", "42", "Bianchi", "ROSSI", "ZETA", "Àlfa"}));
    // Entering the mode again lists each client once.
    control<QCheckBox>(p, "Check12")->setChecked(false);
    control<QCheckBox>(p, "Check12")->setChecked(true);
    QCOMPARE(control<QComboBox>(p, "Combo9")->count(), 6);
}

void TestLedgerQueries::clientListOfFullRows() {
    // 999 entries, every one with a client, fill rows 2 to 1000: no empty
    // item. One more entry without a client below them brings it back.
    AppFixture fx;
    LedgerPanel* p = openLedger(fx, [](xl::Workbook& b) {
        for (int r = 2; r <= 1000; ++r)
            putLedger(b, r, r - 1, xl::Value(5), r % 2 ? "ROSSI MARIO" : "BIANCHI SRL", "x", "A", "1,00");
    });
    QVERIFY(p);
    control<QCheckBox>(p, "Check12")->setChecked(true);
    QCOMPARE(comboItems(control<QComboBox>(p, "Combo9")), (QStringList{"BIANCHI SRL", "ROSSI MARIO"}));
    fx.sheet(kSpese).Cells(1001, 1).SetValue(xl::Value(1000));
    fx.sheet(kSpese).Cells(1001, 5).SetValue(QStringLiteral("senza cliente"));
    control<QCheckBox>(p, "Check12")->setChecked(false);
    control<QCheckBox>(p, "Check12")->setChecked(true);
    QCOMPARE(comboItems(control<QComboBox>(p, "Combo9")), (QStringList{"", "BIANCHI SRL", "ROSSI MARIO"}));
}

void TestLedgerQueries::queryByClient() {
    AppFixture fx;
    LedgerPanel* p = openLedger(fx, [](xl::Workbook& b) {
        fourEntries(b);
        putLedger(b, 6, 5, xl::Value(7), "Rossi Mario", "Altro", "A", "5,00");
    });
    QVERIFY(p);
    xl::Worksheet& s = fx.sheet(kSpese);
    // A click while the mode is off: the area is cleared, nothing is found.
    s.Cells(2, AA).SetValue(QStringLiteral("vecchio"));
    fx.dialogs().expectMessage(kNoClientEntries, kV, kPlain);
    p->Combo9_Click();
    VERIFY_DIALOGS(fx);
    QVERIFY(cellText(s, 2, AA).isEmpty());
    QCOMPARE(cellText(s, 1, AG), QStringLiteral("Importo"));

    control<QCheckBox>(p, "Check12")->setChecked(true);
    QVERIFY(shown(control<QComboBox>(p, "Combo9")));
    QVERIFY(!shown(control<QComboBox>(p, "Combo8")));
    QVERIFY(!shown(control<QLineEdit>(p, "Text35")));
    QCOMPARE(control<QLabel>(p, "Label42")->text(), QStringLiteral("Seleziona il Cliente"));
    QVERIFY(choose(control<QComboBox>(p, "Combo9"), QStringLiteral("ROSSI MARIO")));
    VERIFY_DIALOGS(fx);
    ListView* list = control<ListView>(p, "ListView3");
    QVERIFY(shown(list));
    QVERIFY(!shown(control<QComboBox>(p, "Combo9")));
    // Exact match only: "Rossi Mario" is another client. Amounts as stored.
    QCOMPARE(list->itemCount(), 3);
    QCOMPARE(listRow(list, 1), (QStringList{"3", "5", "ROSSI MARIO", "01/03/2024", "Perizia", "S", "-200,00"}));
    QCOMPARE(list->naturalColumnWidth(5), twipsToPixels(1000));
    QVERIFY(s.Cells(2, AA + 3).GetValue().isDate());
    QVERIFY(s.Cells(3, AG).GetValue().isText());
    QVERIFY(cellText(s, 5, AA).isEmpty());
    QVERIFY(cellText(s, xl::kMaxRows, AG).isEmpty());

    // A client that is in no entry.
    control<QComboBox>(p, "Combo9")->show();
    control<QComboBox>(p, "Combo9")->setEditText(QStringLiteral("NESSUNO"));
    fx.dialogs().expectMessage(kNoClientEntries, kV, kPlain);
    p->Combo9_Click();
    VERIFY_DIALOGS(fx);
    QVERIFY(cellText(s, 2, AA).isEmpty());
}

void TestLedgerQueries::loadFromQueries() {
    AppFixture fx;
    LedgerPanel* p = openLedger(fx, fourEntries);
    QVERIFY(p);
    ListView* list = control<ListView>(p, "ListView3");
    control<QCheckBox>(p, "Check11")->setChecked(true);
    QVERIFY(choose(control<QComboBox>(p, "Combo8"), QStringLiteral("5")));
    // A click while the list is hidden loads nothing.
    list->hide();
    list->selectRow(0);
    p->ListView3_ItemClick();
    QVERIFY(!shown(control<QLineEdit>(p, "Text30")));
    QCOMPARE(list->itemCount(), 7);
    list->show();

    QVERIFY(clickRow(list, 0, QStringLiteral("3")));
    QCOMPARE(control<QLineEdit>(p, "Text35")->text(), QStringLiteral("200"));
    QVERIFY(control<QCheckBox>(p, "Check17")->isChecked());
    QCOMPARE(control<QLineEdit>(p, "Text36")->text(), QStringLiteral("-"));
    QCOMPARE(control<QLineEdit>(p, "Text34")->text(), QStringLiteral("Perizia"));
    QVERIFY(shown(control<QLineEdit>(p, "Text30")));
    QVERIFY(shown(control<QLineEdit>(p, "Text35")));
    QVERIFY(control<QCheckBox>(p, "Check11")->isChecked());
    QCOMPARE(control<QPushButton>(p, "Command29")->text(), QStringLiteral("&Modifica"));
    QCOMPARE(list->itemCount(), 0);
    // Balances stay as the query left them.
    QCOMPARE(control<QLineEdit>(p, "Text40")->text(), QStringLiteral("950"));

    // The summary rows are no entries: a click on any of them leaves the
    // panel, the list and the loaded entry as they were, and the entry can
    // still be written back.
    QVERIFY(choose(control<QComboBox>(p, "Combo8"), QStringLiteral("5")));
    control<QLineEdit>(p, "Text34")->setText(QStringLiteral("Perizia di parte"));
    for (const char* label : {"Preventivo  €", "Saldo Scheda €", "Saldo Pratica €"}) {
        QVERIFY(clickRow(list, 4, QString::fromUtf8(label)));
        QCOMPARE(list->itemCount(), 7);
        QCOMPARE(control<QLineEdit>(p, "Text30")->text(), QStringLiteral("3"));
        QCOMPARE(control<QComboBox>(p, "Combo8")->currentText(), QStringLiteral("5"));
        QCOMPARE(control<QLineEdit>(p, "Text32")->text(), QStringLiteral("ROSSI MARIO"));
        QCOMPARE(control<QLineEdit>(p, "Text34")->text(), QStringLiteral("Perizia di parte"));
        QCOMPARE(control<QLineEdit>(p, "Text35")->text(), QStringLiteral("200"));
        QVERIFY(control<QCheckBox>(p, "Check17")->isChecked());
    }
    QVERIFY(clickRow(list, 0, QStringLiteral("*")));
    QCOMPARE(control<QLineEdit>(p, "Text30")->text(), QStringLiteral("3"));
    fx.dialogs().expectQuestion(kAskModify, true, kV).expectMessage(kModified, kV, kInfo);
    p->Command29_Click();
    VERIFY_DIALOGS(fx);
    QCOMPARE(entryRow(fx, 4), (QStringList{"3", "5", "ROSSI MARIO", "01/03/2024", "Perizia di parte", "S", "-200,00"}));
    QCOMPARE(diskText(fx, kSpese, 4, 5), QStringLiteral("Perizia di parte"));
    QVERIFY(!control<QCheckBox>(p, "Check11")->isChecked());
    QVERIFY(control<QLineEdit>(p, "Text30")->text() != QStringLiteral("*"));

    // From the query by client: the practice box takes the chooser's place.
    control<QCheckBox>(p, "Check12")->setChecked(true);
    QVERIFY(choose(control<QComboBox>(p, "Combo9"), QStringLiteral("ROSSI MARIO")));
    QVERIFY(clickRow(list, 0, QStringLiteral("4")));
    QVERIFY(!shown(control<QComboBox>(p, "Combo9")));
    QVERIFY(shown(control<QComboBox>(p, "Combo8")));
    QCOMPARE(control<QComboBox>(p, "Combo8")->currentText(), QStringLiteral("5"));
    QCOMPARE(control<QLineEdit>(p, "Text35")->text(), QStringLiteral("50,00"));
    // A second click has nothing to load.
    control<QLineEdit>(p, "Text34")->setText(QStringLiteral("resta"));
    p->ListView3_ItemClick();
    QCOMPARE(control<QLineEdit>(p, "Text34")->text(), QStringLiteral("resta"));
    // Written back from the client mode.
    fx.dialogs().expectQuestion(kAskModify, true, kV).expectMessage(kModified, kV, kInfo);
    p->Command29_Click();
    VERIFY_DIALOGS(fx);
    QCOMPARE(entryRow(fx, 5), (QStringList{"4", "5", "ROSSI MARIO", "01/03/2024", "resta", "S", "-50,00"}));
    QVERIFY(!control<QCheckBox>(p, "Check12")->isChecked());
}

QTEST_MAIN(TestLedgerQueries)
#include "tst_ledgerqueries.moc"
