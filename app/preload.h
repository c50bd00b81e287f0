#pragma once
// The workbook file read on a worker thread while the main window is being
// built, so that start-up waits for the longer of the two rather than for
// both. The read is only taken when the file is still, to the byte of its
// directory entry, the one that was read: start-up first makes sure that no
// other copy of the program holds the folder, and a file written meanwhile
// is read again the usual way. The read is also laid out as the first
// activation lays it out, which gives the same workbook whenever it is done.

#include "platform/engine/workbook.h"

#include <QString>

#include <memory>
#include <thread>

class WorkbookPreload {
public:
    WorkbookPreload() = default;
    ~WorkbookPreload();
    WorkbookPreload(const WorkbookPreload&) = delete;
    WorkbookPreload& operator=(const WorkbookPreload&) = delete;

    // Starts reading `path` with `password`; nothing happens when there is
    // no such file. Needs the file codec registered.
    void start(const QString& path, const QString& password);

    // Waits for the read and hands over the workbook when it is of `path`,
    // read whole and without fault, and the file has not changed since the
    // read began; nullptr otherwise (the caller then opens the file itself).
    // Once only.
    std::unique_ptr<xl::Workbook> take(const QString& path);
    // Whether take() handed a workbook over.
    bool handedOver() const { return handedOver_; }

private:
    struct Stamp {
        bool exists = false;
        long long size = 0, inode = 0, device = 0, modifiedNs = 0, changedNs = 0;
        bool operator==(const Stamp&) const = default;
    };
    static Stamp stampOf(const QString& path);

    QString path_;
    Stamp before_, after_;
    std::unique_ptr<xl::Workbook> book_;
    std::thread reader_;
    bool handedOver_ = false;
};
