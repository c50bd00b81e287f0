#pragma once
// Pieces shared by the client, sector and binder panels: which list entry a
// combo box really names, where a new record goes, how a list is filled from
// a sheet column, and how a failing workbook call is either skipped or
// reported instead of taking the program down.

#include "platform/desktop/guard.h"
#include "platform/engine/value.h"

#include <QString>
#include <functional>
#include <optional>

class QComboBox;
class QWidget;

namespace xl {
class Worksheet;
}

namespace refdata {

// Records are listed from row 2 in sheet order, so entry n is row n + 2.
constexpr int kFirstRecordRow = 2;

// The list entry the combo box names, or -1. A text typed or edited over the
// box does not name the entry that was chosen before, even though Qt keeps
// that entry as current: writing to its row would then hit the wrong record
// (or the header row when nothing was ever chosen).
int chosenIndex(const QComboBox* box);
inline int chosenRow(const QComboBox* box) {
    const int i = chosenIndex(box);
    return i < 0 ? 0 : i + kFirstRecordRow;
}

// An empty cell reads back as empty text.
bool isBlank(const xl::Value& v);

// First row, counting from row 1, whose cell in `column` is empty; a gap is
// filled first. 0 when the first empty cell lies past the last row a record
// may take.
int firstEmptyRow(xl::Worksheet& sheet, int column);

// Empties the box (list and text) and lists the column from row 2 down to the
// first empty cell, each value as text. The sheet becomes the active one.
void fillFromColumn(QComboBox* box, xl::Worksheet& sheet, int column);

// A whole number from 1 up, as an ID or an ID counter must be; nullopt for
// anything else (text, fractions, zero, negatives, absurdly large values).
std::optional<double> wholeId(const xl::Value& v);
std::optional<double> wholeId(const QString& text);

// Whether a client's ID cell holds the ID shown as text: a number matches the
// same number, a text the same text; anything else (empty, error, a text
// against a number) never matches.
bool idMatches(const xl::Value& cell, const QString& shown);

// Text of a single- or multi-line box.
QString boxText(const QWidget* box);
void setBoxText(QWidget* box, const QString& text);

using handlers::guarded;
using handlers::skipping;

} // namespace refdata
