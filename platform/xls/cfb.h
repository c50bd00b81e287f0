#pragma once
// The compound-file container around the workbook stream: read through
// libgsf, written here.

#include <QByteArray>
#include <QString>
#include <vector>

namespace xls::detail {

struct Stream {
    QString path; // "/"-separated inside the container, e.g. "_VBA_PROJECT_CUR/VBA/dir"
    QByteArray data;
};

enum class CfbStatus { Ok, NotCompound, Damaged };

// Reads every stream of a compound file held in memory. Streams larger than
// the file itself cannot exist and are refused as damage.
CfbStatus readCompound(const QByteArray& file, std::vector<Stream>& out, QString* why = nullptr);

// `size` bytes, not initialised, that the system may back with large pages:
// the megabytes of a big workbook are then mapped in a few steps instead of
// one per small page as they are first written.
QByteArray largeBuffer(qsizetype size);

// Bytes held elsewhere, which must outlive their use.
struct Bytes {
    const char* data = nullptr;
    qsizetype size = 0;
};

// A stream to write: its path and its bytes, in one piece or several.
struct StreamParts {
    QString path;
    std::vector<Bytes> parts;
};

// A compound file laid out around the bytes of its streams without copying
// them: the file is `pieces` one after the other, the large streams' own
// bytes between the container's tables and paddings (held in `own`), so a
// save can hand them to the system as they are.
struct CompoundImage {
    std::vector<Bytes> pieces;
    std::vector<QByteArray> own;
    qsizetype size = 0;
    QByteArray flatten() const;
};

// Lays out a compound file (version 3, 512-byte sectors) holding the
// streams, storages made as their paths need; the streams come first, the
// first of them right after the header. Returns false and sets `why` on a
// path that a compound file cannot hold.
bool layoutCompound(const std::vector<StreamParts>& streams, CompoundImage& out, QString* why = nullptr);

// The same, the whole file in one array; empty on failure.
QByteArray writeCompound(const std::vector<Stream>& streams, QString* why = nullptr);

} // namespace xls::detail
