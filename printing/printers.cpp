#include "printing/printers.h"

#include <QPrinterInfo>

namespace printing {

namespace {
Printers* installed = nullptr;
}

Printers& printers() {
    static SystemPrinters system;
    return installed ? *installed : system;
}

void setPrinters(Printers* p) { installed = p; }

QStringList SystemPrinters::names() { return QPrinterInfo::availablePrinterNames(); }

QString SystemPrinters::defaultName() { return QPrinterInfo::defaultPrinterName(); }

int SystemPrinters::printOut(xl::Worksheet& sheet, const printout::Request& request) {
    return printout::print(sheet, request);
}

} // namespace printing
