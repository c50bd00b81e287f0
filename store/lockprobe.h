#pragma once
// The start-up checks on the workbook file.

#include <QString>

namespace store {

// The lock file LibreOffice keeps beside a document it has open
// (".~lock.Pratiche.xls#" for Pratiche.xls, beside the real file when the
// workbook is a link).
QString officeLockFile(const QString& path);

// True when the workbook must not be opened: another copy of the program has
// its folder, a desktop spreadsheet program has it open (its lock file is
// beside it and its owner still holds the file, or the file carries a
// record lock), or it is missing or unreadable. A lock file that nobody
// holds any more is left over from a program that was killed and does not
// count.
bool IsFileLocked(const QString& path);

// True when the file opens for reading.
bool VerifyFile(const QString& Filename);

} // namespace store
