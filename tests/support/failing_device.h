#pragma once
// A disk that fills up part-way through a save: a device that passes the
// bytes it is given on to another device (or nowhere) until a set number
// has gone through, then refuses every further byte with a reason of the
// test's choosing. FailingSaves makes every save through the engine go to
// such a device wrapped around the save's temporary file.

#include "platform/engine/workbook.h"
#include "platform/xls/biff.h"
#include "platform/xls/xlsfile.h"

#include <QIODevice>
#include <QString>
#include <algorithm>

namespace testsupport {

class FailingDevice : public QIODevice {
public:
    // `inner` (may be null) receives the bytes that get through; it must be
    // open for writing and outlive this device.
    FailingDevice(QIODevice* inner, qint64 budget, QString reason)
        : inner_(inner), budget_(budget), reason_(std::move(reason)) {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }
    qint64 passed() const { return passed_; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 len) override {
        // What still fits goes through, as a short write; the next write is refused.
        const qint64 take = std::min(len, budget_ - passed_);
        if (take <= 0) {
            setErrorString(reason_);
            return -1;
        }
        if (inner_ && inner_->write(data, take) != take) {
            setErrorString(inner_->errorString());
            return -1;
        }
        passed_ += take;
        return take;
    }

private:
    QIODevice* inner_;
    qint64 budget_;
    qint64 passed_ = 0;
    QString reason_;
};

// While it lives, the engine's saves write their temporary file through a
// FailingDevice; the file codec is put back as the program has it after.
class FailingSaves {
public:
    FailingSaves(qint64 budget, QString reason) {
        xl::FileCodec codec;
        codec.open = [](const QString& path, const QString& password) { return xls::readWorkbook(path, password); };
        codec.save = [budget, reason](const xl::Workbook& book, const QString& path, const QString& password) {
            xls::detail::replaceFile(path, [&](QIODevice& temp) {
                FailingDevice disk(&temp, budget, reason);
                xls::writeWorkbook(book, disk, password);
            });
        };
        xl::setFileCodec(std::move(codec));
    }
    ~FailingSaves() { xls::registerCodec(); }
    FailingSaves(const FailingSaves&) = delete;
    FailingSaves& operator=(const FailingSaves&) = delete;
};

} // namespace testsupport
