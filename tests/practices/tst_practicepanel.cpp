// The practice panel: toolbar dispatch, the small field handlers, and the
// insert, modify, delete and load of practices, with what reaches the file.

#include "practicetest.h"
#include "store/practicesheet.h"

#include "platform/desktop/calendario.h"
#include "printing/stampap.h"
#include <QPushButton>

#include <QCalendarWidget>
#include <QCheckBox>
#include <QLineEdit>
#include <QToolBar>

using namespace pt;
using testsupport::AppFixture;

namespace {

const QString kMissing = QStringLiteral(" I campi : NUMERO PRATICA-DATA- CLIENTE , devono essere compilati");
const QString kAskInsert = QStringLiteral(" Vuoi Inserire questa Pratica ?");
const QString kInserted = QStringLiteral("Pratica Aggiunta con successo !");
const QString kAskModify = QStringLiteral("Vuoi Modificare la Pratica selezionata  ?");
const QString kModified = QStringLiteral("Pratica  Modificata");
const QString kAskDelete = QStringLiteral("Si vuole Eliminare la Pratica Selezionata ?");
const QString kDeleted = QStringLiteral("La Pratica è stata Eliminata");
const QString kAskLedger = QStringLiteral("Si vuole  Eliminare anche le REGISTRAZIONI  associate a questa Pratica ?");
const QString kLedgerDeleted = QStringLiteral("REGISTRAZIONI  Eliminate");
const QString kV = QStringLiteral("Velmora");
const QString kVb = QStringLiteral(" Velmora");
constexpr auto kInfo = ui::MsgIcon::Information;

// Fills the fields of a new practice as the user would (the number as the
// chooser hands it over, the date as the calendar writes it).
void fillNew(const pt::PracticeControls& p, const QString& number, const QString& client) {
    p->Text1->setText(number);
    p->Text2->setText(QStringLiteral("15/03/2024"));
    p->Combo1->setEditText(client);
    p->Text3->setText(QStringLiteral("Ricorso"));
    p->Combo2->setEditText(QStringLiteral("CIVILE"));
    p->Combo3->setEditText(QStringLiteral("3"));
}

// Starts on practice 5 of ROSSI MARIO and clicks it in the list: loaded for a
// modify, the insert buttons gone.
void openOnRossiLoaded(AppFixture& fx) {
    open(fx, {{5, QStringLiteral("ROSSI MARIO")}});
    QVERIFY(clickPractice(pt::practice(&fx.form())->ListView1, QStringLiteral("5")));
    QVERIFY(!insertButtonsVisible(fx.form()));
}

} // namespace

class TestPracticePanel : public QObject {
    Q_OBJECT
private slots:
    void toolbarServesOnlyTheOpenPanel();
    void chooserButtonProposesNextNumber_data();
    void chooserButtonProposesNextNumber();
    void statusBoxesAndCalendar();
    void clientBoxUpperCasesKeepingCaret();
    void estimateBoxTypesCommaAndFormats();
    void insertRefusesMissingFieldsAndBadEstimate();
    void insertIntoGapWritesEveryCell();
    void insertIntoFullSheetIsRefused();
    void insertRefusesANumberAlreadyUsed();
    void modifyRewritesRecord();
    void modifyAnsweredNoStillEmptiesPanel();
    void modifyKeepsTheLoadedTextsWhole();
    void modifyReportsMissingPractice();
    void unstorableFieldsAreRefusedWhole();
    void deleteTakesOnlyTheWholeNumber();
    void deleteOfMissingPracticeStillOffersLedgerCleanup();
    void loadFromList();
    void listShowsTheSheetAsFilled();
    void insertButtonsReturnAfterAnyReset();
    void mainRoad();
};

void TestPracticePanel::toolbarServesOnlyTheOpenPanel() {
    AppFixture fx;
    open(fx, {{5, QStringLiteral("ROSSI MARIO")}});
    Form1& f = fx.form();

    // "Stampa" saves before the printer form shows up with job 7.
    fx.sheet(kPratica).Cells(2, 4).SetValue(QStringLiteral("cambiato"));
    press(f, 4);
    QCOMPARE(diskText(fx, kPratica, 2, 4), QStringLiteral("cambiato"));
    QVERIFY(f.stampaPLoaded());
    QCOMPARE(testsupport::control<QLineEdit>(f.stampaP(), "Text1")->text(), QStringLiteral("7"));
    QVERIFY(f.stampaP()->isVisible());
    f.stampaP()->hide();
    testsupport::control<QLineEdit>(f.stampaP(), "Text1")->clear();

    // "&Esci" closes the practice panels and the toolbar and saves; the
    // insert buttons stay available for the next opening.
    control<PracticePanel>(&f, "Frame1")->showInsertButtons(false);
    fx.sheet(kPratica).Cells(2, 4).SetValue(QStringLiteral("di nuovo"));
    press(f, 7);
    QVERIFY(!shown(control<PracticePanel>(&f, "Frame1")));
    QVERIFY(!shown(control<NumberChooserPanel>(&f, "Frame2")));
    QVERIFY(!shown(control<QToolBar>(&f, "Toolbar1")));
    QVERIFY(insertButtonsVisible(f));
    QCOMPARE(diskText(fx, kPratica, 2, 4), QStringLiteral("di nuovo"));

    // With the panel closed the other buttons do nothing at all.
    fx.sheet(kPratica).Cells(2, 4).SetValue(QStringLiteral("non salvato"));
    for (int b : {1, 2, 3, 4, 5, 6}) press(f, b);
    QVERIFY(!shown(control<NumberChooserPanel>(&f, "Frame2")));
    QVERIFY(testsupport::control<QLineEdit>(f.stampaP(), "Text1")->text().isEmpty());
    QCOMPARE(diskText(fx, kPratica, 2, 4), QStringLiteral("di nuovo"));
    VERIFY_DIALOGS(fx);
}

void TestPracticePanel::chooserButtonProposesNextNumber_data() {
    QTest::addColumn<xl::Value>("counter");
    QTest::addColumn<QString>("proposed");
    QTest::newRow("empty") << xl::Value() << QStringLiteral("1");
    QTest::newRow("41") << xl::Value(41) << QStringLiteral("42");
    QTest::newRow("number as text") << xl::Value(QStringLiteral("41")) << QStringLiteral("42");
    // An old insert could store any text as the counter: it counts as 0.
    QTest::newRow("stray text") << xl::Value(QStringLiteral("7bis")) << QStringLiteral("1");
}

void TestPracticePanel::chooserButtonProposesNextNumber() {
    QFETCH(xl::Value, counter);
    QFETCH(QString, proposed);
    AppFixture fx;
    open(fx, {}, [&](xl::Workbook& b) {
        if (!counter.isEmpty()) b.Sheets(kPratica).GetRange(QStringLiteral("IV1")).SetValue(counter);
    });
    Form1& f = fx.form();
    fx.sheet(kPratica).Cells(2, 1).SetValue(xl::Value(99)); // in memory only, until the button saves
    press(f, 2);
    QVERIFY(shown(control<NumberChooserPanel>(&f, "Frame2")));
    QVERIFY(!shown(control<PracticePanel>(&f, "Frame1")));
    QVERIFY(!shown(control<QToolBar>(&f, "Toolbar1")));
    QCOMPARE(pt::chooser(&f).Text9->text(), proposed);
    QCOMPARE(diskText(fx, kPratica, 2, 1), QStringLiteral("99"));
    VERIFY_DIALOGS(fx);
}

void TestPracticePanel::statusBoxesAndCalendar() {
    AppFixture fx;
    open(fx, {});
    const pt::PracticeControls p = pt::practice(&fx.form());

    p->Check2->setChecked(true);
    p->Check3->setChecked(true);
    QVERIFY(!p->Check2->isChecked());
    p->Check2->setChecked(true);
    QVERIFY(!p->Check3->isChecked());
    p->Check2->setChecked(false); // unticking leaves the other alone
    QVERIFY(!p->Check3->isChecked());
    p->Check3->setChecked(true);
    p->Check3->setChecked(false);
    QVERIFY(!p->Check2->isChecked());

    QTest::mouseClick(p->Check1, Qt::LeftButton);
    Calendario* cal = fx.form().calendario();
    QVERIFY(cal->isVisible());
    cal->findChild<QCalendarWidget*>()->setSelectedDate(QDate(2024, 3, 5));
    cal->Calendario_DateClick();
    QCOMPARE(p->Text2->text(), QStringLiteral("05/03/2024"));
    QVERIFY(!p->Check1->isChecked());
    VERIFY_DIALOGS(fx);
}

void TestPracticePanel::clientBoxUpperCasesKeepingCaret() {
    AppFixture fx;
    open(fx, {});
    QComboBox* c = pt::practice(&fx.form()).Combo1;
    c->setFocus();
    QTest::keyClicks(c, QStringLiteral("abc"));
    QCOMPARE(c->currentText(), QStringLiteral("ABC"));
    QCOMPARE(c->lineEdit()->cursorPosition(), 3);
    c->lineEdit()->setCursorPosition(1);
    QTest::keyClicks(c, QStringLiteral("x"));
    QCOMPARE(c->currentText(), QStringLiteral("AXBC"));
    QCOMPARE(c->lineEdit()->cursorPosition(), 2);

    // Typing the start of a listed name completes it, and typing on still
    // follows the name rather than doubling letters.
    c->setEditText(QString());
    QTest::keyClicks(c, QStringLiteral("ro"));
    QVERIFY2(c->currentText().startsWith(QStringLiteral("RO")), qPrintable(c->currentText()));
    QTest::keyClicks(c, QStringLiteral("ssi mario"));
    QCOMPARE(c->currentText(), QStringLiteral("ROSSI MARIO"));
    VERIFY_DIALOGS(fx);
}

void TestPracticePanel::estimateBoxTypesCommaAndFormats() {
    AppFixture fx;
    open(fx, {});
    QLineEdit* e = pt::practice(&fx.form()).Text37;
    QTest::keyClicks(e, QStringLiteral("1.5"));
    QCOMPARE(e->text(), QStringLiteral("1,5"));
    QTest::keyClick(e, Qt::Key_Period, Qt::KeypadModifier);
    QCOMPARE(e->text(), QStringLiteral("1,5,"));
    e->setText(QStringLiteral("1,5"));
    leave(e);
    QCOMPARE(e->text(), QStringLiteral("1,50"));

    e->clear();
    QTest::keyClicks(e, QStringLiteral("1500.5"));
    leave(e);
    QCOMPARE(e->text(), QStringLiteral("1.500,50"));

    e->clear();
    leave(e);
    QCOMPARE(e->text(), QString());
    // A text that is no amount stays as typed; the insert refuses it.
    e->setText(QStringLiteral("mille"));
    leave(e);
    QCOMPARE(e->text(), QStringLiteral("mille"));
    VERIFY_DIALOGS(fx);
}

void TestPracticePanel::insertRefusesMissingFieldsAndBadEstimate() {
    AppFixture fx;
    open(fx, {});
    Form1& f = fx.form();
    const pt::PracticeControls p = pt::practice(&f);

    QVERIFY(QTest::qWaitForWindowActive(&f));
    fillNew(p, QStringLiteral("8"), QString());
    p->Text3->setFocus();
    fx.dialogs().expectMessage(kMissing, kV, kInfo);
    p.panel->InsertPractice();
    VERIFY_DIALOGS(fx);
    QVERIFY(p->Text1->hasFocus());
    QVERIFY(cellText(fx.sheet(kPratica), 2, 1).isEmpty());

    fillNew(p, QStringLiteral("8"), QStringLiteral("ROSSI MARIO"));
    p->Text37->setText(QStringLiteral("mille euro"));
    fx.dialogs().clear();
    fx.dialogs().expectMessage(QString(), kV, kInfo);
    p.panel->InsertPractice();
    VERIFY_DIALOGS(fx);
    QVERIFY(fx.dialogs().shown.at(0).text.contains(QStringLiteral("PREVENTIVO")));
    QVERIFY(cellText(fx.sheet(kPratica), 2, 1).isEmpty());
    QCOMPARE(p->Text37->text(), QStringLiteral("mille euro"));

    // No to the question: nothing written.
    p->Text37->clear();
    fx.dialogs().clear();
    fx.dialogs().expectQuestion(kAskInsert, false, kV);
    p.panel->InsertPractice();
    VERIFY_DIALOGS(fx);
    QVERIFY(cellText(fx.sheet(kPratica), 2, 1).isEmpty());
    QVERIFY(fx.form().book().application().ScreenUpdating);
}

void TestPracticePanel::insertIntoGapWritesEveryCell() {
    AppFixture fx;
    // Row 3 lost its number by hand but kept its other cells, flags included.
    open(fx,
         {{5, QStringLiteral("ROSSI MARIO")},
          {6, QStringLiteral("OLD"), QStringLiteral("SI"), QStringLiteral("SI"), QStringLiteral("9,00")},
          {7, QStringLiteral("BIANCHI SRL")}},
         [](xl::Workbook& b) { b.Sheets(kPratica).Cells(3, 1).ClearContents(); });
    Form1& f = fx.form();
    const pt::PracticeControls p = pt::practice(&f);
    fillNew(p, QStringLiteral("8"), QStringLiteral("ROSSI MARIO"));
    // The estimate is still being typed when the toolbar is clicked.
    p->Text37->setText(QStringLiteral("1500,5"));
    fx.dialogs().expectQuestion(kAskInsert, true, kV).expectMessage(kInserted, kVb, kInfo);
    press(f, 1);
    VERIFY_DIALOGS(fx);

    // The gap was row 3: the sort of the insert moved record 8 to the end of
    // the run it joined, so look for it by number.
    xl::Worksheet& s = fx.sheet(kPratica);
    const QStringList numbers = column(s, 1);
    QCOMPARE(numbers, (QStringList{"5", "7", "8"}));
    const int row = 4;
    QCOMPARE(s.Cells(row, 1).GetValue(), xl::Value(8)); // a number, so it sorts as one
    QVERIFY(s.Cells(row, 2).GetValue().isDate());
    QCOMPARE(cellText(s, row, 2), QStringLiteral("15/03/2024"));
    // Nothing of the old practice is left in the row.
    const std::optional<store::PracticeRecord> added = store::practices::find(f.book(), QStringLiteral("8"));
    QVERIFY(added);
    QCOMPARE(added->client, QStringLiteral("ROSSI MARIO"));
    QCOMPARE(cellText(s, row, 9), QString());
    QCOMPARE(cellText(s, row, 10), QString());
    QCOMPARE(added->notes, QString());
    QCOMPARE(added->estimate, QStringLiteral("1.500,50"));
    QCOMPARE(store::practices::counter(f.book()), 8.0);
    // The insert saved: the file holds the record and the counter.
    auto disk = fx.onDisk();
    xl::Worksheet& d = disk->Sheets(kPratica);
    QCOMPARE(column(d, 1).size(), 3);
    QCOMPARE(vb::CStr(d.GetRange(QStringLiteral("IV1")).GetValue()), QStringLiteral("8"));
    // Fields emptied, combo boxes refilled by the toolbar.
    QVERIFY(p->Text1->text().isEmpty());
    QCOMPARE(p->Combo1->count(), 3);
    QCOMPARE(p->Combo3->count(), 1);
}

void TestPracticePanel::insertIntoFullSheetIsRefused() {
    AppFixture fx;
    open(fx, {}, [](xl::Workbook& b) {
        xl::Worksheet& s = b.Sheets(kPratica);
        for (int r = 2; r <= 32767; ++r) s.Cells(r, 1).SetValue(xl::Value(r - 1));
        s.GetRange(QStringLiteral("IV1")).SetValue(xl::Value(32766));
    });
    const pt::PracticeControls p = pt::practice(&fx.form());
    fillNew(p, QStringLiteral("40000"), QStringLiteral("ROSSI MARIO"));
    fx.dialogs().expectQuestion(kAskInsert, true, kV).expectMessage(QString(), kV, kInfo);
    p.panel->InsertPractice();
    VERIFY_DIALOGS(fx);
    QVERIFY(fx.dialogs().shown.back().text.contains(QStringLiteral("pieno")));
    xl::Worksheet& s = fx.sheet(kPratica);
    QVERIFY(cellText(s, 32768, 1).isEmpty());
    QCOMPARE(cellText(s, 1, 256), QStringLiteral("32766"));
    QCOMPARE(p->Text1->text(), QStringLiteral("40000")); // kept, nothing was lost
}

void TestPracticePanel::insertRefusesANumberAlreadyUsed() {
    AppFixture fx;
    // Practice 10 stands below a gap in column A.
    open(fx,
         {{2, QStringLiteral("A")},
          {5, QStringLiteral("ROSSI MARIO")},
          {7, QStringLiteral("C")},
          {10, QStringLiteral("D")}},
         [](xl::Workbook& b) { b.Sheets(kPratica).Cells(4, 1).ClearContents(); });
    Form1& f = fx.form();
    const pt::PracticeControls p = pt::practice(&f);
    const auto taken = [](const QString& n) {
        return QStringLiteral(" ERRORE  IL  NUMERO PRATICA       ") + n + QStringLiteral("     E ' ESISTENTE  !");
    };

    // Practice 5 loaded, the delete answered No: the insert buttons are back
    // with the practice still in the fields.
    QVERIFY(clickPractice(p->ListView1, QStringLiteral("5")));
    fx.dialogs().expectQuestion(kAskDelete, false, kV);
    press(f, 6);
    QVERIFY(insertButtonsVisible(f));
    QCOMPARE(p->Text1->text(), QStringLiteral("5"));
    fx.dialogs().expectMessage(taken(QStringLiteral("5")), kV, kInfo);
    press(f, 1);
    VERIFY_DIALOGS(fx);
    QCOMPARE(column(fx.sheet(kPratica), 1), (QStringList{"2", "5"}));
    QCOMPARE(cellText(fx.sheet(kPratica), 5, 1), QStringLiteral("10"));
    QVERIFY(cellText(fx.sheet(kPratica), 6, 1).isEmpty());
    QCOMPARE(column(fx.onDisk()->Sheets(kPratica), 1), (QStringList{"2", "5"}));

    // Below the gap, and typed with blanks around it: the same number.
    for (const QString& typed : {QStringLiteral("10"), QStringLiteral(" 10 ")}) {
        fillNew(p, typed, QStringLiteral("ROSSI MARIO"));
        fx.dialogs().clear();
        fx.dialogs().expectMessage(taken(typed), kV, kInfo);
        p.panel->InsertPractice();
        VERIFY_DIALOGS(fx);
    }
    const auto numbers = [&] {
        QStringList out;
        for (int r = 2; r <= 8; ++r) out << cellText(fx.sheet(kPratica), r, 1);
        out.removeAll(QString());
        out.sort();
        return out;
    };
    QCOMPARE(numbers(), (QStringList{"10", "2", "5"}));

    // A number nobody has goes in.
    fillNew(p, QStringLiteral("11"), QStringLiteral("ROSSI MARIO"));
    fx.dialogs().clear();
    fx.dialogs().expectQuestion(kAskInsert, true, kV).expectMessage(kInserted, kVb, kInfo);
    p.panel->InsertPractice();
    VERIFY_DIALOGS(fx);
    QCOMPARE(numbers(), (QStringList{"10", "11", "2", "5"}));
}

void TestPracticePanel::modifyRewritesRecord() {
    AppFixture fx;
    open(fx, {{5, QStringLiteral("ROSSI MARIO"), QStringLiteral("SI")}, {7, QStringLiteral("BIANCHI SRL")}});
    Form1& f = fx.form();
    const pt::PracticeControls p = pt::practice(&f);
    QVERIFY(clickPractice(p->ListView1, QStringLiteral("5")));
    QCOMPARE(p->Text1->text(), QStringLiteral("5"));
    QVERIFY(p->Check2->isChecked());
    p->Text3->setText(QStringLiteral("Nuovo oggetto"));
    p->Check2->setChecked(false);
    p->Text37->setText(QStringLiteral("12,5")); // focus never left the box
    fx.dialogs().expectQuestion(kAskModify, true, kV).expectMessage(kModified, kV, kInfo);
    press(f, 3);
    VERIFY_DIALOGS(fx);

    xl::Worksheet& s = fx.sheet(kPratica);
    const std::optional<store::PracticeRecord> modified = store::practices::find(f.book(), QStringLiteral("5"));
    QVERIFY(modified);
    QCOMPARE(modified->subject, QStringLiteral("Nuovo oggetto"));
    // The date goes back as the text of the box; unset flags as one blank.
    QVERIFY(s.Cells(2, 2).GetValue().isText());
    QCOMPARE(cellText(s, 2, 2), QStringLiteral("10/02/2024"));
    QCOMPARE(cellText(s, 2, 9), QStringLiteral(" "));
    QCOMPARE(cellText(s, 2, 10), QStringLiteral(" "));
    QCOMPARE(modified->estimate, QStringLiteral("12,50"));
    QCOMPARE(store::practices::find(f.book(), QStringLiteral("7"))->subject, QStringLiteral("Oggetto 7"));
    QCOMPARE(diskText(fx, kPratica, 2, 4), QStringLiteral("Nuovo oggetto"));
    QVERIFY(p->Text1->text().isEmpty());
    QVERIFY(insertButtonsVisible(f));
    QCOMPARE(p->ListView1->itemCount(), 2);
}

void TestPracticePanel::modifyAnsweredNoStillEmptiesPanel() {
    AppFixture fx;
    openOnRossiLoaded(fx);
    Form1& f = fx.form();
    const pt::PracticeControls p = pt::practice(&f);
    p->Text3->setText(QStringLiteral("Non salvare"));
    fx.sheet(kPratica).Cells(2, 5).SetValue(QStringLiteral("in memoria"));
    fx.dialogs().expectQuestion(kAskModify, false, kV);
    press(f, 3);
    VERIFY_DIALOGS(fx);
    QCOMPARE(cellText(fx.sheet(kPratica), 2, 4), QStringLiteral("Oggetto 5"));
    QVERIFY(p->Text1->text().isEmpty());
    QVERIFY(p->Text3->text().isEmpty());
    QVERIFY(insertButtonsVisible(f));
    QCOMPARE(p->ListView1->itemCount(), 1);
    QCOMPARE(p->Combo1->count(), 3);
    QCOMPARE(diskText(fx, kPratica, 2, 5), QStringLiteral("in memoria"));
}

// A record edited in a spreadsheet program can hold more than a box lets the
// user type, and notes carry either line break; loading and rewriting it must
// not change a byte of what the user did not touch.
void TestPracticePanel::modifyKeepsTheLoadedTextsWhole() {
    AppFixture fx;
    const QString subject = QString(130, QLatin1Char('s'));
    const QString description = QString(140, QLatin1Char('d'));
    const QString place = QStringLiteral("ARMADIO 12 RIPIANO 3");
    open(fx, {{5, QStringLiteral("ROSSI MARIO")}, {6, QStringLiteral("BIANCHI SRL")}}, [&](xl::Workbook& b) {
        xl::Worksheet& s = b.Sheets(kPratica);
        put(s, 2, 4, subject);
        put(s, 2, 5, description);
        put(s, 2, 7, place);
        put(s, 2, 11, QStringLiteral("prima riga\r\nseconda riga\r\nAllegato:-atto.bmp"));
        put(s, 3, 11, QStringLiteral("scritta altrove\nsu due righe"));
    });
    Form1& f = fx.form();
    const pt::PracticeControls p = pt::practice(&f);
    QVERIFY(clickPractice(p->ListView1, QStringLiteral("5")));
    QCOMPARE(p->Text3->text(), subject);
    QCOMPARE(p->Text4->text(), description);
    QCOMPARE(p->Text5->text(), place);

    // Typing cannot lengthen such a text, but can shorten it.
    p->Text3->setFocus();
    p->Text3->end(false);
    QTest::keyClick(p->Text3, Qt::Key_X);
    QCOMPARE(p->Text3->text(), subject);
    QTest::keyClick(p->Text3, Qt::Key_Backspace);
    QCOMPARE(p->Text3->text().size(), subject.size() - 1);
    p->Text4->setFocus();
    p->Text4->moveCursor(QTextCursor::End);
    QTest::keyClicks(p->Text4, QStringLiteral("xyz"));
    QCOMPARE(p->Text4->text(), description);

    fx.dialogs().expectQuestion(kAskModify, true, kV).expectMessage(kModified, kV, kInfo);
    press(f, 3);
    VERIFY_DIALOGS(fx);
    QCOMPARE(diskText(fx, kPratica, 2, 4), subject.left(129));
    QCOMPARE(diskText(fx, kPratica, 2, 5), description);
    QCOMPARE(diskText(fx, kPratica, 2, 7), place);
    QCOMPARE(diskText(fx, kPratica, 2, 11), QStringLiteral("prima riga\r\nseconda riga\r\nAllegato:-atto.bmp"));
    QVERIFY(clickPractice(p->ListView1, QStringLiteral("6")));
    fx.dialogs().expectQuestion(kAskModify, true, kV).expectMessage(kModified, kV, kInfo);
    press(f, 3);
    VERIFY_DIALOGS(fx);
    QCOMPARE(diskText(fx, kPratica, 3, 11), QStringLiteral("scritta altrove\nsu due righe"));

    // An empty box is limited as usual.
    p->Text5->setFocus();
    QTest::keyClicks(p->Text5, QString(20, QLatin1Char('7')));
    QCOMPARE(p->Text5->text().size(), 15);
}

void TestPracticePanel::modifyReportsMissingPractice() {
    {
        AppFixture fx;
        open(fx, {{5, QStringLiteral("ROSSI MARIO")}});
        const pt::PracticeControls p = pt::practice(&fx.form());
        fillNew(p, QStringLiteral("6"), QStringLiteral("ROSSI MARIO"));
        fx.dialogs()
            .expectQuestion(kAskModify, true, kV)
            .expectMessage(QStringLiteral("ERRORE: Non esiste nessuna Pratica con il numero 6"), kV, kInfo);
        p.panel->ModifyPractice();
        VERIFY_DIALOGS(fx);
        QCOMPARE(column(fx.sheet(kPratica), 1), QStringList{"5"});
        QCOMPARE(cellText(fx.sheet(kPratica), 2, 4), QStringLiteral("Oggetto 5"));
        QVERIFY(p->Text1->text().isEmpty());
    }
    {
        AppFixture fx;
        open(fx, {});
        const pt::PracticeControls p = pt::practice(&fx.form());
        fillNew(p, QStringLiteral("6"), QStringLiteral("ROSSI MARIO"));
        fx.dialogs()
            .expectQuestion(kAskModify, true, kV)
            .expectMessage(QStringLiteral(" ERRORE: Non ci sono Pratiche presenti"), kV, kInfo);
        p.panel->ModifyPractice();
        VERIFY_DIALOGS(fx);
        QVERIFY(cellText(fx.sheet(kPratica), 2, 1).isEmpty());
        QCOMPARE(p->Text1->text(), QStringLiteral("6")); // no reset on this branch
    }
}

// An estimate that is no amount, or notes longer than a cell holds, are
// refused before anything is written: the insert leaves no row behind, and
// the modify keeps the practice with the user's changes in the panel.
void TestPracticePanel::unstorableFieldsAreRefusedWhole() {
    AppFixture fx;
    open(fx, {{5, QStringLiteral("ROSSI MARIO")}},
         [](xl::Workbook& b) { b.Sheets(kPratica).GetRange(QStringLiteral("IV1")).SetValue(xl::Value(5)); });
    Form1& f = fx.form();
    const pt::PracticeControls p = pt::practice(&f);
    xl::Worksheet& s = fx.sheet(kPratica);
    const QString longNote = QString(xl::kMaxCellText, u'n') + QStringLiteral("\r\nAllegato:-atto.bmp");
    auto refusal = [&](const char* field) {
        VERIFY_DIALOGS(fx);
        QCOMPARE(fx.dialogs().shown.size(), size_t(1));
        QVERIFY(fx.dialogs().shown.at(0).text.startsWith(QStringLiteral("ERRORE:")));
        QVERIFY(fx.dialogs().shown.at(0).text.contains(QLatin1String(field)));
        fx.dialogs().clear();
    };

    fillNew(p, QStringLiteral("8"), QStringLiteral("ROSSI MARIO"));
    p->Text6->setText(longNote);
    fx.dialogs().expectMessage(QString(), kV, kInfo);
    press(f, 1);
    refusal("NOTE");
    QVERIFY(cellText(s, 3, 1).isEmpty());
    QVERIFY(cellText(s, 3, 3).isEmpty());
    QCOMPARE(cellText(s, 1, 256), QStringLiteral("5"));
    QCOMPARE(p->Text6->text(), longNote);

    press(f, 5);
    QVERIFY(clickPractice(p->ListView1, QStringLiteral("5")));
    p->Text3->setText(QStringLiteral("Oggetto cambiato"));
    p->Text37->setText(QStringLiteral("mille"));
    fx.dialogs().expectMessage(QString(), kV, kInfo);
    press(f, 3);
    refusal("PREVENTIVO");
    QCOMPARE(p->Text1->text(), QStringLiteral("5"));
    QCOMPARE(p->Text3->text(), QStringLiteral("Oggetto cambiato"));
    QVERIFY(!insertButtonsVisible(f));
    QCOMPARE(cellText(s, 2, 4), QStringLiteral("Oggetto 5"));

    p->Text37->setText(QStringLiteral("100"));
    p->Text6->setText(longNote);
    fx.dialogs().expectMessage(QString(), kV, kInfo);
    press(f, 3);
    refusal("NOTE");
    QCOMPARE(p->Text3->text(), QStringLiteral("Oggetto cambiato"));
    QCOMPARE(cellText(s, 2, 4), QStringLiteral("Oggetto 5"));
    QCOMPARE(cellText(s, 2, 11), QStringLiteral("Nota 5"));

    // Put right, the same modify goes through and empties the panel.
    p->Text6->setText(QStringLiteral("Nota corta"));
    fx.dialogs().expectQuestion(kAskModify, true, kV).expectMessage(kModified, kV, kInfo);
    press(f, 3);
    VERIFY_DIALOGS(fx);
    QCOMPARE(cellText(s, 2, 4), QStringLiteral("Oggetto cambiato"));
    QCOMPARE(cellText(s, 2, 11), QStringLiteral("Nota corta"));
    QCOMPARE(cellText(s, 2, 12), QStringLiteral("100,00"));
    QVERIFY(p->Text1->text().isEmpty());
    QVERIFY(insertButtonsVisible(f));
}

void TestPracticePanel::deleteTakesOnlyTheWholeNumber() {
    AppFixture fx;
    open(fx, {{7, QStringLiteral("A")}, {12, QStringLiteral("B")}, {17, QStringLiteral("C")}}, [](xl::Workbook& b) {
        putEntry(b, 2, 1, 7, QStringLiteral("sette"));
        putEntry(b, 3, 2, 12, QStringLiteral("dodici"));
    });
    Form1& f = fx.form();
    const pt::PracticeControls p = pt::practice(&f);

    // A leading number must not stand for the practice: refused, no question.
    for (const QString& typed :
         {QStringLiteral("7bis"), QStringLiteral("1 2"), QStringLiteral("-7"), QStringLiteral("7,0")}) {
        p->Text1->setText(typed);
        fx.dialogs().clear();
        fx.dialogs().expectMessage(QStringLiteral("ERRORE: Il NUMERO PRATICA deve essere un numero intero"), kV, kInfo);
        p.panel->DeletePractice();
        VERIFY_DIALOGS(fx);
    }
    QCOMPARE(column(fx.sheet(kPratica), 1), (QStringList{"7", "12", "17"}));
    QCOMPARE(column(fx.sheet(kSpese), 2), (QStringList{"7", "12"}));

    p->Text1->clear();
    fx.dialogs().clear();
    fx.dialogs().expectMessage(QStringLiteral("Bisogna Selezionare  la   Pratica......."), kV, kInfo);
    press(f, 6);
    VERIFY_DIALOGS(fx);

    // Practice 17 picked in the list goes, and only it.
    QVERIFY(clickPractice(p->ListView1, QStringLiteral("17")));
    fx.dialogs().clear();
    fx.dialogs()
        .expectQuestion(kAskDelete, true, kV)
        .expectMessage(kDeleted, kVb, kInfo)
        .expectQuestion(kAskLedger, false, kV);
    press(f, 6);
    VERIFY_DIALOGS(fx);
    QCOMPARE(column(fx.sheet(kPratica), 1), (QStringList{"7", "12"}));
    QCOMPARE(column(fx.sheet(kSpese), 2), (QStringList{"7", "12"}));
    QCOMPARE(column(fx.onDisk()->Sheets(kPratica), 1), (QStringList{"7", "12"}));
    QCOMPARE(listColumn(p->ListView1, 0), (QStringList{"7", "12"}));
    QVERIFY(insertButtonsVisible(f));
}

void TestPracticePanel::deleteOfMissingPracticeStillOffersLedgerCleanup() {
    AppFixture fx;
    open(fx, {{5, QStringLiteral("A")}, {9, QStringLiteral("B")}}, [](xl::Workbook& b) {
        putEntry(b, 2, 1, 5, QStringLiteral("uno"));
        putEntry(b, 3, 2, 8, QStringLiteral("due"));
        putEntry(b, 4, 3, 8, QStringLiteral("tre"));
        putEntry(b, 5, 4, 8, QStringLiteral("quattro"));
        putEntry(b, 6, 5, 9, QStringLiteral("cinque"));
        putEntry(b, 7, 6, 5, QStringLiteral("sei"));
    });
    Form1& f = fx.form();
    const pt::PracticeControls p = pt::practice(&f);
    // Practice 8 was deleted earlier but its three entries stayed behind.
    p->Text1->setText(QStringLiteral("8"));
    fx.dialogs()
        .expectQuestion(kAskDelete, true, kV)
        .expectMessage(QStringLiteral("ERRORE: Non esiste nessuna Pratica con il numero 8"), kV, kInfo)
        .expectQuestion(kAskLedger, true, kV)
        .expectMessage(kLedgerDeleted, kVb, kInfo);
    press(f, 6);
    VERIFY_DIALOGS(fx);
    QCOMPARE(column(fx.sheet(kPratica), 1), (QStringList{"5", "9"}));
    QCOMPARE(column(fx.sheet(kSpese), 5), (QStringList{"uno", "cinque", "sei"}));
    QCOMPARE(column(fx.onDisk()->Sheets(kSpese), 5), (QStringList{"uno", "cinque", "sei"}));

    // An empty ledger is reported as such.
    AppFixture fx2;
    open(fx2, {{5, QStringLiteral("A")}});
    pt::practice(&fx2.form()).Text1->setText(QStringLiteral("5"));
    fx2.dialogs()
        .expectQuestion(kAskDelete, true, kV)
        .expectMessage(kDeleted, kVb, kInfo)
        .expectQuestion(kAskLedger, true, kV)
        .expectMessage(QStringLiteral("Non ci sono REGISTRAZIONI inserite per nessuna  Pratica "), kV, kInfo);
    press(fx2.form(), 6);
    VERIFY_DIALOGS(fx2);
    QVERIFY(column(fx2.onDisk()->Sheets(kPratica), 1).isEmpty());
}

void TestPracticePanel::loadFromList() {
    AppFixture fx;
    open(fx, {{5, QStringLiteral("ROSSI MARIO"), QStringLiteral("SI"), QString(), QStringLiteral("1.500,50")},
              {6, QStringLiteral("BIANCHI SRL"), QStringLiteral(" "), QStringLiteral(" ")},
              {7, QStringLiteral("VERDI"), QString(), QStringLiteral("SI")}});
    Form1& f = fx.form();
    const pt::PracticeControls p = pt::practice(&f);

    QVERIFY(clickPractice(p->ListView1, QStringLiteral("5")));
    QCOMPARE(p->Text1->text(), QStringLiteral("5"));
    QCOMPARE(p->Text2->text(), QStringLiteral("10/02/2024"));
    QCOMPARE(p->Combo1->currentText(), QStringLiteral("ROSSI MARIO"));
    QCOMPARE(p->Text3->text(), QStringLiteral("Oggetto 5"));
    QCOMPARE(p->Text4->text(), QStringLiteral("Descrizione 5"));
    QCOMPARE(p->Combo2->currentText(), QStringLiteral("CIVILE"));
    QCOMPARE(p->Text5->text(), QStringLiteral("Arm.5"));
    QCOMPARE(p->Combo3->currentText(), QStringLiteral("3"));
    QCOMPARE(p->Text6->text(), QStringLiteral("Nota 5"));
    QCOMPARE(p->Text37->text(), QStringLiteral("1.500,50"));
    QVERIFY(p->Check2->isChecked());
    QVERIFY(!p->Check3->isChecked());
    QVERIFY(!insertButtonsVisible(f));
    QVERIFY(shown(control<QToolBar>(&f, "Toolbar1")));

    // The blanks a modify writes for unset flags unset the boxes.
    QVERIFY(clickPractice(p->ListView1, QStringLiteral("6")));
    QVERIFY(!p->Check2->isChecked());
    QVERIFY(!p->Check3->isChecked());
    QVERIFY(clickPractice(p->ListView1, QStringLiteral("7")));
    QVERIFY(!p->Check2->isChecked());
    QVERIFY(p->Check3->isChecked());

    // No item selected: nothing changes.
    p->ListView1->clearSelection();
    p.panel->ListView1_ItemClick();
    QCOMPARE(p->Text1->text(), QStringLiteral("7"));
    VERIFY_DIALOGS(fx);
}

void TestPracticePanel::listShowsTheSheetAsFilled() {
    AppFixture fx;
    open(fx, {{5, QStringLiteral("ROSSI MARIO"), QStringLiteral("SI"), QString(), QStringLiteral("1.500,50")},
              {7, QStringLiteral("BIANCHI SRL")},
              {9, QStringLiteral("VERDI")}});
    Form1& f = fx.form();
    const pt::PracticeControls p = pt::practice(&f);
    p.panel->FillPracticeList();
    QCOMPARE(listColumn(p->ListView1, 0), (QStringList{"5", "7", "9"}));

    // The sheet changes behind the list: sorted, a row edited, a row gone.
    store::practices::sort(f.book(), store::PracticeKey::Client, false);
    xl::Worksheet& s = fx.sheet(kPratica);
    QCOMPARE(column(s, 1), (QStringList{"9", "5", "7"}));
    s.Cells(3, 4).SetValue(xl::Value(QStringLiteral("cambiato")));
    s.Cells(4, 1).EntireRow().Delete();
    QCOMPARE(column(s, 1), (QStringList{"9", "5"}));

    // The list still shows, and a click still loads, the rows as filled.
    QCOMPARE(p->ListView1->itemCount(), 3);
    QCOMPARE(listColumn(p->ListView1, 0), (QStringList{"5", "7", "9"}));
    QCOMPARE(listColumn(p->ListView1, 3), (QStringList{"Oggetto 5", "Oggetto 7", "Oggetto 9"}));
    QVERIFY(clickPractice(p->ListView1, QStringLiteral("5")));
    QCOMPARE(p->Text3->text(), QStringLiteral("Oggetto 5"));
    QCOMPARE(p->Text37->text(), QStringLiteral("1.500,50"));
    QVERIFY(p->Check2->isChecked());
    QVERIFY(clickPractice(p->ListView1, QStringLiteral("7")));
    QCOMPARE(p->Combo1->currentText(), QStringLiteral("BIANCHI SRL"));

    // The next fill shows the sheet as it is then.
    p.panel->FillPracticeList();
    QCOMPARE(listColumn(p->ListView1, 0), (QStringList{"9", "5"}));
    QCOMPARE(listColumn(p->ListView1, 3), (QStringList{"Oggetto 9", "cambiato"}));
    QCOMPARE(p->ListView1->selectedRow(), -1);
    VERIFY_DIALOGS(fx);
}

void TestPracticePanel::insertButtonsReturnAfterAnyReset() {
    AppFixture fx;
    openOnRossiLoaded(fx);
    Form1& f = fx.form();
    const pt::PracticeControls p = pt::practice(&f);
    f.MenuPratiche_Click();
    QVERIFY(insertButtonsVisible(f));

    QVERIFY(clickPractice(p->ListView1, QStringLiteral("5")));
    p.panel->cmd14_Click();
    QVERIFY(shown(control<SearchPanel>(&f, "Frame6")));
    control<SearchPanel>(&f, "Frame6")->Command16_Click();
    QVERIFY(shown(control<PracticePanel>(&f, "Frame1")));
    QVERIFY(insertButtonsVisible(f));

    // "Pulisci" empties the panel and saves.
    QVERIFY(clickPractice(p->ListView1, QStringLiteral("5")));
    fx.sheet(kPratica).Cells(2, 4).SetValue(QStringLiteral("salvato da Pulisci"));
    press(f, 5);
    QVERIFY(insertButtonsVisible(f));
    QVERIFY(p->Text1->text().isEmpty());
    QCOMPARE(p->Combo1->count(), 3);
    QCOMPARE(diskText(fx, kPratica, 2, 4), QStringLiteral("salvato da Pulisci"));
    VERIFY_DIALOGS(fx);
}

void TestPracticePanel::mainRoad() {
    AppFixture fx;
    open(fx, {{5, QStringLiteral("BIANCHI SRL")}}, [](xl::Workbook& b) {
        b.Sheets(kPratica).GetRange(QStringLiteral("IV1")).SetValue(xl::Value(41));
        putEntry(b, 2, 1, 42, QStringLiteral("acconto"));
        putEntry(b, 3, 2, 5, QStringLiteral("altra"));
        putEntry(b, 4, 3, 42, QStringLiteral("spesa"));
    });
    Form1& f = fx.form();
    const pt::PracticeControls p = pt::practice(&f);

    // The number from the chooser.
    press(f, 2);
    QCOMPARE(pt::chooser(&f).Text9->text(), QStringLiteral("42"));
    QTest::mouseClick(pt::chooser(&f).Command4, Qt::LeftButton);
    QVERIFY(shown(p.panel));
    QVERIFY(shown(control<QToolBar>(&f, "Toolbar1")));
    QCOMPARE(p->Text1->text(), QStringLiteral("42"));

    // The date from the calendar.
    QTest::mouseClick(p->Check1, Qt::LeftButton);
    Calendario* cal = f.calendario();
    cal->findChild<QCalendarWidget*>()->setSelectedDate(QDate(2024, 3, 15));
    cal->Calendario_DateClick();
    QCOMPARE(p->Text2->text(), QStringLiteral("15/03/2024"));

    // Client, sector, binder from their lists; a status; the estimate typed.
    p->Combo1->setCurrentIndex(p->Combo1->findText(QStringLiteral("ROSSI MARIO")));
    p->Combo2->setCurrentIndex(0);
    p->Combo3->setCurrentIndex(0);
    p->Text3->setText(QStringLiteral("Ricorso"));
    QTest::mouseClick(p->Check2, Qt::LeftButton);
    QTest::keyClicks(p->Text37, QStringLiteral("1500.5"));
    leave(p->Text37);
    QCOMPARE(p->Text37->text(), QStringLiteral("1.500,50"));

    fx.dialogs().expectQuestion(kAskInsert, true, kV).expectMessage(kInserted, kVb, kInfo);
    press(f, 1);
    VERIFY_DIALOGS(fx);
    QCOMPARE(listColumn(p->ListView1, 0), (QStringList{"5", "42"}));
    {
        auto disk = fx.onDisk();
        xl::Worksheet& d = disk->Sheets(kPratica);
        QCOMPARE(vb::CStr(d.Cells(3, 1).GetValue()), QStringLiteral("42"));
        QCOMPARE(vb::CStr(d.Cells(3, 3).GetValue()), QStringLiteral("ROSSI MARIO"));
        QCOMPARE(vb::CStr(d.Cells(3, 6).GetValue()), QStringLiteral("CIVILE"));
        QCOMPARE(vb::CStr(d.Cells(3, 8).GetValue()), QStringLiteral("3"));
        QCOMPARE(vb::CStr(d.Cells(3, 9).GetValue()), QStringLiteral("SI"));
        QCOMPARE(vb::CStr(d.Cells(3, 12).GetValue()), QStringLiteral("1.500,50"));
        QCOMPARE(vb::CStr(d.GetRange(QStringLiteral("IV1")).GetValue()), QStringLiteral("42"));
    }

    // Found in the list, loaded, modified.
    QVERIFY(clickPractice(p->ListView1, QStringLiteral("42")));
    QCOMPARE(p->Combo1->currentText(), QStringLiteral("ROSSI MARIO"));
    QVERIFY(p->Check2->isChecked());
    QTest::mouseClick(p->Check3, Qt::LeftButton);
    QVERIFY(!p->Check2->isChecked());
    p->Text3->setText(QStringLiteral("Ricorso in appello"));
    fx.dialogs().expectQuestion(kAskModify, true, kV).expectMessage(kModified, kV, kInfo);
    press(f, 3);
    VERIFY_DIALOGS(fx);
    QCOMPARE(diskText(fx, kPratica, 3, 4), QStringLiteral("Ricorso in appello"));
    QCOMPARE(diskText(fx, kPratica, 3, 9), QStringLiteral(" "));
    QCOMPARE(diskText(fx, kPratica, 3, 10), QStringLiteral("SI"));

    // Deleted with its ledger entries.
    QVERIFY(clickPractice(p->ListView1, QStringLiteral("42")));
    QVERIFY(p->Check3->isChecked());
    fx.dialogs()
        .expectQuestion(kAskDelete, true, kV)
        .expectMessage(kDeleted, kVb, kInfo)
        .expectQuestion(kAskLedger, true, kV)
        .expectMessage(kLedgerDeleted, kVb, kInfo);
    press(f, 6);
    VERIFY_DIALOGS(fx);
    QCOMPARE(listColumn(p->ListView1, 0), QStringList{"5"});
    auto disk = fx.onDisk();
    QCOMPARE(column(disk->Sheets(kPratica), 1), QStringList{"5"});
    QCOMPARE(column(disk->Sheets(kSpese), 5), QStringList{"altra"});
}

QTEST_MAIN(TestPracticePanel)
#include "tst_practicepanel.moc"
