#include "store/varie.h"

#include "platform/engine/vbconv.h"
#include "store/lists.h"
#include "store/rows.h"
#include "store/schema.h"

namespace store {

namespace {

constexpr int kBinderCol = 1, kBinderDescCol = 2, kBinderNoteCol = 3;
constexpr int kSectorCol = 5, kSectorDescCol = 6;

xl::Worksheet& sheetOf(Book& book) { return book.sheet(kVarie); }

QString cellText(xl::Worksheet& sheet, int row, int col) { return vb::CStr(sheet.Cells(row, col).GetValue()); }
void putText(xl::Worksheet& sheet, int row, int col, const QString& text) {
    sheet.Cells(row, col).SetValue(xl::Value::text(text));
}

std::optional<int> findKey(Book& book, int column, const QString& key) {
    xl::Worksheet& sheet = sheetOf(book);
    for (int row = kFirstRecordRow; row <= vb::kMaxRow16; ++row) {
        const xl::Value cell = sheet.Cells(row, column).GetValue();
        if (isBlank(cell)) break;
        if (vb::CStr(cell) == key) return row;
    }
    return std::nullopt;
}

QStringList keys(Book& book, int column) {
    xl::Worksheet& sheet = sheetOf(book);
    sheet.Activate();
    return columnList(sheet, column);
}

} // namespace

BinderRecord readBinder(Book& book, int row) {
    xl::Worksheet& sheet = sheetOf(book);
    return {cellText(sheet, row, kBinderCol), cellText(sheet, row, kBinderDescCol),
            cellText(sheet, row, kBinderNoteCol)};
}

SectorRecord readSector(Book& book, int row) {
    xl::Worksheet& sheet = sheetOf(book);
    return {cellText(sheet, row, kSectorCol), cellText(sheet, row, kSectorDescCol)};
}

std::optional<int> findBinder(Book& book, const QString& number) { return findKey(book, kBinderCol, number); }
std::optional<int> findSector(Book& book, const QString& name) { return findKey(book, kSectorCol, name); }

QStringList binderNumbers(Book& book) { return keys(book, kBinderCol); }
QStringList sectorNames(Book& book) { return keys(book, kSectorCol); }

Outcome appendBinder(Book& book, const BinderRecord& binder) {
    xl::Worksheet& sheet = sheetOf(book);
    const int row = firstEmptyRow(sheet, kBinderCol);
    if (row == 0) return Outcome::SheetFull;
    putText(sheet, row, kBinderCol, binder.number);
    putText(sheet, row, kBinderDescCol, binder.description);
    putText(sheet, row, kBinderNoteCol, binder.notes);
    return Outcome::Done;
}

Outcome appendSector(Book& book, const SectorRecord& sector) {
    xl::Worksheet& sheet = sheetOf(book);
    const int row = firstEmptyRow(sheet, kSectorCol);
    if (row == 0) return Outcome::SheetFull;
    putText(sheet, row, kSectorCol, sector.name);
    putText(sheet, row, kSectorDescCol, sector.description);
    return Outcome::Done;
}

Outcome updateBinder(Book& book, int row, const BinderRecord& binder) {
    if (row < kFirstRecordRow) return Outcome::NotFound;
    xl::Worksheet& sheet = sheetOf(book);
    putText(sheet, row, kBinderCol, binder.number);
    putText(sheet, row, kBinderDescCol, binder.description);
    putText(sheet, row, kBinderNoteCol, binder.notes);
    return Outcome::Done;
}

Outcome updateSector(Book& book, int row, const SectorRecord& sector) {
    if (row < kFirstRecordRow) return Outcome::NotFound;
    putText(sheetOf(book), row, kSectorDescCol, sector.description);
    return Outcome::Done;
}

} // namespace store
