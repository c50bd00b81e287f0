#pragma once
// The workbook file read on a worker thread while the program starts, so
// that start-up waits for the longer of the two rather than for both. The
// read is only taken when the file is still, to the byte of its directory
// entry, the one that was read: start-up first makes sure that no other copy
// of the program holds the folder, and a file written meanwhile is read
// again the usual way. The read is also laid out as the first activation
// lays it out, which gives the same workbook whenever it is done.

#include "platform/engine/workbook.h"

#include <QString>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

class WorkbookPreload {
public:
    WorkbookPreload() = default;
    ~WorkbookPreload();
    WorkbookPreload(const WorkbookPreload&) = delete;
    WorkbookPreload& operator=(const WorkbookPreload&) = delete;

    // The folder of the running program, as QCoreApplication gives it, found
    // without one: the read can then begin before the application exists.
    static QString programFolder();

    // Starts reading `path` with `password`; nothing happens when there is
    // no such file. Needs the file codec registered, not the application:
    // the read goes as far as the layout and waits there for allowLayout().
    void start(const QString& path, const QString& password);

    // Lets the read go on to its layout, which measures text and so needs
    // the application with its fonts and the program's locale set. take()
    // allows it too.
    void allowLayout();

    // Waits for the read and hands over the workbook when it is of `path`,
    // read whole and without fault, and the file has not changed since the
    // read began; nullptr otherwise (the caller then opens the file itself).
    // Once only.
    std::unique_ptr<xl::Workbook> take(const QString& path);
    // Whether take() handed a workbook over.
    bool handedOver() const { return handedOver_; }

    // Ends the read without laying it out if the layout has not begun, and
    // lets go of it: for a start that stops before taking it, while the
    // application the layout may be using still exists.
    void drop();

private:
    struct Stamp {
        bool exists = false;
        long long size = 0, inode = 0, device = 0, modifiedNs = 0, changedNs = 0;
        bool operator==(const Stamp&) const = default;
    };
    static Stamp stampOf(const QString& path);
    // Whether the layout may run, once it is allowed or the read dropped.
    bool mayLayOut();

    QString path_;
    Stamp before_, after_;
    std::unique_ptr<xl::Workbook> book_;
    std::thread reader_;
    std::mutex m_;
    std::condition_variable cv_;
    bool layoutAllowed_ = false, dropped_ = false;
    bool handedOver_ = false;
};
