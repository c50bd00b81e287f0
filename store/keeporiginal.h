#pragma once
// The workbook as the user left it, kept safe before a save that would
// leave out part of it.

#include <QString>

namespace xl {
class Workbook;
}

namespace store {

// Where the untouched copy of `workbookPath` goes in `backupFolder`.
QString originalCopyName(const QString& workbookPath);

// Call before saving `book` in place. When the file holds things a save
// cannot write back (book.notKept), the file on disk is copied, byte for
// byte and so with its password, into `backupFolder` under a name that says
// what it is, and the user is told in one message what will not be kept and
// where the copy is; then book.notKept is emptied, so it happens once per
// file. An earlier copy is never overwritten: an identical one is reused, a
// different one gets a copy beside it. False, with `why` in the user's words,
// when the copy could not be made: the save must not go ahead. Without
// `tell` (the session is ending, nobody can answer a box) the message goes
// to the log instead.
bool keepOriginalBeforeSave(xl::Workbook& book, const QString& backupFolder, QString* why, bool tell = true);

} // namespace store
