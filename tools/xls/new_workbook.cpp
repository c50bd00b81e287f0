// new-workbook PATH: writes a new, empty Pratiche.xls protected with the
// workbook password, so that a new office starts in one step. An existing
// file is never replaced.

#include "platform/xls/xlsfile.h"
#include "store/schema.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: new-workbook PATH\n");
        return 2;
    }
    const QString path = args[1];
    if (QFileInfo::exists(path)) {
        std::fprintf(stderr, "new-workbook: %s exists already; it is left as it is\n", qPrintable(path));
        return 1;
    }
    try {
        auto book = store::newStarterWorkbook();
        xls::writeWorkbook(*book, path, store::workbookPassword());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "new-workbook: %s\n", e.what());
        return 1;
    }
    return 0;
}
