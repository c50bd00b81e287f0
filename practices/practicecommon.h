#pragma once
// Small pieces the practice panels share: how a practice number is read from
// a box and stored in a cell, how far the records and the search results
// reach on sheet "Pratica", and the guard that turns a failing workbook call
// into a message instead of ending the program.

#include "platform/desktop/guard.h"
#include "platform/engine/workbook.h"

#include <QString>
#include <functional>
#include <optional>

namespace practices {

// Columns of sheet "Pratica".
enum PracticeColumn {
    ColNumber = 1, ColDate, ColClient, ColSubject, ColDescription, ColSector,
    ColPlace, ColBinder, ColInPreparation, ColCompleted, ColNotes, ColEstimate
};
// The search work area: AA to AF.
constexpr int kAreaFirstCol = 27;
constexpr int kAreaLastCol = 32;

// An empty cell reads as empty text; both count as blank.
bool isBlank(const xl::Value& v);

// A practice number as typed or chosen: digits only (blanks around allowed),
// no sign, no decimals. nullopt for anything else, "7bis" and "1 2" included.
std::optional<qint64> wholeNumber(const QString& text);

// What a number box is stored as: a whole number becomes a number cell, so
// that the practices sort and compare by number; any other text stays text.
xl::Value numberCell(const QString& text);

// The practice counter as a number: a number cell as it is, a text that
// reads as a number as that number, anything else (empty, stray text) 0.
double counterValue(const xl::Value& v);

// A cell of the "Data" column as a date value for the search area: a date or
// number as it is, a text that reads as a date converted; nullopt otherwise.
std::optional<xl::Value> dateValue(const xl::Value& v);

// Last row of the filled run of `col` that starts at `startRow` (startRow - 1
// when that cell is blank).
int lastRowOfRun(xl::Worksheet& sheet, int col, int startRow);

// Last non-blank row of `col`, counted up from the sheet's last row; 0 when
// the column is empty.
int lastFilledRow(xl::Worksheet& sheet, int col);

// The first row from row 2 down to the column's last filled cell (past any
// gap) whose practice number is `number`, compared as the stored value would
// be; 0 when no practice has it.
int practiceRow(xl::Worksheet& sheet, const QString& number);

// What a number that a practice already has is refused with.
QString duplicateNumberMessage(const QString& number);

using handlers::guarded;
using handlers::skipping;

} // namespace practices
