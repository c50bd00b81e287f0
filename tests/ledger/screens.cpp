// Draws the ledger panel after a query by practice, and with an entry loaded
// for editing, into PNG files, to look at the layout. Not a test: run it
// under a display (Xvfb or offscreen) with the output folder.
//   ledger_screens /tmp

#include "ledgertest.h"

#include "tests/support/screens.h"

#include <QApplication>

using namespace lt;

int main(int argc, char** argv) {
    testsupport::Screens shots(argc, argv);
    shots.fx.writeWorkbook([](xl::Workbook& b) {
        putPractices(b);
        putLedger(b, 2, 1, xl::Value(5), "ROSSI MARIO", "Fondo spese iniziale", "A", "900,00", QDate(2024, 1, 12));
        putLedger(b, 3, 2, xl::Value(6), "BIANCHI SRL", "Visura camerale", "S", "-35,00", QDate(2024, 1, 20));
        putLedger(b, 4, 3, xl::Value(5), "ROSSI MARIO", "Perizia tecnica", "S", "-200,00", QDate(2024, 2, 3));
        putLedger(b, 5, 4, xl::Value(5), "ROSSI MARIO", "Contributo unificato", "S", "-50,00", QDate(2024, 2, 9));
        b.Sheets(kSpese).GetRange("IV1").SetValue(xl::Value(5));
    });
    if (!shots.fx.start()) return 1;
    Form1& f = shots.fx.form();
    f.resize(1280, 800);
    f.MenuPratiche_Click();
    control<QPushButton>(&f, "Command28")->click();
    LedgerPanel* p = control<LedgerPanel>(&f, "Frame8");
    QApplication::processEvents();
    f.grab().save(shots.out + QStringLiteral("/ledger-insert.png"));

    control<QCheckBox>(p, "Check11")->setChecked(true);
    choose(control<QComboBox>(p, "Combo8"), QStringLiteral("5"));
    QApplication::processEvents();
    f.grab().save(shots.out + QStringLiteral("/ledger-query.png"));

    clickRow(control<ListView>(p, "ListView3"), 0, QStringLiteral("3"));
    QApplication::processEvents();
    f.grab().save(shots.out + QStringLiteral("/ledger-loaded.png"));

    control<QCheckBox>(p, "Check12")->setChecked(true);
    QApplication::processEvents();
    f.grab().save(shots.out + QStringLiteral("/ledger-client.png"));
    return 0;
}
