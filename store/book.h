#pragma once
// The open workbook as the record modules reach it. A panel holds the book
// and hands it to the record operations of store/; only store/ and the print
// layer read or write its cells.

#include "platform/engine/workbook.h"

#include <QString>

namespace store {

class Book {
public:
    explicit Book(xl::Application& excel) : excel_(excel) {}

    // A sheet of the open workbook; raises xl::Error when none is open or the
    // sheet is missing.
    xl::Worksheet& sheet(const QString& name) { return excel_.Sheets(name); }
    xl::Workbook& workbook() { return excel_.ActiveWorkbook(); }
    xl::Application& application() { return excel_; }

private:
    xl::Application& excel_;
};

} // namespace store
