#include "app/preload.h"

#include "store/schema.h"

#include <QFile>

#include <sys/stat.h>

WorkbookPreload::~WorkbookPreload() {
    if (reader_.joinable()) reader_.join();
}

WorkbookPreload::Stamp WorkbookPreload::stampOf(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return {};
    Stamp s;
    s.exists = true;
    s.size = st.st_size;
    s.inode = static_cast<long long>(st.st_ino);
    s.device = static_cast<long long>(st.st_dev);
    s.modifiedNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    s.changedNs = static_cast<long long>(st.st_ctim.tv_sec) * 1000000000LL + st.st_ctim.tv_nsec;
    return s;
}

void WorkbookPreload::start(const QString& path, const QString& password) {
    if (reader_.joinable() || book_) return;
    before_ = stampOf(path);
    if (!before_.exists) return;
    path_ = path;
    const xl::FileCodec codec = xl::fileCodec();
    if (!codec.open) return;
    reader_ = std::thread([this, codec, path, password] {
        try {
            book_ = codec.open(path, password);
            // The first activation's layout pass measures every cell of the
            // workbook; done here, it overlaps the building of the window,
            // and the activation finds nothing left to measure. A workbook
            // short of a sheet is left as read: start-up refuses it anyway.
            if (book_ && store::missingSheet(*book_).isEmpty()) store::FormatWorkbook(*book_);
        } catch (...) {
            // A file that does not read is read again by start-up itself,
            // which tells the user why.
            book_.reset();
        }
        after_ = stampOf(path);
    });
}

std::unique_ptr<xl::Workbook> WorkbookPreload::take(const QString& path) {
    if (reader_.joinable()) reader_.join();
    std::unique_ptr<xl::Workbook> book = std::move(book_);
    if (!book || path != path_ || after_ != before_ || stampOf(path) != before_) return nullptr;
    handedOver_ = true;
    return book;
}
