#pragma once
// Sheet "Spese" as records: the entries A to G, where a new one goes, which
// row a listed entry is, the ID counter, the distinct clients, and the query
// work area beside the entries (AA to AH) with its total. Nothing here shows
// a box: the ledger panel maps the outcomes to its messages.

#include "platform/desktop/listrows.h"
#include "platform/engine/workbook.h"
#include "store/money.h"
#include "store/outcome.h"

#include <QDate>
#include <QStringList>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace store {

class Book;

namespace ledgersheet {
// Columns of an entry (A to G).
enum EntryColumn { ColId = 1, ColPractice, ColClient, ColDate, ColDescription, ColKind, ColAmount };
constexpr int kEntryColumns = 7;
// The query work area: AA to AH, its headers in AA1:AG1, the total in AG65536.
constexpr int kAreaFirstCol = 27;
constexpr int kAreaLastCol = 34;
constexpr int kAreaAmountCol = kAreaFirstCol + ColAmount - 1;
constexpr int kTotalRow = xl::kMaxRows;
} // namespace ledgersheet

// The kinds of column F.
inline const QString kAdvanceKind = QStringLiteral("A");
inline const QString kExpenseKind = QStringLiteral("S");
// The ID cell of the summary rows that close a query by practice.
inline const QString kLedgerSummaryMark = QStringLiteral("*");

// An entry as the user books it, before it has a row.
struct LedgerEntry {
    QString practice; // a whole number is stored as a number
    QString client;
    QDate date; // stored as a date value
    QString description;
    bool expense = false; // "S" when true, "A" otherwise
    Money amount;         // without sign: the kind gives it
};

// An entry as a list shows it: the seven cells A to G (or the same columns
// of the work area) as text, in sheet order.
struct ListedEntry {
    QStringList texts;

    bool isEmpty() const { return texts.isEmpty(); }
    QString id() const { return field(0); }
    QString practice() const { return field(1); }
    QString client() const { return field(2); }
    QString date() const { return field(3); }
    QString description() const { return field(4); }
    QString kind() const { return field(5); }
    QString amount() const { return field(6); }
    // A summary row of a query by practice, not an entry.
    bool isSummary() const { return id() == kLedgerSummaryMark; }

private:
    QString field(int i) const { return i < texts.size() ? texts[i] : QString(); }
};

// Headers of AA1:AG1, which are also the captions of the query lists.
const QStringList& ledgerAreaHeaders();

// Row `row` of the entries, columns A to G, as text.
ListedEntry readLedgerRow(Book& book, int row);
// Every entry with an ID, rows 2 to the last entry, in sheet order. Rows
// without an ID inside the ledger are no entries and are left out.
std::vector<ListedEntry> ledgerEntries(Book& book);
// The same rows and texts, read only when asked for, as the sheet holds
// them now (see practices::listSource).
std::shared_ptr<const ListRows> ledgerEntrySource(Book& book);

// The row of the entry listed as `listed`: the first whose ID, practice,
// client, description and kind read the same. Date and amount are left out:
// the lists show them converted. 0 when no row matches.
int findLedgerEntry(Book& book, const ListedEntry& listed);

// The ID a new entry gets: the counter, when it holds a whole number.
std::optional<qint64> nextLedgerId(Book& book);
// The counter as the ID box shows it.
QString ledgerCounterText(Book& book);
// An empty counter starts at 1.
void startLedgerCounter(Book& book);
// The counter set from a typed answer: Invalid unless it is a whole number
// greater than zero (a text would be written as the next ID and stop the
// counting there).
Outcome setLedgerCounter(Book& book, const QString& answer);

// `entry` with ID `id` in the first row whose ID cell is empty, and the
// counter moved past it. SheetFull when that row lies past what a 16-bit row
// number reaches.
Outcome appendLedgerEntry(Book& book, qint64 id, const LedgerEntry& entry);
// The entry listed as `loaded` rewritten with `id` and `entry`; NotFound when
// no row holds it any more.
Outcome updateLedgerEntry(Book& book, const ListedEntry& loaded, const QString& id, const LedgerEntry& entry);
// The entry listed as `loaded` removed: the entries below move up one row.
// Only the ledger's own columns (A to Z) move, so the work area and its total
// stay where the printouts look for them. NotFound when no row holds it.
Outcome removeLedgerEntry(Book& book, const ListedEntry& loaded);
// Every entry of practice `number`, from row 2 down to the first empty
// practice cell, removed with its whole row, as the delete of a practice
// does; NotFound when the ledger holds no entry at all.
Outcome removeLedgerEntriesOfPractice(Book& book, qint64 number);

// The clients of every entry, each once (letter case ignored, the upper
// row's spelling kept), sorted: numbers first, then texts by character code.
// One empty item comes first when an empty client cell lies in rows 2 to
// 1000 or among the entries.
QStringList ledgerClients(Book& book);

// An amount cell to the cent: a number as the sheet shows it, a text that
// reads as an amount ("-12,50", "1.500,00") as that amount; nullopt
// otherwise, also for an amount longer than a cell keeps exactly.
std::optional<Money> ledgerAmount(const xl::Value& v);

// What a query by practice copied into the work area.
struct PracticeQuery {
    bool ledgerHasEntries = false; // any row of entries at all
    int copied = 0;                // entries of the practice
    bool badAmount = false;        // some of them hold no amount: they count zero
};
// The work area emptied and filled with the entries of `practice` (exact
// text), their dates as dates and their amounts as numbers.
PracticeQuery queryLedgerByPractice(Book& book, const QString& practice);
// The work area emptied and, when `client` is not empty, filled with the
// entries of that client (exact: letter case and blanks count), their dates
// as dates. False when the area is left without any row.
bool queryLedgerByClient(Book& book, const QString& client);

// The sheet balance of the entries in the work area, added in whole cents
// (cells that hold no number count nothing), also written into the total
// cell AG65536.
Money totalLedgerArea(Book& book);

// The balances of a practice as the summary rows show them.
struct PracticeBalances {
    QString estimate; // as the practice keeps it
    Money sheet;      // the entries' sum
    Money practice;   // estimate + sheet balance
};
// The balances from the estimate text and the sheet balance: an estimate
// that is no amount counts zero.
PracticeBalances practiceBalances(const QString& estimate, Money sheet);
// The four summary rows below the entries of a query by practice, dated
// `today`.
void writeLedgerSummary(Book& book, const PracticeBalances& balances, const QDate& today);

// The rows of the work area from row 2 down to its first empty ID, as text.
std::vector<ListedEntry> ledgerAreaRows(Book& book);
// The same rows and texts, read only when asked for, as the area holds them
// now.
std::shared_ptr<const ListRows> ledgerAreaSource(Book& book);

// The practice an entry is booked on, as the ledger reads it from "Pratica".
struct LedgerPractice {
    QString number;
    QString client;
    QString estimate;
};
// The practice numbers of "Pratica" from row 2 down, as the ledger lists them.
QStringList ledgerPracticeNumbers(Book& book);
// The practice listed at `index` with number `number`: its row when the
// sheet still has it there, else found by its number (the sheet may have
// been sorted since the list was filled). nullopt when none has the number.
std::optional<LedgerPractice> ledgerPractice(Book& book, int index, const QString& number);

} // namespace store
