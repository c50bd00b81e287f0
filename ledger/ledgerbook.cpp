#include "ledger/ledgerbook.h"

#include "platform/engine/vbconv.h"
#include "practices/practicecommon.h"

#include <QSet>
#include <algorithm>

namespace ledger {

using practices::isBlank;

namespace {
// Left of the work area: the entries and the empty columns beside them.
constexpr int kLedgerLastCol = kAreaFirstCol - 1;
// Rows the client list looks at even when the ledger is shorter.
constexpr int kClientListRows = 1000;
} // namespace

const QStringList& areaHeaders() {
    static const QStringList headers{QStringLiteral("ID"),          QStringLiteral("N/Pratica"),
                                     QStringLiteral("Cliente"),     QStringLiteral("Data"),
                                     QStringLiteral("Descrizione"), QStringLiteral("A/S"),
                                     QStringLiteral("Importo")};
    return headers;
}

int lastEntryRow(xl::Worksheet& sh) {
    for (int r = std::min(sh.usedRows(), xl::kMaxRows); r >= 2; --r)
        for (int c = ColId; c <= ColAmount; ++c)
            if (!isBlank(sh.valueAt(r, c))) return r;
    return 1;
}

int freeEntryRow(xl::Worksheet& sh) {
    int row = 1;
    while (row <= vb::kMaxRow16 && !isBlank(sh.valueAt(row, ColId))) ++row;
    return row <= vb::kMaxRow16 ? row : 0;
}

QStringList entryTexts(xl::Worksheet& sh, int row) {
    QStringList texts;
    for (int c = ColId; c <= ColAmount; ++c) texts << vb::CStr(cellValue(sh, row, c));
    return texts;
}

std::vector<QStringList> entryRows(xl::Worksheet& sh) {
    std::vector<QStringList> rows;
    const int last = lastEntryRow(sh);
    for (int r = 2; r <= last; ++r)
        if (!isBlank(sh.valueAt(r, ColId))) rows.push_back(entryTexts(sh, r));
    return rows;
}

int findEntry(xl::Worksheet& sh, const QStringList& listed) {
    if (listed.size() < kEntryColumns || listed[0].isEmpty()) return 0;
    const int last = lastEntryRow(sh);
    for (int r = 2; r <= last; ++r) {
        bool same = true;
        for (int c : {ColId, ColPractice, ColClient, ColDescription, ColKind})
            if (vb::CStr(cellValue(sh, r, c)) != listed[c - 1]) {
                same = false;
                break;
            }
        if (same) return r;
    }
    return 0;
}

void deleteEntry(xl::Worksheet& sh, int row) {
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
                target.formula.clear();
                // A formula the file gave this cell must not come back on save.
                target.kept.reset();
            }
        }
    }
}

QStringList distinctClients(xl::Worksheet& sh) {
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

void resetArea(xl::Worksheet& sh) {
    sh.GetRange(sh.Cells(2, kAreaFirstCol), sh.Cells(xl::kMaxRows, kAreaLastCol)).ClearContents();
    const QStringList& headers = areaHeaders();
    for (int i = 0; i < headers.size(); ++i) sh.Cells(1, kAreaFirstCol + i).SetValue(xl::Value(headers[i]));
}

int nextAreaRow(xl::Worksheet& sh) {
    for (int r = std::min(sh.usedRows(), xl::kMaxRows); r >= 1; --r)
        if (!isBlank(sh.valueAt(r, kAreaFirstCol))) return r + 1;
    return 1;
}

std::optional<store::Money> amountOf(const xl::Value& v) {
    if (v.isNumeric()) return store::Money::fromDouble(v.numberValue());
    if (v.isText()) return store::Money::parse(v.textValue());
    return std::nullopt;
}

} // namespace ledger
