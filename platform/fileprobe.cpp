#include "platform/fileprobe.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace fileprobe {

bool opensForReading(const QString& path) {
    if (QFileInfo(path).isDir()) return false;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    f.close();
    return true;
}

bool FolderLock::acquire(const QString& folder) {
    release();
    const QByteArray native = QFile::encodeName(folder);
    const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

void FolderLock::release() {
    if (fd_ < 0) return;
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
}

bool FolderLock::isHeld(const QString& folder) {
    FolderLock probe;
    return !probe.acquire(folder);
}

} // namespace fileprobe
