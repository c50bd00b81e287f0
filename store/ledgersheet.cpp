#include "store/ledgersheet.h"

#include "platform/engine/vbconv.h"
#include "store/book.h"
#include "store/practicesheet.h"
#include "store/rows.h"
#include "store/schema.h"
#include "store/sheetrows.h"

#include <QSet>
#include <algorithm>

namespace store {

using namespace ledgersheet;
// The ID and the practice number are stored as the practices' keys are: as
// numbers when they are whole numbers, so that they compare with the
// numbers typed.
using practices::numberCell;
using practices::wholeNumber;

namespace {

// Left of the work area: the entries and the empty columns beside them.
constexpr int kLedgerLastCol = kAreaFirstCol - 1;
// Rows the client list looks at even when the ledger is shorter.
constexpr int kClientListRows = 1000;
// The columns of "Pratica" the ledger reads.
constexpr int kPracticeNumberCol = 1, kPracticeClientCol = 3, kPracticeEstimateCol = 12;

xl::Worksheet& spese(Book& book) { return book.sheet(kSpese); }

// A cell's value as the automation interface reads it: a number under a
// date format reads as a date.
xl::Value cellValue(xl::Worksheet& sh, int row, int col) { return sh.Cells(row, col).GetValue(); }

// A date cell as a date for the work area: a number as it is, a text that
// reads as a date converted; nullopt otherwise.
std::optional<xl::Value> dateValue(const xl::Value& v) {
    if (v.isNumeric()) return xl::Value::date(v.numberValue());
    if (v.isText())
        if (const auto d = vb::CDate(v.textValue())) return xl::Value::date(vb::DateSerial(*d));
    return std::nullopt;
}

// The last row holding any cell of an entry (A to G); 1 when there is none.
// Rows whose ID is empty inside the ledger do not end it.
int lastEntryRow(xl::Worksheet& sh) {
    for (int r = std::min(sh.usedRows(), xl::kMaxRows); r >= 2; --r)
        for (int c = ColId; c <= ColAmount; ++c)
            if (!isBlank(sh.valueAt(r, c))) return r;
    return 1;
}

ListedEntry rowTexts(xl::Worksheet& sh, int row, int firstCol) {
    ListedEntry e;
    for (int c = 0; c < kEntryColumns; ++c) e.texts << vb::CStr(cellValue(sh, row, firstCol + c));
    return e;
}

int findRow(xl::Worksheet& sh, const ListedEntry& listed) {
    if (listed.texts.size() < kEntryColumns || listed.id().isEmpty()) return 0;
    const int last = lastEntryRow(sh);
    for (int r = 2; r <= last; ++r) {
        bool same = true;
        for (int c : {ColId, ColPractice, ColClient, ColDescription, ColKind})
            if (vb::CStr(cellValue(sh, r, c)) != listed.texts[c - 1]) {
                same = false;
                break;
            }
        if (same) return r;
    }
    return 0;
}

void writeEntry(xl::Worksheet& sh, int row, const xl::Value& id, const LedgerEntry& e) {
    put(sh, row, ColId, id);
    put(sh, row, ColPractice, numberCell(e.practice));
    put(sh, row, ColClient, xl::Value(e.client));
    put(sh, row, ColDate, xl::Value::date(vb::DateSerial(e.date)));
    put(sh, row, ColDescription, xl::Value(e.description));
    // The amount is kept as the text the box shows, with the minus of an
    // expense written before it (so an expense of nothing reads "-0,00"):
    // the sheets of the office have always held it so.
    put(sh, row, ColAmount, xl::Value((e.expense ? QStringLiteral("-") : QString()) + e.amount.grouped()));
    put(sh, row, ColKind, xl::Value(e.expense ? kExpenseKind : kAdvanceKind));
}

void deleteRow(xl::Worksheet& sh, int row) {
    int last = std::min(sh.usedRows(), xl::kMaxRows);
    auto anyCell = [&](int r) {
        for (int c = 1; c <= kLedgerLastCol; ++c)
            if (sh.cellAt(r, c)) return true;
        return false;
    };
    while (last > row && !anyCell(last)) --last;
    for (int r = row; r <= last; ++r) {
        for (int c = 1; c <= kLedgerLastCol; ++c) {
            // Copied out first: creating a cell may move the sheet's storage.
            const xl::Cell* below = r < last ? sh.cellAt(r + 1, c) : nullptr;
            const xl::Cell moved = below ? *below : xl::Cell{};
            if (!below && !sh.cellAt(r, c)) continue;
            xl::Cell& target = sh.cellRef(r, c);
            if (below) {
                target = moved;
            } else {
                target.value = xl::Value();
                // A formula the file gave this cell must not come back on save.
                target.kept.reset();
            }
        }
    }
}

// The work area emptied (AA2:AH65536) and its headers written.
void resetArea(xl::Worksheet& sh) {
    sh.GetRange(sh.Cells(2, kAreaFirstCol), sh.Cells(xl::kMaxRows, kAreaLastCol)).ClearContents();
    const QStringList& headers = ledgerAreaHeaders();
    for (int i = 0; i < headers.size(); ++i) sh.Cells(1, kAreaFirstCol + i).SetValue(xl::Value(headers[i]));
}

// The row below the last filled AA cell.
int nextAreaRow(xl::Worksheet& sh) {
    for (int r = std::min(sh.usedRows(), xl::kMaxRows); r >= 1; --r)
        if (!isBlank(sh.valueAt(r, kAreaFirstCol))) return r + 1;
    return 1;
}

// Last non-blank row of `col`, counted up from the sheet's last row; 0 when
// the column is empty.
int lastFilledRow(xl::Worksheet& sheet, int col) {
    for (int r = std::min(sheet.usedRows(), xl::kMaxRows); r >= 1; --r)
        if (!isBlank(sheet.Cells(r, col).GetValue())) return r;
    return 0;
}

} // namespace

const QStringList& ledgerAreaHeaders() {
    static const QStringList headers{QStringLiteral("ID"),     QStringLiteral("N/Pratica"),   QStringLiteral("Cliente"),
                                     QStringLiteral("Data"),   QStringLiteral("Descrizione"), QStringLiteral("A/S"),
                                     QStringLiteral("Importo")};
    return headers;
}

ListedEntry readLedgerRow(Book& book, int row) { return rowTexts(spese(book), row, ColId); }

std::vector<ListedEntry> ledgerEntries(Book& book) {
    xl::Worksheet& sh = spese(book);
    sh.Select();
    std::vector<ListedEntry> rows;
    const int last = lastEntryRow(sh);
    for (int r = 2; r <= last; ++r)
        if (!isBlank(sh.valueAt(r, ColId))) rows.push_back(rowTexts(sh, r, ColId));
    return rows;
}

std::shared_ptr<const ListRows> ledgerEntrySource(Book& book) {
    xl::Worksheet& sh = spese(book);
    sh.Select();
    std::vector<int> rows;
    const int last = lastEntryRow(sh);
    for (int r = 2; r <= last; ++r)
        if (!isBlank(sh.valueAt(r, ColId))) rows.push_back(r);
    return std::make_shared<SheetRows>(sh, std::move(rows), ColId, kEntryColumns);
}

int findLedgerEntry(Book& book, const ListedEntry& listed) { return findRow(spese(book), listed); }

QString ledgerCounterText(Book& book) { return vb::CStr(spese(book).GetRange(kCounterCell).GetValue()); }

std::optional<qint64> nextLedgerId(Book& book) { return wholeNumber(ledgerCounterText(book)); }

void startLedgerCounter(Book& book) {
    xl::Range counter = spese(book).GetRange(kCounterCell);
    if (vb::CStr(counter.GetValue()).isEmpty()) counter.SetValue(xl::Value(1));
}

Outcome setLedgerCounter(Book& book, const QString& answer) {
    const std::optional<qint64> id = wholeNumber(answer);
    if (!id || *id <= 0) return Outcome::Invalid;
    spese(book).GetRange(kCounterCell).SetValue(xl::Value(static_cast<double>(*id)));
    return Outcome::Done;
}

Outcome appendLedgerEntry(Book& book, qint64 id, const LedgerEntry& entry) {
    xl::Worksheet& sh = spese(book);
    sh.Select();
    const int row = firstEmptyRow(sh, ColId);
    if (row == 0) return Outcome::SheetFull;
    writeEntry(sh, row, xl::Value(static_cast<double>(id)), entry);
    sh.GetRange(kCounterCell).SetValue(xl::Value(static_cast<double>(id + 1)));
    return Outcome::Done;
}

Outcome updateLedgerEntry(Book& book, const ListedEntry& loaded, const QString& id, const LedgerEntry& entry) {
    xl::Worksheet& sh = spese(book);
    sh.Activate();
    const int row = findRow(sh, loaded);
    if (row == 0) return Outcome::NotFound;
    writeEntry(sh, row, numberCell(id), entry);
    return Outcome::Done;
}

Outcome removeLedgerEntry(Book& book, const ListedEntry& loaded) {
    xl::Worksheet& sh = spese(book);
    sh.Select();
    const int row = findRow(sh, loaded);
    if (row == 0) return Outcome::NotFound;
    deleteRow(sh, row);
    return Outcome::Done;
}

Outcome removeLedgerEntriesOfPractice(Book& book, qint64 number) {
    xl::Worksheet& sh = spese(book);
    sh.Select();
    if (isBlank(sh.GetRange(QStringLiteral("A2")).GetValue())) return Outcome::NotFound;
    const QString key = QString::number(number);
    int row = 2;
    while (row <= xl::kMaxRows) {
        const xl::Value practice = sh.Cells(row, ColPractice).GetValue();
        if (isBlank(practice)) break;
        if (vb::CellEqualsText(practice, key))
            sh.Cells(row, ColPractice).EntireRow().Delete(); // the next entry moves up into this row
        else
            ++row;
    }
    return Outcome::Done;
}

QStringList ledgerClients(Book& book) {
    xl::Worksheet& sh = spese(book);
    sh.Select();
    std::vector<xl::Value> items;
    QSet<QString> keys;
    const int last = lastEntryRow(sh);
    // Rows 2 to 1000 are always looked at, so a shorter ledger gives the one
    // empty item at the head of the list, as it always has; entries further
    // down are listed too.
    bool blank = last < kClientListRows;
    for (int r = 2; r <= last; ++r) {
        const xl::Value v = cellValue(sh, r, ColClient);
        if (isBlank(v)) {
            blank = true;
            continue;
        }
        const QString key = vb::CStr(v).toCaseFolded();
        if (keys.contains(key)) continue;
        keys.insert(key);
        items.push_back(v);
    }
    std::stable_sort(items.begin(), items.end(), [](const xl::Value& a, const xl::Value& b) {
        if (a.isNumeric() != b.isNumeric()) return a.isNumeric();
        if (a.isNumeric()) return a.numberValue() < b.numberValue();
        return QString::compare(vb::CStr(a), vb::CStr(b), Qt::CaseSensitive) < 0;
    });
    QStringList out;
    if (blank) out << QString();
    for (const xl::Value& v : items) out << vb::CStr(v);
    return out;
}

std::optional<Money> ledgerAmount(const xl::Value& v) {
    if (v.isNumeric()) return Money::fromDouble(v.numberValue());
    if (v.isText()) return Money::parse(v.textValue());
    return std::nullopt;
}

PracticeQuery queryLedgerByPractice(Book& book, const QString& practice) {
    xl::Worksheet& sh = spese(book);
    sh.Select();
    resetArea(sh);
    PracticeQuery q;
    const int last = lastEntryRow(sh);
    q.ledgerHasEntries = last >= 2;
    int target = 2;
    for (int r = 2; r <= last; ++r) {
        const xl::Value number = cellValue(sh, r, ColPractice);
        if (isBlank(number) || vb::CStr(number) != practice) continue;
        for (int c = ColId; c <= ColAmount; ++c) {
            xl::Value v = cellValue(sh, r, c);
            if (c == ColDate) {
                if (const auto d = dateValue(v)) v = *d;
            } else if (c == ColAmount) {
                // As a number, so that the total and the printout add it.
                if (const std::optional<Money> amount = ledgerAmount(v))
                    v = xl::Value(amount->toDouble());
                else if (!isBlank(v))
                    q.badAmount = true;
            }
            put(sh, target, kAreaFirstCol + c - 1, v);
        }
        ++target;
        ++q.copied;
    }
    return q;
}

bool queryLedgerByClient(Book& book, const QString& client) {
    xl::Worksheet& sh = spese(book);
    sh.Select();
    resetArea(sh);
    if (!client.isEmpty()) {
        const int last = lastEntryRow(sh);
        int target = 2;
        for (int r = 2; r <= last; ++r) {
            const xl::Value c = cellValue(sh, r, ColClient);
            if (isBlank(c) || vb::CStr(c) != client) continue;
            for (int col = ColId; col <= ColAmount; ++col) {
                xl::Value v = cellValue(sh, r, col);
                if (col == ColDate)
                    if (const auto d = dateValue(v)) v = *d;
                put(sh, target, kAreaFirstCol + col - 1, v);
            }
            ++target;
        }
    }
    return !isBlank(cellValue(sh, 2, kAreaFirstCol));
}

Money totalLedgerArea(Book& book) {
    xl::Worksheet& sh = spese(book);
    sh.Select();
    // Added in whole cents, so a settled practice is 0 and not the remainder
    // of binary fractions; amount cells that hold no number count nothing.
    Money total;
    const int last = std::min(sh.usedRows(), kTotalRow - 1);
    for (int r = 2; r <= last; ++r) {
        const xl::Value& v = sh.valueAt(r, kAreaAmountCol);
        if (v.isNumeric())
            if (const std::optional<Money> amount = Money::fromDouble(v.numberValue())) total += *amount;
    }
    sh.Cells(kTotalRow, kAreaAmountCol).SetValue(xl::Value(total.toDouble()));
    return total;
}

PracticeBalances practiceBalances(const QString& estimate, Money sheet) {
    const Money base = Money::parse(estimate).value_or(Money());
    return {estimate, sheet, base + sheet};
}

void writeLedgerSummary(Book& book, const PracticeBalances& balances, const QDate& today) {
    xl::Worksheet& sh = spese(book);
    sh.Select();
    const std::pair<QString, QString> rows[] = {
        {QStringLiteral("Situazione ") + today.toString(QStringLiteral("dd/MM/yyyy")), QStringLiteral("**********")},
        {QStringLiteral("Preventivo  €"), balances.estimate},
        {QStringLiteral("Saldo Scheda €"), balances.sheet.general()},
        {QStringLiteral("Saldo Pratica €"), balances.practice.general()},
    };
    for (const auto& [label, value] : rows) {
        const int r = nextAreaRow(sh);
        sh.Cells(r, kAreaFirstCol).SetValue(xl::Value(kLedgerSummaryMark));
        sh.Cells(r, kAreaFirstCol + ColDescription - 1).SetValue(xl::Value(label));
        put(sh, r, kAreaAmountCol, xl::Value(value));
    }
}

std::vector<ListedEntry> ledgerAreaRows(Book& book) {
    xl::Worksheet& sh = spese(book);
    sh.Select();
    std::vector<ListedEntry> rows;
    const int last = sh.runEnd(kAreaFirstCol, 2);
    for (int r = 2; r <= last; ++r) rows.push_back(rowTexts(sh, r, kAreaFirstCol));
    return rows;
}

std::shared_ptr<const ListRows> ledgerAreaSource(Book& book) {
    xl::Worksheet& sh = spese(book);
    sh.Select();
    return std::make_shared<SheetRows>(sh, 2, sh.runEnd(kAreaFirstCol, 2) - 1, kAreaFirstCol, kEntryColumns);
}

QStringList ledgerPracticeNumbers(Book& book) { return practices::numbers(book); }

std::optional<LedgerPractice> ledgerPractice(Book& book, int index, const QString& number) {
    xl::Worksheet& sh = book.sheet(kPratica);
    auto at = [&](int row) {
        return LedgerPractice{vb::CStr(cellValue(sh, row, kPracticeNumberCol)),
                              vb::CStr(cellValue(sh, row, kPracticeClientCol)),
                              vb::CStr(cellValue(sh, row, kPracticeEstimateCol))};
    };
    const int row = index + 2;
    if (vb::fitsRow16(row) && vb::CStr(cellValue(sh, row, kPracticeNumberCol)) == number) return at(row);
    const int last = lastFilledRow(sh, kPracticeNumberCol);
    for (int r = 2; r <= last; ++r)
        if (vb::CStr(cellValue(sh, r, kPracticeNumberCol)) == number) return at(r);
    return std::nullopt;
}

} // namespace store
