// The main window at work: panel switching, the form-wide reset and its
// cascade, the practice list and the loaders, activation, saving, the backup
// copy, the ways out, the clock, the links and the calendar.

#include "tests/support/app_fixture.h"

#include "app/form1.h"
#include "ledger/ledgerpanel.h"
#include "platform/desktop/calendario.h"
#include "platform/desktop/controls.h"
#include "platform/desktop/shell.h"
#include "platform/engine/vbconv.h"
#include "platform/xls/xlsfile.h"
#include "practices/numberchooser.h"
#include "practices/practicepanel.h"
#include "practices/scannerform.h"
#include "practices/searchpanel.h"
#include "printing/stampap.h"
#include "reference/binderpanel.h"
#include "reference/clientpanel.h"
#include "reference/sectorpanel.h"
#include "store/lockprobe.h"
#include "store/schema.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <deque>

using testsupport::AppFixture;
using testsupport::control;

namespace {

const QString kVelmora = QStringLiteral("Velmora");

// Records what the program asks the desktop to open.
struct ShellRecorder {
    explicit ShellRecorder(bool answer = true) {
        shell::setOpenHook([this, answer](const QUrl& u) {
            urls << u;
            return answer;
        });
    }
    ~ShellRecorder() { shell::setOpenHook({}); }
    QList<QUrl> urls;
};

void practice(xl::Worksheet& s, int row, const xl::Value& number, const QString& client, const QString& estimate) {
    s.Cells(row, 1).SetValue(number);
    s.Cells(row, 3).SetValue(xl::Value(client));
    s.Cells(row, 12).SetValue(xl::Value(estimate));
}

QStringList items(const QComboBox* c) {
    QStringList out;
    for (int i = 0; i < c->count(); ++i) out << c->itemText(i);
    return out;
}

QStringList column(const ListView* l, int col) {
    QStringList out;
    for (int i = 0; i < l->itemCount(); ++i) out << l->itemText(i, col);
    return out;
}

// Reference data with a gap in every list.
void referenceData(xl::Workbook& b) {
    xl::Worksheet& varie = b.Sheets(store::kVarie);
    varie.GetRange("A2").SetValue(xl::Value("F1"));
    varie.GetRange("A3").SetValue(xl::Value(2));
    varie.GetRange("A5").SetValue(xl::Value("NASCOSTO"));
    varie.GetRange("E2").SetValue(xl::Value("CIVILE"));
    varie.GetRange("E3").SetValue(xl::Value("PENALE"));
    xl::Worksheet& cliente = b.Sheets(store::kCliente);
    cliente.GetRange("A2").SetValue(xl::Value(1));
    cliente.GetRange("B2").SetValue(xl::Value("ROSSI MARIO"));
    cliente.GetRange("A3").SetValue(xl::Value(2));
    cliente.GetRange("B3").SetValue(xl::Value("BIANCHI SRL"));
    cliente.GetRange("B5").SetValue(xl::Value("DOPO IL BUCO"));
    xl::Worksheet& pratica = b.Sheets(store::kPratica);
    practice(pratica, 2, xl::Value(5), "ROSSI MARIO", "100,00");
    practice(pratica, 3, xl::Value(2), "BIANCHI SRL", "2.000,00");
    practice(pratica, 5, xl::Value(9), "DOPO IL BUCO", "1,00");
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void panelSwitching_data() {
        QTest::addColumn<QString>("handler");
        QTest::addColumn<QString>("expected"); // F1 F2 F3 F4 F5 F6 F8 Toolbar1
        QTest::newRow("start-up") << "Form_Load"
                                  << "HHHHHHHH";
        QTest::newRow("practices") << "MenuPratiche_Click"
                                   << "SHHHHHHS";
        QTest::newRow("clients") << "MenuClienti_Click"
                                 << "HHSHHHHH";
        QTest::newRow("sectors") << "MenuClassificazione_Click"
                                 << "HHHSHHHH";
        QTest::newRow("binders") << "MenuRaccoglitore_Click"
                                 << "HHHHSHHH";
    }
    void panelSwitching() {
        QFETCH(QString, handler);
        QFETCH(QString, expected);
        AppFixture fx;
        fx.writeWorkbook(referenceData);
        QVERIFY(fx.start());
        Form1& f = fx.form();
        const QList<QWidget*> targets{control<PracticePanel>(&f, "Frame1"), control<NumberChooserPanel>(&f, "Frame2"),
                                      control<ClientPanel>(&f, "Frame3"),   control<SectorPanel>(&f, "Frame4"),
                                      control<BinderPanel>(&f, "Frame5"),   control<SearchPanel>(&f, "Frame6"),
                                      control<LedgerPanel>(&f, "Frame8"),   control<QToolBar>(&f, "Toolbar1")};
        if (handler != "Form_Load") {
            // From a state where everything shows, so that each hide counts.
            for (QWidget* w : targets) w->setVisible(true);
            QVERIFY(QMetaObject::invokeMethod(&f, [&] {
                if (handler == "MenuPratiche_Click")
                    f.MenuPratiche_Click();
                else if (handler == "MenuClienti_Click")
                    f.MenuClienti_Click();
                else if (handler == "MenuClassificazione_Click")
                    f.MenuClassificazione_Click();
                else if (handler == "MenuRaccoglitore_Click")
                    f.MenuRaccoglitore_Click();
            }));
        }
        QString got;
        for (QWidget* w : targets) got += shown(w) ? 'S' : 'H';
        QCOMPARE(got, expected);
        QVERIFY2(fx.dialogs().verify().isEmpty(), qPrintable(fx.dialogs().verify()));
    }

    void menuItemsFillTheirListsOnceAndFocus() {
        AppFixture fx;
        fx.writeWorkbook(referenceData);
        QVERIFY(fx.start());
        Form1& f = fx.form();
        for (int twice = 0; twice < 2; ++twice) {
            f.MenuPratiche_Click();
            QCOMPARE(items(control<QComboBox>(&f, "Frame1", "Combo3")), (QStringList{"F1", "2"}));
            QCOMPARE(items(control<QComboBox>(&f, "Frame1", "Combo1")), (QStringList{"ROSSI MARIO", "BIANCHI SRL"}));
            QCOMPARE(items(control<QComboBox>(&f, "Frame1", "Combo2")), (QStringList{"CIVILE", "PENALE"}));
            // Filling a list chooses no entry.
            QCOMPARE(control<QComboBox>(&f, "Frame1", "Combo1")->currentText(), QString());
            QCOMPARE(f.focusWidget(), control<QLineEdit>(&f, "Frame1", "Text2"));
            QCOMPARE(f.book().application().ActiveSheet().Name(), store::kPratica);
        }
        for (int twice = 0; twice < 2; ++twice) {
            f.MenuRaccoglitore_Click();
            QCOMPARE(items(control<QComboBox>(&f, "Frame5", "Combo5")), (QStringList{"F1", "2"}));
            QCOMPARE(f.focusWidget(), control<QComboBox>(&f, "Frame5", "Combo5"));
            QCOMPARE(f.book().application().ActiveSheet().Name(), store::kVarie);
            f.MenuClassificazione_Click();
            QCOMPARE(items(control<QComboBox>(&f, "Frame4", "Combo6")), (QStringList{"CIVILE", "PENALE"}));
            QCOMPARE(f.focusWidget(), control<QComboBox>(&f, "Frame4", "Combo6"));
            f.MenuClienti_Click();
            QCOMPARE(items(control<QComboBox>(&f, "Frame3", "Combo4")), (QStringList{"ROSSI MARIO", "BIANCHI SRL"}));
        }
        for (int twice = 0; twice < 2; ++twice) {
            control<SearchPanel>(&f, "Frame6")->LoadSearchClientCombo();
            control<LedgerPanel>(&f, "Frame8")->LoadLedgerPracticeCombo();
        }
        QCOMPARE(items(control<QComboBox>(&f, "Frame6", "Combo7")), (QStringList{"ROSSI MARIO", "BIANCHI SRL"}));
        QCOMPARE(items(control<QComboBox>(&f, "Frame8", "Combo8")),
                 (QStringList{"2", "5"})); // sorted by the resets above
        QCOMPARE(f.book().application().ActiveSheet().Name(), store::kPratica);
        QVERIFY2(fx.dialogs().verify().isEmpty(), qPrintable(fx.dialogs().verify()));
    }

    void emptyListsAndTheClientCounter() {
        AppFixture fx;
        fx.writeWorkbook();
        QVERIFY(fx.start());
        Form1& f = fx.form();
        f.MenuRaccoglitore_Click();
        QCOMPARE(control<QComboBox>(&f, "Frame5", "Combo5")->count(), 0);
        QCOMPARE(f.focusWidget(), control<QComboBox>(&f, "Frame5", "Combo5"));
        QVERIFY(fx.sheet(store::kCliente).GetRange("IV1").GetValue().isEmpty());
        f.MenuClienti_Click();
        QCOMPARE(fx.sheet(store::kCliente).GetRange("IV1").GetValue().numberValue(), 1.0);
        QCOMPARE(control<QLineEdit>(&f, "Frame3", "Text10")->text(), QStringLiteral("1"));
        // A counter already there is shown, not reset.
        fx.sheet(store::kCliente).GetRange("IV1").SetValue(xl::Value(17));
        f.MenuClienti_Click();
        QCOMPARE(control<QLineEdit>(&f, "Frame3", "Text10")->text(), QStringLiteral("17"));
    }

    void resetEmptiesTextsUnticksBoxesAndCascades() {
        AppFixture fx;
        fx.writeWorkbook([](xl::Workbook& b) {
            referenceData(b);
            b.Sheets(store::kCliente).GetRange("IV1").SetValue(xl::Value(42));
        });
        QVERIFY(fx.start());
        Form1& f = fx.form();
        f.MenuPratiche_Click();
        f.requestPrint(7);
        const QString ipLabel = control<QLabel>(&f, "Label45")->text();
        const int clients = control<QComboBox>(&f, "Frame1", "Combo1")->count();

        QList<QCheckBox*> untick, keep;
        for (const char* n : {"Check1", "Check2", "Check3", "Check4", "Check5", "Check6", "Check7", "Check10"})
            untick << f.findChild<QCheckBox*>(n);
        for (const char* n : {"Check8", "Check9", "Check11", "Check12", "Check13", "Check14", "Check15", "Check17"})
            if (auto* c = f.findChild<QCheckBox*>(n)) keep << c;
        QVERIFY(!untick.contains(nullptr));
        QVERIFY(keep.size() >= 3);
        {
            // The starting state is set without running the panels' handlers.
            std::deque<QSignalBlocker> quiet;
            for (QCheckBox* c : untick + keep) {
                quiet.emplace_back(c);
                c->setChecked(true);
            }
            for (QLineEdit* e : f.findChildren<QLineEdit*>()) {
                quiet.emplace_back(e);
                e->setText(QStringLiteral("x"));
            }
            quiet.emplace_back(control<QComboBox>(&f, "Frame1", "Combo1"));
            control<QComboBox>(&f, "Frame1", "Combo1")->setEditText(QStringLiteral("ROSSI MARIO"));
            quiet.emplace_back(control<MultiLineTextBox>(&f, "Frame1", "Text6"));
            control<MultiLineTextBox>(&f, "Frame1", "Text6")->setText(QStringLiteral("nota"));
        }
        control<QLineEdit>(&f, "Frame8", "Text39")->setReadOnly(true);

        QSignalSpy textTyped(control<QLineEdit>(&f, "Frame1", "Text3"), &QLineEdit::textChanged);
        QSignalSpy comboTyped(control<QComboBox>(&f, "Frame1", "Combo1"), &QComboBox::editTextChanged);
        QSignalSpy noteTyped(control<MultiLineTextBox>(&f, "Frame1", "Text6"), &MultiLineTextBox::textChanged);
        QSignalSpy boxClicked(untick[1], &QCheckBox::toggled);
        QSignalSpy keptClicked(keep[0], &QCheckBox::toggled);

        f.ResetForm();

        for (QLineEdit* e : f.findChildren<QLineEdit*>()) {
            if (e == control<QLineEdit>(&f, "Frame3", "Text10") || qobject_cast<QComboBox*>(e->parentWidget()))
                continue;
            QVERIFY2(e->text().isEmpty(), qPrintable(e->objectName()));
        }
        QVERIFY(control<QLineEdit>(&f, "Frame8", "Text39")->text().isEmpty());
        QCOMPARE(control<QComboBox>(&f, "Frame1", "Combo1")->currentText(), QString());
        QCOMPARE(control<MultiLineTextBox>(&f, "Frame1", "Text6")->text(), QString());
        for (QCheckBox* c : untick) QVERIFY2(!c->isChecked(), qPrintable(c->objectName()));
        for (QCheckBox* c : keep) QVERIFY2(c->isChecked(), qPrintable(c->objectName()));
        // Each change ran its handler once, as typing or a click would.
        QCOMPARE(textTyped.count(), 1);
        QCOMPARE(comboTyped.count(), 1);
        QVERIFY(noteTyped.count() >= 1);
        QCOMPARE(boxClicked.count(), 1);
        QCOMPARE(boxClicked.at(0).at(0).toBool(), false);
        QCOMPARE(keptClicked.count(), 0);
        // What is no text is left: captions, lists, the other forms.
        QCOMPARE(control<QLabel>(&f, "Label45")->text(), ipLabel);
        QCOMPARE(control<QComboBox>(&f, "Frame1", "Combo1")->count(), clients);
        QCOMPARE(control<QLineEdit>(f.stampaP(), "Text1")->text(), QStringLiteral("7"));
        QCOMPARE(control<QLineEdit>(&f, "Frame3", "Text10")->text(), QStringLiteral("42"));
        QCOMPARE(f.book().application().ActiveSheet().Name(), store::kPratica);
        QVERIFY(shown(control<PracticePanel>(&f, "Frame1")));

        // A second reset changes nothing, so no handler runs again.
        f.ResetForm();
        QCOMPARE(textTyped.count(), 1);
        QCOMPARE(boxClicked.count(), 1);
    }

    void resetLeavesTheScannerFormAlone() {
        // The scanner form keeps the name of the document it acquired while
        // the panels reset the main window after an insert or a modify.
        AppFixture fx;
        fx.writeWorkbook();
        QVERIFY(fx.start());
        Form1& f = fx.form();
        f.MenuPratiche_Click();
        Form5& scanner = control<PracticePanel>(&f, "Frame1")->scannerForm();
        control<QLineEdit>(&scanner, "Text1")->setText(QStringLiteral("contratto.bmp"));
        control<QLineEdit>(&f, "Frame1", "Text3")->setText(QStringLiteral("oggetto"));
        f.ResetForm();
        QCOMPARE(control<QLineEdit>(&f, "Frame1", "Text3")->text(), QString());
        QCOMPARE(control<QLineEdit>(&scanner, "Text1")->text(), QStringLiteral("contratto.bmp"));
    }

    void readOnlyWorkbookIsNotSavedOver() {
        AppFixture fx;
        fx.writeWorkbook();
        QVERIFY(fx.start());
        Form1& f = fx.form();
        auto digest = [&] {
            QFile file(fx.workbookPath());
            return file.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
                                                  : QByteArray();
        };
        const QByteArray before = digest();
        const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
        QVERIFY(QFile::setPermissions(fx.workbookPath(), readOnly));
        fx.sheet(store::kVarie).GetRange("A2").SetValue(xl::Value("F7"));

        QVERIFY(!f.SaveWorkbook());
        QCOMPARE(int(fx.dialogs().shown.size()), 1);
        const testsupport::Box box = fx.dialogs().shown.front();
        QCOMPARE(box.title, kVelmora);
        QCOMPARE(box.icon, ui::MsgIcon::Critical);
        QVERIFY2(box.text.contains(QStringLiteral("sola lettura")), qPrintable(box.text));
        QCOMPARE(digest(), before);
        const QFile::Permissions writeBits = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
        QCOMPARE(QFile::permissions(fx.workbookPath()) & writeBits, QFile::Permissions());
        QCOMPARE(fx.sheet(store::kVarie).GetRange("A2").Text(), QStringLiteral("F7"));

        // The exit asks before it leaves the change unsaved.
        fx.dialogs().clear();
        fx.dialogs().expectQuestion(QString(), false, kVelmora);
        f.MenuEsci_Click();
        QVERIFY2(fx.dialogs().verify().isEmpty(), qPrintable(fx.dialogs().verify()));
        QVERIFY(!f.ended());
        QCOMPARE(digest(), before);

        // Writable again: the next save goes through.
        QVERIFY(QFile::setPermissions(fx.workbookPath(), readOnly | QFile::WriteOwner));
        QVERIFY(f.SaveWorkbook());
        QCOMPARE(fx.onDisk()->Sheets(store::kVarie).GetRange("A2").Text(), QStringLiteral("F7"));
    }

    void practiceListAndSort() {
        AppFixture fx;
        fx.writeWorkbook(referenceData);
        QVERIFY(fx.start());
        Form1& f = fx.form();
        ListView* list = control<ListView>(&f, "Frame1", "ListView1");
        // The first activation lists the sheet as it is, up to the gap.
        QCOMPARE(column(list, 0), (QStringList{"5", "2"}));
        QCOMPARE(column(list, 2), (QStringList{"ROSSI MARIO", "BIANCHI SRL"}));
        QCOMPARE(column(list, 11), (QStringList{"100,00", "2.000,00"}));

        // The reset builds the list before it sorts the sheet.
        f.ResetForm();
        QCOMPARE(column(list, 0), (QStringList{"5", "2"}));
        xl::Worksheet& pratica = fx.sheet(store::kPratica);
        QCOMPARE(pratica.GetRange("A2").Text(), QStringLiteral("2"));
        QCOMPARE(pratica.GetRange("L2").Text(), QStringLiteral("2.000,00"));
        QCOMPARE(pratica.GetRange("C3").Text(), QStringLiteral("ROSSI MARIO"));
        QCOMPARE(pratica.GetRange("L3").Text(), QStringLiteral("100,00"));
        QCOMPARE(pratica.GetRange("A5").Text(), QStringLiteral("9"));
        for (int twice = 0; twice < 2; ++twice) {
            control<PracticePanel>(&f, "Frame1")->FillPracticeList();
            QCOMPARE(column(list, 0), (QStringList{"2", "5"}));
            QCOMPARE(column(list, 11), (QStringList{"2.000,00", "100,00"}));
        }
        QCOMPARE(list->columnCount(), 12);
    }

    void practiceListKeepsEveryHeaderInView() {
        AppFixture fx;
        fx.writeWorkbook();
        QVERIFY(fx.start());
        Form1& f = fx.form();
        f.MenuPratiche_Click();
        ListView* list = control<ListView>(&f, "Frame1", "ListView1");
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        auto shownTotal = [&] {
            int sum = 0;
            for (int c = 0; c < list->columnCount(); ++c) sum += list->columnWidth(c);
            return sum;
        };
        // Narrower than the given widths: every column shrinks in proportion.
        list->setFixedWidth(600);
        QVERIFY(QTest::qWaitFor([&] { return list->viewport()->width() < 600; }, 2000));
        QVERIFY2(shownTotal() <= list->viewport()->width(),
                 qPrintable(QStringLiteral("%1 in %2").arg(shownTotal()).arg(list->viewport()->width())));
        QVERIFY(list->columnWidth(2) > list->columnWidth(0));
        QCOMPARE(list->columnWidth(2), list->columnWidth(3));
        // With room enough each column has the width it was given.
        list->setFixedWidth(1400);
        QVERIFY(QTest::qWaitFor([&] { return list->viewport()->width() > 1200; }, 2000));
        for (int c = 0; c < 12; ++c) QCOMPARE(list->columnWidth(c), list->naturalColumnWidth(c));
    }

    void activationRestoresHeadersAndComesFromOwnFormsOnly() {
        AppFixture fx;
        fx.writeWorkbook(
            [](xl::Workbook& b) { b.Sheets(store::kPratica).GetRange("C1").SetValue(xl::Value("Clienti a mano")); });
        QVERIFY(fx.start());
        Form1& f = fx.form();
        // Edited in the file: back at the first activation.
        QCOMPARE(fx.sheet(store::kPratica).GetRange("C1").Text(), QStringLiteral("Cliente"));
        QCOMPARE(control<ListView>(&f, "Frame1", "ListView1")->columnCaption(2), QStringLiteral("Cliente"));
        const int first = f.activations();

        // Edited while running: back when the user returns from one of the
        // program's forms.
        fx.sheet(store::kPratica).GetRange("C1").SetValue(xl::Value("Altro"));
        fx.sheet(store::kPratica).GetRange("A2").SetValue(xl::Value(31));
        f.requestPrint(8);
        StampaP* printer = f.stampaP();
        QVERIFY(QTest::qWaitForWindowExposed(printer));
        printer->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(printer));
        printer->hide();
        f.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QVERIFY(QTest::qWaitFor([&] { return f.activations() == first + 1; }, 2000));
        QCOMPARE(fx.sheet(store::kPratica).GetRange("C1").Text(), QStringLiteral("Cliente"));
        QCOMPARE(control<ListView>(&f, "Frame1", "ListView1")->columnCaption(2), QStringLiteral("Cliente"));
        QCOMPARE(column(control<ListView>(&f, "Frame1", "ListView1"), 0), QStringList{"31"});

        // A message box is no form of the program: coming back from it does
        // not lay the workbook out again.
        auto* box = new QMessageBox(QMessageBox::Information, kVelmora, QStringLiteral("prova"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->show();
        box->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(box));
        box->close();
        f.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QTest::qWait(50);
        QCOMPARE(f.activations(), first + 1);

        // Nor is another program: the window loses the focus to no window of
        // ours and gets it back.
        QApplication::setActiveWindow(nullptr);
        QVERIFY(QTest::qWaitFor([&] { return !f.isActiveWindow(); }, 2000));
        f.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QTest::qWait(50);
        QCOMPARE(f.activations(), first + 1);
    }

    void saveReportsAFailureAndKeepsTheChanges() {
        AppFixture fx;
        fx.writeWorkbook();
        QVERIFY(fx.start());
        Form1& f = fx.form();
        fx.sheet(store::kVarie).GetRange("A2").SetValue(xl::Value("F9"));
        // A folder where the file should be: no save can replace it.
        QVERIFY(QFile::remove(fx.workbookPath()));
        QVERIFY(QDir(fx.folder()).mkdir(store::kWorkbookFileName));
        QVERIFY(!f.SaveWorkbook());
        QCOMPARE(int(fx.dialogs().shown.size()), 1);
        const testsupport::Box box = fx.dialogs().shown.front();
        QCOMPARE(box.title, kVelmora);
        QCOMPARE(box.icon, ui::MsgIcon::Critical);
        QVERIFY2(box.text.contains(QStringLiteral("non sono state scritte nel file")), qPrintable(box.text));
        fx.dialogs().clear();
        QCOMPARE(fx.sheet(store::kVarie).GetRange("A2").Text(), QStringLiteral("F9"));

        QVERIFY(QDir(fx.folder()).rmdir(store::kWorkbookFileName));
        QVERIFY(f.SaveWorkbook());
        QVERIFY(fx.dialogs().shown.empty());
        QCOMPARE(fx.onDisk()->Sheets(store::kVarie).GetRange("A2").Text(), QStringLiteral("F9"));
    }

    void backupCopyAndALaterSave() {
        AppFixture fx;
        fx.writeWorkbook(referenceData);
        QVERIFY(fx.start());
        Form1& f = fx.form();
        const QString backup = fx.folder() + "/Backup/PraticheBackup.xls";

        fx.dialogs()
            .expectQuestion(" Vuoi eseguire una copia del database ?", false, kVelmora)
            .expectMessage(" Operazione Annullata", kVelmora, ui::MsgIcon::Information);
        f.MSalvataggio_Click();
        QVERIFY(!QFileInfo::exists(backup));

        fx.sheet(store::kVarie).GetRange("B2").SetValue(xl::Value("prima della copia"));
        fx.dialogs()
            .expectQuestion(" Vuoi eseguire una copia del database ?", true, kVelmora)
            .expectMessage(" Salvataggio Eseguito Correttamente , il file creato è : PraticheBackup.xls\r\n"
                           " Per ripristinare un salvataggio , guarda come fare nelle istruzioni",
                           kVelmora, ui::MsgIcon::Information);
        f.MSalvataggio_Click();
        QVERIFY2(fx.dialogs().verify().isEmpty(), qPrintable(fx.dialogs().verify()));
        QVERIFY(f.book().application().EnableEvents);
        QCOMPARE(f.book().application().ActiveWorkbook().FullName(), fx.workbookPath());

        // The copy opens with the workbook password and holds the unsaved change.
        auto copy = xls::readWorkbook(backup, store::workbookPassword());
        QCOMPARE(copy->Sheets(store::kVarie).GetRange("B2").Text(), QStringLiteral("prima della copia"));
        QVERIFY_THROWS_EXCEPTION(xls::FileError, xls::readWorkbook(backup, QStringLiteral("sbagliata")));

        // A later save goes to Pratiche.xls; the copy stays as it was.
        fx.sheet(store::kVarie).GetRange("B2").SetValue(xl::Value("dopo la copia"));
        QVERIFY(f.SaveWorkbook());
        QCOMPARE(fx.onDisk()->Sheets(store::kVarie).GetRange("B2").Text(), QStringLiteral("dopo la copia"));
        QCOMPARE(xls::readWorkbook(backup, store::workbookPassword())->Sheets(store::kVarie).GetRange("B2").Text(),
                 QStringLiteral("prima della copia"));
    }

    void backupThatCannotBeWrittenIsReported() {
        AppFixture fx;
        fx.writeWorkbook();
        QVERIFY(fx.start());
        QVERIFY(QDir(fx.folder() + "/Backup").removeRecursively());
        fx.dialogs().expectQuestion(" Vuoi eseguire una copia del database ?", true, kVelmora);
        fx.form().MSalvataggio_Click();
        QCOMPARE(int(fx.dialogs().shown.size()), 2);
        const testsupport::Box box = fx.dialogs().shown.back();
        QCOMPARE(box.icon, ui::MsgIcon::Critical);
        QCOMPARE(box.title, kVelmora);
        QVERIFY2(box.text.startsWith(QStringLiteral("Impossibile eseguire la copia del database")),
                 qPrintable(box.text));
        QVERIFY(!box.text.contains(QStringLiteral("Correttamente")));
        QVERIFY(!QFileInfo::exists(fx.folder() + "/Backup/PraticheBackup.xls"));
        QVERIFY(fx.form().book().application().EnableEvents);
    }

    void exitSavesEvenWithNothingChanged() {
        AppFixture fx;
        fx.writeWorkbook(referenceData);
        QVERIFY(fx.start());
        QSignalSpy ended(&fx.form(), &Form1::programEnded);
        // Without the file on disk, only a save can bring it back.
        QVERIFY(QFile::remove(fx.workbookPath()));
        fx.form().MenuEsci_Click();
        QVERIFY(fx.dialogs().shown.empty());
        QVERIFY(fx.form().ended());
        QCOMPARE(ended.count(), 1);
        QCOMPARE(fx.onDisk()->Sheets(store::kCliente).GetRange("B2").Text(), QStringLiteral("ROSSI MARIO"));
        QVERIFY(!fx.form().book().application().hasWorkbook());
        QVERIFY(!control<QTimer>(&fx.form(), "Timer2")->isActive());
    }

    void exitWhenTheSaveFailsAsksFirst() {
        AppFixture fx;
        fx.writeWorkbook();
        QVERIFY(fx.start());
        Form1& f = fx.form();
        QVERIFY(QFile::remove(fx.workbookPath()));
        QVERIFY(QDir(fx.folder()).mkdir(store::kWorkbookFileName));
        fx.dialogs().expectQuestion(QString(), false, kVelmora);
        f.MenuEsci_Click();
        QVERIFY2(fx.dialogs().verify().isEmpty(), qPrintable(fx.dialogs().verify()));
        QVERIFY(fx.dialogs().shown.front().text.contains(QStringLiteral("Vuoi uscire senza salvare?")));
        QVERIFY(!f.ended());
        QVERIFY(f.book().application().hasWorkbook());

        fx.dialogs().expectQuestion(QString(), true, kVelmora);
        f.MenuEsci_Click();
        QVERIFY(f.ended());
        QVERIFY2(fx.dialogs().verify().isEmpty(), qPrintable(fx.dialogs().verify()));
    }

    void closeBoxIsRefused() {
        AppFixture fx;
        fx.writeWorkbook();
        QVERIFY(fx.start());
        Form1& f = fx.form();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        QVERIFY(!f.close());
        QVERIFY(f.isVisible());
        QVERIFY(!f.ended());
        QVERIFY(fx.dialogs().shown.empty());
        QVERIFY(f.book().application().hasWorkbook());
    }

    void handOverSavesReleasesAndOpensTheWorkbook() {
        AppFixture fx;
        fx.writeWorkbook();
        QVERIFY(fx.start());
        Form1& f = fx.form();
        ShellRecorder desktop;
        fx.sheet(store::kVarie).GetRange("E2").SetValue(xl::Value("TRIBUTARIO"));
        f.MnExcel_Click();
        QVERIFY(f.ended());
        QCOMPARE(desktop.urls, QList<QUrl>{QUrl::fromLocalFile(fx.workbookPath())});
        QVERIFY(fx.dialogs().shown.empty());
        QCOMPARE(fx.onDisk()->Sheets(store::kVarie).GetRange("E2").Text(), QStringLiteral("TRIBUTARIO"));
        // The desktop program must be able to take the file: no lock of ours is left.
        QVERIFY(!store::IsFileLocked(fx.workbookPath()));
    }

    void handOverWithoutADesktopProgramSaysSo() {
        AppFixture fx;
        fx.writeWorkbook();
        QVERIFY(fx.start());
        ShellRecorder desktop(false);
        fx.sheet(store::kVarie).GetRange("E2").SetValue(xl::Value("LAVORO"));
        fx.dialogs().expectMessage(QString(), kVelmora, ui::MsgIcon::Information);
        fx.form().MnExcel_Click();
        QVERIFY2(fx.dialogs().verify().isEmpty(), qPrintable(fx.dialogs().verify()));
        QVERIFY(fx.form().ended());
        QCOMPARE(fx.onDisk()->Sheets(store::kVarie).GetRange("E2").Text(), QStringLiteral("LAVORO"));
    }

    void clockLinksAndHelp() {
        AppFixture fx;
        fx.writeWorkbook();
        QVERIFY(fx.start());
        Form1& f = fx.form();
        f.MenuClienti_Click();
        // The clock runs while another panel is open.
        QVERIFY(QTest::qWaitFor([&] { return !control<QLineEdit>(&f, "Frame1", "Text8")->text().isEmpty(); }, 2500));
        QVERIFY2(QRegularExpression(QStringLiteral("^Ore\\.\\.\\.\\d\\d:\\d\\d:\\d\\d$"))
                     .match(control<QLineEdit>(&f, "Frame1", "Text8")->text())
                     .hasMatch(),
                 qPrintable(control<QLineEdit>(&f, "Frame1", "Text8")->text()));

        ShellRecorder desktop;
        f.Command40_Click();
        QTest::mouseClick(control<ImageLabel>(&f, "Image1"), Qt::RightButton);
        QCOMPARE(desktop.urls.size(), 2);
        QCOMPARE(desktop.urls[0], QUrl::fromLocalFile(fx.folder() + "/Guida.pdf"));
        QCOMPARE(desktop.urls[1], QUrl(Form1::siteAddress()));
        QCOMPARE(control<ImageLabel>(&f, "Image1")->frameShape(), QFrame::Box);
        QVERIFY(fx.dialogs().shown.empty());
    }

    void calendarTargets_data() {
        QTest::addColumn<int>("panel"); // 1 practices, 3 clients, 8 ledger
        QTest::newRow("practices") << 1;
        QTest::newRow("clients") << 3;
        QTest::newRow("ledger") << 8;
    }
    void calendarTargets() {
        QFETCH(int, panel);
        AppFixture fx;
        fx.writeWorkbook();
        QVERIFY(fx.start());
        Form1& f = fx.form();
        for (QWidget* w : QList<QWidget*>{control<PracticePanel>(&f, "Frame1"), control<ClientPanel>(&f, "Frame3"),
                                          control<LedgerPanel>(&f, "Frame8")})
            w->hide();
        QWidget* frame = panel == 1   ? static_cast<QWidget*>(control<PracticePanel>(&f, "Frame1"))
                         : panel == 3 ? static_cast<QWidget*>(control<ClientPanel>(&f, "Frame3"))
                                      : control<LedgerPanel>(&f, "Frame8");
        frame->show();
        QLineEdit* fields[] = {control<QLineEdit>(&f, "Frame1", "Text2"), control<QLineEdit>(&f, "Frame3", "Text18"),
                               control<QLineEdit>(&f, "Frame8", "Text33")};
        QAbstractButton* toggles[] = {control<QCheckBox>(&f, "Frame1", "Check1"),
                                      control<QCheckBox>(&f, "Frame3", "Check4"),
                                      control<QRadioButton>(&f, "Frame8", "Option1")};
        for (int i = 0; i < 3; ++i) {
            QSignalBlocker q1(fields[i]), q2(toggles[i]);
            fields[i]->setText(QStringLiteral("vecchia"));
            toggles[i]->setChecked(true);
        }
        const int target = panel == 1 ? 0 : panel == 3 ? 1 : 2;

        QPointer<Calendario> cal = f.calendario();
        QCOMPARE(cal->findChild<QCalendarWidget*>()->selectedDate(), QDate::currentDate());
        cal->show();
        cal->findChild<QCalendarWidget*>()->setSelectedDate(QDate(2024, 3, 5));
        cal->Calendario_DateClick();
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(fields[i]->text(), i == target ? QStringLiteral("05/03/2024") : QStringLiteral("vecchia"));
            // The ledger's option is cleared whenever the form closes.
            QCOMPARE(toggles[i]->isChecked(), !(i == target || i == 2));
        }
        // The form unloads after the pick; the next loading is a new one on today.
        QVERIFY(QTest::qWaitFor([&] { return cal.isNull(); }, 2000));
        Calendario* again = f.calendario();
        QCOMPARE(again->findChild<QCalendarWidget*>()->selectedDate(), QDate::currentDate());
        QVERIFY2(fx.dialogs().verify().isEmpty(), qPrintable(fx.dialogs().verify()));
    }

    void calendarWithNoPanelOrClosed() {
        AppFixture fx;
        fx.writeWorkbook();
        QVERIFY(fx.start());
        Form1& f = fx.form();
        QPointer<Calendario> cal = f.calendario();
        cal->show();
        control<QRadioButton>(&f, "Frame8", "Option1")->setChecked(true);
        cal->findChild<QCalendarWidget*>()->setSelectedDate(QDate(2024, 3, 5));
        cal->Calendario_DateClick();
        // No panel open: nothing written, the form stays.
        QVERIFY(!cal.isNull());
        QVERIFY(cal->isVisible());
        QVERIFY(control<QLineEdit>(&f, "Frame1", "Text2")->text().isEmpty());
        QVERIFY(control<QRadioButton>(&f, "Frame8", "Option1")->isChecked());
        // Its close box writes no date and clears the ledger's option.
        QVERIFY(cal->close());
        QVERIFY(!control<QRadioButton>(&f, "Frame8", "Option1")->isChecked());
        QVERIFY(control<QLineEdit>(&f, "Frame8", "Text33")->text().isEmpty());
        QVERIFY(QTest::qWaitFor([&] { return cal.isNull(); }, 2000));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
