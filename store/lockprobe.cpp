#include "store/lockprobe.h"

#include "platform/fileprobe.h"

#include <QFileInfo>

namespace store {

QString officeLockFile(const QString& path) {
    const QFileInfo fi(path);
    return fi.absolutePath() + QStringLiteral("/.~lock.") + fi.fileName() + QLatin1Char('#');
}

bool IsFileLocked(const QString& path) {
    if (!fileprobe::opensForReading(path)) return true;
    if (QFileInfo::exists(officeLockFile(path))) return true;
    return fileprobe::FolderLock::isHeld(QFileInfo(path).absolutePath());
}

bool VerifyFile(const QString& Filename) { return fileprobe::opensForReading(Filename); }

} // namespace store
