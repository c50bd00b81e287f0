#pragma once
// File probes for the workbook: whether a file opens for reading, and an
// advisory lock that marks a program folder as in use by one running copy of
// the program.
//
// The lock is taken on the folder rather than on the workbook itself: a save
// writes a new file and renames it over the old one, so a lock held on the
// old file would stop covering the workbook at the first save, while the
// folder stays the same for the whole run.

#include <QString>

namespace fileprobe {

// True when the file exists and opens for reading (it is closed again).
bool opensForReading(const QString& path);

class FolderLock {
public:
    FolderLock() = default;
    ~FolderLock() { release(); }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Takes the lock on `folder` without waiting; false when another holder
    // (another process, or another FolderLock in this one) has it, or the
    // folder cannot be opened.
    bool acquire(const QString& folder);
    void release();
    bool held() const { return fd_ >= 0; }

    // True when somebody holds the lock on `folder` now (or the folder
    // cannot be opened). Holds nothing afterwards.
    static bool isHeld(const QString& folder);

private:
    int fd_ = -1;
};

} // namespace fileprobe
