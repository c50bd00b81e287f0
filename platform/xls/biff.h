#pragma once
// The BIFF8 workbook stream and the file around it, for the entry points
// in xlsfile.h, the tools and the tests.

#include "platform/engine/workbook.h"
#include "platform/xls/cfb.h"
#include "platform/xls/crypto.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <functional>
#include <memory>

namespace xls::detail {

// How a workbook is protected on write. Everything but the default exists
// so that tests can make files of every scheme a reader meets.
struct EncodeOptions {
    Scheme scheme = Scheme::Rc4CryptoApi;
    std::uint32_t keyBits = 128;
    // By default the sheets are planned and encoded in pieces side by side
    // and the pieces sealed side by side. 1: each sheet in one piece, on
    // the calling thread, the cipher record by record over the whole
    // stream; the bytes are the same either way.
    unsigned threads = 0; // 0: one per core
};

// The Workbook stream; encrypted when `password` is not empty.
QByteArray encodeWorkbookStream(const xl::Workbook& book, const QString& password, const EncodeOptions& opt = {});
// The whole file: the workbook stream and the foreign streams in a compound file.
QByteArray encodeFile(const xl::Workbook& book, const QString& password, const EncodeOptions& opt = {});

// How a file is read. By default the work is spread over the cores: the
// cipher over pieces of the stream, the sheets side by side. One thread
// reads everything in turn on the caller's, the cipher record by record;
// the result is the same either way.
struct DecodeOptions {
    unsigned threads = 0; // 0: one per core
};

// The whole file as a save writes it, in pieces that are not copied into
// one: the workbook stream's parts, and the container laid out around them
// and the book's foreign streams (`image` points into both: the workbook
// must outlive it).
struct EncodedFile {
    std::vector<QByteArray> stream;
    CompoundImage image;
    // Set while the stream's pieces still wait for this cipher.
    std::unique_ptr<StreamCipher> cipher;
};
// With `sealWhileWriting`, a stream of a block-keyed cipher is left to
// writeEncoded to seal.
EncodedFile encodeFileParts(const xl::Workbook& book, const QString& password, const EncodeOptions& opt = {},
                            bool sealWhileWriting = false);
// Hands the file's pieces to `put` in order. A stream left to seal is sealed
// on other threads meanwhile, and each part goes out once sealed, so the
// writing of the first parts overlaps the sealing of the last; when `put`
// throws, the sealing stops and the exception goes on.
void writeEncoded(EncodedFile& file, const std::function<void(const Bytes&)>& put);

// Reads a Workbook stream / a whole file; raises xls::FileError.
std::unique_ptr<xl::Workbook> decodeWorkbookStream(QByteArray stream, const QString& password,
                                                   const DecodeOptions& opt = {});
std::unique_ptr<xl::Workbook> decodeFile(QByteArray file, const QString& password, const DecodeOptions& opt = {});

// Column width in characters of the default font <-> the file's 1/256 units
// (which include the cell padding).
double widthFromFile(std::uint16_t coldx);
std::uint16_t widthToFile(double chars);

// Replaces the file at `path` with what `fill` writes to a temporary file
// beside it, as a save does: the temporary file is flushed to disk and
// renamed over the target. When `fill` throws, or anything after it fails,
// the temporary file goes and the target stays whole; FileError(WriteFailed)
// then names `path` and says why.
void replaceFile(const QString& path, const std::function<void(QIODevice&)>& fill);

} // namespace xls::detail
