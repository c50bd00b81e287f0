#include "app/preload.h"

#include "platform/engine/heappages.h"
#include "store/schema.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

WorkbookPreload::~WorkbookPreload() { drop(); }

QString WorkbookPreload::programFolder() {
    // Where QCoreApplication looks first on Linux: the link the kernel keeps
    // to the running binary, under the path it was started by.
    const QFileInfo exe(QStringLiteral("/proc/%1/exe").arg(::getpid()));
    return QFileInfo(exe.canonicalFilePath()).path();
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
        // Much of what the read allocates is allocated here, on this
        // thread's heap, and lives as long as the workbook.
        xl::adviseLargePagesForThreadHeap();
        std::unique_ptr<xl::Workbook> book;
        try {
            book = codec.open(path, password);
            // The first activation's layout pass measures every cell of the
            // workbook; done here, it overlaps the building of the window,
            // and the activation finds nothing left to measure. A workbook
            // short of a sheet is left as read: start-up refuses it anyway.
            if (book && !mayLayOut()) book.reset();
            if (book && store::missingSheet(*book).isEmpty()) store::FormatWorkbook(*book);
        } catch (...) {
            // A file that does not read is read again by start-up itself,
            // which tells the user why.
            book.reset();
        }
        after_ = stampOf(path);
        book_ = std::move(book);
    });
}

bool WorkbookPreload::mayLayOut() {
    std::unique_lock<std::mutex> lock(m_);
    cv_.wait(lock, [this] { return layoutAllowed_ || dropped_; });
    return !dropped_;
}

void WorkbookPreload::allowLayout() {
    {
        std::lock_guard<std::mutex> lock(m_);
        layoutAllowed_ = true;
    }
    cv_.notify_all();
}

void WorkbookPreload::drop() {
    {
        std::lock_guard<std::mutex> lock(m_);
        dropped_ = true;
    }
    cv_.notify_all();
    if (reader_.joinable()) reader_.join();
    book_.reset();
}

std::unique_ptr<xl::Workbook> WorkbookPreload::take(const QString& path) {
    allowLayout();
    if (reader_.joinable()) reader_.join();
    std::unique_ptr<xl::Workbook> book = std::move(book_);
    if (!book || path != path_ || after_ != before_ || stampOf(path) != before_) return nullptr;
    handedOver_ = true;
    return book;
}
