// bench-store [PRACTICES]: times the store alone (layout pass, practice list read, sort of the
// practice sheet) on one generated workbook, one run. What the user waits
// for on the main window: bench-velmora.
#include "platform/engine/vbconv.h"
#include "store/practicesheet.h"
#include "store/schema.h"
#include <QElapsedTimer>
#include <QGuiApplication>
#include <cstdio>

// Times the layout pass, the practice list read and the sort of the practice
// sheet on a large workbook: the work every activation of the main window and
// every reset does. Usage: bench-store [PRACTICES]
int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    xl::Application excel;
    excel.adopt(store::newStarterWorkbook());
    store::Book book(excel);
    xl::Workbook* b = &book.workbook();
    auto& p = b->Sheets("Pratica");
    const int n = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 5000;
    for (int i = 0; i < n; ++i) {
        int r = i + 2;
        p.Cells(r, 1).SetValue(xl::Value(n - i));
        p.Cells(r, 2).SetValue(xl::Value::date(vb::DateSerial(QDate(2024, 1, 1).addDays(i))));
        for (int c = 3; c <= 12; ++c) p.Cells(r, c).SetValue(xl::Value(QString("testo %1 %2").arg(i).arg(c)));
    }
    auto& c = b->Sheets("Cliente");
    for (int i = 0; i < 2000; ++i)
        for (int k = 1; k <= 17; ++k) c.Cells(i + 2, k).SetValue(xl::Value(QString("cliente %1").arg(i)));
    QElapsedTimer t;
    t.start();
    store::FormatWorkbook(*b);
    qint64 fmt = t.restart();
    auto rows = store::practices::listRows(book);
    qint64 list = t.restart();
    store::practices::sortByNumber(book);
    qint64 sort = t.restart();
    store::FormatWorkbook(*b);
    qint64 fmt2 = t.restart();
    std::printf("layout pass %lld ms (again %lld ms), practice list %lld ms (%zu rows), sort %lld ms\n", fmt, fmt2,
                list, rows.size(), sort);
}
