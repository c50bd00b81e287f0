#pragma once
// The compound-file container around the workbook stream, through libgsf.

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

// Builds a compound file from streams (storages made as their paths need).
// Returns an empty array and sets `why` on failure.
QByteArray writeCompound(const std::vector<Stream>& streams, QString* why = nullptr);

} // namespace xls::detail
