#include "platform/xls/xlsfile.h"
#include "platform/desktop/fileprobe.h"
#include "platform/xls/biff.h"
#include "platform/xls/cfb.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace xls {

namespace {

// Larger than any workbook the format can hold with our limits; refusing
// earlier keeps a wrong file from costing memory.
constexpr qint64 kMaxFileSize = qint64(1) << 30;

QString sysError() { return QString::fromLocal8Bit(std::strerror(errno)); }

[[noreturn]] void writeFailed(const QString& path, const QString& why) {
    throw FileError(FileErrorKind::WriteFailed,
                    QStringLiteral("Impossibile salvare %1: %2").arg(QDir::toNativeSeparators(path), why));
}

// The temporary file as a device, written straight to its descriptor so
// that a refusal reports the system's own reason and nothing waits in a
// buffer when the descriptor is flushed to disk. The disk is asked to start
// on what was written at each megabyte or so, while the rest is still being
// written: the flush that follows then waits for the last part only.
class DescriptorDevice : public QIODevice {
public:
    explicit DescriptorDevice(int fd) : fd_(fd) { open(QIODevice::WriteOnly | QIODevice::Unbuffered); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* p, qint64 n) override {
        const qint64 total = n;
        while (n > 0) {
            ssize_t k = ::write(fd_, p, size_t(std::min<qint64>(n, 1 << 30)));
            if (k < 0) {
                if (errno == EINTR) continue;
                setErrorString(sysError());
                return -1;
            }
            p += k;
            n -= k;
            written_ += k;
        }
        if (written_ - started_ >= kWriteBack) {
            ::sync_file_range(fd_, started_, written_ - started_, SYNC_FILE_RANGE_WRITE);
            started_ = written_;
        }
        return total;
    }

private:
    static constexpr off_t kWriteBack = 1 << 20;
    int fd_;
    off_t written_ = 0, started_ = 0;
};

// The bytes of a save; a failure that is not already the codec's own is
// told as a failed save of `target`.
detail::EncodedFile encodeForSave(const xl::Workbook& book, const QString& password, const QString& target,
                                  bool sealWhileWriting = false) {
    try {
        return detail::encodeFileParts(book, password, {}, sealWhileWriting);
    } catch (const FileError&) {
        throw;
    } catch (const std::exception& e) {
        if (target.isEmpty()) throw FileError(FileErrorKind::WriteFailed, QString::fromUtf8(e.what()));
        writeFailed(target, QString::fromUtf8(e.what()));
    }
}

// Puts the whole of `bytes` on `out`; a device may take them in parts.
void putAll(QIODevice& out, const detail::Bytes& bytes) {
    qint64 done = 0;
    while (done < bytes.size) {
        const qint64 k = out.write(bytes.data + done, bytes.size - done);
        if (k <= 0) {
            const QString why = out.errorString();
            throw FileError(FileErrorKind::WriteFailed, why.isEmpty() ? QStringLiteral("scrittura non riuscita") : why);
        }
        done += k;
    }
}

void putAll(QIODevice& out, detail::EncodedFile& file) {
    detail::writeEncoded(file, [&](const detail::Bytes& b) { putAll(out, b); });
}

} // namespace

std::unique_ptr<xl::Workbook> readWorkbook(const QString& path, const QString& password) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw FileError(
            FileErrorKind::NotFound,
            QStringLiteral("Impossibile aprire %1: %2").arg(QDir::toNativeSeparators(path), f.errorString()));
    if (f.size() > kMaxFileSize)
        throw FileError(FileErrorKind::Damaged,
                        QStringLiteral("Il file %1 è troppo grande per essere una cartella di lavoro.")
                            .arg(QDir::toNativeSeparators(path)));
    QByteArray bytes = detail::largeBuffer(f.size());
    bytes.resize(f.read(bytes.data(), bytes.size()));
    if (bytes.size() != f.size())
        throw FileError(
            FileErrorKind::NotFound,
            QStringLiteral("Impossibile leggere %1: %2").arg(QDir::toNativeSeparators(path), f.errorString()));
    f.close();
    auto book = detail::decodeFile(std::move(bytes), password);
    book->bind(QFileInfo(path).absoluteFilePath(), password);
    return book;
}

void writeWorkbook(const xl::Workbook& book, QIODevice& out, const QString& password) {
    detail::EncodedFile file = encodeForSave(book, password, QString());
    putAll(out, file);
}

void writeWorkbook(const xl::Workbook& book, const QString& path, const QString& password) {
    // Encoded before any file is made: a workbook that cannot be written
    // leaves nothing behind to clean up.
    detail::EncodedFile file = encodeForSave(book, password, path, true);
    detail::replaceFile(path, [&](QIODevice& temp) { putAll(temp, file); });
}

namespace detail {

void replaceFile(const QString& path, const std::function<void(QIODevice&)>& fill) {
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
    auto fail = [&](const QString& why) {
        if (fd >= 0) ::close(fd);
        ::unlink(tmpl.constData());
        writeFailed(path, why);
    };
    // Keep the permissions of the file being replaced (mkstemp makes 0600).
    struct stat st;
    mode_t mode = 0644;
    if (::stat(QFile::encodeName(target.absoluteFilePath()).constData(), &st) == 0)
        mode = st.st_mode & 07777;
    else {
        mode_t um = ::umask(0);
        ::umask(um);
        mode = 0666 & ~um;
    }
    if (::fchmod(fd, mode) != 0) fail(sysError());
    try {
        DescriptorDevice temp(fd);
        fill(temp);
    } catch (const std::exception& e) {
        fail(QString::fromUtf8(e.what()));
    }
    if (::fsync(fd) != 0) fail(sysError());
    if (::close(fd) != 0) {
        fd = -1;
        fail(sysError());
    }
    fd = -1;
    if (::rename(tmpl.constData(), QFile::encodeName(target.absoluteFilePath()).constData()) != 0) fail(sysError());
    // The rename itself lives in the folder: flush that too.
    int dfd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

} // namespace detail

void registerCodec() {
    xl::FileCodec codec;
    codec.open = [](const QString& path, const QString& password) { return readWorkbook(path, password); };
    codec.save = [](const xl::Workbook& book, const QString& path, const QString& password) {
        writeWorkbook(book, path, password);
    };
    xl::setFileCodec(std::move(codec));
}

} // namespace xls
