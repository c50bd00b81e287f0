// The sector and binder panels, twins on sheet "Varie": each table grows at
// its own first empty cell, the modifies write only a chosen entry, and the
// two differ in when the file is saved and what their exits leave.

#include "reftest.h"
#include "storetest.h"

#include "practices/practicepanel.h"
#include "printing/stampap.h"
#include "reference/binderpanel.h"
#include "reference/clientpanel.h"
#include "reference/sectorpanel.h"
#include "store/varie.h"

#include <QPushButton>

using namespace reftest;
using testsupport::AppFixture;
using ui::MsgIcon;

namespace {

const QString kVarie = QStringLiteral("Varie");

// Three binders without gaps, one sector.
void seedVarie(xl::Workbook& b) { storetest::seedVarie(b.Sheets(kVarie)); }

} // namespace

class TestSectorBinder : public QObject {
    Q_OBJECT

    std::unique_ptr<AppFixture> fx;
    xl::Worksheet* varie = nullptr;

    void start(const std::function<void(xl::Workbook&)>& seed = seedVarie) {
        fx.reset();
        fx = std::make_unique<AppFixture>();
        fx->writeWorkbook(seed);
        QVERIFY(fx->start());
        varie = &fx->sheet(kVarie);
    }
    // The records as the lookup tables read them back.
    store::BinderRecord binder(int row) { return store::readBinder(fx->form().book(), row); }
    store::SectorRecord sector(int row) { return store::readSector(fx->form().book(), row); }
    SectorPanel* sectors() {
        fx->form().MenuClassificazione_Click();
        return control<SectorPanel>(&fx->form(), "Frame4");
    }
    BinderPanel* binders() {
        fx->form().MenuRaccoglitore_Click();
        return control<BinderPanel>(&fx->form(), "Frame5");
    }

private slots:
    void cleanup() {
        // The fixture goes first, so that its scripted dialogs never outlive a
        // failed check and leave real boxes to the next test.
        const QString unexpected = fx ? fx->dialogs().verify() : QString();
        fx.reset();
        QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected));
    }

    void eachTableGrowsAtItsOwnFirstEmptyCell() {
        start();
        SectorPanel* s = sectors();
        QCOMPARE(items(control<QComboBox>(s, "Combo6")), QStringList({"Civile"}));
        control<QComboBox>(s, "Combo6")->setEditText(QStringLiteral("Penale"));
        control<QLineEdit>(s, "Text28")->setText(QStringLiteral("Cause penali"));
        fx->dialogs()
            .expectQuestion(QStringLiteral(" Vuoi Inserire questo SETTORE ?"), true, QStringLiteral("Velmora"))
            .expectMessage(QStringLiteral("SETTORE aggiunto con successo !"), QStringLiteral(" Velmora"),
                           MsgIcon::Information);
        control<QPushButton>(s, "Command1")->click();
        QCOMPARE(sector(3).name, QStringLiteral("Penale"));
        QCOMPARE(sector(3).description, QStringLiteral("Cause penali"));
        QCOMPARE(binder(3).number, QStringLiteral("11")); // binders untouched
        QCOMPARE(items(control<QComboBox>(s, "Combo6")), QStringList({"Civile", "Penale"}));
        QCOMPARE(control<QComboBox>(s, "Combo6")->currentText(), QString());
        QCOMPARE(control<QLineEdit>(s, "Text28")->text(), QString());
        QCOMPARE(diskText(*fx, kVarie, 3, 5), QString()); // the sector insert does not save

        BinderPanel* b = binders();
        QCOMPARE(items(control<QComboBox>(b, "Combo5")), QStringList({"10", "11", "12"}));
        control<QComboBox>(b, "Combo5")->setEditText(QStringLiteral("13"));
        control<QLineEdit>(b, "Text29")->setText(QStringLiteral("Nuovo"));
        control<QLineEdit>(b, "Text31")->setText(QStringLiteral("nota"));
        fx->dialogs()
            .expectQuestion(QStringLiteral(" Vuoi Inserire questo FALDONE ?"), true, QStringLiteral("Velmora"))
            .expectMessage(QStringLiteral("Faldone aggiunto con successo !"), QStringLiteral(" Velmora"),
                           MsgIcon::Information);
        control<QPushButton>(b, "Command6")->click();
        QCOMPARE(binder(5).number, QStringLiteral("13"));
        QCOMPARE(binder(5).description, QStringLiteral("Nuovo"));
        QCOMPARE(binder(5).notes, QStringLiteral("nota"));
        QCOMPARE(sector(4).name, QString());
        QCOMPARE(items(control<QComboBox>(b, "Combo5")), QStringList({"10", "11", "12", "13"}));
        // The binder insert saves, and the unsaved sector goes with it.
        QCOMPARE(diskText(*fx, kVarie, 5, 1), QStringLiteral("13"));
        QCOMPARE(diskText(*fx, kVarie, 3, 5), QStringLiteral("Penale"));
        QCOMPARE(cellText(*varie, 1, 4), QStringLiteral("ID"));
    }

    void emptyKeysAndNoAnswersWriteNothing() {
        start([](xl::Workbook& b) {
            seedVarie(b);
            put(b.Sheets(kVarie), 4, 5, xl::Value::text(QStringLiteral("Lavoro"))); // gap at E3
        });
        SectorPanel* s = sectors();
        fx->dialogs().expectMessage(QStringLiteral(" Il campo : SETTORE , deve essere compilato"),
                                    QStringLiteral("Velmora"), MsgIcon::Information);
        s->Command1_Click();
        control<QComboBox>(s, "Combo6")->setEditText(QStringLiteral("Tributario"));
        fx->dialogs().expectQuestion(QStringLiteral(" Vuoi Inserire questo SETTORE ?"), false);
        s->Command1_Click();
        QCOMPARE(control<QComboBox>(s, "Combo6")->currentText(), QStringLiteral("Tributario")); // the panel keeps it
        QCOMPARE(sector(3).name, QString());
        // Yes: the gap is filled first.
        fx->dialogs()
            .expectQuestion(QStringLiteral(" Vuoi Inserire questo SETTORE ?"), true)
            .expectMessage(QStringLiteral("SETTORE aggiunto con successo !"));
        s->Command1_Click();
        QCOMPARE(sector(3).name, QStringLiteral("Tributario"));
        QCOMPARE(sector(4).name, QStringLiteral("Lavoro"));
        QCOMPARE(diskText(*fx, kVarie, 3, 5), QString());

        // The binder's empty-key message still saves the file.
        BinderPanel* b = binders();
        fx->dialogs().expectMessage(QStringLiteral(" Il campo : NUMERO FALDONE , deve essere compilato"),
                                    QStringLiteral("Velmora"), MsgIcon::Information);
        b->Command6_Click();
        QCOMPARE(binder(5).number, QString());
        QCOMPARE(diskText(*fx, kVarie, 3, 5), QStringLiteral("Tributario"));
        control<QComboBox>(b, "Combo5")->setEditText(QStringLiteral("99"));
        fx->dialogs().expectQuestion(QStringLiteral(" Vuoi Inserire questo FALDONE ?"), false);
        b->Command6_Click();
        QCOMPARE(binder(5).number, QString());
    }

    void modifiesWriteTheChosenRowOnly() {
        start([](xl::Workbook& b) {
            seedVarie(b);
            put(b.Sheets(kVarie), 3, 5, xl::Value::text(QStringLiteral("Penale")));
        });
        SectorPanel* s = sectors();
        choose(control<QComboBox>(s, "Combo6"), 1);
        QCOMPARE(control<QComboBox>(s, "Combo6")->currentText(), QStringLiteral("Penale"));
        QCOMPARE(control<QLineEdit>(s, "Text28")->text(), QString());
        control<QLineEdit>(s, "Text28")->setText(QStringLiteral("Cause penali"));
        fx->dialogs().expectMessage(QStringLiteral(" Modificazione avvenuta !"), QStringLiteral("Velmora"),
                                    MsgIcon::Information);
        control<QPushButton>(s, "Command9")->click();
        QCOMPARE(sector(3).description, QStringLiteral("Cause penali"));
        QCOMPARE(sector(3).name, QStringLiteral("Penale"));
        QCOMPARE(items(control<QComboBox>(s, "Combo6")), QStringList({"Civile", "Penale"})); // not rebuilt
        QCOMPARE(diskText(*fx, kVarie, 3, 6), QString());

        // A typed name is no entry of the list: refused, the header row kept.
        const QString sectorRefused = QStringLiteral(" Il campo :  SETTORE , deve essere compilato");
        control<QComboBox>(s, "Combo6")->setEditText(QStringLiteral("Amministrativo"));
        control<QLineEdit>(s, "Text28")->setText(QStringLiteral("X"));
        fx->dialogs().expectMessage(sectorRefused, QStringLiteral("Velmora"), MsgIcon::Information);
        s->Command9_Click();
        choose(control<QComboBox>(s, "Combo6"), 0);
        control<QComboBox>(s, "Combo6")->setEditText(QStringLiteral("Civile e famiglia"));
        fx->dialogs().expectMessage(sectorRefused);
        s->Command9_Click();
        QCOMPARE(cellText(*varie, 1, 6), QStringLiteral("Descrizione"));
        QCOMPARE(sector(2).description, QStringLiteral("Cause civili"));

        BinderPanel* b = binders();
        choose(control<QComboBox>(b, "Combo5"), 2);
        QCOMPARE(control<QLineEdit>(b, "Text29")->text(), QStringLiteral("Faldone 12"));
        control<QLineEdit>(b, "Text29")->setText(QStringLiteral("Archivio 2020"));
        control<QLineEdit>(b, "Text31")->setText(QStringLiteral("scaffale 3"));
        fx->dialogs().expectMessage(QStringLiteral(" Modificazione avvenuta !"));
        control<QPushButton>(b, "Command8")->click();
        QCOMPARE(binder(4).number, QStringLiteral("12"));
        QCOMPARE(binder(4).description, QStringLiteral("Archivio 2020"));
        QCOMPARE(binder(4).notes, QStringLiteral("scaffale 3"));
        QCOMPARE(items(control<QComboBox>(b, "Combo5")), QStringList({"10", "11", "12"}));
        QCOMPARE(diskText(*fx, kVarie, 4, 2), QStringLiteral("Faldone 12"));

        const QString binderRefused = QStringLiteral(" Il campo :  NUMERO FALDONE , deve essere compilato");
        control<QComboBox>(b, "Combo5")->setEditText(QStringLiteral("77"));
        fx->dialogs().expectMessage(binderRefused, QStringLiteral("Velmora"), MsgIcon::Information);
        b->Command8_Click();
        QCOMPARE(cellText(*varie, 1, 1), QStringLiteral("Num.Faldone"));
        QCOMPARE(cellText(*varie, 1, 2), QStringLiteral("Descizione"));
        QCOMPARE(cellText(*varie, 1, 3), QStringLiteral("Nota"));
        control<QComboBox>(b, "Combo5")->setEditText(QString());
        fx->dialogs().expectMessage(binderRefused);
        b->Command8_Click();
    }

    void exitsSaveAndPrintCodes() {
        start();
        SectorPanel* s = sectors();
        control<QPushButton>(s, "Command13")->click();
        QCOMPARE(control<QLineEdit>(fx->form().stampaP(), "Text1")->text(), QStringLiteral("10"));
        control<QComboBox>(s, "Combo6")->setEditText(QStringLiteral("Penale"));
        fx->dialogs()
            .expectQuestion(QStringLiteral(" Vuoi Inserire questo SETTORE ?"), true)
            .expectMessage(QStringLiteral("SETTORE aggiunto con successo !"));
        s->Command1_Click();
        control<QPushButton>(s, "Command2")->click();
        QVERIFY(!shown(s));
        QCOMPARE(items(control<QComboBox>(s, "Combo6")), QStringList({"Civile", "Penale"})); // the list stays
        QCOMPARE(diskText(*fx, kVarie, 3, 5), QStringLiteral("Penale"));

        BinderPanel* b = binders();
        control<QPushButton>(b, "Command7")->click();
        QCOMPARE(control<QLineEdit>(fx->form().stampaP(), "Text1")->text(), QStringLiteral("9"));
        choose(control<QComboBox>(b, "Combo5"), 0);
        control<QLineEdit>(b, "Text31")->setText(QStringLiteral("rivisto"));
        fx->dialogs().expectMessage(QStringLiteral(" Modificazione avvenuta !"));
        b->Command8_Click();
        QCOMPARE(diskText(*fx, kVarie, 2, 3), QString());
        control<QPushButton>(b, "Command5")->click();
        QVERIFY(!shown(b));
        QCOMPARE(control<QComboBox>(b, "Combo5")->count(), 0);
        QCOMPARE(diskText(*fx, kVarie, 2, 3), QStringLiteral("rivisto"));
    }

    void focusAfterTheFirstAndLaterInserts() {
        start([](xl::Workbook&) {});
        SectorPanel* s = sectors();
        Form1& form = fx->form();
        // The first sector of the table: the focus stays where it was.
        control<QLineEdit>(s, "Text28")->setFocus();
        control<QComboBox>(s, "Combo6")->setEditText(QStringLiteral("Civile"));
        fx->dialogs()
            .expectQuestion(QStringLiteral(" Vuoi Inserire questo SETTORE ?"), true)
            .expectMessage(QStringLiteral("SETTORE aggiunto con successo !"));
        s->Command1_Click();
        QCOMPARE(sector(2).name, QStringLiteral("Civile"));
        QCOMPARE(items(control<QComboBox>(s, "Combo6")), QStringList({"Civile"}));
        QCOMPARE(form.focusWidget(), control<QLineEdit>(s, "Text28"));
        // From the second on the name box takes it.
        control<QLineEdit>(s, "Text28")->setFocus();
        control<QComboBox>(s, "Combo6")->setEditText(QStringLiteral("Penale"));
        fx->dialogs()
            .expectQuestion(QStringLiteral(" Vuoi Inserire questo SETTORE ?"), true)
            .expectMessage(QStringLiteral("SETTORE aggiunto con successo !"));
        s->Command1_Click();
        QCOMPARE(form.focusWidget(), control<QComboBox>(s, "Combo6"));

        // The binder takes it already for the first one, and saves it at once.
        BinderPanel* b = binders();
        QCOMPARE(control<QComboBox>(b, "Combo5")->count(), 0);
        control<QLineEdit>(b, "Text29")->setFocus();
        control<QComboBox>(b, "Combo5")->setEditText(QStringLiteral("1"));
        fx->dialogs()
            .expectQuestion(QStringLiteral(" Vuoi Inserire questo FALDONE ?"), true)
            .expectMessage(QStringLiteral("Faldone aggiunto con successo !"));
        b->Command6_Click();
        QCOMPARE(items(control<QComboBox>(b, "Combo5")), QStringList({"1"}));
        QCOMPARE(form.focusWidget(), control<QComboBox>(b, "Combo5"));
        QCOMPARE(diskText(*fx, kVarie, 2, 1), QStringLiteral("1"));
    }

    void practicePanelOffersWhatWasInsertedHere() {
        start();
        Form1& form = fx->form();
        form.MenuClienti_Click();
        control<QLineEdit>(control<ClientPanel>(&form, "Frame3"), "Text26")->setText(QStringLiteral("NERI ANNA"));
        fx->dialogs()
            .expectQuestion(QStringLiteral(" Vuoi Inserire questo Cliente ?"), true)
            .expectMessage(QStringLiteral(" Cliente aggiunto"));
        control<ClientPanel>(&form, "Frame3")->Command70_Click();
        SectorPanel* s = sectors();
        control<QComboBox>(s, "Combo6")->setEditText(QStringLiteral("Penale"));
        fx->dialogs()
            .expectQuestion(QStringLiteral(" Vuoi Inserire questo SETTORE ?"), true)
            .expectMessage(QStringLiteral("SETTORE aggiunto con successo !"));
        s->Command1_Click();
        BinderPanel* b = binders();
        control<QComboBox>(b, "Combo5")->setEditText(QStringLiteral("13"));
        fx->dialogs()
            .expectQuestion(QStringLiteral(" Vuoi Inserire questo FALDONE ?"), true)
            .expectMessage(QStringLiteral("Faldone aggiunto con successo !"));
        b->Command6_Click();

        form.MenuPratiche_Click();
        QVERIFY(items(control<QComboBox>(&form, "Frame1", "Combo1")).contains(QStringLiteral("NERI ANNA")));
        QVERIFY(items(control<QComboBox>(&form, "Frame1", "Combo2")).contains(QStringLiteral("Penale")));
        QVERIFY(items(control<QComboBox>(&form, "Frame1", "Combo3")).contains(QStringLiteral("13")));
    }
};

QTEST_MAIN(TestSectorBinder)
#include "tst_sectorbinder.moc"
