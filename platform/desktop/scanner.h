#pragma once
// Scanning. The scanner form is built on four calls of a small scanning
// library (choose the source, acquire into a file, ask whether that went
// wrong, tell the user what went wrong); this is that library, on SANE.
//
// The scanners are the devices SANE reaches. The one the user chose last is
// the source of later acquisitions; until one is chosen, the first device
// found. An acquisition scans one page into memory and only then writes it,
// as a BMP, under the name given, so a failed scan never leaves a truncated
// file behind nor destroys an older document of the same name.
//
// SANE itself runs in a helper process, velmora-scan, one per request: a
// backend that freezes or crashes takes only the helper with it, and the
// request fails with a reason the user can read.

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace scanner {

struct Device {
    QString name; // what SANE opens it by, e.g. "test:0"
    QString vendor;
    QString model;
    QString type;
    // "vendor model (name)", as the source list shows it.
    QString label() const;
};

// Every device SANE reaches now. An empty list, with the reason in `error`
// when SANE itself could not be asked.
QList<Device> devices(QString* error = nullptr);

// One page from the device named `deviceName` (empty: the first device
// found). A null image and the reason, in Italian, in `error` on failure.
QImage scanPage(const QString& deviceName, QString* error);

// Ends the SANE session; the next call starts a new one, which reads the
// SANE configuration again. Every request has a session of its own, in
// its own helper, so there is nothing left open between requests.
void closeSession();

// Which helper serves the requests and how long it is waited for.
struct Helper {
    // Empty: velmora-scan beside the program, or else the one built with it.
    QString program;
    // Put before the request's own arguments.
    QStringList arguments;
    // The device list may take a while when scanners are searched on the
    // network.
    int listTimeoutMs = 60000;
    // The longest silence during a scan: a scanner warming its lamp or
    // moving back its head sends nothing for a while.
    int scanIdleMs = 180000;
    // Once the answer is whole (or no longer wanted), the time the helper
    // has to end on its own before it is stopped.
    int exitWaitMs = 3000;
};
Helper helper();
void setHelper(const Helper& helper);

// How the user picks the source among the devices found. The program asks
// with a small modal list; tests answer without one.
class SourcePicker {
public:
    virtual ~SourcePicker() = default;
    // The name of the device picked, or nullopt when the user gave up.
    // `current` is the source in use ("" when none was chosen yet).
    virtual std::optional<QString> pick(const QList<Device>& devices, const QString& current, QWidget* owner) = 0;
};

// The modal list with "OK" and "Annulla".
class DialogSourcePicker : public SourcePicker {
public:
    std::optional<QString> pick(const QList<Device>& devices, const QString& current, QWidget* owner) override;
};

// The picker in force (the dialog unless one was set; nullptr restores it).
SourcePicker& sourcePicker();
void setSourcePicker(SourcePicker* picker);

// The source of later acquisitions: the device chosen last, "" until then.
QString chosenSource();
void setChosenSource(const QString& deviceName);

} // namespace scanner

// The four library calls, with the shape the scanner form relies on.
namespace EZTwain {

// Lets the user choose the source that later acquisitions use. 1 when one
// was chosen, 0 when the user gave up or no scanner was found (which is
// said in a message box).
int TWAIN_SelectImageSource(QWidget* hwnd);

// Acquires one page from the chosen source and stores it as a BMP under
// `fileName`. 0 when the file was written; -1 on failure, whose reason is
// kept for TWAIN_ReportLastError. The file is replaced only once the page
// is scanned and its image encoded.
int TWAIN_AcquireToFilename(QWidget* hwnd, const QString& fileName);

// Whether the last acquisition failed and has not been reported yet: nonzero
// when so. The argument is ignored (the scanner form passes 0).
int TWAIN_LoadNativeFromFile(int hdib);

// A message box with `text` and the reason of the last failure, if any; the
// failure then counts as reported.
void TWAIN_ReportLastError(const QString& text);

// The program's own step in front of the source choice; its result is
// TWAIN_SelectImageSource's.
int SelectScannerSource(QWidget* hwnd);

} // namespace EZTwain
