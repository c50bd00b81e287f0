// Booking, modifying, deleting and renumbering ledger entries, with what
// reaches the file and when.

#include "ledgertest.h"

#include <QClipboard>
#include <QGuiApplication>

using namespace lt;
using testsupport::AppFixture;

namespace {

// Opens the ledger on entry 1, an advance of 10,00 on practice 5 of ROSSI
// MARIO in row 2, then the entries `more` puts below it, with the counter at
// `next`.
LedgerPanel* openAfterPrimo(AppFixture& fx, int next, const std::function<void(xl::Workbook&)>& more = {}) {
    return openLedger(fx, [&](xl::Workbook& b) {
        putLedger(b, 2, 1, xl::Value(5), "ROSSI MARIO", "Primo", "A", "10,00");
        if (more) more(b);
        b.Sheets(kSpese).GetRange("IV1").SetValue(xl::Value(next));
    });
}

} // namespace

class TestLedgerEntries : public QObject {
    Q_OBJECT
private slots:
    void opensWithCounter();
    void booksAdvanceAndExpense();
    void insertRefusals();
    void insertAnsweredNoStillSaves();
    void insertFillsGapAndRefusesFullSheet();
    void signFollowsKindBox();
    void loadAndModify();
    void modifyRefusals();
    void modifyReachesLoadedEntryOnly();
    void deleteLoadedEntry();
    void deleteRefusals();
    void renumber();
    void insertTakesIdFromCounter();
    void deleteReturnsToInsertLayout();
    void amountsTypedPastedAndTooLong();
};

void TestLedgerEntries::opensWithCounter() {
    AppFixture fx;
    LedgerPanel* p = openLedger(fx);
    QVERIFY(p);
    Form1& f = fx.form();
    QVERIFY(shown(p));
    QVERIFY(!shown(control<QWidget>(&f, "Frame1")));
    QVERIFY(!shown(control<QToolBar>(&f, "Toolbar1")));
    QVERIFY(!shown(control<ListView>(p, "ListView3")));
    QVERIFY(!shown(control<QComboBox>(p, "Combo9")));
    QVERIFY(!shown(control<QLabel>(p, "Label42")));
    QCOMPARE(store::ledgerCounterText(fx.form().book()), QStringLiteral("1"));
    QCOMPARE(control<QLineEdit>(p, "Text30")->text(), QStringLiteral("1"));
    QCOMPARE(control<QComboBox>(p, "Combo8")->currentText(), QStringLiteral("Seleziona"));
    QCOMPARE(comboItems(control<QComboBox>(p, "Combo8")), (QStringList{"5", "6", "7"}));
    QCOMPARE(control<QPushButton>(p, "Command29")->text(), QStringLiteral("&Inserisci"));

    // Leaving keeps the list-all box as it was; the next opening shows the
    // counter the cell holds.
    fx.dialogs().expectMessage(kNoEntries, kV, kPlain);
    control<QCheckBox>(p, "Check15")->setChecked(true);
    VERIFY_DIALOGS(fx);
    QVERIFY(!control<QCheckBox>(p, "Check15")->isChecked());
    QVERIFY(!shown(control<ListView>(p, "ListView3")));
    QCOMPARE(store::setLedgerCounter(fx.form().book(), QStringLiteral("41")), store::Outcome::Done);
    QTest::mouseClick(control<QPushButton>(p, "Command27"), Qt::LeftButton);
    QVERIFY(!shown(p));
    QVERIFY(shown(control<QWidget>(&f, "Frame1")));
    QVERIFY(shown(control<QToolBar>(&f, "Toolbar1")));
    QTest::mouseClick(control<QPushButton>(&f, "Command28"), Qt::LeftButton);
    QCOMPARE(control<QLineEdit>(p, "Text30")->text(), QStringLiteral("41"));
}

void TestLedgerEntries::booksAdvanceAndExpense() {
    AppFixture fx;
    LedgerPanel* p = openLedger(fx);
    QVERIFY(p);
    // The practice chosen brings its client and estimate.
    QVERIFY(choose(control<QComboBox>(p, "Combo8"), QStringLiteral("5")));
    QCOMPARE(control<QLineEdit>(p, "Text32")->text(), QStringLiteral("ROSSI MARIO"));
    QCOMPARE(control<QLineEdit>(p, "Text38")->text(), QStringLiteral("300,00"));
    // Typed as the user types: six digits get their slashes, the keypad
    // point is a comma, leaving the box formats the amount.
    control<QLineEdit>(p, "Text33")->setFocus();
    QTest::keyClicks(control<QLineEdit>(p, "Text33"), QStringLiteral("010324"));
    QCOMPARE(control<QLineEdit>(p, "Text33")->text(), QStringLiteral("01/03/24"));
    control<QLineEdit>(p, "Text34")->setText(QStringLiteral("Fondo spese"));
    control<QLineEdit>(p, "Text35")->setFocus();
    QTest::keyClicks(control<QLineEdit>(p, "Text35"), QStringLiteral("900.5"));
    QCOMPARE(control<QLineEdit>(p, "Text35")->text(), QStringLiteral("900,5"));
    leave(control<QLineEdit>(p, "Text35"));
    QCOMPARE(control<QLineEdit>(p, "Text35")->text(), QStringLiteral("900,50"));
    control<QCheckBox>(p, "Check10")->setChecked(true);
    QCOMPARE(control<QLineEdit>(p, "Text36")->text(), QStringLiteral("+"));

    fx.dialogs().expectQuestion(kAskInsert, true, kV).expectMessage(kInserted, kVb, kInfo);
    QTest::mouseClick(control<QPushButton>(p, "Command29"), Qt::LeftButton);
    VERIFY_DIALOGS(fx);
    xl::Worksheet& s = fx.sheet(kSpese);
    QCOMPARE(entryRow(fx, 2), (QStringList{"1", "5", "ROSSI MARIO", "01/03/2024", "Fondo spese", "A", "900,50"}));
    QVERIFY(s.Cells(2, 1).GetValue().isNumeric());
    QVERIFY(s.Cells(2, 4).GetValue().isDate());
    QVERIFY(s.Cells(2, 7).GetValue().isText());
    QCOMPARE(cellText(s, 1, 256), QStringLiteral("2"));
    // Back in the insert layout with the next ID; the file holds the entry.
    QCOMPARE(control<QLineEdit>(p, "Text30")->text(), QStringLiteral("2"));
    QCOMPARE(control<QComboBox>(p, "Combo8")->currentText(), QStringLiteral("Seleziona"));
    QVERIFY(control<QLineEdit>(p, "Text32")->text().isEmpty());
    QVERIFY(!control<QCheckBox>(p, "Check10")->isChecked());
    QCOMPARE(diskText(fx, kSpese, 2, 7), QStringLiteral("900,50"));
    QCOMPARE(diskText(fx, kSpese, 1, 256), QStringLiteral("2"));

    fillEntry(p, QStringLiteral("5"), QStringLiteral("Marca da bollo"), QStringLiteral("1234,5"), true);
    QCOMPARE(control<QLineEdit>(p, "Text36")->text(), QStringLiteral("-"));
    fx.dialogs().expectQuestion(kAskInsert, true, kV).expectMessage(kInserted, kVb, kInfo);
    p->Command29_Click();
    VERIFY_DIALOGS(fx);
    QCOMPARE(entryRow(fx, 3), (QStringList{"2", "5", "ROSSI MARIO", "01/03/2024", "Marca da bollo", "S", "-1.234,50"}));
    QCOMPARE(diskText(fx, kSpese, 3, 6), QStringLiteral("S"));
    QCOMPARE(control<QLineEdit>(p, "Text30")->text(), QStringLiteral("3"));
}

void TestLedgerEntries::insertRefusals() {
    AppFixture fx;
    LedgerPanel* p = openLedger(fx);
    QVERIFY(p);
    struct Case {
        const char* name;
        std::function<void(LedgerPanel*)> spoil;
        QString message;
    };
    const QString badDate =
        QStringLiteral("ERRORE: Il campo DATA non contiene una data valida (per esempio 05/03/2024)");
    const QString badAmount = QStringLiteral("ERRORE: Il campo IMPORTO deve contenere un importo senza segno "
                                             "(per esempio 1500,50): il segno lo danno ACCONTO e SPESA");
    const QString notChosen = QStringLiteral("ERRORE: Il N.PRATICA va scelto dall'elenco, che ne riporta il Cliente");
    const std::vector<Case> cases{
        {"no practice", [](LedgerPanel* q) { control<QComboBox>(q, "Combo8")->setEditText(QString()); }, kMissing},
        {"practice not chosen",
         [](LedgerPanel* q) {
             control<QComboBox>(q, "Combo8")->setEditText("Seleziona");
             control<QLineEdit>(q, "Text32")->clear();
         },
         kMissing},
        {"no date", [](LedgerPanel* q) { control<QLineEdit>(q, "Text33")->clear(); }, kMissing},
        {"no description", [](LedgerPanel* q) { control<QLineEdit>(q, "Text34")->clear(); }, kMissing},
        {"no amount", [](LedgerPanel* q) { control<QLineEdit>(q, "Text35")->clear(); }, kMissing},
        {"no kind", [](LedgerPanel* q) { control<QCheckBox>(q, "Check10")->setChecked(false); }, kMissing},
        {"date", [](LedgerPanel* q) { control<QLineEdit>(q, "Text33")->setText("31/02/2024"); }, badDate},
        {"amount", [](LedgerPanel* q) { control<QLineEdit>(q, "Text35")->setText("dieci"); }, badAmount},
        {"negative amount", [](LedgerPanel* q) { control<QLineEdit>(q, "Text35")->setText("-12"); }, badAmount},
        {"number typed over the chosen one", [](LedgerPanel* q) { control<QComboBox>(q, "Combo8")->setEditText("7"); },
         notChosen},
        {"number of no practice", [](LedgerPanel* q) { control<QComboBox>(q, "Combo8")->setEditText("99"); },
         notChosen},
    };
    for (const Case& c : cases) {
        fillEntry(p, QStringLiteral("6"), QStringLiteral("Visura"), QStringLiteral("12"), false);
        c.spoil(p);
        fx.dialogs().clear();
        fx.dialogs().expectMessage(c.message, kV, kInfo);
        p->Command29_Click();
        QVERIFY2(fx.dialogs().verify().isEmpty(), c.name);
        QVERIFY2(cellText(fx.sheet(kSpese), 2, 1).isEmpty(), c.name);
        QCOMPARE(store::ledgerCounterText(fx.form().book()), QStringLiteral("1"));
        QVERIFY2(!control<QLineEdit>(p, "Text34")->text().isEmpty() || QByteArray(c.name) == "no description", c.name);
    }
    // A counter that holds no number (from an old renumbering) is refused
    // before anything is written.
    fx.sheet(kSpese).GetRange("IV1").SetValue(QStringLiteral("X1"));
    p->Command30_Click();
    QCOMPARE(control<QLineEdit>(p, "Text30")->text(), QStringLiteral("X1"));
    fillEntry(p, QStringLiteral("6"), QStringLiteral("Visura"), QStringLiteral("12"), false);
    fx.dialogs().clear();
    fx.dialogs().expectMessage(
        QStringLiteral("ERRORE: L'ID della registrazione non è un numero: impostarlo con Modifica ID Operazione"), kV,
        kInfo);
    p->Command29_Click();
    VERIFY_DIALOGS(fx);
    QVERIFY(cellText(fx.sheet(kSpese), 2, 1).isEmpty());
}

void TestLedgerEntries::insertAnsweredNoStillSaves() {
    AppFixture fx;
    LedgerPanel* p = openLedger(fx);
    QVERIFY(p);
    // Something changed since the last save: the No answer saves it.
    fx.sheet(kVarie).Cells(5, 1).SetValue(QStringLiteral("9"));
    fillEntry(p, QStringLiteral("6"), QStringLiteral("Visura"), QStringLiteral("12"), false);
    fx.dialogs().expectQuestion(kAskInsert, false, kV);
    p->Command29_Click();
    VERIFY_DIALOGS(fx);
    QVERIFY(cellText(fx.sheet(kSpese), 2, 1).isEmpty());
    QCOMPARE(diskText(fx, kVarie, 5, 1), QStringLiteral("9"));
    QVERIFY(diskText(fx, kSpese, 2, 1).isEmpty());
    // The panel is reset all the same.
    QVERIFY(control<QLineEdit>(p, "Text34")->text().isEmpty());
    QCOMPARE(control<QLineEdit>(p, "Text30")->text(), QStringLiteral("1"));
    QVERIFY(!control<QCheckBox>(p, "Check10")->isChecked());
    QCOMPARE(control<QComboBox>(p, "Combo8")->currentText(), QStringLiteral("Seleziona"));
}

void TestLedgerEntries::insertFillsGapAndRefusesFullSheet() {
    AppFixture fx;
    LedgerPanel* p = openLedger(fx, [](xl::Workbook& b) {
        putLedger(b, 2, 1, xl::Value(5), "ROSSI MARIO", "uno", "A", "10,00");
        putLedger(b, 3, 2, xl::Value(5), "ROSSI MARIO", "due", "A", "20,00");
        b.Sheets(kSpese).Cells(2, 1).ClearContents(); // an ID emptied by hand
        b.Sheets(kSpese).GetRange("IV1").SetValue(xl::Value(3));
    });
    QVERIFY(p);
    fillEntry(p, QStringLiteral("6"), QStringLiteral("tre"), QStringLiteral("30"), false);
    fx.dialogs().expectQuestion(kAskInsert, true, kV).expectMessage(kInserted, kVb, kInfo);
    p->Command29_Click();
    VERIFY_DIALOGS(fx);
    xl::Worksheet& s = fx.sheet(kSpese);
    QCOMPARE(entryRow(fx, 2), (QStringList{"3", "6", "BIANCHI SRL", "01/03/2024", "tre", "A", "30,00"}));
    QCOMPARE(cellText(s, 3, 5), QStringLiteral("due"));

    // Every ID cell down to the last row a 16-bit row number reaches is
    // taken: the insert is refused with a message, nothing is written.
    for (int r = 4; r <= vb::kMaxRow16; ++r) s.Cells(r, 1).SetValue(xl::Value(r));
    fillEntry(p, QStringLiteral("6"), QStringLiteral("quattro"), QStringLiteral("40"), false);
    fx.dialogs().clear();
    fx.dialogs()
        .expectQuestion(kAskInsert, true, kV)
        .expectMessage(QStringLiteral("ERRORE: Il foglio Spese è pieno: impossibile inserire altre Registrazioni"), kV,
                       kInfo);
    p->Command29_Click();
    VERIFY_DIALOGS(fx);
    QCOMPARE(cellText(s, 1, 256), QStringLiteral("4"));
    QVERIFY(cellText(s, vb::kMaxRow16 + 1, 1).isEmpty());
}

void TestLedgerEntries::signFollowsKindBox() {
    AppFixture fx;
    LedgerPanel* p = openLedger(fx);
    QVERIFY(p);
    // "Spesa" ticked, then a query mode entered and left: the reset empties
    // the sign box but leaves "Spesa" ticked. The expense keeps its minus.
    control<QCheckBox>(p, "Check17")->setChecked(true);
    control<QCheckBox>(p, "Check11")->setChecked(true);
    control<QCheckBox>(p, "Check11")->setChecked(false);
    QVERIFY(control<QCheckBox>(p, "Check17")->isChecked());
    QVERIFY(control<QLineEdit>(p, "Text36")->text().isEmpty());
    choose(control<QComboBox>(p, "Combo8"), QStringLiteral("7"));
    control<QLineEdit>(p, "Text33")->setText(QStringLiteral("02/03/2024"));
    control<QLineEdit>(p, "Text34")->setText(QStringLiteral("Notifica"));
    control<QLineEdit>(p, "Text35")->setText(QStringLiteral("15"));
    fx.dialogs().expectQuestion(kAskInsert, true, kV).expectMessage(kInserted, kVb, kInfo);
    p->Command29_Click();
    VERIFY_DIALOGS(fx);
    QCOMPARE(cellText(fx.sheet(kSpese), 2, 7), QStringLiteral("-15,00"));
    QCOMPARE(cellText(fx.sheet(kSpese), 2, 6), QStringLiteral("S"));
}

void TestLedgerEntries::loadAndModify() {
    AppFixture fx;
    LedgerPanel* p = openLedger(fx, [](xl::Workbook& b) {
        putLedger(b, 2, 1, xl::Value(5), "ROSSI MARIO", "Acconto", "A", "900,00");
        putLedger(b, 3, 2, xl::Value(5), "ROSSI MARIO", "Bollo", "S", "-150,00");
        b.Sheets(kSpese).GetRange("IV1").SetValue(xl::Value(3));
    });
    QVERIFY(p);
    control<QCheckBox>(p, "Check15")->setChecked(true);
    QCOMPARE(control<ListView>(p, "ListView3")->itemCount(), 2);
    QVERIFY(clickRow(control<ListView>(p, "ListView3"), 0, QStringLiteral("2")));
    // The expense loads without its minus, which lives in the kind boxes.
    QCOMPARE(control<QLineEdit>(p, "Text30")->text(), QStringLiteral("2"));
    QCOMPARE(control<QComboBox>(p, "Combo8")->currentText(), QStringLiteral("5"));
    QCOMPARE(control<QLineEdit>(p, "Text32")->text(), QStringLiteral("ROSSI MARIO"));
    QCOMPARE(control<QLineEdit>(p, "Text33")->text(), QStringLiteral("01/03/2024"));
    QCOMPARE(control<QLineEdit>(p, "Text35")->text(), QStringLiteral("150,00"));
    QVERIFY(control<QCheckBox>(p, "Check17")->isChecked());
    QVERIFY(!control<QCheckBox>(p, "Check10")->isChecked());
    QCOMPARE(control<QLineEdit>(p, "Text36")->text(), QStringLiteral("-"));
    QCOMPARE(control<QPushButton>(p, "Command29")->text(), QStringLiteral("&Modifica"));
    QCOMPARE(control<ListView>(p, "ListView3")->itemCount(), 0);
    QVERIFY(control<QCheckBox>(p, "Check15")->isChecked());

    // Turned into an advance of another amount.
    control<QLineEdit>(p, "Text34")->setText(QStringLiteral("Bollo rimborsato"));
    control<QLineEdit>(p, "Text35")->setText(QStringLiteral("160"));
    control<QCheckBox>(p, "Check10")->setChecked(true);
    QVERIFY(!control<QCheckBox>(p, "Check17")->isChecked());
    fx.dialogs().expectQuestion(kAskModify, true, kV).expectMessage(kModified, kV, kInfo);
    QTest::mouseClick(control<QPushButton>(p, "Command29"), Qt::LeftButton);
    VERIFY_DIALOGS(fx);
    xl::Worksheet& s = fx.sheet(kSpese);
    QCOMPARE(entryRow(fx, 3), (QStringList{"2", "5", "ROSSI MARIO", "01/03/2024", "Bollo rimborsato", "A", "160,00"}));
    QCOMPARE(entryRow(fx, 2).at(4), QStringLiteral("Acconto"));
    QCOMPARE(diskText(fx, kSpese, 3, 7), QStringLiteral("160,00"));
    // Back in the insert layout, every mode box unticked, the counter shown.
    QCOMPARE(control<QPushButton>(p, "Command29")->text(), QStringLiteral("&Inserisci"));
    QVERIFY(!control<QCheckBox>(p, "Check15")->isChecked());
    QVERIFY(!shown(control<ListView>(p, "ListView3")));
    QCOMPARE(control<QLineEdit>(p, "Text30")->text(), QStringLiteral("3"));
    QCOMPARE(cellText(s, 1, 256), QStringLiteral("3"));

    // An advance loaded from the list and made an expense gets its minus.
    control<QCheckBox>(p, "Check15")->setChecked(true);
    QVERIFY(clickRow(control<ListView>(p, "ListView3"), 0, QStringLiteral("1")));
    QCOMPARE(control<QLineEdit>(p, "Text35")->text(), QStringLiteral("900,00"));
    QCOMPARE(control<QLineEdit>(p, "Text36")->text(), QStringLiteral("+"));
    control<QCheckBox>(p, "Check17")->setChecked(true);
    fx.dialogs().expectQuestion(kAskModify, true, kV).expectMessage(kModified, kV, kInfo);
    p->Command29_Click();
    VERIFY_DIALOGS(fx);
    QCOMPARE(cellText(s, 2, 7), QStringLiteral("-900,00"));
    QCOMPARE(cellText(s, 2, 6), QStringLiteral("S"));

    // Answering No writes nothing, but the panel is reset and saved.
    control<QCheckBox>(p, "Check15")->setChecked(true);
    QVERIFY(clickRow(control<ListView>(p, "ListView3"), 0, QStringLiteral("1")));
    control<QLineEdit>(p, "Text34")->setText(QStringLiteral("Mai scritto"));
    fx.dialogs().expectQuestion(kAskModify, false, kV);
    p->Command29_Click();
    VERIFY_DIALOGS(fx);
    QCOMPARE(cellText(s, 2, 5), QStringLiteral("Acconto"));
    QCOMPARE(control<QPushButton>(p, "Command29")->text(), QStringLiteral("&Inserisci"));
    QVERIFY(control<QLineEdit>(p, "Text34")->text().isEmpty());
}

void TestLedgerEntries::modifyRefusals() {
    AppFixture fx;
    LedgerPanel* p = openLedger(fx, [](xl::Workbook& b) {
        putLedger(b, 2, 1, xl::Value(5), "ROSSI MARIO", "Acconto", "A", "900,00");
        putLedger(b, 3, 2, xl::Value(6), "BIANCHI SRL", "Ignoto", "X", "10,00");
        b.Sheets(kSpese).GetRange("IV1").SetValue(xl::Value(1)); // renumbered onto an existing ID
    });
    QVERIFY(p);
    // In the query mode a chosen practice fills the client, but no entry is
    // loaded: the counter's ID must not be taken for the entry 1.
    control<QCheckBox>(p, "Check11")->setChecked(true);
    fx.dialogs().expectMessage(kNoPracticeEntries, kV, kPlain);
    choose(control<QComboBox>(p, "Combo8"), QStringLiteral("7"));
    VERIFY_DIALOGS(fx);
    QCOMPARE(control<QLineEdit>(p, "Text32")->text(), QStringLiteral("verdi anna"));
    control<QLineEdit>(p, "Text30")->setText(QStringLiteral("1"));
    fx.dialogs().expectMessage(kNothingShown, kV, kPlain);
    p->Command29_Click();
    VERIFY_DIALOGS(fx);
    QCOMPARE(entryRow(fx, 2).at(4), QStringLiteral("Acconto"));

    // An entry of neither kind loads with no kind ticked, and cannot be
    // written back until one is chosen.
    control<QCheckBox>(p, "Check11")->setChecked(false);
    control<QCheckBox>(p, "Check17")->setChecked(true);
    control<QCheckBox>(p, "Check15")->setChecked(true);
    QVERIFY(clickRow(control<ListView>(p, "ListView3"), 0, QStringLiteral("2")));
    QVERIFY(!control<QCheckBox>(p, "Check10")->isChecked());
    QVERIFY(!control<QCheckBox>(p, "Check17")->isChecked());
    QCOMPARE(control<QLineEdit>(p, "Text35")->text(), QStringLiteral("10,00"));
    fx.dialogs().clear();
    fx.dialogs().expectMessage(
        QStringLiteral("ERRORE: Per modificare la registrazione bisogna scegliere ACCONTO o SPESA"), kV, kInfo);
    p->Command29_Click();
    VERIFY_DIALOGS(fx);
    // A date that is no date is refused before the question.
    control<QCheckBox>(p, "Check10")->setChecked(true);
    control<QLineEdit>(p, "Text33")->setText(QStringLiteral("45/45/45"));
    fx.dialogs().clear();
    fx.dialogs().expectMessage(
        QStringLiteral("ERRORE: Il campo DATA non contiene una data valida (per esempio 05/03/2024)"), kV, kInfo);
    p->Command29_Click();
    VERIFY_DIALOGS(fx);
    QCOMPARE(entryRow(fx, 3), (QStringList{"2", "6", "BIANCHI SRL", "01/03/2024", "Ignoto", "X", "10,00"}));
}

void TestLedgerEntries::modifyReachesLoadedEntryOnly() {
    AppFixture fx;
    LedgerPanel* p = openLedger(fx, [](xl::Workbook& b) {
        // Two entries with ID 4, after a renumbering.
        putLedger(b, 2, 4, xl::Value(5), "ROSSI MARIO", "Primo", "A", "10,00");
        putLedger(b, 3, 4, xl::Value(6), "BIANCHI SRL", "Secondo", "A", "20,00");
        putLedger(b, 4, 9, xl::Value(7), "verdi anna", "Terzo", "A", "30,00");
        b.Sheets(kSpese).GetRange("IV1").SetValue(xl::Value(10));
    });
    QVERIFY(p);
    xl::Worksheet& s = fx.sheet(kSpese);
    control<QCheckBox>(p, "Check15")->setChecked(true);
    QVERIFY(clickRow(control<ListView>(p, "ListView3"), 4, QStringLiteral("Secondo")));
    control<QLineEdit>(p, "Text34")->setText(QStringLiteral("Secondo bis"));
    fx.dialogs().expectQuestion(kAskModify, true, kV).expectMessage(kModified, kV, kInfo);
    p->Command29_Click();
    VERIFY_DIALOGS(fx);
    QCOMPARE(cellText(s, 2, 5), QStringLiteral("Primo"));
    QCOMPARE(cellText(s, 3, 5), QStringLiteral("Secondo bis"));

    // The entry changed on the sheet after it was loaded: nothing is
    // overwritten and the user is told.
    control<QCheckBox>(p, "Check15")->setChecked(true);
    QVERIFY(clickRow(control<ListView>(p, "ListView3"), 4, QStringLiteral("Terzo")));
    s.Cells(4, 3).SetValue(QStringLiteral("ALTRO CLIENTE"));
    control<QLineEdit>(p, "Text34")->setText(QStringLiteral("Terzo bis"));
    fx.dialogs()
        .expectQuestion(kAskModify, true, kV)
        .expectMessage(kGone + QStringLiteral("nessuna modifica eseguita"), kV, kInfo);
    p->Command29_Click();
    VERIFY_DIALOGS(fx);
    QCOMPARE(cellText(s, 4, 5), QStringLiteral("Terzo"));
}

void TestLedgerEntries::deleteLoadedEntry() {
    AppFixture fx;
    LedgerPanel* p = openAfterPrimo(fx, 4, [](xl::Workbook& b) {
        putLedger(b, 3, 2, xl::Value(5), "ROSSI MARIO", "Secondo", "S", "-20,00");
        putLedger(b, 4, 3, xl::Value(5), "ROSSI MARIO", "Terzo", "A", "30,00");
    });
    QVERIFY(p);
    xl::Worksheet& s = fx.sheet(kSpese);
    // A formula beside the last entry, as a file can bring one.
    s.cellRef(4, 8).kept = std::make_shared<xl::KeptFormula>();
    // A query fills the work area; the delete must leave it as it was.
    control<QCheckBox>(p, "Check11")->setChecked(true);
    QVERIFY(choose(control<QComboBox>(p, "Combo8"), QStringLiteral("5")));
    const QStringList area3 = rowTexts(s, 3, AA);
    const QString total = cellText(s, xl::kMaxRows, AG);
    QCOMPARE(total, QStringLiteral("20"));
    QVERIFY(clickRow(control<ListView>(p, "ListView3"), 0, QStringLiteral("2")));

    // Ticking the box deletes at once: the one box shown is the confirmation
    // that it is done, no question comes before it.
    fx.dialogs().expectMessage(kDeleted, kVb, kInfo);
    control<QCheckBox>(p, "Check13")->setChecked(true);
    VERIFY_DIALOGS(fx);
    QVERIFY(!control<QCheckBox>(p, "Check13")->isChecked());
    QCOMPARE(cellText(s, 2, 5), QStringLiteral("Primo"));
    QCOMPARE(cellText(s, 3, 5), QStringLiteral("Terzo"));
    QVERIFY(cellText(s, 4, 1).isEmpty());
    QCOMPARE(rowTexts(s, 3, AA), area3);
    QCOMPARE(cellText(s, xl::kMaxRows, AG), total);
    // The row left empty at the bottom keeps nothing, not even a formula the
    // file had given it.
    QVERIFY(s.cellAt(4, 8) == nullptr);
    QVERIFY(s.cellAt(3, 8) && s.cellAt(3, 8)->kept);
    QVERIFY(!shown(control<ListView>(p, "ListView3")));
    QCOMPARE(control<QLineEdit>(p, "Text30")->text(), QStringLiteral("4"));
    QVERIFY(control<QLineEdit>(p, "Text32")->text().isEmpty());
    // The delete is not saved: the file still holds the entry.
    QCOMPARE(diskText(fx, kSpese, 3, 5), QStringLiteral("Secondo"));
}

void TestLedgerEntries::deleteRefusals() {
    AppFixture fx;
    LedgerPanel* p = openAfterPrimo(fx, 2);
    QVERIFY(p);
    xl::Worksheet& s = fx.sheet(kSpese);
    // Nothing loaded: one message, the box unticked.
    fx.dialogs().expectMessage(kSelectFirst, kV, kInfo);
    control<QCheckBox>(p, "Check13")->setChecked(true);
    VERIFY_DIALOGS(fx);
    QVERIFY(!control<QCheckBox>(p, "Check13")->isChecked());
    // Boxes typed by hand are not a loaded entry either.
    control<QLineEdit>(p, "Text30")->setText(QStringLiteral("1"));
    control<QLineEdit>(p, "Text32")->setText(QStringLiteral("ROSSI MARIO"));
    control<QLineEdit>(p, "Text35")->setText(QStringLiteral("10,00"));
    fx.dialogs().expectMessage(kSelectFirst, kV, kInfo);
    control<QCheckBox>(p, "Check13")->setChecked(true);
    VERIFY_DIALOGS(fx);
    QCOMPARE(cellText(s, 2, 5), QStringLiteral("Primo"));

    // The loaded entry was removed meanwhile: the user is told, nothing else
    // is deleted.
    control<QCheckBox>(p, "Check15")->setChecked(true);
    QVERIFY(clickRow(control<ListView>(p, "ListView3"), 0, QStringLiteral("1")));
    s.Cells(2, 5).SetValue(QStringLiteral("Cambiato"));
    fx.dialogs().expectMessage(kGone + QStringLiteral("nessuna eliminazione eseguita"), kV, kInfo);
    control<QCheckBox>(p, "Check13")->setChecked(true);
    VERIFY_DIALOGS(fx);
    QVERIFY(!control<QCheckBox>(p, "Check13")->isChecked());
    QCOMPARE(cellText(s, 2, 5), QStringLiteral("Cambiato"));
}

void TestLedgerEntries::renumber() {
    AppFixture fx;
    LedgerPanel* p = openAfterPrimo(fx, 2);
    QVERIFY(p);
    xl::Worksheet& s = fx.sheet(kSpese);
    control<QCheckBox>(p, "Check11")->setChecked(true);
    // Cancel: nothing changes, the ID box is locked again.
    fx.dialogs().expectInput(kRenumber, QString(), kV);
    control<QCheckBox>(p, "Check14")->setChecked(true);
    VERIFY_DIALOGS(fx);
    QVERIFY(!control<QCheckBox>(p, "Check14")->isChecked());
    QVERIFY(!control<QCheckBox>(p, "Check11")->isChecked());
    QVERIFY(control<QLineEdit>(p, "Text30")->isReadOnly());
    QCOMPARE(cellText(s, 1, 256), QStringLiteral("2"));
    QCOMPARE(control<QLineEdit>(p, "Text30")->text(), QStringLiteral("2"));
    // A text that is no whole number is refused.
    fx.dialogs()
        .expectInput(kRenumber, QStringLiteral("cento"), kV)
        .expectMessage(QStringLiteral("ERRORE: Il nuovo ID deve essere un numero intero maggiore di zero"), kV, kInfo);
    control<QCheckBox>(p, "Check14")->setChecked(true);
    VERIFY_DIALOGS(fx);
    QCOMPARE(cellText(s, 1, 256), QStringLiteral("2"));
    // 100: the next entry takes it, the counter goes on from there. Not saved.
    fx.dialogs().expectInput(kRenumber, QStringLiteral("100"), kV);
    control<QCheckBox>(p, "Check14")->setChecked(true);
    VERIFY_DIALOGS(fx);
    QCOMPARE(control<QLineEdit>(p, "Text30")->text(), QStringLiteral("100"));
    QVERIFY(control<QLineEdit>(p, "Text30")->isReadOnly());
    QCOMPARE(diskText(fx, kSpese, 1, 256), QStringLiteral("2"));
    fillEntry(p, QStringLiteral("5"), QStringLiteral("Secondo"), QStringLiteral("5"), false);
    fx.dialogs().expectQuestion(kAskInsert, true, kV).expectMessage(kInserted, kVb, kInfo);
    p->Command29_Click();
    VERIFY_DIALOGS(fx);
    QCOMPARE(cellText(s, 3, 1), QStringLiteral("100"));
    QCOMPARE(cellText(s, 1, 256), QStringLiteral("101"));
    QCOMPARE(diskText(fx, kSpese, 1, 256), QStringLiteral("101"));
}

void TestLedgerEntries::insertTakesIdFromCounter() {
    AppFixture fx;
    LedgerPanel* p = openAfterPrimo(
        fx, 3, [](xl::Workbook& b) { putLedger(b, 3, 2, xl::Value(6), "BIANCHI SRL", "Secondo", "A", "20,00"); });
    QVERIFY(p);
    xl::Worksheet& s = fx.sheet(kSpese);
    // An entry loaded in the query by client, then the mode left: the ID box
    // still shows the loaded entry's ID when the next entry is booked.
    control<QCheckBox>(p, "Check12")->setChecked(true);
    QVERIFY(choose(control<QComboBox>(p, "Combo9"), QStringLiteral("ROSSI MARIO")));
    QVERIFY(clickRow(control<ListView>(p, "ListView3"), 0, QStringLiteral("1")));
    control<QCheckBox>(p, "Check12")->setChecked(false);
    QCOMPARE(control<QPushButton>(p, "Command29")->text(), QStringLiteral("&Inserisci"));
    QCOMPARE(control<QLineEdit>(p, "Text30")->text(), QStringLiteral("1"));
    for (const char* description : {"Terzo", "Quarto"}) {
        fillEntry(p, QStringLiteral("7"), QString::fromLatin1(description), QStringLiteral("30"), false);
        fx.dialogs().expectQuestion(kAskInsert, true, kV).expectMessage(kInserted, kVb, kInfo);
        QTest::mouseClick(control<QPushButton>(p, "Command29"), Qt::LeftButton);
        VERIFY_DIALOGS(fx);
    }
    QCOMPARE(entryRow(fx, 4), (QStringList{"3", "7", "verdi anna", "01/03/2024", "Terzo", "A", "30,00"}));
    QCOMPARE(column(s, 1), (QStringList{"1", "2", "3", "4"}));
    QCOMPARE(cellText(s, 1, 256), QStringLiteral("5"));
    QCOMPARE(control<QLineEdit>(p, "Text30")->text(), QStringLiteral("5"));
    // The file holds every ID once and the counter past them.
    auto book = fx.onDisk();
    QVERIFY(book);
    QCOMPARE(column(book->Sheets(kSpese), 1), (QStringList{"1", "2", "3", "4"}));
    QCOMPARE(cellText(book->Sheets(kSpese), 1, 256), QStringLiteral("5"));
}

void TestLedgerEntries::deleteReturnsToInsertLayout() {
    AppFixture fx;
    LedgerPanel* p = openAfterPrimo(
        fx, 3, [](xl::Workbook& b) { putLedger(b, 3, 2, xl::Value(5), "ROSSI MARIO", "Secondo", "S", "-20,00"); });
    QVERIFY(p);
    xl::Worksheet& s = fx.sheet(kSpese);
    control<QCheckBox>(p, "Check15")->setChecked(true);
    QVERIFY(clickRow(control<ListView>(p, "ListView3"), 0, QStringLiteral("2")));
    QCOMPARE(control<QPushButton>(p, "Command29")->text(), QStringLiteral("&Modifica"));
    fx.dialogs().expectMessage(kDeleted, kVb, kInfo);
    control<QCheckBox>(p, "Check13")->setChecked(true);
    VERIFY_DIALOGS(fx);
    QCOMPARE(cellText(s, 3, 1), QString());
    // The insert layout, empty, with the counter.
    QCOMPARE(control<QPushButton>(p, "Command29")->text(), QStringLiteral("&Inserisci"));
    QCOMPARE(control<QLineEdit>(p, "Text30")->text(), QStringLiteral("3"));
    QCOMPARE(control<QComboBox>(p, "Combo8")->currentText(), QStringLiteral("Seleziona"));
    for (QLineEdit* box :
         {control<QLineEdit>(p, "Text32"), control<QLineEdit>(p, "Text33"), control<QLineEdit>(p, "Text34"),
          control<QLineEdit>(p, "Text35"), control<QLineEdit>(p, "Text36")}) {
        QVERIFY2(box->text().isEmpty(), qPrintable(box->objectName()));
        QVERIFY2(shown(box), qPrintable(box->objectName()));
    }
    for (QCheckBox* box :
         {control<QCheckBox>(p, "Check10"), control<QCheckBox>(p, "Check11"), control<QCheckBox>(p, "Check12"),
          control<QCheckBox>(p, "Check13"), control<QCheckBox>(p, "Check15"), control<QCheckBox>(p, "Check17")})
        QVERIFY2(!box->isChecked(), qPrintable(box->objectName()));
    QVERIFY(!shown(control<ListView>(p, "ListView3")));

    // The next booking is an insert, and its save takes the delete along.
    fillEntry(p, QStringLiteral("6"), QStringLiteral("Nuova"), QStringLiteral("5"), false);
    fx.dialogs().expectQuestion(kAskInsert, true, kV).expectMessage(kInserted, kVb, kInfo);
    QTest::mouseClick(control<QPushButton>(p, "Command29"), Qt::LeftButton);
    VERIFY_DIALOGS(fx);
    QCOMPARE(entryRow(fx, 3), (QStringList{"3", "6", "BIANCHI SRL", "01/03/2024", "Nuova", "A", "5,00"}));
    QCOMPARE(diskText(fx, kSpese, 2, 5), QStringLiteral("Primo"));
    QCOMPARE(diskText(fx, kSpese, 3, 5), QStringLiteral("Nuova"));
    QCOMPARE(diskText(fx, kSpese, 1, 256), QStringLiteral("4"));
}

void TestLedgerEntries::amountsTypedPastedAndTooLong() {
    AppFixture fx;
    LedgerPanel* p = openLedger(fx);
    QVERIFY(p);
    xl::Worksheet& s = fx.sheet(kSpese);
    const QString badAmount = QStringLiteral("ERRORE: Il campo IMPORTO deve contenere un importo senza segno "
                                             "(per esempio 1500,50): il segno lo danno ACCONTO e SPESA");
    const QString tooLong = QStringLiteral("ERRORE: Il campo IMPORTO ha troppe cifre: un foglio di calcolo conserva "
                                           "esattamente al massimo 15 cifre (per esempio 9999999999999,99)");
    fillEntry(p, QStringLiteral("5"), QStringLiteral("Fondo"), QString(), false);
    auto typed = [p](const QString& keys) {
        control<QLineEdit>(p, "Text35")->clear();
        control<QLineEdit>(p, "Text35")->setFocus();
        QTest::keyClicks(control<QLineEdit>(p, "Text35"), keys);
        const QString before = control<QLineEdit>(p, "Text35")->text();
        leave(control<QLineEdit>(p, "Text35"));
        return before;
    };
    // The example the refusal offers can be typed as it reads: the keypad
    // point gives its comma, leaving the box groups the thousands.
    QCOMPARE(typed(QStringLiteral("1500.50")), QStringLiteral("1500,50"));
    QCOMPARE(control<QLineEdit>(p, "Text35")->text(), QStringLiteral("1.500,50"));
    QCOMPARE(typed(QStringLiteral("1500,50")), QStringLiteral("1500,50"));
    QCOMPARE(control<QLineEdit>(p, "Text35")->text(), QStringLiteral("1.500,50"));
    // A pasted amount keeps its thousands points.
    control<QLineEdit>(p, "Text35")->clear();
    QGuiApplication::clipboard()->setText(QStringLiteral("1.234,56"));
    control<QLineEdit>(p, "Text35")->paste();
    QCOMPARE(control<QLineEdit>(p, "Text35")->text(), QStringLiteral("1.234,56"));
    leave(control<QLineEdit>(p, "Text35"));
    QCOMPARE(control<QLineEdit>(p, "Text35")->text(), QStringLiteral("1.234,56"));

    struct Refused {
        const char* typed;
        QString message;
    };
    for (const Refused& r :
         {Refused{"99999999999999999", tooLong}, Refused{"99999999999999,99", tooLong}, Refused{"dieci", badAmount}}) {
        // Left as typed, never rounded into another amount.
        typed(QString::fromLatin1(r.typed));
        QCOMPARE(control<QLineEdit>(p, "Text35")->text(), QString::fromLatin1(r.typed));
        fx.dialogs().clear();
        fx.dialogs().expectMessage(r.message, kV, kInfo);
        p->Command29_Click();
        QVERIFY2(fx.dialogs().verify().isEmpty(), r.typed);
        QVERIFY2(cellText(s, 2, 1).isEmpty(), r.typed);
        QCOMPARE(cellText(s, 1, 256), QStringLiteral("1"));
        QCOMPARE(control<QLineEdit>(p, "Text35")->text(), QString::fromLatin1(r.typed));
    }
    QCOMPARE(diskText(fx, kSpese, 2, 7), QString());

    // The longest amount a cell keeps is booked, reads back the same from
    // the file and gives its balance to the cent.
    typed(QStringLiteral("9999999999999,99"));
    QCOMPARE(control<QLineEdit>(p, "Text35")->text(), QStringLiteral("9.999.999.999.999,99"));
    fx.dialogs().clear();
    fx.dialogs().expectQuestion(kAskInsert, true, kV).expectMessage(kInserted, kVb, kInfo);
    p->Command29_Click();
    VERIFY_DIALOGS(fx);
    QCOMPARE(cellText(s, 2, 7), QStringLiteral("9.999.999.999.999,99"));
    QCOMPARE(diskText(fx, kSpese, 2, 7), QStringLiteral("9.999.999.999.999,99"));
    control<QCheckBox>(p, "Check11")->setChecked(true);
    QVERIFY(choose(control<QComboBox>(p, "Combo8"), QStringLiteral("5")));
    VERIFY_DIALOGS(fx);
    QCOMPARE(control<QLineEdit>(p, "Text39")->text(), QStringLiteral("9999999999999,99"));
    QCOMPARE(cellText(s, xl::kMaxRows, AG), QStringLiteral("9999999999999,99"));
}

QTEST_MAIN(TestLedgerEntries)
#include "tst_ledgerentries.moc"
