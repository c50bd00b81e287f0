#pragma once
// The start-up checks on the workbook file.

#include <QString>

namespace store {

// The lock file LibreOffice keeps beside a document it has open
// (".~lock.Pratiche.xls#" for Pratiche.xls).
QString officeLockFile(const QString& path);

// True when the workbook must not be opened: another copy of the program has
// its folder, a desktop spreadsheet program has it open (its lock file is
// beside it), or it is missing or unreadable.
bool IsFileLocked(const QString& path);

// True when the file opens for reading.
bool VerifyFile(const QString& Filename);

} // namespace store
