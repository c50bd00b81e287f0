#include "store/clientsheet.h"

#include "platform/desktop/guard.h"
#include "platform/engine/vbconv.h"
#include "store/lists.h"
#include "store/rows.h"
#include "store/schema.h"

#include <cmath>

namespace store {

namespace {

constexpr int kIdCol = 1, kNameCol = 2, kDateCol = 4, kLastCol = 17;
constexpr int kCounterRow = 1, kCounterCol = 256; // IV1
// Beyond this an ID no longer shows as plain digits.
constexpr double kLargestId = 999999999.0;

using handlers::skipping;

xl::Worksheet& sheetOf(Book& book) { return book.sheet(kCliente); }

std::optional<double> wholeNumber(double d) {
    if (!std::isfinite(d) || d < 1 || d > kLargestId || std::floor(d) != d) return std::nullopt;
    return d;
}

// Writes the fields from column `fromCol` to Q into `row`, each step on its
// own so that one refused cell does not cost the others.
void writeFields(xl::Worksheet& sheet, int row, int fromCol, const ClientRecord& client, bool newRecord) {
    const auto& fields = clientFields();
    for (int col = fromCol; col <= kLastCol; ++col) {
        skipping([&] {
            if (col == kDateCol) {
                // The date goes in as a date value. One that does not convert
                // leaves D as it was on a modify; a new client gets no date at
                // all, not one left behind in a reused row.
                if (const auto d = vb::CDate(client.date))
                    sheet.Cells(row, col).SetValue(xl::Value::date(vb::DateSerial(*d)));
                else if (newRecord)
                    sheet.Cells(row, col).ClearContents();
            } else {
                sheet.Cells(row, col).SetValue(xl::Value::text(client.*fields[col - 1]));
            }
        });
    }
}

} // namespace

const std::array<ClientField, 17>& clientFields() {
    static const std::array<ClientField, 17> fields{
        &ClientRecord::id,        &ClientRecord::name,       &ClientRecord::code,    &ClientRecord::date,
        &ClientRecord::address,   &ClientRecord::postalCode, &ClientRecord::town,    &ClientRecord::province,
        &ClientRecord::telephone, &ClientRecord::fax,        &ClientRecord::mobile,  &ClientRecord::email,
        &ClientRecord::taxCode,   &ClientRecord::vatNumber,  &ClientRecord::contact, &ClientRecord::notes,
        &ClientRecord::moreNotes};
    return fields;
}

ClientRecord readClient(Book& book, int row) {
    xl::Worksheet& sheet = sheetOf(book);
    ClientRecord client;
    const auto& fields = clientFields();
    for (int col = kIdCol; col <= kLastCol; ++col) client.*fields[col - 1] = vb::CStr(sheet.Cells(row, col).GetValue());
    return client;
}

std::optional<int> findClient(Book& book, const QString& id) {
    xl::Worksheet& sheet = sheetOf(book);
    for (int row = kFirstRecordRow; row <= vb::kMaxRow16; ++row) {
        const xl::Value cell = sheet.Cells(row, kIdCol).GetValue();
        if (isBlank(cell)) break;
        if (idMatches(cell, id)) return row;
    }
    return std::nullopt;
}

QStringList clientNames(Book& book) { return columnList(sheetOf(book), kNameCol); }

void activateClients(Book& book) { sheetOf(book).Activate(); }

std::optional<ClientField> overlongField(const ClientRecord& client) {
    for (ClientField f : clientFields())
        if ((client.*f).size() > xl::kMaxCellText) return f;
    return std::nullopt;
}

Outcome appendClient(Book& book, ClientRecord& client) {
    xl::Worksheet& sheet = sheetOf(book);
    const xl::Value counter = sheet.Cells(kCounterRow, kCounterCol).GetValue();
    const auto id = wholeId(counter);
    if (!id) return Outcome::Invalid;
    const int row = firstEmptyRow(sheet, kIdCol);
    if (row == 0) return Outcome::SheetFull;
    client.id = vb::CStr(counter);
    // The name first: a row that took nothing else still shows in the lists.
    skipping([&] { sheet.Cells(row, kNameCol).SetValue(xl::Value::text(client.name)); });
    skipping([&] { sheet.Cells(row, kIdCol).SetValue(xl::Value::number(*id)); });
    writeFields(sheet, row, 3, client, true);
    skipping([&] { setClientCounter(book, *id + 1); });
    return Outcome::Done;
}

Outcome updateClient(Book& book, int row, const ClientRecord& client) {
    if (row < kFirstRecordRow) return Outcome::NotFound;
    xl::Worksheet& sheet = sheetOf(book);
    // An emptied ID keeps the client's own: an empty key would be taken for
    // a free row by the next insert. The ID goes in as a number when it is
    // one, as the spreadsheet itself would store a typed number; a text ID
    // stays text.
    const QString id = client.id.trimmed();
    if (!id.isEmpty()) {
        skipping([&] {
            const auto n = vb::CDbl(id);
            sheet.Cells(row, kIdCol).SetValue(n ? xl::Value::number(*n) : xl::Value::text(id));
        });
    }
    writeFields(sheet, row, kNameCol, client, false);
    return Outcome::Done;
}

Outcome clientAt(Book& book, int row, const QString& id) {
    if (row < kFirstRecordRow) return Outcome::NotFound;
    return idMatches(sheetOf(book).Cells(row, kIdCol).GetValue(), id) ? Outcome::Done : Outcome::ChangedMeanwhile;
}

Outcome removeClient(Book& book, int row, const QString& id) {
    const Outcome o = clientAt(book, row, id);
    if (!done(o)) return o;
    xl::Worksheet& sheet = sheetOf(book);
    sheet.Activate();
    xl::Range cell = sheet.Cells(row, kIdCol);
    cell.Select();
    cell.EntireRow().Delete();
    return Outcome::Done;
}

QString clientCounterText(Book& book) { return vb::CStr(sheetOf(book).GetRange(kCounterCell).GetValue()); }

void ensureClientCounter(Book& book) {
    xl::Range counter = sheetOf(book).GetRange(kCounterCell);
    if (isBlank(counter.GetValue())) counter.SetValue(xl::Value(1));
}

void setClientCounter(Book& book, double nextId) {
    sheetOf(book).Cells(kCounterRow, kCounterCol).SetValue(xl::Value::number(nextId));
}

std::optional<double> wholeId(const QString& text) {
    const auto d = vb::CDbl(text);
    return d ? wholeNumber(*d) : std::nullopt;
}

std::optional<double> wholeId(const xl::Value& v) {
    if (v.type() == xl::ValueType::Number) return wholeNumber(v.numberValue());
    if (v.isText()) return wholeId(v.textValue());
    return std::nullopt;
}

bool idMatches(const xl::Value& cell, const QString& shown) {
    const QString t = shown.trimmed();
    if (t.isEmpty()) return false;
    if (cell.type() == xl::ValueType::Number) {
        const auto d = vb::CDbl(t);
        return d && *d == cell.numberValue();
    }
    if (cell.isText()) return !cell.textValue().isEmpty() && cell.textValue().trimmed() == t;
    return false;
}

} // namespace store
