#pragma once
// File probes for the workbook: whether a file opens for reading, an advisory
// lock that marks a program folder as in use by one running copy of the
// program, and the marks by which desktop spreadsheet programs see that a
// workbook is in use.
//
// The folder lock is taken on the folder rather than on the workbook itself:
// a save writes a new file and renames it over the old one, so a lock held on
// the old file would stop covering the workbook at the first save, while the
// folder stays the same for the whole run.

#include <QString>

namespace fileprobe {

// True when the file exists and opens for reading (it is closed again).
bool opensForReading(const QString& path);

// The file a path names once every symbolic link is followed (the path
// itself when it is no link, or its final target when that is missing).
QString resolvedPath(const QString& path);

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

// The marks LibreOffice itself sets on a document it edits and looks for
// before it opens one: the lock file ".~lock.NAME#" beside the document (the
// real file, when the path is a link), and a record lock on the file, which
// makes its attempt to open the file for writing fail. Either one makes
// LibreOffice open the document read-only.
class OfficeMark {
public:
    OfficeMark() = default;
    ~OfficeMark() { release(); }
    OfficeMark(const OfficeMark&) = delete;
    OfficeMark& operator=(const OfficeMark&) = delete;

    // The lock file of a document.
    static QString lockFilePath(const QString& document);
    // True when a lock file stands beside the document and its owner still
    // holds the document: it was written on another machine (whose
    // processes cannot be seen from here), or a process here has the
    // document open or locked.
    static bool lockFileIsLive(const QString& document);
    // True when a process holds a record lock on the document.
    static bool recordLocked(const QString& document);

    // Marks `document` as in use: a lock file that no owner holds any more is
    // removed, ours is written in its place, and the document is locked.
    // False, with nothing taken, when a live lock file is there.
    bool take(const QString& document, const QString& programFolder);
    // A save replaces the document by a new file: the record lock is moved
    // onto it.
    void retake();
    // Takes both marks off; the lock file only while it is still ours.
    void release();
    bool held() const { return !document_.isEmpty(); }

private:
    QString document_;
    QByteArray entry_;
    int fd_ = -1;
};

// The mkstemp template of a save's temporary file: ".NAME.XXXXXX" beside the
// real file `document` names.
QString saveTempTemplate(const QString& document);

// Removes the temporary files that an interrupted save of `document` left
// beside it (those of saveTempTemplate, plain files only); answers how many
// went.
int removeLeftoverSaves(const QString& document);

} // namespace fileprobe
