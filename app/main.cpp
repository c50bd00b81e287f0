#include "app/form1.h"
#include "app/preload.h"
#include "app/sessionend.h"
#include "platform/desktop/dialogs.h"
#include "platform/engine/heappages.h"
#include "platform/xls/xlsfile.h"
#include "store/schema.h"

#include <QApplication>
#include <QLocale>

namespace {

int run(QApplication& app, WorkbookPreload& preload) {
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    // Boxes and the main window stay up on their own; the program ends only
    // through its own end paths.
    QApplication::setQuitOnLastWindowClosed(false);
    // The program works in Italian conventions whatever the machine says.
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    ui::installItalianQtTranslations();
    preload.allowLayout();

    // Form_Load takes the read only once the folder is the program's and the
    // file is as it was.
    Form1 form(QCoreApplication::applicationDirPath());
    form.usePreload(&preload);
    if (!form.Form_Load()) return 0;
    // exit(), not quit(): quit() first asks every window to close, and the
    // main window refuses, so the program would never end.
    QObject::connect(
        &form, &Form1::programEnded, &app, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    // Logout, shutdown and a closed terminal save as the exit menu item does.
    SessionEnd sessionEnd;
    QObject::connect(&sessionEnd, &SessionEnd::requested, &form, &Form1::endSession);
    form.show();
    return app.exec();
}

} // namespace

int main(int argc, char** argv) {
    xl::tuneHeapForLargeReads();
    xls::registerCodec();
    // Reading the file needs no display: it begins before the application
    // connects to one and loads its plugins and fonts, and goes on while the
    // window is built.
    WorkbookPreload preload;
    preload.start(WorkbookPreload::programFolder() + QLatin1Char('/') + store::kWorkbookFileName,
                  store::workbookPassword());
    QApplication app(argc, argv);
    const int code = run(app, preload);
    // Ended here, while the application its layout may use still exists.
    preload.drop();
    return code;
}
