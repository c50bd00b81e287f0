// The ledger panel's modes and small boxes: entering and leaving the query
// and list modes (with the unticks they cascade into), the kind and sign
// boxes, the date and amount boxes, clearing and printing.

#include "ledgertest.h"

#include "platform/desktop/calendario.h"
#include "printing/stampap.h"

#include <QCalendarWidget>

using namespace lt;
using testsupport::AppFixture;

namespace {

void twoEntries(xl::Workbook& b) {
    putLedger(b, 2, 1, xl::Value(5), "ROSSI MARIO", "Fondo", "A", "900,00");
    putLedger(b, 3, 2, xl::Value(6), "BIANCHI SRL", "Bollo", "S", "-16,00");
    b.Sheets(kSpese).GetRange("IV1").SetValue(xl::Value(3));
}

bool entryBoxesShown(LedgerPanel* p) {
    for (QWidget* w : std::initializer_list<QWidget*>{
             control<QLineEdit>(p, "Text30"), control<QLineEdit>(p, "Text33"), control<QLineEdit>(p, "Text34"),
             control<QLineEdit>(p, "Text35"), control<QLineEdit>(p, "Text36"), control<QCheckBox>(p, "Check10"),
             control<QCheckBox>(p, "Check17"), control<QRadioButton>(p, "Option1")})
        if (!shown(w)) return false;
    return true;
}

bool entryBoxesHidden(LedgerPanel* p) {
    for (QWidget* w : std::initializer_list<QWidget*>{
             control<QLineEdit>(p, "Text30"), control<QLineEdit>(p, "Text33"), control<QLineEdit>(p, "Text34"),
             control<QLineEdit>(p, "Text35"), control<QLineEdit>(p, "Text36"), control<QCheckBox>(p, "Check10"),
             control<QCheckBox>(p, "Check17"), control<QRadioButton>(p, "Option1")})
        if (shown(w)) return false;
    return true;
}

QString printCode(Form1& f) {
    return f.stampaPLoaded() ? testsupport::control<QLineEdit>(f.stampaP(), "Text1")->text() : QString();
}

} // namespace

class TestLedgerModes : public QObject {
    Q_OBJECT
private slots:
    void queryByPracticeMode();
    void queryByClientMode();
    void listAllMode();
    void listAllWithoutIds();
    void switchingBetweenModes();
    void kindAndSignBoxes();
    void dateAndAmountBoxes();
    void clearAndLeave();
    void printCodes();
};

void TestLedgerModes::queryByPracticeMode() {
    AppFixture fx;
    LedgerPanel* p = openLedger(fx, twoEntries);
    QVERIFY(p);
    control<QLineEdit>(p, "Text34")->setText(QStringLiteral("bozza"));
    control<QCheckBox>(p, "Check11")->setChecked(true);
    QVERIFY(entryBoxesHidden(p));
    QVERIFY(shown(control<QComboBox>(p, "Combo8")));
    QVERIFY(shown(control<QLineEdit>(p, "Text32")));
    QVERIFY(!shown(control<ListView>(p, "ListView3")));
    QVERIFY(shown(control<QLabel>(p, "Label42")));
    QCOMPARE(control<QLabel>(p, "Label42")->text(), QStringLiteral("Seleziona N. di Pratica"));
    QCOMPARE(control<QPushButton>(p, "Command29")->text(), QStringLiteral("&Modifica"));
    QCOMPARE(control<QComboBox>(p, "Combo8")->currentText(), QStringLiteral("Seleziona"));
    // Balances stay in view in every mode.
    QVERIFY(shown(control<QLineEdit>(p, "Text38")) && shown(control<QLineEdit>(p, "Text39")) &&
            shown(control<QLineEdit>(p, "Text40")));

    QVERIFY(choose(control<QComboBox>(p, "Combo8"), QStringLiteral("5")));
    QVERIFY(shown(control<ListView>(p, "ListView3")));
    // Leaving the mode empties every text of the window and shows the
    // counter again.
    control<QCheckBox>(p, "Check11")->setChecked(false);
    QVERIFY(entryBoxesShown(p));
    QVERIFY(!shown(control<QLabel>(p, "Label42")));
    QVERIFY(!shown(control<ListView>(p, "ListView3")));
    QCOMPARE(control<ListView>(p, "ListView3")->itemCount(), 0);
    QCOMPARE(control<QPushButton>(p, "Command29")->text(), QStringLiteral("&Inserisci"));
    QVERIFY(control<QLineEdit>(p, "Text34")->text().isEmpty());
    QVERIFY(control<QLineEdit>(p, "Text39")->text().isEmpty());
    QVERIFY(control<QComboBox>(p, "Combo8")->currentText().isEmpty());
    QCOMPARE(control<QLineEdit>(p, "Text30")->text(), QStringLiteral("3"));
}

void TestLedgerModes::queryByClientMode() {
    AppFixture fx;
    LedgerPanel* p = openLedger(fx, twoEntries);
    QVERIFY(p);
    control<QLineEdit>(p, "Text34")->setText(QStringLiteral("bozza"));
    control<QCheckBox>(p, "Check12")->setChecked(true);
    QVERIFY(entryBoxesHidden(p));
    QVERIFY(!shown(control<QComboBox>(p, "Combo8")));
    QVERIFY(!shown(control<QLineEdit>(p, "Text32")));
    QVERIFY(shown(control<QComboBox>(p, "Combo9")));
    QCOMPARE(control<QPushButton>(p, "Command29")->text(), QStringLiteral("&Modifica"));
    QCOMPARE(comboItems(control<QComboBox>(p, "Combo9")), (QStringList{"", "BIANCHI SRL", "ROSSI MARIO"}));
    QVERIFY(choose(control<QComboBox>(p, "Combo9"), QStringLiteral("BIANCHI SRL")));
    QCOMPARE(control<ListView>(p, "ListView3")->itemCount(), 1);
    // Leaving this mode keeps the texts.
    control<QCheckBox>(p, "Check12")->setChecked(false);
    QVERIFY(entryBoxesShown(p));
    QVERIFY(shown(control<QComboBox>(p, "Combo8")) && shown(control<QLineEdit>(p, "Text32")));
    QVERIFY(!shown(control<QComboBox>(p, "Combo9")));
    QVERIFY(!shown(control<ListView>(p, "ListView3")));
    QCOMPARE(control<ListView>(p, "ListView3")->itemCount(), 0);
    QCOMPARE(control<QLineEdit>(p, "Text34")->text(), QStringLiteral("bozza"));
    QCOMPARE(control<QComboBox>(p, "Combo8")->currentText(), QStringLiteral("Seleziona"));
    QCOMPARE(control<QPushButton>(p, "Command29")->text(), QStringLiteral("&Inserisci"));
}

void TestLedgerModes::listAllMode() {
    AppFixture fx;
    LedgerPanel* p = openLedger(fx, [](xl::Workbook& b) {
        twoEntries(b);
        // A row whose ID was emptied by hand does not end the list.
        putLedger(b, 5, 9, xl::Value(7), "verdi anna", "Oltre", "A", "1,00");
        b.Sheets(kSpese).Cells(4, 5).SetValue(QStringLiteral("orfana"));
    });
    QVERIFY(p);
    control<QCheckBox>(p, "Check10")->setChecked(true);
    control<QCheckBox>(p, "Check15")->setChecked(true);
    ListView* list = control<ListView>(p, "ListView3");
    QVERIFY(shown(list));
    QVERIFY(entryBoxesShown(p));
    QCOMPARE(control<QPushButton>(p, "Command29")->text(), QStringLiteral("&Inserisci"));
    QStringList headers;
    for (int i = 0; i < list->columnCount(); ++i) headers << list->columnCaption(i);
    QCOMPARE(headers, store::ledgerAreaHeaders());
    QCOMPARE(list->naturalColumnWidth(6), twipsToPixels(1500));
    QCOMPARE(listColumn(list, 0), (QStringList{"1", "2", "9"}));
    QCOMPARE(listRow(list, 1), (QStringList{"2", "6", "BIANCHI SRL", "01/03/2024", "Bollo", "S", "-16,00"}));
    // Leaving it unticks the kind box and empties the list.
    control<QCheckBox>(p, "Check15")->setChecked(false);
    QVERIFY(!control<QCheckBox>(p, "Check10")->isChecked());
    QVERIFY(!shown(list));
    QCOMPARE(list->itemCount(), 0);
}

void TestLedgerModes::listAllWithoutIds() {
    // Rows whose ID was emptied by hand are no entries: the ledger counts as
    // empty, with its message, and the box ends unticked.
    AppFixture fx;
    LedgerPanel* p = openLedger(fx, [](xl::Workbook& b) {
        b.Sheets(kSpese).Cells(2, 5).SetValue(QStringLiteral("orfana"));
        b.Sheets(kSpese).Cells(3, 7).SetValue(QStringLiteral("5,00"));
    });
    QVERIFY(p);
    fx.dialogs().expectMessage(kNoEntries, kV, kPlain);
    control<QCheckBox>(p, "Check15")->setChecked(true);
    VERIFY_DIALOGS(fx);
    QVERIFY(!control<QCheckBox>(p, "Check15")->isChecked());
    QVERIFY(!shown(control<ListView>(p, "ListView3")));
    QCOMPARE(control<ListView>(p, "ListView3")->itemCount(), 0);
}

void TestLedgerModes::switchingBetweenModes() {
    AppFixture fx;
    LedgerPanel* p = openLedger(fx, twoEntries);
    QVERIFY(p);
    // Query by practice, then query by client: the first one's unticked
    // steps run before the second's.
    control<QCheckBox>(p, "Check11")->setChecked(true);
    control<QCheckBox>(p, "Check12")->setChecked(true);
    QVERIFY(!control<QCheckBox>(p, "Check11")->isChecked());
    QVERIFY(shown(control<QComboBox>(p, "Combo9")));
    QVERIFY(!shown(control<QComboBox>(p, "Combo8")));
    QCOMPARE(control<QLabel>(p, "Label42")->text(), QStringLiteral("Seleziona il Cliente"));
    // Back to the practice query from the client query.
    control<QCheckBox>(p, "Check11")->setChecked(true);
    QVERIFY(!control<QCheckBox>(p, "Check12")->isChecked());
    QVERIFY(!shown(control<QComboBox>(p, "Combo9")));
    QVERIFY(shown(control<QComboBox>(p, "Combo8")));
    QVERIFY(entryBoxesHidden(p));
    // List-all from a query mode: the list ends shown and filled.
    control<QCheckBox>(p, "Check15")->setChecked(true);
    QVERIFY(!control<QCheckBox>(p, "Check11")->isChecked());
    QVERIFY(shown(control<ListView>(p, "ListView3")));
    QCOMPARE(control<ListView>(p, "ListView3")->itemCount(), 2);
    QVERIFY(entryBoxesShown(p));
    // A query mode from list-all is entered at once.
    control<QCheckBox>(p, "Check11")->setChecked(true);
    QVERIFY(control<QCheckBox>(p, "Check11")->isChecked());
    QVERIFY(!control<QCheckBox>(p, "Check15")->isChecked());
    QVERIFY(entryBoxesHidden(p));
    QCOMPARE(control<QPushButton>(p, "Command29")->text(), QStringLiteral("&Modifica"));
    control<QCheckBox>(p, "Check15")->setChecked(true);
    control<QCheckBox>(p, "Check12")->setChecked(true);
    QVERIFY(control<QCheckBox>(p, "Check12")->isChecked());
    QVERIFY(!control<QCheckBox>(p, "Check15")->isChecked());
    QVERIFY(shown(control<QComboBox>(p, "Combo9")));
    QVERIFY(!shown(control<ListView>(p, "ListView3")));
    VERIFY_DIALOGS(fx);
}

void TestLedgerModes::kindAndSignBoxes() {
    AppFixture fx;
    LedgerPanel* p = openLedger(fx);
    QVERIFY(p);
    QVERIFY(control<QLineEdit>(p, "Text36")->isReadOnly());
    control<QCheckBox>(p, "Check17")->setChecked(true);
    QCOMPARE(control<QLineEdit>(p, "Text36")->text(), QStringLiteral("-"));
    control<QCheckBox>(p, "Check10")->setChecked(true);
    QVERIFY(!control<QCheckBox>(p, "Check17")->isChecked());
    QCOMPARE(control<QLineEdit>(p, "Text36")->text(), QStringLiteral("+"));
    control<QCheckBox>(p, "Check17")->setChecked(true);
    QVERIFY(!control<QCheckBox>(p, "Check10")->isChecked());
    QCOMPARE(control<QLineEdit>(p, "Text36")->text(), QStringLiteral("-"));
    control<QCheckBox>(p, "Check17")->setChecked(false);
    QVERIFY(control<QLineEdit>(p, "Text36")->text().isEmpty());
}

void TestLedgerModes::dateAndAmountBoxes() {
    AppFixture fx;
    LedgerPanel* p = openLedger(fx);
    QVERIFY(p);
    QCOMPARE(control<QLineEdit>(p, "Text33")->maxLength(), 10);
    const std::pair<QString, QString> dates[] = {
        {"010520", "01/05/20"}, {"01052020", "01/05/2020"}, {"01-05-2020", "01/05/2020"}, {"1052020", "1052020"}};
    for (const auto& [typed, shownText] : dates) {
        control<QLineEdit>(p, "Text33")->setText(typed);
        QCOMPARE(control<QLineEdit>(p, "Text33")->text(), shownText);
    }
    // Typed digit by digit the slashes come at the sixth digit and the year
    // goes on after them.
    control<QLineEdit>(p, "Text33")->clear();
    control<QLineEdit>(p, "Text33")->setFocus();
    QTest::keyClicks(control<QLineEdit>(p, "Text33"), QStringLiteral("01052020"));
    QCOMPARE(control<QLineEdit>(p, "Text33")->text(), QStringLiteral("01/05/2020"));

    control<QLineEdit>(p, "Text35")->setFocus();
    QTest::keyClicks(control<QLineEdit>(p, "Text35"), QStringLiteral("1234.5"));
    leave(control<QLineEdit>(p, "Text35"));
    QCOMPARE(control<QLineEdit>(p, "Text35")->text(), QStringLiteral("1.234,50"));
    control<QLineEdit>(p, "Text35")->setText(QStringLiteral("tanto"));
    leave(control<QLineEdit>(p, "Text35"));
    QCOMPARE(control<QLineEdit>(p, "Text35")->text(), QStringLiteral("tanto"));
    control<QLineEdit>(p, "Text35")->clear();
    leave(control<QLineEdit>(p, "Text35"));
    QVERIFY(control<QLineEdit>(p, "Text35")->text().isEmpty());

    // The calendar writes into the date box and clears the option button.
    control<QRadioButton>(p, "Option1")->setChecked(true);
    Calendario* cal = fx.form().calendario();
    QVERIFY(cal && cal->isVisible());
    cal->findChild<QCalendarWidget*>()->setSelectedDate(QDate(2024, 7, 9));
    cal->Calendario_DateClick();
    QCOMPARE(control<QLineEdit>(p, "Text33")->text(), QStringLiteral("09/07/2024"));
    QVERIFY(!control<QRadioButton>(p, "Option1")->isChecked());
}

void TestLedgerModes::clearAndLeave() {
    AppFixture fx;
    LedgerPanel* p = openLedger(fx, twoEntries);
    QVERIFY(p);
    control<QCheckBox>(p, "Check12")->setChecked(true);
    QVERIFY(choose(control<QComboBox>(p, "Combo9"), QStringLiteral("ROSSI MARIO")));
    QVERIFY(clickRow(control<ListView>(p, "ListView3"), 0, QStringLiteral("1")));
    QCOMPARE(control<QPushButton>(p, "Command29")->text(), QStringLiteral("&Modifica"));
    QTest::mouseClick(control<QPushButton>(p, "Command30"), Qt::LeftButton);
    QVERIFY(!control<QCheckBox>(p, "Check12")->isChecked());
    QVERIFY(!control<QCheckBox>(p, "Check10")->isChecked());
    QVERIFY(!shown(control<QComboBox>(p, "Combo9")));
    QVERIFY(entryBoxesShown(p));
    QCOMPARE(control<QPushButton>(p, "Command29")->text(), QStringLiteral("&Inserisci"));
    QCOMPARE(control<QComboBox>(p, "Combo8")->currentText(), QStringLiteral("Seleziona"));
    QCOMPARE(control<QLineEdit>(p, "Text30")->text(), QStringLiteral("3"));
    QVERIFY(control<QLineEdit>(p, "Text32")->text().isEmpty());
    QVERIFY(control<QLineEdit>(p, "Text35")->text().isEmpty());

    // Leaving keeps the list-all box ticked; the next opening has the list
    // hidden. Nothing is saved.
    control<QCheckBox>(p, "Check15")->setChecked(true);
    control<QLineEdit>(p, "Text34")->setText(QStringLiteral("bozza"));
    QTest::mouseClick(control<QPushButton>(p, "Command27"), Qt::LeftButton);
    QVERIFY(!shown(p));
    QVERIFY(shown(control<QWidget>(&fx.form(), "Frame1")));
    QVERIFY(control<QCheckBox>(p, "Check15")->isChecked());
    QVERIFY(control<QLineEdit>(p, "Text34")->text().isEmpty());
    QVERIFY(diskText(fx, kSpese, 1, AA).isEmpty());
    QTest::mouseClick(control<QPushButton>(&fx.form(), "Command28"), Qt::LeftButton);
    QVERIFY(control<QCheckBox>(p, "Check15")->isChecked());
    QVERIFY(!shown(control<ListView>(p, "ListView3")));
}

void TestLedgerModes::printCodes() {
    AppFixture fx;
    LedgerPanel* p = openLedger(fx, twoEntries);
    QVERIFY(p);
    Form1& f = fx.form();
    QTest::mouseClick(control<QPushButton>(p, "Command31"), Qt::LeftButton);
    QVERIFY(!f.stampaPLoaded() || !f.stampaP()->isVisible());
    control<QCheckBox>(p, "Check11")->setChecked(true);
    p->Command31_Click();
    QCOMPARE(printCode(f), QStringLiteral("14"));
    f.stampaP()->hide();
    control<QCheckBox>(p, "Check12")->setChecked(true);
    control<QLineEdit>(f.stampaP(), "Text1")->clear();
    p->Command31_Click();
    QCOMPARE(printCode(f), QStringLiteral("14"));
    f.stampaP()->hide();
    control<QCheckBox>(p, "Check15")->setChecked(true);
    p->Command31_Click();
    QCOMPARE(printCode(f), QStringLiteral("15"));
    QVERIFY(f.stampaP()->isVisible());
    QVERIFY(control<QCheckBox>(p, "Check15")->isChecked());
}

QTEST_MAIN(TestLedgerModes)
#include "tst_ledgermodes.moc"
