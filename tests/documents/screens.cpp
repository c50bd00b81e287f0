// Draws the scanner form after an acquisition's name was shown and the
// attachments form into PNG files, to look at their layout. Not a test: run
// it under a display (Xvfb or offscreen) with the output folder.
//   documents_screens /tmp

#include "practices/attachmentsform.h"
#include "practices/scannerform.h"
#include "tests/practices/practicetest.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>

using namespace pt;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath();
    testsupport::AppFixture fx;
    fx.writeWorkbook([](xl::Workbook& b) {
        putReferenceData(b);
        putPractice(b.Sheets(kPratica), 2, {4, QStringLiteral("ROSSI MARIO")});
    });
    if (!fx.start()) return 1;
    Form1& f = fx.form();
    f.MenuPratiche_Click();
    clickPractice(pt::practice(&f).ListView1, QStringLiteral("4"));
    pt::practice(&f).Command50->click();
    Form5& scan = pt::practice(&f).panel->scannerForm();
    pt::scanner(scan).Text1->setText(QStringLiteral("contratto.bmp"));
    QApplication::processEvents();
    scan.grab().save(out + QStringLiteral("/documents-scanner.png"));
    pt::practice(&f).Command51->click();
    QApplication::processEvents();
    pt::practice(&f).panel->attachmentsForm().grab().save(out + QStringLiteral("/documents-attachments.png"));
    return 0;
}
