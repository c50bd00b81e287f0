#pragma once
// Helpers of the printing tests: a set of printers that renders every job
// into a PDF file and keeps what was sent (printer, sheet, print area, page
// range, page setup and the page model of the pages printed), and small
// readers of PDF files through poppler-utils.

#include "practices/practicepanel.h"
#include "printing/printers.h"
#include "printing/printout.h"
#include "tests/support/app_fixture.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

namespace prt {

struct Job {
    QString printer;
    QString sheet;
    QString printArea; // as set on the sheet at the request
    std::optional<xl::CellRect> area;
    int from = 0, to = 0, copies = 0;
    xl::PageSetup setup;               // the sheet's page setup at the request
    std::vector<printout::Page> pages; // the pages sent
    QString pdf;

    // Every text placed on the pages sent, in page order.
    QStringList texts() const {
        QStringList out;
        for (const printout::Page& p : pages)
            for (const printout::PlacedCell& c : p.cells) out << c.text;
        return out;
    }
};

class RecordingPrinters : public printing::Printers {
public:
    RecordingPrinters() { printing::setPrinters(this); }
    ~RecordingPrinters() override { printing::setPrinters(nullptr); }

    QStringList list{QStringLiteral("Ufficio"), QStringLiteral("Archivio")};
    QString defaultPrinter = QStringLiteral("Ufficio");
    QStringList refusing; // listed, but every job sent to them fails
    std::vector<Job> jobs;

    QStringList names() override { return list; }
    QString defaultName() override { return defaultPrinter; }
    int printOut(xl::Worksheet& sheet, const printout::Request& rq) override {
        if (!list.contains(rq.printer)) throw xl::Error("no such printer");
        if (refusing.contains(rq.printer)) throw xl::Error("the print job failed");
        Job j;
        j.printer = rq.printer;
        j.sheet = sheet.Name();
        j.printArea = sheet.GetPageSetup().PrintArea;
        j.area = rq.area;
        j.from = rq.from;
        j.to = rq.to;
        j.copies = rq.copies;
        j.setup = sheet.GetPageSetup();
        const std::vector<printout::Page> all = printout::layOut(sheet, rq.area);
        const int first = rq.from > 0 ? rq.from : 1;
        const int last = rq.to > 0 ? std::min<int>(rq.to, static_cast<int>(all.size())) : static_cast<int>(all.size());
        for (int i = first; i <= last; ++i) j.pages.push_back(all[i - 1]);
        j.pdf = dir_.filePath(QStringLiteral("job-%1.pdf").arg(jobs.size() + 1));
        printout::Request pdf = rq;
        pdf.pdfFile = j.pdf;
        const int sent = printout::print(sheet, pdf);
        jobs.push_back(std::move(j));
        return sent;
    }

private:
    QTemporaryDir dir_;
};

// The fields a label needs: practice 12 of ROSSI MARIO, binder `binder`.
inline void fillLabelFields(QWidget* pp, const QString& binder = QStringLiteral("3")) {
    testsupport::control<QLineEdit>(pp, "Text1")->setText(QStringLiteral("12"));
    testsupport::control<QLineEdit>(pp, "Text2")->setText(QStringLiteral("15/03/2024"));
    testsupport::control<QComboBox>(pp, "Combo1")->setEditText(QStringLiteral("ROSSI MARIO"));
    testsupport::control<QComboBox>(pp, "Combo2")->setEditText(QStringLiteral("CIVILE"));
    testsupport::control<QComboBox>(pp, "Combo3")->setEditText(binder);
}

inline QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000)) return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The text of a PDF, layout kept, pages separated by form feeds.
inline QString pdfText(const QString& pdf) {
    return run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
}

inline int pdfPages(const QString& pdf) {
    const QString info = run(QStringLiteral("pdfinfo"), {pdf});
    const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// "595.28 x 841.89" for an A4 portrait page.
inline QString pdfPageSize(const QString& pdf) {
    const QString info = run(QStringLiteral("pdfinfo"), {pdf});
    const auto m = QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+ x [\\d.]+)")).match(info);
    return m.hasMatch() ? m.captured(1) : QString();
}

} // namespace prt

#define VERIFY_DIALOGS(fx)                                                                                             \
    do {                                                                                                               \
        const QString why = (fx).dialogs().verify();                                                                   \
        QVERIFY2(why.isEmpty(), qPrintable(why));                                                                      \
    } while (0)
