#pragma once
// The practices of sheet "Pratica" as records: one practice a row from row 2,
// twelve fields in columns A to L, the counter of the last number given, and
// the work area AA..AF where a search copies what it found. The operations
// answer an Outcome or a value and never show a box.

#include "platform/desktop/listrows.h"
#include "store/book.h"
#include "store/money.h"
#include "store/outcome.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

namespace store {

// One practice as the practice panel shows it and the sheet keeps it.
struct PracticeRecord {
    QString number;             // A: stored as a number when it is a whole number
    QString opened;             // B: the opening date as the panel shows it
    QString client;             // C
    QString subject;            // D
    QString description;        // E
    QString sector;             // F
    QString place;              // G
    QString binder;             // H
    bool inPreparation = false; // I: "SI"
    bool completed = false;     // J: "SI"
    QString notes;              // K
    // L: the "#,0.00" text of the amount, "" for none. A cell typed in the
    // spreadsheet may hold any text: it is read back as it stands.
    QString estimate;

    // The twelve cell texts of a row, A to L, as the practice list holds them.
    static PracticeRecord fromTexts(const QStringList& texts);
    bool operator==(const PracticeRecord&) const = default;
};

// Column of the sheet a sort of the practice list goes by.
enum class PracticeKey { Number, Client };

namespace practices {

// The estimate as it is stored: "" for a box left blank, the "#,0.00" text
// of the amount otherwise; nullopt for a text that is no amount.
std::optional<QString> estimateText(const QString& typed);

// A practice number as typed or chosen: digits only (blanks around allowed),
// no sign, no decimals. nullopt for anything else, "7bis" and "1 2" included.
std::optional<qint64> wholeNumber(const QString& text);

// What a number box is stored as: a whole number becomes a number cell, so
// that the practices sort and compare by number; any other text stays text.
xl::Value numberCell(const QString& text);

// True when a practice has `number`, compared as the stored value would be
// (" 5" is looked for as 5); every row down to the column's last filled cell
// counts, past any gap.
bool exists(Book& book, const QString& number);

// True when row 2 holds a practice.
bool any(Book& book);

// The first practice whose number is `number`, found as exists() finds it.
std::optional<PracticeRecord> find(Book& book, const QString& number);

// Writes `r` into the first row whose number cell is blank, from row 1 down,
// with the opening date as a date value, and sets the counter to its number.
// Every cell of the row is written, the empty ones too, so that a gap row
// keeps nothing of what stood there before. Invalid when the opening date is
// no date; SheetFull when no row is left.
Outcome append(Book& book, const PracticeRecord& r);

// Rewrites the first practice of the run from row 2 whose number is
// `r.number` (compared as text). NotFound when there is none.
Outcome update(Book& book, const PracticeRecord& r);

// Removes the row of the first practice of the run from row 2 whose number
// is `number`; the rows below move up. NotFound when there is none.
Outcome remove(Book& book, qint64 number);

// The practices from row 2 to the first empty number cell, each as the
// twelve texts of its cells.
std::vector<QStringList> listRows(Book& book);
// The same rows and texts as listRows, as the sheet holds them now, read
// only when asked for: the list keeps showing them whatever happens to the
// sheet or the workbook afterwards, until it takes a new source. Taking it
// costs about the same for a long sheet as for a short one.
std::shared_ptr<const ListRows> listSource(Book& book);
// The row-1 headers A..L as the sheet shows them.
QStringList listHeaders(Book& book);
// Column widths of the practice list, in twips.
const std::vector<int>& listWidths();
// The practice numbers from row 2 to the first empty cell, as text.
QStringList numbers(Book& book);

// The counter of the last number given: a number cell as it is, a text that
// reads as a number as that number, anything else (empty, stray text) 0.
double counter(Book& book);
// Back to 0; the next number proposed is 1.
void resetCounter(Book& book);

// Sorts the records of the run from row 2 by number, ascending; whole rows
// move together, nothing past the first empty number cell takes part.
void sortByNumber(Book& book);
// The sort of the practice list's buttons: every record down to the last
// filled number cell, by `key`; by number the column is formatted as whole
// numbers first.
void sort(Book& book, PracticeKey key, bool ascending);

} // namespace practices

// The search work area AA..AF of sheet "Pratica": what the last search found,
// one practice a row from row 2 under its own headers, kept there for the
// printouts.
namespace search {

// The area's columns, which are also the result list's: caption and width
// in twips.
struct Column {
    QString caption;
    int widthTwips;
};
// Client, number, date and subject; the search by client adds the two flags.
const std::vector<Column>& columns();
constexpr int kStateColumns = 4;
constexpr int kClientColumns = 6;

// Empties the whole area down to its last used row, the headers kept, and
// leaves the sheet with A1 selected: what the search panel does on leaving.
void leave(Book& book);

// Empties the area and copies into it, under four headers, every practice
// whose "Istruttoria" (or "Completata") cell holds "SI", however far down.
// `copied` counts as it goes, so that it holds the rows written even when a
// call fails on the way. A cell that cannot be copied (a date that is no
// date) is left empty.
void findByState(Book& book, bool completed, int& copied);
// findByState and, when it copied any, sortResults in one go: the cells
// end as the two leave them, and only those that change are written.
void findByStateSorted(Book& book, bool completed, int& copied);
// The same, under six headers, for the practices of `client` (exact: letter
// case and blanks count), with their two flags.
void findByClient(Book& book, const QString& client, int& copied);

// Sorts the first `count` result rows by client and selects AA1.
void sortResults(Book& book, int count);

// The first `count` result rows, `columns` texts each.
std::vector<QStringList> results(Book& book, int count, int columns);
// The same rows and texts, read only when asked for, as the area holds them
// now (see listSource).
std::shared_ptr<const ListRows> resultSource(Book& book, int count, int columns);

} // namespace search

} // namespace store
