#pragma once
// The two lookup tables side by side on sheet "Varie": binders in columns A
// to C, keyed by their number, and sectors in E and F, keyed by their name
// (column D holds only its header). Each table grows at the first empty cell
// of its own key column, so one may be longer than the other. Neither has a
// counter, a delete or a duplicate check: names may repeat.

#include "store/book.h"
#include "store/outcome.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace store {

struct BinderRecord {
    QString number;      // A, the key
    QString description; // B
    QString notes;       // C
};

struct SectorRecord {
    QString name;        // E, the key
    QString description; // F
};

// The record of a row, every cell read as text.
BinderRecord readBinder(Book& book, int row);
SectorRecord readSector(Book& book, int row);

// The first row from row 2 down, within the run of listed keys, whose key
// reads as `key`; nullopt when none does.
std::optional<int> findBinder(Book& book, const QString& number);
std::optional<int> findSector(Book& book, const QString& name);

// The keys from row 2 down to the first empty cell, as text; entry n is row
// n + 2. "Varie" becomes the active sheet, as the panels' list refills leave
// it.
QStringList binderNumbers(Book& book);
QStringList sectorNames(Book& book);

// Appends at the first empty cell of the table's key column, every field as
// text; SheetFull when no row is left.
Outcome appendBinder(Book& book, const BinderRecord& binder);
Outcome appendSector(Book& book, const SectorRecord& sector);

// Rewrites the record of `row`; NotFound for a row above the first record,
// so the header row is never written.
Outcome updateBinder(Book& book, int row, const BinderRecord& binder);
// Only the description changes: the name is the key the practices store.
Outcome updateSector(Book& book, int row, const SectorRecord& sector);

} // namespace store
