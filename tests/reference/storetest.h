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

} // namespace storetest
