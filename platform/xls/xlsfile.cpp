#include "platform/xls/xlsfile.h"
#include "platform/xls/biff.h"
#include "platform/desktop/fileprobe.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace xls {

namespace detail {
void (*beforeRenameHook)(const QString& tempPath) = nullptr;
}

namespace {

// Larger than any workbook the format can hold with our limits; refusing
// earlier keeps a wrong file from costing memory.
constexpr qint64 kMaxFileSize = qint64(1) << 30;

QString sysError() { return QString::fromLocal8Bit(std::strerror(errno)); }

[[noreturn]] void writeFailed(const QString& path, const QString& why) {
    throw FileError(FileErrorKind::WriteFailed,
                    QStringLiteral("Impossibile salvare %1: %2").arg(QDir::toNativeSeparators(path), why));
}

bool writeAll(int fd, const char* p, qint64 n) {
    while (n > 0) {
        ssize_t k = ::write(fd, p, size_t(std::min<qint64>(n, 1 << 30)));
        if (k < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += k;
        n -= k;
    }
    return true;
}

} // namespace

std::unique_ptr<xl::Workbook> readWorkbook(const QString& path, const QString& password) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw FileError(FileErrorKind::NotFound, QStringLiteral("Impossibile aprire %1: %2").arg(QDir::toNativeSeparators(path), f.errorString()));
    if (f.size() > kMaxFileSize)
        throw FileError(FileErrorKind::Damaged, QStringLiteral("Il file %1 è troppo grande per essere una cartella di lavoro.").arg(QDir::toNativeSeparators(path)));
    QByteArray bytes = f.readAll();
    if (bytes.size() != f.size())
        throw FileError(FileErrorKind::NotFound, QStringLiteral("Impossibile leggere %1: %2").arg(QDir::toNativeSeparators(path), f.errorString()));
    auto book = detail::decodeFile(bytes, password);
    book->bind(QFileInfo(path).absoluteFilePath(), password);
    return book;
}

void writeWorkbook(const xl::Workbook& book, const QString& path, const QString& password) {
    QByteArray bytes;
    try {
        bytes = detail::encodeFile(book, password);
    } catch (const FileError&) {
        throw;
    } catch (const std::exception& e) {
        writeFailed(path, QString::fromUtf8(e.what()));
    }

    // The new content goes to a temporary file beside the target, reaches
    // the disk, and only then takes the target's name: a crash or a full
    // disk at any point leaves either the old file or the new one, whole.
    // A path that is a symbolic link is saved through: the new file is
    // written beside the link's target and takes the target's name, so the
    // link stays and keeps naming the workbook.
    const QFileInfo target(fileprobe::resolvedPath(path));
    const QString dir = target.absolutePath();
    QByteArray tmpl = QFile::encodeName(fileprobe::saveTempTemplate(path));
    int fd = ::mkstemp(tmpl.data());
    if (fd < 0) writeFailed(path, sysError());
    const QString tempPath = QFile::decodeName(tmpl);
    auto fail = [&](const QString& why) {
        if (fd >= 0) ::close(fd);
        ::unlink(tmpl.constData());
        writeFailed(path, why);
    };
    // Keep the permissions of the file being replaced (mkstemp makes 0600).
    struct stat st;
    mode_t mode = 0644;
    if (::stat(QFile::encodeName(target.absoluteFilePath()).constData(), &st) == 0) mode = st.st_mode & 07777;
    else {
        mode_t um = ::umask(0);
        ::umask(um);
        mode = 0666 & ~um;
    }
    if (::fchmod(fd, mode) != 0) fail(sysError());
    if (!writeAll(fd, bytes.constData(), bytes.size())) fail(sysError());
    if (::fsync(fd) != 0) fail(sysError());
    if (::close(fd) != 0) { fd = -1; fail(sysError()); }
    fd = -1;
    if (detail::beforeRenameHook) {
        try {
            detail::beforeRenameHook(tempPath);
        } catch (const std::exception& e) {
            fail(QString::fromUtf8(e.what()));
        }
    }
    if (::rename(tmpl.constData(), QFile::encodeName(target.absoluteFilePath()).constData()) != 0) fail(sysError());
    // The rename itself lives in the folder: flush that too.
    int dfd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

void registerCodec() {
    xl::FileCodec codec;
    codec.open = [](const QString& path, const QString& password) { return readWorkbook(path, password); };
    codec.save = [](const xl::Workbook& book, const QString& path, const QString& password) {
        writeWorkbook(book, path, password);
    };
    xl::setFileCodec(std::move(codec));
}

} // namespace xls
