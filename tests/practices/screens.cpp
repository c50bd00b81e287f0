// Draws the practice panel with a loaded practice, the number chooser and the
// search panel with results into PNG files, to look at the layout. Not a test:
// run it under a display (Xvfb or offscreen) with the output folder.
//   practices_screens /tmp

#include "practicetest.h"

#include "tests/support/screens.h"
#include "tools/common/benchbook.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>

using namespace pt;

int main(int argc, char** argv) {
    testsupport::Screens shots(argc, argv);
    writeWithReferenceData(shots.fx, [](xl::Workbook& b) {
        const char* clients[] = {"ROSSI MARIO", "BIANCHI SRL", "VERDI ANNA",         "ROSSI MARIO",
                                 "NERI GIULIA", "BIANCHI SRL", "GIALLI & FIGLI SNC", "ROSSI MARIO"};
        for (int i = 0; i < 8; ++i) {
            Practice p(i + 1, QString::fromUtf8(clients[i]), i % 3 == 0 ? QStringLiteral("SI") : QString(),
                       i % 3 == 1 ? QStringLiteral("SI") : QString(), QStringLiteral("%1.250,00").arg(i + 1));
            p.opened = QDate(2024, 1 + i, 3 + i);
            putPractice(b.Sheets(kPratica), i + 2, p);
        }
        b.Sheets(kPratica).GetRange(QStringLiteral("IV1")).SetValue(xl::Value(8));
    });
    if (!shots.fx.start()) return 1;
    Form1& f = shots.fx.form();
    f.resize(1280, 800);
    f.MenuPratiche_Click();
    const pt::PracticeControls p = pt::practice(&f);
    p->Text8->setText(QStringLiteral("Ore...10:24:31"));
    clickPractice(p->ListView1, QStringLiteral("4"));
    p->Text6->setText(QStringLiteral("Nota 4\r\nAllegato:-contratto.bmp"));
    QApplication::processEvents();
    f.grab().save(shots.out + QStringLiteral("/practices-panel.png"));

    control<PracticePanel>(&f, "Frame1")->showInsertButtons(true);
    press(f, 2);
    QApplication::processEvents();
    f.grab().save(shots.out + QStringLiteral("/practices-chooser.png"));
    control<NumberChooserPanel>(&f, "Frame2")->Command3_Click();

    p.panel->cmd14_Click();
    pt::search(&f).Check8->setChecked(true);
    QApplication::processEvents();
    f.grab().save(shots.out + QStringLiteral("/practices-search.png"));
    pt::search(&f).Check8->setChecked(false);
    pt::search(&f).Combo7->setCurrentIndex(1);
    control<SearchPanel>(&f, "Frame6")->Combo7_Click(1);
    control<SearchPanel>(&f, "Frame6")->Command22_Click();
    QApplication::processEvents();
    f.grab().save(shots.out + QStringLiteral("/practices-search-client.png"));

    // The practice list of a long-lived office, 30,000 practices long.
    testsupport::AppFixture big;
    big.writeWorkbook([](xl::Workbook& b) { bench::fillWorkbook(b, 30000); });
    if (!big.start()) return 1;
    Form1& g = big.form();
    g.resize(1280, 800);
    g.MenuPratiche_Click();
    QApplication::processEvents();
    g.grab().save(shots.out + QStringLiteral("/practices-list-30000.png"));
    return 0;
}
