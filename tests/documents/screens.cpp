// Draws the scanner form after an acquisition's name was shown and the
// attachments form into PNG files, to look at their layout. Not a test: run
// it under a display (Xvfb or offscreen) with the output folder.
//   documents_screens /tmp

#include "practices/attachmentsform.h"
#include "practices/scannerform.h"
#include "tests/practices/practicetest.h"

#include "tests/support/screens.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>

using namespace pt;

int main(int argc, char** argv) {
    testsupport::Screens shots(argc, argv);
    writeWithReferenceData(shots.fx, [](xl::Workbook& b) {
        putPractice(b.Sheets(kPratica), 2, {4, QStringLiteral("ROSSI MARIO")});
    });
    if (!shots.fx.start()) return 1;
    Form1& f = shots.fx.form();
    f.MenuPratiche_Click();
    clickPractice(pt::practice(&f).ListView1, QStringLiteral("4"));
    pt::practice(&f).Command50->click();
    Form5& scan = pt::practice(&f).panel->scannerForm();
    pt::scanner(scan).Text1->setText(QStringLiteral("contratto.bmp"));
    QApplication::processEvents();
    scan.grab().save(shots.out + QStringLiteral("/documents-scanner.png"));
    pt::practice(&f).Command51->click();
    QApplication::processEvents();
    pt::practice(&f).panel->attachmentsForm().grab().save(shots.out + QStringLiteral("/documents-attachments.png"));
    return 0;
}
