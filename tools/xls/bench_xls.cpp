// bench-xls [FILE PASSWORD | --make FILE]: times opening and saving (with the flush to
// disk) a workbook of 30,000 practices, 5,000 clients and 32,000 ledger
// entries, or the given file, and LibreOffice's headless load and store of
// the same file with an office already started.

#include "platform/xls/xlsfile.h"
#include "store/schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

void fill(xl::Workbook& book) {
    xl::Style date;
    date.numberFormat = QStringLiteral("dd/mm/yyyy");
    const std::uint32_t dateStyle = book.internStyle(date);
    xl::Worksheet& p = book.Sheets(store::kPratica);
    for (int i = 0; i < 30000; ++i) {
        const int r = i + 2;
        p.cellRef(r, 1).value = xl::Value(QString::number(i + 1));
        p.cellRef(r, 2).value = xl::Value(40000.0 + i % 5000);
        p.cellRef(r, 2).style = dateStyle;
        p.cellRef(r, 3).value = xl::Value(QStringLiteral("CLIENTE %1 SRL").arg(i % 5000));
        p.cellRef(r, 4).value = xl::Value(QStringLiteral("Oggetto della pratica %1").arg(i));
        p.cellRef(r, 5).value = xl::Value(QStringLiteral("Descrizione piuttosto lunga della pratica numero %1, con dettagli").arg(i));
        p.cellRef(r, 6).value = xl::Value(QStringLiteral("Settore %1").arg(i % 20));
        p.cellRef(r, 7).value = xl::Value(QStringLiteral("Scaffale %1").arg(i % 300));
        p.cellRef(r, 8).value = xl::Value(QString::number(i % 400));
        if (i % 3 == 0) p.cellRef(r, 9).value = xl::Value("SI");
        if (i % 4 == 0) p.cellRef(r, 10).value = xl::Value("SI");
        p.cellRef(r, 11).value = xl::Value(QStringLiteral("Nota %1").arg(i));
        p.cellRef(r, 12).value = xl::Value(QStringLiteral("%1,00").arg(i % 9000));
    }
    p.cellRef(1, 256).value = xl::Value(30000);
    xl::Worksheet& c = book.Sheets(store::kCliente);
    for (int i = 0; i < 5000; ++i) {
        const int r = i + 2;
        c.cellRef(r, 1).value = xl::Value(i + 1);
        c.cellRef(r, 2).value = xl::Value(QStringLiteral("CLIENTE %1 SRL").arg(i));
        c.cellRef(r, 4).value = xl::Value(40000.0 + i);
        c.cellRef(r, 4).style = dateStyle;
        for (int k = 3; k <= 17; ++k)
            if (k != 4) c.cellRef(r, k).value = xl::Value(QStringLiteral("campo %1 del cliente %2").arg(k).arg(i));
    }
    xl::Worksheet& s = book.Sheets(store::kSpese);
    for (int i = 0; i < 32000; ++i) {
        const int r = i + 2;
        s.cellRef(r, 1).value = xl::Value(i + 1);
        s.cellRef(r, 2).value = xl::Value(QString::number(i % 30000 + 1));
        s.cellRef(r, 3).value = xl::Value(QStringLiteral("CLIENTE %1 SRL").arg(i % 5000));
        s.cellRef(r, 4).value = xl::Value(41000.0 + i % 3000);
        s.cellRef(r, 4).style = dateStyle;
        s.cellRef(r, 5).value = xl::Value(QStringLiteral("Spesa o acconto %1").arg(i));
        s.cellRef(r, 6).value = xl::Value(i % 2 ? "A" : "S");
        s.cellRef(r, 7).value = xl::Value(QStringLiteral("%1%2,50").arg(i % 2 ? "" : "-").arg(i % 700));
    }
}

template <class F> double best(int runs, F f) {
    double b = 1e9;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        f();
        b = std::min(b, t.nsecsElapsed() / 1e9);
    }
    return b;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    QTemporaryDir dir;
    QString path, password;
    if (args.size() == 3 && args[1] == QLatin1String("--make")) {
        // Only writes the generated workbook, for profiling and for peers.
        auto book = store::newStarterWorkbook();
        fill(*book);
        xls::writeWorkbook(*book, args[2], store::workbookPassword());
        return 0;
    }
    if (args.size() >= 3) {
        path = args[1];
        password = args[2];
    } else {
        path = dir.filePath(QStringLiteral("Pratiche.xls"));
        password = store::workbookPassword();
        auto book = store::newStarterWorkbook();
        fill(*book);
        xls::writeWorkbook(*book, path, password);
    }
    try {
        std::unique_ptr<xl::Workbook> book;
        const double open = best(5, [&] { book = xls::readWorkbook(path, password); });
        const QString out = dir.filePath(QStringLiteral("salvato.xls"));
        const double save = best(5, [&] { xls::writeWorkbook(*book, out, password); });
        std::size_t cells = 0;
        for (int i = 1; i <= book->SheetCount(); ++i) {
            const xl::Worksheet& ws = book->Sheets(i);
            for (int r = 1; r <= ws.usedRows(); ++r)
                for (const xl::Cell& c : ws.rowInfo(r)->cells) cells += !c.value.isEmpty();
        }
        std::printf("file: %s, %.1f MB, %zu cells\n", qPrintable(path), QFileInfo(path).size() / 1e6, cells);
        std::printf("velmora open:  %.3f s\nvelmora save:  %.3f s (with fsync)\n", open, save);
        std::fflush(stdout);
        const QString peer = QStringLiteral(VELMORA_LO_PEER);
        QProcess lo;
        lo.start(QStringLiteral("/usr/bin/python3"),
                 {peer, QStringLiteral("time"), path, password, dir.filePath(QStringLiteral("lo.xls")), QStringLiteral("3")});
        if (!lo.waitForFinished(900000) || lo.exitCode() != 0) {
            std::printf("libreoffice: not measured (%s)\n", lo.readAllStandardError().constData());
            return 0;
        }
        const QJsonObject t = QJsonDocument::fromJson(lo.readAllStandardOutput()).object();
        const double loLoad = t.value(QStringLiteral("load")).toDouble(), loStore = t.value(QStringLiteral("store")).toDouble();
        std::printf("libreoffice load:  %.3f s\nlibreoffice store: %.3f s\n", loLoad, loStore);
        std::printf("ratios: open %.1fx faster, save %.1fx faster\n", loLoad / open, loStore / save);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench-xls: %s\n", e.what());
        return 1;
    }
    return 0;
}
