// The client panel inside the started program: insert with the ID counter,
// choose, modify, delete, the counter's reset and unlock, and when the file
// on disk changes.

#include "reftest.h"

#include "platform/desktop/calendario.h"
#include "platform/desktop/controls.h"
#include "printing/stampap.h"
#include "reference/clientpanel.h"
#include "store/clientsheet.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QPushButton>

using namespace reftest;
using testsupport::AppFixture;
using ui::MsgIcon;

namespace {

const QString kClienti = QStringLiteral("Cliente");

// Three clients, two of them sharing ID 2, and the counter at 3.
void seedClients(xl::Workbook& b) {
    xl::Worksheet& s = b.Sheets(kClienti);
    put(s, 2, 1, xl::Value::number(1));
    put(s, 2, 2, xl::Value::text(QStringLiteral("ROSSI MARIO")));
    put(s, 2, 3, xl::Value::text(QStringLiteral("R01")));
    put(s, 2, 4, xl::Value::date(vb::DateSerial(QDate(2020, 3, 15))));
    put(s, 2, 7, xl::Value::text(QStringLiteral("Roma")));
    put(s, 3, 1, xl::Value::number(2));
    put(s, 3, 2, xl::Value::text(QStringLiteral("bianchi srl")));
    put(s, 3, 4, xl::Value::date(vb::DateSerial(QDate(2019, 1, 2))));
    put(s, 3, 13, xl::Value::text(QStringLiteral("bncsrl")));
    put(s, 4, 1, xl::Value::number(2));
    put(s, 4, 2, xl::Value::text(QStringLiteral("VERDI LUCA")));
    put(s, 1, 256, xl::Value::number(3));
}

} // namespace

class TestClientPanel : public QObject {
    Q_OBJECT

    std::unique_ptr<AppFixture> fx;
    ClientPanel* p = nullptr;
    xl::Worksheet* sheet = nullptr;

    void open(const std::function<void(xl::Workbook&)>& seed = seedClients) {
        fx.reset();
        fx = std::make_unique<AppFixture>();
        fx->writeWorkbook(seed);
        QVERIFY(fx->start());
        fx->form().MenuClienti_Click();
        p = control<ClientPanel>(&fx->form(), "Frame3");
        sheet = &fx->sheet(kClienti);
        QVERIFY(shown(p));
    }
    void expectInsert() {
        fx->dialogs()
            .expectQuestion(QStringLiteral(" Vuoi Inserire questo Cliente ?"), true, QStringLiteral(" Velmora"))
            .expectMessage(QStringLiteral(" Cliente aggiunto"), QStringLiteral("Velmora"), MsgIcon::Information);
    }
    double counter() { return sheet->Cells(1, 256).GetValue().numberValue(); }
    // A client as the register reads it back.
    store::ClientRecord client(int row) { return store::readClient(fx->form().book(), row); }

private slots:
    void cleanup() {
        // The fixture goes first, so that its scripted dialogs never outlive a
        // failed check and leave real boxes to the next test.
        const QString unexpected = fx ? fx->dialogs().verify() : QString();
        fx.reset();
        QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected));
    }

    void insertTakesItsIdFromTheCounterAndIsNotSaved() {
        open();
        QCOMPARE(items(control<QComboBox>(p, "Combo4")), QStringList({"ROSSI MARIO", "bianchi srl", "VERDI LUCA"}));
        QCOMPARE(control<QLineEdit>(p, "Text10")->text(), QStringLiteral("3"));
        QTest::keyClicks(control<QLineEdit>(p, "Text26"), QStringLiteral("neri anna"));
        QCOMPARE(control<QLineEdit>(p, "Text26")->text(), QStringLiteral("NERI ANNA"));
        control<QLineEdit>(p, "Text18")->setText(QStringLiteral("05/06/2021"));
        control<QLineEdit>(p, "Text24")->setText(QStringLiteral("00100"));
        QTest::keyClicks(control<QLineEdit>(p, "Text19"), QStringLiteral("nrnnna80a41h501x"));
        control<MultiLineTextBox>(p, "Text12")->setText(QStringLiteral("prima riga\nseconda riga"));
        expectInsert();
        control<QPushButton>(p, "Command70")->click();

        QCOMPARE(sheet->Cells(5, 1).GetValue(), xl::Value::number(3));
        QCOMPARE(client(5).name, QStringLiteral("NERI ANNA"));
        QVERIFY(sheet->Cells(5, 4).GetValue().isDate());
        QCOMPARE(client(5).date, QStringLiteral("05/06/2021"));
        QCOMPARE(sheet->Cells(5, 6).GetValue(), xl::Value::text(QStringLiteral("00100")));
        QCOMPARE(client(5).taxCode, QStringLiteral("NRNNNA80A41H501X"));
        QCOMPARE(client(5).notes, QStringLiteral("prima riga\nseconda riga"));
        QCOMPARE(counter(), 4.0);
        QCOMPARE(control<QLineEdit>(p, "Text10")->text(), QStringLiteral("4"));
        QCOMPARE(control<QLineEdit>(p, "Text26")->text(), QString());
        QCOMPARE(items(control<QComboBox>(p, "Combo4")).last(), QStringLiteral("NERI ANNA"));
        QCOMPARE(diskText(*fx, kClienti, 5, 2), QString());

        // No date, or one that is no date: column D stays empty, the rest is written.
        control<QLineEdit>(p, "Text26")->setText(QStringLiteral("GIALLI"));
        control<QLineEdit>(p, "Text18")->setText(QStringLiteral("31/02/2021"));
        expectInsert();
        p->Command70_Click();
        QCOMPARE(sheet->Cells(6, 1).GetValue(), xl::Value::number(4));
        QVERIFY(client(6).date.isEmpty());
        QCOMPARE(counter(), 5.0);
    }

    void insertRefusalsWriteNothing() {
        open();
        fx->dialogs().expectMessage(QStringLiteral(" ERRORE- Il Campo RAGIONE/COGNOME deve essere compilato"),
                                    QStringLiteral("Velmora"), MsgIcon::None);
        p->Command70_Click();
        control<QLineEdit>(p, "Text26")->setText(QStringLiteral("NERI"));
        control<QLineEdit>(p, "Text14")->setText(QStringLiteral("X"));
        fx->dialogs().expectQuestion(QStringLiteral(" Vuoi Inserire questo Cliente ?"), false);
        p->Command70_Click();
        QCOMPARE(control<QLineEdit>(p, "Text26")->text(), QString()); // emptied by the reset
        QCOMPARE(control<QLineEdit>(p, "Text14")->text(), QString());
        QCOMPARE(client(5).name, QString());
        QCOMPARE(counter(), 3.0);

        // A counter that is not a whole number would give every new client
        // the same ID.
        sheet->Cells(1, 256).SetValue(xl::Value::text(QStringLiteral("abc")));
        control<QLineEdit>(p, "Text26")->setText(QStringLiteral("NERI"));
        fx->dialogs()
            .expectQuestion(QStringLiteral(" Vuoi Inserire questo Cliente ?"), true)
            .expectMessage(QString(), QStringLiteral("Velmora"), MsgIcon::Information);
        p->Command70_Click();
        QVERIFY(fx->dialogs().shown.back().text.startsWith(QStringLiteral("ERRORE")));
        QCOMPARE(client(5).name, QString());
        QCOMPARE(client(5).id, QString());
    }

    void upperCaseKeepsTheCaret() {
        open();
        for (QLineEdit* box : {control<QLineEdit>(p, "Text26"), control<QLineEdit>(p, "Text19")}) {
            QTest::keyClicks(box, QStringLiteral("ab"));
            box->setCursorPosition(1);
            QTest::keyClicks(box, QStringLiteral("c"));
            QCOMPARE(box->text(), QStringLiteral("ACB"));
            QCOMPARE(box->cursorPosition(), 2);
        }
        control<QLineEdit>(p, "Text19")->clear();
        QTest::keyClicks(control<QLineEdit>(p, "Text19"), QStringLiteral("abcdefghijklmnopqrst"));
        QCOMPARE(control<QLineEdit>(p, "Text19")->text(), QStringLiteral("ABCDEFGHIJKLMNOP"));
        QCOMPARE(control<QLineEdit>(p, "Text22")->maxLength(), 2);
        QCOMPARE(control<QLineEdit>(p, "Text24")->maxLength(), 5);
        QCOMPARE(control<QLineEdit>(p, "Text18")->maxLength(), 10);
        QCOMPARE(control<QLineEdit>(p, "Text11")->maxLength(), 11);
    }

    void chooseAndModify() {
        open();
        choose(control<QComboBox>(p, "Combo4"), 1);
        QCOMPARE(control<QLineEdit>(p, "Text26")->text(), QStringLiteral("BIANCHI SRL"));
        QCOMPARE(control<QLineEdit>(p, "Text19")->text(), QStringLiteral("BNCSRL"));
        QCOMPARE(control<QLineEdit>(p, "Text18")->text(), QStringLiteral("02/01/2019"));
        QCOMPARE(control<QLineEdit>(p, "Text10")->text(), QStringLiteral("2"));
        QCOMPARE(client(3).name, QStringLiteral("bianchi srl")); // loading changes nothing

        control<QLineEdit>(p, "Text14")->setText(QStringLiteral("B02"));
        control<QLineEdit>(p, "Text18")->setText(QStringLiteral("31/02/2019")); // no date: D keeps its value
        fx->dialogs().expectMessage(QStringLiteral("Cliente modificato"), QStringLiteral("  Velmora"), MsgIcon::None);
        control<QPushButton>(p, "Command10")->click();
        QCOMPARE(client(3).name, QStringLiteral("BIANCHI SRL"));
        QCOMPARE(client(3).code, QStringLiteral("B02"));
        QCOMPARE(client(3).date, QStringLiteral("02/01/2019"));
        QCOMPARE(sheet->Cells(3, 1).GetValue(), xl::Value::number(2));
        QCOMPARE(items(control<QComboBox>(p, "Combo4")), QStringList({"ROSSI MARIO", "BIANCHI SRL", "VERDI LUCA"}));
        QCOMPARE(control<QComboBox>(p, "Combo4")->currentText(), QString());
        QCOMPARE(diskText(*fx, kClienti, 3, 3), QString());

        // A valid date is stored as a date.
        choose(control<QComboBox>(p, "Combo4"), 0);
        control<QLineEdit>(p, "Text18")->setText(QStringLiteral("1/2/2022"));
        fx->dialogs().expectMessage(QStringLiteral("Cliente modificato"));
        p->Command10_Click();
        QVERIFY(sheet->Cells(2, 4).GetValue().isDate());
        QCOMPARE(client(2).date, QStringLiteral("01/02/2022"));
    }

    void modifyWritesOnlyAnEntryOfTheList() {
        open();
        const QString refused = QStringLiteral(" Il campo :  CLIENTE  , deve essere compilato");
        // Typed, never chosen: the row would be the header row.
        control<QComboBox>(p, "Combo4")->setEditText(QStringLiteral("NUOVO CLIENTE"));
        control<QLineEdit>(p, "Text26")->setText(QStringLiteral("NUOVO CLIENTE"));
        fx->dialogs().expectMessage(refused, QStringLiteral("Velmora"), MsgIcon::Information);
        p->Command10_Click();
        QCOMPARE(cellText(*sheet, 1, 1), QStringLiteral("ID"));
        QCOMPARE(cellText(*sheet, 1, 2), QStringLiteral("Ragione Sociale/Cognome Nome"));
        // Chosen, then edited: the text names no entry any more.
        choose(control<QComboBox>(p, "Combo4"), 0);
        control<QComboBox>(p, "Combo4")->setEditText(QStringLiteral("ROSSI MARIO E FIGLI"));
        control<QLineEdit>(p, "Text14")->setText(QStringLiteral("ZZZ"));
        fx->dialogs().expectMessage(refused);
        p->Command10_Click();
        QCOMPARE(client(2).code, QStringLiteral("R01"));
        QCOMPARE(cellText(*sheet, 1, 3), QStringLiteral("Codice"));
        // A chosen client with its name emptied would end every list at its row.
        choose(control<QComboBox>(p, "Combo4"), 1);
        control<QLineEdit>(p, "Text26")->clear();
        fx->dialogs().expectMessage(QStringLiteral(" ERRORE- Il Campo RAGIONE/COGNOME deve essere compilato"),
                                    QStringLiteral("Velmora"), MsgIcon::None);
        p->Command10_Click();
        QCOMPARE(client(3).name, QStringLiteral("bianchi srl"));
        QVERIFY(!fx->dialogs().shown.empty());
        for (const auto& box : fx->dialogs().shown) QVERIFY(box.text != QStringLiteral("Cliente modificato"));
    }

    void deleteRemovesTheChosenClientOnly() {
        open();
        // VERDI shares ID 2 with BIANCHI above it; the chosen one goes.
        choose(control<QComboBox>(p, "Combo4"), 2);
        fx->dialogs()
            .expectQuestion(QStringLiteral("Si vuole Eliminare il Cliente  Selezionato ?"), true,
                            QStringLiteral("Velmora"))
            .expectMessage(QStringLiteral("Cliente eliminato"), QStringLiteral(" Velmora"), MsgIcon::Information);
        control<QPushButton>(p, "Command73")->click();
        QCOMPARE(client(3).name, QStringLiteral("bianchi srl"));
        QCOMPARE(client(4).name, QString());
        QCOMPARE(items(control<QComboBox>(p, "Combo4")), QStringList({"ROSSI MARIO", "bianchi srl"}));

        // After a reset the ID box shows the counter: a typed name chooses nothing.
        control<QLineEdit>(p, "Text26")->setText(QStringLiteral("ROSSI MARIO"));
        fx->dialogs().expectMessage(QStringLiteral("Bisogna Selezionare il CLIENTE ......."), QStringLiteral("Velmora"),
                                    MsgIcon::Information);
        p->Command73_Click();
        QCOMPARE(client(2).name, QStringLiteral("ROSSI MARIO"));

        // Answered No: nothing goes, the panel keeps the client.
        choose(control<QComboBox>(p, "Combo4"), 0);
        fx->dialogs().expectQuestion(QStringLiteral("Si vuole Eliminare il Cliente  Selezionato ?"), false);
        p->Command73_Click();
        QCOMPARE(client(2).name, QStringLiteral("ROSSI MARIO"));
        QCOMPARE(control<QLineEdit>(p, "Text26")->text(), QStringLiteral("ROSSI MARIO"));

        // An ID typed over the loaded one names another client: refused.
        fx->dialogs().expectMessage(
            QStringLiteral("Ora puoi Cambiare il Progressivo compilando il campo ID PROGRESSIVO"));
        control<QCheckBox>(p, "Check7")->setChecked(true);
        control<QLineEdit>(p, "Text10")->setText(QStringLiteral("2"));
        fx->dialogs().expectMessage(QString(), QStringLiteral("Velmora"), MsgIcon::Information);
        p->Command73_Click();
        QVERIFY(fx->dialogs().shown.back().text.startsWith(QStringLiteral("ERRORE")));
        QCOMPARE(client(2).name, QStringLiteral("ROSSI MARIO"));
        QCOMPARE(client(3).name, QStringLiteral("bianchi srl"));
        QCOMPARE(int(std::count_if(fx->dialogs().shown.begin(), fx->dialogs().shown.end(),
                                   [](const auto& b) { return b.text == QStringLiteral("Cliente eliminato"); })),
                 1);
        QCOMPARE(diskText(*fx, kClienti, 4, 2), QStringLiteral("VERDI LUCA")); // not saved
    }

    void idCellsHoldingTextNeverStopTheProgram() {
        open([](xl::Workbook& b) {
            xl::Worksheet& s = b.Sheets(kClienti);
            put(s, 2, 1, xl::Value::text(QStringLiteral("abc")));
            put(s, 2, 2, xl::Value::text(QStringLiteral("TESTO")));
            put(s, 3, 1, xl::Value::number(5));
            put(s, 3, 2, xl::Value::text(QStringLiteral("NUMERO")));
            put(s, 1, 256, xl::Value::number(6));
        });
        choose(control<QComboBox>(p, "Combo4"), 1);
        fx->dialogs()
            .expectQuestion(QStringLiteral("Si vuole Eliminare il Cliente  Selezionato ?"), true)
            .expectMessage(QStringLiteral("Cliente eliminato"));
        p->Command73_Click();
        QCOMPARE(items(control<QComboBox>(p, "Combo4")), QStringList({"TESTO"}));
        choose(control<QComboBox>(p, "Combo4"), 0);
        QCOMPARE(control<QLineEdit>(p, "Text10")->text(), QStringLiteral("abc"));
        fx->dialogs()
            .expectQuestion(QStringLiteral("Si vuole Eliminare il Cliente  Selezionato ?"), true)
            .expectMessage(QStringLiteral("Cliente eliminato"));
        p->Command73_Click();
        QCOMPARE(control<QComboBox>(p, "Combo4")->count(), 0);
        QCOMPARE(client(2).name, QString());
    }

    void counterResetAndUnlock() {
        open();
        control<QCheckBox>(p, "Check6")->setChecked(true);
        QVERIFY(!control<QCheckBox>(p, "Check6")->isChecked());
        QCOMPARE(sheet->Cells(1, 256).GetValue(), xl::Value::number(1));
        QCOMPARE(control<QLineEdit>(p, "Text10")->text(), QStringLiteral("1"));
        // ID 1 is handed out again although ROSSI has it.
        control<QLineEdit>(p, "Text26")->setText(QStringLiteral("NERI"));
        expectInsert();
        p->Command70_Click();
        QCOMPARE(sheet->Cells(5, 1).GetValue(), xl::Value::number(1));
        QCOMPARE(counter(), 2.0);

        const QString unlocked = QStringLiteral("Ora puoi Cambiare il Progressivo compilando il campo ID PROGRESSIVO");
        fx->dialogs().expectMessage(unlocked, QStringLiteral(" Velmora"), MsgIcon::Information);
        control<QCheckBox>(p, "Check7")->setChecked(true);
        QVERIFY(!control<QCheckBox>(p, "Check7")->isChecked());
        QVERIFY(!control<QLineEdit>(p, "Text10")->isReadOnly());
        QCOMPARE(control<QLineEdit>(p, "Text10")->text(), QString());
        control<QLineEdit>(p, "Text10")->setText(QStringLiteral("40"));
        leave(control<QLineEdit>(p, "Text10"));
        QVERIFY(control<QLineEdit>(p, "Text10")->isReadOnly());
        QCOMPARE(sheet->Cells(1, 256).GetValue(), xl::Value::number(40));

        // Anything but a whole number from 1 up is refused and changes nothing.
        for (const char* bad : {"abc", "0", "2,5", "-4"}) {
            fx->dialogs().expectMessage(unlocked);
            control<QCheckBox>(p, "Check7")->setChecked(true);
            control<QLineEdit>(p, "Text10")->setText(QString::fromUtf8(bad));
            fx->dialogs().expectMessage(QString(), QStringLiteral("Velmora"), MsgIcon::Information);
            leave(control<QLineEdit>(p, "Text10"));
            QVERIFY(fx->dialogs().shown.back().text.startsWith(QStringLiteral("ERRORE")));
            QVERIFY(control<QLineEdit>(p, "Text10")->isReadOnly());
            QCOMPARE(sheet->Cells(1, 256).GetValue(), xl::Value::number(40));
            QCOMPARE(control<QLineEdit>(p, "Text10")->text(), QStringLiteral("40"));
        }
        // Emptied and left: nothing stored, locked again.
        fx->dialogs().expectMessage(unlocked);
        control<QCheckBox>(p, "Check7")->setChecked(true);
        leave(control<QLineEdit>(p, "Text10"));
        QVERIFY(control<QLineEdit>(p, "Text10")->isReadOnly());
        QCOMPARE(counter(), 40.0);
    }

    void leavingTheLockedIdBoxKeepsTheCounter() {
        open();
        choose(control<QComboBox>(p, "Combo4"), 0);
        QCOMPARE(control<QLineEdit>(p, "Text10")->text(), QStringLiteral("1"));
        leave(control<QLineEdit>(p, "Text10"));
        QCOMPARE(counter(), 3.0);
        control<QPushButton>(p, "Command11")->click(); // "&Pulisci"
        control<QLineEdit>(p, "Text26")->setText(QStringLiteral("NERI"));
        expectInsert();
        p->Command70_Click();
        QCOMPARE(sheet->Cells(5, 1).GetValue(), xl::Value::number(3));
    }

    void anEmptiedIdBoxKeepsTheLoadedId() {
        open();
        choose(control<QComboBox>(p, "Combo4"), 0);
        fx->dialogs().expectMessage(
            QStringLiteral("Ora puoi Cambiare il Progressivo compilando il campo ID PROGRESSIVO"));
        control<QCheckBox>(p, "Check7")->setChecked(true);
        leave(control<QLineEdit>(p, "Text10"));
        control<QLineEdit>(p, "Text14")->setText(QStringLiteral("R99"));
        fx->dialogs().expectMessage(QStringLiteral("Cliente modificato"));
        p->Command10_Click();
        QCOMPARE(sheet->Cells(2, 1).GetValue(), xl::Value::number(1));
        QCOMPARE(client(2).code, QStringLiteral("R99"));
        // So the next insert does not take ROSSI's row for a free one.
        control<QLineEdit>(p, "Text26")->setText(QStringLiteral("NERI"));
        expectInsert();
        p->Command70_Click();
        QCOMPARE(client(2).name, QStringLiteral("ROSSI MARIO"));
        QCOMPARE(client(5).name, QStringLiteral("NERI"));
    }

    void aReusedRowKeepsNothingOfItsOldDate() {
        // Row 3 lost its ID but still holds a date: the next client goes
        // there, and without a date of its own it has none.
        open([](xl::Workbook& b) {
            seedClients(b);
            put(b.Sheets(kClienti), 3, 1, xl::Value());
        });
        control<QLineEdit>(p, "Text26")->setText(QStringLiteral("NERI"));
        expectInsert();
        p->Command70_Click();
        QCOMPARE(client(3).name, QStringLiteral("NERI"));
        QCOMPARE(sheet->Cells(3, 1).GetValue(), xl::Value::number(3));
        QVERIFY(client(3).date.isEmpty());
        QVERIFY(client(3).taxCode.isEmpty());
    }

    void aFieldLongerThanACellIsRefusedWhole() {
        open();
        const QString tooLong(xl::kMaxCellText + 1, QLatin1Char('x'));
        control<QLineEdit>(p, "Text26")->setText(QStringLiteral("NERI"));
        control<QLineEdit>(p, "Text14")->setText(QStringLiteral("N01"));
        control<MultiLineTextBox>(p, "Text13")->setText(tooLong);
        fx->dialogs().expectMessage(QString(), QStringLiteral("Velmora"), MsgIcon::Information);
        p->Command70_Click();
        QVERIFY(fx->dialogs().shown.back().text.startsWith(QStringLiteral("ERRORE")));
        QCOMPARE(client(5).name, QString());
        QCOMPARE(counter(), 3.0);
        QCOMPARE(control<QLineEdit>(p, "Text26")->text(), QStringLiteral("NERI")); // kept for shortening

        choose(control<QComboBox>(p, "Combo4"), 0);
        control<QLineEdit>(p, "Text14")->setText(QStringLiteral("R99"));
        control<MultiLineTextBox>(p, "Text12")->setText(tooLong);
        fx->dialogs().expectMessage(QString(), QStringLiteral("Velmora"), MsgIcon::Information);
        p->Command10_Click();
        QVERIFY(fx->dialogs().shown.back().text.startsWith(QStringLiteral("ERRORE")));
        QCOMPARE(client(2).code, QStringLiteral("R01"));
        QVERIFY(client(2).notes.isEmpty());

        // Exactly as long as a cell allows goes in, and survives the file.
        const QString longest(xl::kMaxCellText, QLatin1Char('y'));
        control<MultiLineTextBox>(p, "Text12")->setText(longest);
        fx->dialogs().expectMessage(QStringLiteral("Cliente modificato"));
        p->Command10_Click();
        QCOMPARE(client(2).notes, longest);
        p->Command12_Click();
        QCOMPARE(diskText(*fx, kClienti, 2, 16), longest);
        QCOMPARE(diskText(*fx, kClienti, 3, 2), QStringLiteral("bianchi srl"));
    }

    void calendarDateThenExitSaves() {
        open();
        control<QCheckBox>(p, "Check4")->setChecked(true);
        Calendario* cal = fx->form().calendario();
        QVERIFY(shown(cal));
        cal->findChild<QCalendarWidget*>()->setSelectedDate(QDate(2022, 7, 14));
        cal->Calendario_DateClick();
        QCOMPARE(control<QLineEdit>(p, "Text18")->text(), QStringLiteral("14/07/2022"));
        QVERIFY(!control<QCheckBox>(p, "Check4")->isChecked());
        control<QLineEdit>(p, "Text26")->setText(QStringLiteral("NERI"));
        expectInsert();
        p->Command70_Click();
        QVERIFY(sheet->Cells(5, 4).GetValue().isDate());
        QCOMPARE(client(5).date, QStringLiteral("14/07/2022"));
        QCOMPARE(diskText(*fx, kClienti, 5, 2), QString());
        control<QPushButton>(p, "Command72")->click();
        QCOMPARE(control<QLineEdit>(fx->form().stampaP(), "Text1")->text(), QStringLiteral("8"));
        QVERIFY(shown(fx->form().stampaP()));
        control<QPushButton>(p, "Command12")->click();
        QVERIFY(!shown(p));
        QCOMPARE(control<QComboBox>(p, "Combo4")->count(), 0);
        QCOMPARE(diskText(*fx, kClienti, 5, 2), QStringLiteral("NERI"));
        QCOMPARE(diskText(*fx, kClienti, 1, 256), QStringLiteral("4"));
    }
};

QTEST_MAIN(TestClientPanel)
#include "tst_clientpanel.moc"
