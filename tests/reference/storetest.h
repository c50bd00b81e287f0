#pragma once
// A starter workbook open in a bare engine, as the record modules see it:
// no window, no file.

#include "platform/engine/vbconv.h"
#include "platform/engine/workbook.h"
#include "store/book.h"
#include "store/schema.h"

namespace storetest {

struct OpenBook {
    xl::Application app;
    store::Book book{app};
    OpenBook() { app.adopt(store::newStarterWorkbook()); }
    xl::Worksheet& sheet(const QString& name) { return app.Sheets(name); }
    QString activeSheet() { return app.ActiveSheet().Name(); }
};

inline void put(xl::Worksheet& s, int row, int col, const xl::Value& v) { s.Cells(row, col).SetValue(v); }
inline xl::Value at(xl::Worksheet& s, int row, int col) { return s.Cells(row, col).GetValue(); }
inline QString textAt(xl::Worksheet& s, int row, int col) { return vb::CStr(at(s, row, col)); }

// Sheet "Varie" with three binders, 10 to 12, in A and B, and one sector,
// Civile, in E and F.
inline void seedVarie(xl::Worksheet& s) {
    for (int i = 0; i < 3; ++i) {
        put(s, 2 + i, 1, xl::Value::text(QString::number(10 + i)));
        put(s, 2 + i, 2, xl::Value::text(QStringLiteral("Faldone %1").arg(10 + i)));
    }
    put(s, 2, 5, xl::Value::text(QStringLiteral("Civile")));
    put(s, 2, 6, xl::Value::text(QStringLiteral("Cause civili")));
}

} // namespace storetest
