// Times the engine on workbooks at the size the program can reach: "Pratica"
// with 30,000 records and "Spese" with 32,000 (near the 32,766 an append can
// place). Prints one line per measurement; asserts nothing.

#include "platform/engine/vbconv.h"
#include "platform/engine/workbook.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <cstdio>

using namespace xl;

namespace {

template <typename F>
double timeIt(F f) {
    QElapsedTimer t;
    t.start();
    f();
    return t.nsecsElapsed() / 1e6;
}

void report(const char* what, double ms) { std::printf("%-52s %10.2f ms\n", what, ms); }

} // namespace

int main(int argc, char** argv) {
    // Font metrics for AutoFit need a GUI application; no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    Workbook wb;
    Worksheet& pratica = wb.AddSheet("Pratica");
    Worksheet& spese = wb.AddSheet("Spese");
    const int practices = 30000, entries = 32000;

    report("fill Pratica, 30000 x 12 cells", timeIt([&] {
               for (int r = 2; r <= practices + 1; ++r) {
                   const int n = (r * 7919) % 100000; // scrambled practice numbers
                   pratica.Cells(r, 1).SetValue(QString::number(n));
                   pratica.Cells(r, 2).SetValue(Value::date(40000 + r % 3000));
                   pratica.Cells(r, 3).SetValue(QStringLiteral("CLIENTE %1").arg(r % 500));
                   for (int c = 4; c <= 11; ++c)
                       pratica.Cells(r, c).SetValue(QStringLiteral("campo %1 %2").arg(c).arg(r));
                   pratica.Cells(r, 12).SetValue(QStringLiteral("1.234,50"));
               }
           }));
    report("fill Spese, 32000 x 7 cells", timeIt([&] {
               for (int r = 2; r <= entries + 1; ++r) {
                   spese.Cells(r, 1).SetValue(r - 1);
                   spese.Cells(r, 2).SetValue(QString::number(r % 3000));
                   spese.Cells(r, 3).SetValue(QStringLiteral("CLIENTE %1").arg(r % 500));
                   spese.Cells(r, 4).SetValue(Value::date(40000 + r % 3000));
                   spese.Cells(r, 5).SetValue(QStringLiteral("spesa %1").arg(r));
                   spese.Cells(r, 6).SetValue(r % 2 ? "A" : "S");
                   spese.Cells(r, 7).SetValue(QStringLiteral("-12,50"));
                   spese.Cells(r, 33).SetValue((r % 200) * 1.25); // column AG of the query area
               }
           }));

    double checksum = 0;
    report("walk column A, read 12 values of every record", timeIt([&] {
               Range cell = pratica.GetRange("A2");
               while (!cell.GetValue().isEmpty()) {
                   for (int c = 0; c < 12; ++c) checksum += vb::CStr(cell.Offset(0, c).GetValue()).size();
                   cell = cell.Offset(1, 0);
               }
           }));
    report("End(xlDown) / End(xlUp) from the sheet edges", timeIt([&] {
               checksum += pratica.GetRange("A1").End(xlDown).Row();
               checksum += pratica.GetRange("AA65536").End(xlUp).Row();
           }));
    report("sort the 30000 practices (A2:L30001 by A)",
           timeIt([&] { pratica.GetRange("A2:L30001").Sort(pratica.GetRange("A2"), xlAscending, xlNo); }));
    report("sort them again by client, descending",
           timeIt([&] { pratica.GetRange("A2:L30001").Sort(pratica.GetRange("C2"), xlDescending, xlNo); }));
    report("1000 row deletes in Spese (each from row 2)", timeIt([&] {
               for (int i = 0; i < 1000; ++i) spese.GetRange("A2").EntireRow().Delete();
           }));
    report("1000 row deletes in Spese (near the end)", timeIt([&] {
               for (int i = 0; i < 1000; ++i) spese.Cells(entries - 1500 - i, 1).EntireRow().Delete();
           }));
    double sum = 0;
    report("Sum over AG2:AG65535 (32000 rows filled)",
           timeIt([&] { sum = Application::Sum(spese.GetRange("AG2:AG65535")); }));
    report("AutoFit every column of Pratica (30000 records)", timeIt([&] { pratica.AllCells().AutoFit(); }));
    report("AutoFit every column of Spese", timeIt([&] { spese.AllCells().AutoFit(); }));
    report("format whole column G and the whole sheet", timeIt([&] {
               pratica.Columns("G").SetNumberFormat("@");
               pratica.AllCells().SetHorizontalAlignment(xlHAlignRight);
           }));
    std::printf("(checksum %.0f, sum %.2f)\n", checksum, sum);
    return 0;
}
