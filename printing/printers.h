#pragma once
// The printers of the system as the printouts see them: the list and the
// default printer that the printer-choice form shows, and the print request
// that sends a sheet to one of them by its device name. The program uses the
// system's printers (CUPS through Qt); tests install their own, so that no
// test needs a print server unless it is about one.

#include "printing/printout.h"

#include <QString>
#include <QStringList>

namespace printing {

class Printers {
public:
    virtual ~Printers() = default;
    // Device names in the system's order.
    virtual QStringList names() = 0;
    // "" when the system has no default printer.
    virtual QString defaultName() = 0;
    // Prints the sheet (its print area, or request.area) on request.printer;
    // answers the pages sent. Raises xl::Error when the device name names no
    // printer or the job fails.
    virtual int printOut(xl::Worksheet& sheet, const printout::Request& request) = 0;
};

// The printers in force: the system's unless a test installed others.
Printers& printers();
void setPrinters(Printers* p); // nullptr restores the system's

class SystemPrinters : public Printers {
public:
    QStringList names() override;
    QString defaultName() override;
    int printOut(xl::Worksheet& sheet, const printout::Request& request) override;
};

} // namespace printing
