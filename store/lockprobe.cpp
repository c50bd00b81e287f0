#include "store/lockprobe.h"

#include "platform/desktop/fileprobe.h"

#include <QFileInfo>

namespace store {

QString officeLockFile(const QString& path) { return fileprobe::OfficeMark::lockFilePath(path); }

bool IsFileLocked(const QString& path) {
    if (!fileprobe::opensForReading(path)) return true;
    if (fileprobe::OfficeMark::lockFileIsLive(path) || fileprobe::OfficeMark::recordLocked(path)) return true;
    return fileprobe::FolderLock::isHeld(QFileInfo(path).absolutePath());
}

bool VerifyFile(const QString& Filename) { return fileprobe::opensForReading(Filename); }

} // namespace store
