#pragma once
// Reading and writing workbooks as BIFF8 .xls files (compound file, optional
// password encryption), the format our users' Pratiche.xls is kept in.

#include "platform/engine/workbook.h"

#include <QIODevice>
#include <QString>
#include <memory>

namespace xls {

// What went wrong with a file, so that callers can word their own message.
enum class FileErrorKind {
    NotFound,        // missing or unreadable
    NotCompoundFile, // not an .xls at all
    NoWorkbookStream,
    Damaged, // truncated or inconsistent records
    WrongPassword,
    UnsupportedEncryption,
    OlderFormat, // an Excel 95 (BIFF5/BIFF7) or older workbook
    WriteFailed, // the target (or its folder) could not be written; the old file is whole
};

class FileError : public xl::Error {
public:
    FileError(FileErrorKind kind, const QString& what) : xl::Error(what.toStdString()), kind_(kind) {}
    FileErrorKind kind() const { return kind_; }

private:
    FileErrorKind kind_;
};

// Reads a workbook; raises FileError.
std::unique_ptr<xl::Workbook> readWorkbook(const QString& path, const QString& password);
// Writes atomically: a temporary file in the same folder, flushed to disk,
// then renamed over the target. Raises FileError(WriteFailed) and leaves an
// existing file whole when anything fails. An empty password writes the file
// unencrypted.
void writeWorkbook(const xl::Workbook& book, const QString& path, const QString& password);
// Writes the whole file to `out`, which is open for writing. Raises
// FileError(WriteFailed) when the workbook cannot be written or the device
// refuses a byte; the message is then the reason alone (the device's own
// error text), for a caller that knows what the device stands for.
void writeWorkbook(const xl::Workbook& book, QIODevice& out, const QString& password);

// Makes these the engine's Open/Save (xl::setFileCodec).
void registerCodec();

} // namespace xls
