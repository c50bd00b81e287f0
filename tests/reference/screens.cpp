// Draws the client panel with a loaded client, and the sector and binder
// panels, into PNG files to look at the layout. Not a test: run it under a
// display (Xvfb or offscreen) with the output folder.
//   reference_screens /tmp

#include "reftest.h"

#include "reference/binderpanel.h"
#include "reference/clientpanel.h"
#include "reference/sectorpanel.h"

#include "tests/support/screens.h"

#include <QApplication>

using namespace reftest;

int main(int argc, char** argv) {
    testsupport::Screens shots(argc, argv);
    shots.fx.writeWorkbook([](xl::Workbook& b) {
        xl::Worksheet& c = b.Sheets(QStringLiteral("Cliente"));
        const char* names[] = {"ROSSI MARIO", "BIANCHI SRL", "VERDI ANNA", "STUDIO NERI & ASSOCIATI"};
        for (int i = 0; i < 4; ++i) {
            put(c, i + 2, 1, xl::Value::number(i + 1));
            put(c, i + 2, 2, xl::Value::text(QString::fromUtf8(names[i])));
        }
        const int r = 3;
        put(c, r, 3, xl::Value::text(QStringLiteral("B-0042")));
        put(c, r, 4, xl::Value::date(vb::DateSerial(QDate(2021, 6, 5))));
        put(c, r, 5, xl::Value::text(QStringLiteral("Via Garibaldi 12")));
        put(c, r, 6, xl::Value::text(QStringLiteral("00184")));
        put(c, r, 7, xl::Value::text(QStringLiteral("Roma")));
        put(c, r, 8, xl::Value::text(QStringLiteral("RM")));
        put(c, r, 9, xl::Value::text(QStringLiteral("06 1234567")));
        put(c, r, 10, xl::Value::text(QStringLiteral("06 7654321")));
        put(c, r, 11, xl::Value::text(QStringLiteral("333 1234567")));
        put(c, r, 12, xl::Value::text(QStringLiteral("info@bianchi.example")));
        put(c, r, 13, xl::Value::text(QStringLiteral("01234567890")));
        put(c, r, 14, xl::Value::text(QStringLiteral("01234567890")));
        put(c, r, 15, xl::Value::text(QStringLiteral("Dott. Carlo Bianchi")));
        put(c, r, 16, xl::Value::text(QStringLiteral("Cliente dal 2021.\nPreferisce essere contattato per e-mail.")));
        put(c, r, 17, xl::Value::text(QStringLiteral("Pratiche in corso: 3")));
        put(c, 1, 256, xl::Value::number(5));
        xl::Worksheet& v = b.Sheets(QStringLiteral("Varie"));
        put(v, 2, 1, xl::Value::text(QStringLiteral("12")));
        put(v, 2, 2, xl::Value::text(QStringLiteral("Contratti 2021")));
        put(v, 2, 3, xl::Value::text(QStringLiteral("armadio B")));
        put(v, 2, 5, xl::Value::text(QStringLiteral("Civile")));
        put(v, 2, 6, xl::Value::text(QStringLiteral("Cause civili")));
    });
    if (!shots.fx.start()) return 1;
    Form1& f = shots.fx.form();
    f.resize(1280, 800);
    f.MenuClienti_Click();
    choose(control<QComboBox>(&f, "Combo4"), 1);
    QApplication::processEvents();
    f.grab().save(shots.out + QStringLiteral("/reference-clients.png"));

    f.MenuClassificazione_Click();
    choose(control<QComboBox>(&f, "Combo6"), 0);
    QApplication::processEvents();
    f.grab().save(shots.out + QStringLiteral("/reference-sectors.png"));

    f.MenuRaccoglitore_Click();
    choose(control<QComboBox>(&f, "Combo5"), 0);
    QApplication::processEvents();
    f.grab().save(shots.out + QStringLiteral("/reference-binders.png"));
    return 0;
}
