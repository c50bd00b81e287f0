#include "platform/desktop/fileprobe.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSysInfo>
#include <QUrl>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fileprobe {

namespace {

QByteArray native(const QString& path) { return QFile::encodeName(path); }

QString userName() {
    if (const passwd* pw = ::getpwuid(::getuid())) return QString::fromLocal8Bit(pw->pw_name);
    return QString::fromLocal8Bit(qgetenv("USER"));
}

QString hostName() { return QSysInfo::machineHostName(); }

// LibreOffice writes the name its own way (sometimes with the domain): two
// names are the same machine when one is the other with a domain after it.
bool sameHost(const QString& a, const QString& b) {
    if (a.compare(b, Qt::CaseInsensitive) == 0) return true;
    auto prefixed = [](const QString& longer, const QString& shorter) {
        return longer.size() > shorter.size() && longer.startsWith(shorter, Qt::CaseInsensitive) &&
               longer.at(shorter.size()) == QLatin1Char('.');
    };
    return prefixed(a, b) || prefixed(b, a);
}

// The fields of the first entry of a lock file: comma-separated, the last
// ended by ';', with '\' escaping ',', ';' and '\'. Empty when malformed.
QStringList lockEntry(const QByteArray& bytes) {
    QStringList fields;
    QByteArray cur;
    for (int i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\\') {
            if (++i >= bytes.size()) return {};
            cur += bytes[i];
        } else if (c == ',' || c == ';') {
            fields << QString::fromUtf8(cur);
            cur.clear();
            if (c == ';') return fields.size() == 5 ? fields : QStringList{};
        } else {
            cur += c;
        }
    }
    return {};
}

QByteArray escaped(const QString& s) {
    QByteArray out;
    for (const char c : s.toUtf8()) {
        if (c == '\\' || c == ',' || c == ';') out += '\\';
        out += c;
    }
    return out;
}

// True when any process this user may look at has the file open.
bool openAnywhere(const QString& path) {
    struct stat want;
    if (::stat(native(path).constData(), &want) != 0) return false;
    DIR* proc = ::opendir("/proc");
    if (!proc) return false;
    bool found = false;
    while (!found) {
        const dirent* p = ::readdir(proc);
        if (!p) break;
        if (p->d_name[0] < '0' || p->d_name[0] > '9') continue;
        const QByteArray fdDir = QByteArray("/proc/") + p->d_name + "/fd";
        DIR* fds = ::opendir(fdDir.constData());
        if (!fds) continue;
        while (const dirent* f = ::readdir(fds)) {
            if (f->d_name[0] == '.') continue;
            struct stat st;
            if (::stat((fdDir + '/' + f->d_name).constData(), &st) == 0 && st.st_dev == want.st_dev &&
                st.st_ino == want.st_ino) {
                found = true;
                break;
            }
        }
        ::closedir(fds);
    }
    ::closedir(proc);
    return found;
}

// A shared lock on the whole file, owned by the open file itself rather than
// by the process, so that reading the file elsewhere in the program and
// closing it does not drop the lock. LibreOffice's exclusive lock, taken
// when it opens a document for writing, is refused while it stands.
int openLocked(const QString& path) {
    const int fd = ::open(native(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    struct flock fl = {};
    fl.l_type = F_RDLCK;
    fl.l_whence = SEEK_SET;
    if (::fcntl(fd, F_OFD_SETLK, &fl) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

bool opensForReading(const QString& path) {
    if (QFileInfo(path).isDir()) return false;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    f.close();
    return true;
}

QString resolvedPath(const QString& path) {
    const QFileInfo fi(path);
    const QString real = fi.canonicalFilePath();
    if (!real.isEmpty()) return real;
    // A link whose target is missing still names where the file belongs.
    if (fi.isSymLink()) return QFileInfo(fi.symLinkTarget()).absoluteFilePath();
    return fi.absoluteFilePath();
}

bool FolderLock::acquire(const QString& folder) {
    release();
    const int fd = ::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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

QString OfficeMark::lockFilePath(const QString& document) {
    const QFileInfo real(resolvedPath(document));
    return real.absolutePath() + QStringLiteral("/.~lock.") + real.fileName() + QLatin1Char('#');
}

bool OfficeMark::recordLocked(const QString& document) {
    const int fd = ::open(native(document).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct flock fl = {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    const bool locked = ::fcntl(fd, F_OFD_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
    ::close(fd);
    return locked;
}

bool OfficeMark::lockFileIsLive(const QString& document) {
    QFile lock(lockFilePath(document));
    if (!lock.exists()) return false;
    QByteArray bytes;
    if (lock.open(QIODevice::ReadOnly)) bytes = lock.read(4096);
    const QStringList entry = lockEntry(bytes);
    // The processes of another machine, or of another user here, cannot be
    // seen: such a lock counts as held. A lock file without a readable
    // entry (its writer died while writing it) is judged by the document.
    if (!entry.isEmpty()) {
        const QString user = entry[1], host = entry[2];
        if (!host.isEmpty() && !sameHost(host, hostName())) return true;
        if (!user.isEmpty() && user != userName() && ::getuid() != 0) return true;
    }
    return recordLocked(document) || openAnywhere(resolvedPath(document));
}

bool OfficeMark::take(const QString& document, const QString& programFolder) {
    release();
    const QString lockPath = lockFilePath(document);
    if (QFileInfo::exists(lockPath) || QFileInfo(lockPath).isSymLink()) {
        if (lockFileIsLive(document)) return false;
        ::unlink(native(lockPath).constData());
    }
    // The entry LibreOffice writes: the user's display name, the account,
    // the machine, the local time, and the URL of the installation holding
    // the document (here the program folder, never a LibreOffice profile,
    // so LibreOffice does not take the lock for one of its own).
    const QByteArray entry =
        escaped(QStringLiteral("Velmora")) + ',' + escaped(userName()) + ',' + escaped(hostName()) + ',' +
        escaped(QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy HH:mm"))) + ',' +
        escaped(QUrl::fromLocalFile(QFileInfo(programFolder).absoluteFilePath()).toString(QUrl::FullyEncoded)) + ';';
    const int lfd = ::open(native(lockPath).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (lfd < 0 && errno == EEXIST) return false; // somebody was quicker
    if (lfd >= 0) {
        const bool written = ::write(lfd, entry.constData(), size_t(entry.size())) == entry.size();
        ::close(lfd);
        if (written)
            entry_ = entry;
        else
            ::unlink(native(lockPath).constData());
    }
    // A folder where no lock file can be written still gets the record lock.
    document_ = document;
    fd_ = openLocked(document);
    return true;
}

void OfficeMark::retake() {
    if (!held()) return;
    const int fd = openLocked(document_);
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
}

void OfficeMark::release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!document_.isEmpty() && !entry_.isEmpty()) {
        QFile lock(lockFilePath(document_));
        if (lock.open(QIODevice::ReadOnly) && lock.read(entry_.size() + 1) == entry_) {
            lock.close();
            lock.remove();
        }
    }
    document_.clear();
    entry_.clear();
}

namespace {
const QString kTempPlaces = QStringLiteral("XXXXXX");
}

QString saveTempTemplate(const QString& document) {
    const QFileInfo real(resolvedPath(document));
    return real.absolutePath() + QStringLiteral("/.") + real.fileName() + QLatin1Char('.') + kTempPlaces;
}

int removeLeftoverSaves(const QString& document) {
    const QFileInfo tmpl(saveTempTemplate(document));
    // mkstemp fills the places with letters and digits.
    const QString prefix = tmpl.fileName().chopped(kTempPlaces.size());
    const QRegularExpression own(QLatin1Char('^') + QRegularExpression::escape(prefix) +
                                 QStringLiteral("[A-Za-z0-9]{%1}$").arg(kTempPlaces.size()));
    int removed = 0;
    const QDir dir(tmpl.absolutePath());
    for (const QFileInfo& fi : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks)) {
        if (!own.match(fi.fileName()).hasMatch()) continue;
        if (QFile::remove(fi.absoluteFilePath())) ++removed;
    }
    return removed;
}

} // namespace fileprobe
