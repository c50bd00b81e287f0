#pragma once
// The client register, sheet "Cliente": one client per row in columns A to
// Q, keyed by the ID in column A, and the counter in IV1 that hands out the
// next ID. Nothing here shows a box: the client panel turns each outcome
// into its own message.

#include "platform/engine/value.h"
#include "store/book.h"
#include "store/outcome.h"

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace store {

// One client, each field as the text its cell shows (a date in D as
// dd/mm/yyyy).
struct ClientRecord {
    QString id;         // A
    QString name;       // B, the name every client list shows
    QString code;       // C
    QString date;       // D
    QString address;    // E
    QString postalCode; // F
    QString town;       // G
    QString province;   // H
    QString telephone;  // I
    QString fax;        // J
    QString mobile;     // K
    QString email;      // L
    QString taxCode;    // M
    QString vatNumber;  // N
    QString contact;    // O
    QString notes;      // P
    QString moreNotes;  // Q
};

using ClientField = QString ClientRecord::*;
// The fields in column order, A to Q.
const std::array<ClientField, 17>& clientFields();

// The client of a row, every cell read as text.
ClientRecord readClient(Book& book, int row);

// The first row from row 2 down, within the run of listed clients, whose ID
// is `id`; nullopt when none has it.
std::optional<int> findClient(Book& book, const QString& id);

// The names of column B from row 2 down to the first empty cell, as text;
// entry n is row n + 2.
QStringList clientNames(Book& book);
// Makes "Cliente" the active sheet, as a refill of the panel's list does.
void activateClients(Book& book);

// The first field longer than a cell can hold, which the sheet would refuse
// and the record would silently lack; nullopt when all fit.
std::optional<ClientField> overlongField(const ClientRecord& client);

// Appends the client at the first row whose ID cell is empty, with the ID
// the counter holds, and moves the counter on by one. `client.id` receives
// the counter as it read. Invalid when the counter is no whole number from 1
// up (every new client would get the same ID), SheetFull when no row is left.
Outcome appendClient(Book& book, ClientRecord& client);

// Rewrites the client of `row`, columns A to Q. NotFound for a row above the
// first record: the header row is never written.
Outcome updateClient(Book& book, int row, const ClientRecord& client);

// Whether `row` still holds the client whose ID is `id`: Done, or
// ChangedMeanwhile when the ID cell holds anything else.
Outcome clientAt(Book& book, int row, const QString& id);
// Deletes the row of the client whose ID is `id` (the rows below move up),
// leaving it the selection of the active "Cliente"; ChangedMeanwhile and
// nothing deleted when the row no longer holds that client.
Outcome removeClient(Book& book, int row, const QString& id);

// The ID counter, IV1.
QString clientCounterText(Book& book);
// An empty counter starts at 1.
void ensureClientCounter(Book& book);
void setClientCounter(Book& book, double nextId);

// A whole number from 1 up, as an ID or an ID counter must be; nullopt for
// anything else (text, fractions, zero, negatives, absurdly large values).
std::optional<double> wholeId(const xl::Value& v);
std::optional<double> wholeId(const QString& text);

// Whether a client's ID cell holds the ID shown as text: a number matches the
// same number, a text the same text; anything else (empty, error, a text
// against a number) never matches.
bool idMatches(const xl::Value& cell, const QString& shown);

} // namespace store
