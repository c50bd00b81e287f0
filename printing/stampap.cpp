#include "printing/stampap.h"

#include "platform/desktop/dialogs.h"
#include "platform/desktop/guard.h"
#include "platform/desktop/named.h"
#include "platform/engine/vbconv.h"
#include "printing/cover.h"
#include "printing/messages.h"
#include "printing/printers.h"
#include "store/book.h"
#include "store/panelcontext.h"
#include "store/schema.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cmath>
#include <functional>
#include <limits>

namespace {

using handlers::skipping;
using printing::msg::kTitle;

} // namespace

QString StampaP::placeholder() { return printing::msg::kPlaceholder; }

StampaP::StampaP(store::PanelContext& ctx) : QWidget(nullptr, Qt::Window), ctx_(ctx) {
    setObjectName(QStringLiteral("StampaP"));
    setWindowTitle(printing::msg::kFormTitle);
    Combo1 = named(new QComboBox(this), "Combo1");
    // Only a printer of the list can be picked: a typed name would be found
    // wrong only after the questions of the printout.
    Combo1->setEditable(false);
    Combo1->setPlaceholderText(placeholder());
    Combo1->setFont(QFont(QStringLiteral("Arial"), 10));
    Combo1->setMinimumWidth(320);
    Command1 = named(new QPushButton(QStringLiteral("Seleziona"), this), "Command1");
    Command1->setFont(QFont(QStringLiteral("Calibri"), 11));
    Label1 = named(new QLabel(this), "Label1");
    Label1->setFont(QFont(QStringLiteral("Calibri"), 10));
    Label1->setWordWrap(true);
    Text1 = named(new QLineEdit(this), "Text1");
    Text1->setReadOnly(true);
    Text1->setFixedWidth(28);
    Text1->setFocusPolicy(Qt::NoFocus);

    auto* lay = new QGridLayout(this);
    lay->addWidget(Combo1, 0, 0, 1, 2);
    lay->addWidget(Command1, 1, 0, 1, 2, Qt::AlignHCenter);
    lay->addWidget(Label1, 2, 0);
    lay->addWidget(Text1, 2, 1, Qt::AlignRight | Qt::AlignBottom);
    lay->setColumnStretch(0, 1);

    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    Form_Load();
}

void StampaP::Form_Load() {
    Combo1->clear();
    printing::Printers& system = printing::printers();
    Combo1->addItems(system.names());
    Combo1->setCurrentIndex(-1);
    Label1->setText(printing::msg::kDefaultPrinter + QLatin1Char('\n') + system.defaultName());
    loaded_ = true;
}

void StampaP::request(int code) {
    Text1->setText(QString::number(code));
    show();
}

xl::Worksheet* StampaP::findSheet(const QString& name) {
    xl::Application& excel = ctx_.book().application();
    return excel.hasWorkbook() ? excel.ActiveWorkbook().findSheet(name) : nullptr;
}

void StampaP::Form_QueryUnload() {
    Text1->setText(QString());
    loaded_ = false;
}

void StampaP::closeEvent(QCloseEvent* e) {
    Form_QueryUnload();
    e->accept();
}

void StampaP::showEvent(QShowEvent* e) {
    // A request after the form was closed loads it afresh.
    if (!loaded_) Form_Load();
    QWidget::showEvent(e);
}

void StampaP::setVisible(bool visible) {
    const bool wasShown = isVisible();
    QWidget::setVisible(visible);
    if (visible && wasShown) {
        raise();
        activateWindow();
    }
}

void StampaP::Command1_Click() {
    // The code is tested in the dispatch's order; no printout changes it, so
    // one press runs at most one printout.
    auto is = [this](int code) {
        const std::optional<double> v = vb::CDbl(Text1->text());
        return v && *v == code;
    };
    // Which state search filled the work area decides its title; the boxes
    // only count when the work area holds no state search any more.
    auto stateSearch = [this](bool completed) {
        using store::SearchState;
        const SearchState s = ctx_.lastSearch();
        if (s.last == SearchState::InPreparation || s.last == SearchState::Completed)
            return s.last == (completed ? SearchState::Completed : SearchState::InPreparation);
        const bool inPrep = s.inPreparationTicked, done = s.completedTicked;
        return completed ? (done && !inPrep) : (inPrep && !done);
    };
    std::function<void()> job;
    if (is(LedgerAll))
        job = [this] { PrintLedger(); };
    else if (is(LedgerQuery))
        job = [this] { PrintLedgerQuery(); };
    else if (is(ClientSearch))
        job = [this] { PrintClientSearch(); };
    else if (is(BinderList))
        job = [this] { PrintBinderList(); };
    else if (is(StateSearch) && stateSearch(false))
        job = [this] { PrintPracticesInProgress(); };
    else if (is(StateSearch) && stateSearch(true))
        job = [this] { PrintCompletedPractices(); };
    else if (is(SectorList))
        job = [this] { PrintSectorList(); };
    else if (is(ClientList))
        job = [this] { PrintClientList(); };
    else if (is(PracticeList))
        job = [this] { PrintPracticeList(); };
    else if (is(BlankCover))
        job = [this] { PrintCover(false); };
    else if (is(FilledCover))
        job = [this] { PrintCover(true); };
    if (!job) return;
    // The printer is checked before the printout asks anything.
    const QString refusal = printerRefusal(Combo1->currentText());
    if (!refusal.isEmpty()) {
        ui::dialogs().message(refusal, kTitle, ui::MsgIcon::Information);
        return;
    }
    // A failure inside the printout ends it, not the program.
    try {
        job();
    } catch (...) {
    }
}

int StampaP::zoomAnswer(const QString& answer) {
    const std::optional<double> v = vb::CDbl(answer);
    if (!v || !std::isfinite(*v)) return 0;
    const double r = std::nearbyint(*v); // the default rounding: halves to even
    if (r < std::numeric_limits<std::int32_t>::min() || r > std::numeric_limits<std::int32_t>::max()) return 0;
    return static_cast<int>(r);
}

std::optional<int> StampaP::askZoom(const QString& prompt) {
    for (;;) {
        const QString answer = ui::dialogs().input(prompt, kTitle, printing::msg::kZoomDefault);
        if (answer.trimmed().isEmpty()) return std::nullopt; // Annulla, or nothing typed
        const int zoom = zoomAnswer(answer);
        const std::optional<double> typed = vb::CDbl(answer);
        if (typed && *typed == zoom && zoom >= 10 && zoom <= 400) return zoom;
    }
}

QString StampaP::headerWithDate(const QString& title) {
    return title + QStringLiteral("------") + QStringLiteral(" del     ") +
           QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));
}

bool StampaP::send(xl::Worksheet& sheet, printout::Request request) {
    request.printer = Combo1->currentText();
    if (request.documentName.isEmpty()) request.documentName = QStringLiteral("Velmora - ") + sheet.Name();
    try {
        printing::printers().printOut(sheet, request);
        return true;
    } catch (const std::exception&) {
    }
    // Nothing reached a printer: say so, and leave the form up so that a
    // printer can be picked and the job sent again.
    QString why = printerRefusal(request.printer);
    if (why.isEmpty()) why = printing::msg::jobRefused(request.printer);
    ui::dialogs().message(why, kTitle, ui::MsgIcon::Information);
    return false;
}

QString StampaP::printerRefusal(const QString& printer) {
    const QStringList installed = printing::printers().names();
    if (installed.isEmpty()) return printing::msg::kNoPrinterInstalled;
    if (printer.trimmed().isEmpty() || !installed.contains(printer)) return printing::msg::kPickPrinter;
    return QString();
}

// ---- one-shot list printouts -------------------------------------------------

struct StampaP::OneShot {
    const char* sheet;
    const char* emptyCell;
    const char* corner;
    const char* start;
    const QString& emptyMessage;
    const QString& zoomPrompt;
    const char* title;
    bool trapFormatting; // false: a failure while formatting ends the printout
    bool hideAfter;
    bool workArea = false; // a result area rebuilt by each query, whose first column may have blanks
};

namespace {

using namespace printing::msg;

void setMargins(xl::PageSetup& ps) {
    ps.LeftMargin = xl::Application::InchesToPoints(0.21);
    ps.RightMargin = xl::Application::InchesToPoints(0.21);
    ps.TopMargin = xl::Application::InchesToPoints(0.5);
    ps.BottomMargin = xl::Application::InchesToPoints(0.21);
    ps.HeaderMargin = xl::Application::InchesToPoints(0.21);
    ps.FooterMargin = xl::Application::InchesToPoints(0.21);
}

// The print extent: from the corner cell of row 1 to the last cell of the
// filled run that goes down from the start cell.
void setArea(xl::Worksheet& sh, const xl::CellRect& r) { sh.GetPageSetup().SetPrintArea(xl::formatAddress(r)); }

void setExtent(xl::Worksheet& sh, const QString& corner, const QString& start) {
    const QString a = sh.GetRange(corner).Address();
    const QString b = sh.GetRange(start).End(xl::xlDown).Address();
    sh.GetPageSetup().SetPrintArea(a + QLatin1Char(':') + b);
}

// The last row of a result area that holds anything in the block's columns,
// below the header row and above the sheet's last row (the ledger keeps its
// total there); 1 when the area is empty.
int lastResultRow(xl::Worksheet& sh, const xl::CellRect& block) {
    for (int r = std::min(sh.usedRows(), xl::kMaxRows - 1); r >= 2; --r)
        for (int c = block.col1; c <= block.col2; ++c)
            if (!sh.valueAt(r, c).isEmpty()) return r;
    return 1;
}

} // namespace

void StampaP::printOneShot(const OneShot& job) {
    xl::Worksheet* found = findSheet(QString::fromUtf8(job.sheet));
    if (!found) return;
    xl::Worksheet& sh = *found;

    auto formatting = [&] {
        sh.Select();
        sh.AllCells().Select();
        sh.Selection().AutoFit();
        store::alignBlock(sh.Selection());
        sh.GetRange(QStringLiteral("A1")).Select();
    };
    if (job.trapFormatting)
        skipping(formatting);
    else
        formatting();

    // A result area is printed down to its last result row, also past a
    // result whose first cell is blank (a practice without client), which
    // would otherwise end the print area or pass for an empty result.
    const xl::CellRect block =
        xl::parseAddress(QString::fromUtf8(job.start) + QLatin1Char(':') + QString::fromUtf8(job.corner));
    const int lastRow = job.workArea ? lastResultRow(sh, block) : 0;
    const bool empty =
        job.workArea ? lastRow < 2 : vb::CStr(sh.GetRange(QString::fromUtf8(job.emptyCell)).GetValue()).isEmpty();
    if (empty) {
        ui::dialogs().message(job.emptyMessage, kTitle, ui::MsgIcon::Information);
        hide();
        return;
    }

    const std::optional<int> zoom = askZoom(job.zoomPrompt);
    if (!zoom) return;

    skipping([&] { sh.Select(); });
    if (job.workArea)
        skipping([&] { setArea(sh, xl::CellRect{1, block.col1, lastRow, block.col2}); });
    else
        skipping([&] { setExtent(sh, QString::fromUtf8(job.corner), QString::fromUtf8(job.start)); });
    xl::PageSetup& ps = sh.GetPageSetup();
    ps.CenterHeader = headerWithDate(QString::fromUtf8(job.title));
    setMargins(ps);
    skipping([&] { ps.SetFitToPages(1, 1); });
    ps.PrintGridlines = true;
    ps.Orientation = xl::xlPortrait;
    ps.PaperSize = xl::xlPaperA4;
    skipping([&] { ps.SetZoom(*zoom); });

    printout::Request rq;
    rq.copies = 1;
    if (send(sh, rq) && job.hideAfter) hide();
}

void StampaP::PrintBinderList() {
    printOneShot({"Varie", "A2", "C1", "A1", kNoBinders, kZoomShort, "Stampa  Faldoni  ", false, true});
}

void StampaP::PrintSectorList() {
    printOneShot({"Varie", "E2", "F1", "E1", kNoSectors, kZoomShort, "Stampa  Settori  ", true, false});
}

void StampaP::PrintPracticesInProgress() {
    printOneShot({"Pratica", "AA2", "AD1", "AA1", kNoPractices, kZoomLong, "Stampa Pratiche in Istruttoria   ", true,
                  true, true});
}

void StampaP::PrintCompletedPractices() {
    printOneShot(
        {"Pratica", "AA2", "AD1", "AA1", kNoPractices, kZoomLong, "Stampa Pratiche Completate   ", true, true, true});
}

void StampaP::PrintClientSearch() {
    printOneShot(
        {"Pratica", "AA2", "AF1", "AA1", kNoPractices, kZoomLong, "Stampa Ricerca per Cliente    ", true, true, true});
}

void StampaP::PrintLedgerQuery() {
    printOneShot(
        {"Spese", "AA2", "AG1", "AA1", kNoEntries, kZoomLong, "Stampa Elenco Acconti/Spese    ", true, true, true});
}

void StampaP::PrintLedger() {
    printOneShot({"Spese", "A2", "G1", "A1", kNoEntries, kZoomLong, "Stampa Elenco Acconti/Spese     ", true, true});
}

// ---- interactive list printouts ----------------------------------------------

void StampaP::PrintPracticeList() { printInteractive(true); }

void StampaP::PrintClientList() { printInteractive(false); }

void StampaP::printInteractive(bool practices) {
    xl::Application& app = ctx_.book().application();
    // Screen updating is switched off for the practice list only, and
    // switched back on however the printout ends.
    struct ScreenUpdating {
        xl::Application& app;
        bool active;
        ~ScreenUpdating() {
            if (active) app.ScreenUpdating = true;
        }
    } screen{app, practices};
    if (practices) app.ScreenUpdating = false;

    const QString name = practices ? QStringLiteral("Pratica") : QStringLiteral("Cliente");
    xl::Worksheet* found = app.hasWorkbook() ? app.ActiveWorkbook().findSheet(name) : nullptr;
    if (!found) return;
    xl::Worksheet& sh = *found;

    if (vb::CStr(sh.GetRange(QStringLiteral("A2")).GetValue()).isEmpty()) {
        ui::dialogs().message(practices ? kNoPracticesList : kNoClients, kTitle, ui::MsgIcon::Information);
        hide();
        return;
    }
    sh.Select();
    sh.GetRange(QStringLiteral("AZ1")).SetValue(xl::Value(110));
    sh.GetRange(QStringLiteral("AU1")).ClearContents();
    sh.GetRange(QStringLiteral("AV1")).ClearContents();

    const std::optional<int> zoom = askZoom(kZoomLong);
    if (!zoom) return;
    bool portrait = false;
    if (practices) portrait = ui::dialogs().question(kPortrait, kTitle);

    sh.Select();
    skipping([&] { setExtent(sh, practices ? QStringLiteral("L1") : QStringLiteral("Q1"), QStringLiteral("A1")); });
    xl::PageSetup& ps = sh.GetPageSetup();
    if (practices) {
        ps.CenterHeader = headerWithDate(QStringLiteral("Stampa  Pratiche  "));
        setMargins(ps);
        if (portrait) {
            ps.PrintGridlines = true;
            skipping([&] { ps.SetFitToPages(1, 1); });
            ps.Orientation = xl::xlPortrait;
        } else {
            skipping([&] { ps.SetFitToPages(1, 1); });
            ps.PrintGridlines = true;
            ps.Orientation = xl::xlLandscape;
        }
        ps.PaperSize = xl::xlPaperA4;
    } else {
        ps.PrintTitleRows = QStringLiteral("$1:$1");
        ps.PrintTitleColumns = QStringLiteral("$A:$B");
        ps.CenterHeader = headerWithDate(QStringLiteral("Stampa  Clienti  "));
        setMargins(ps);
        skipping([&] { ps.SetFitToPages(1, 1); });
        ps.PrintHeadings = false;
        ps.PrintGridlines = true;
        ps.PrintComments = xl::xlPrintNoComments;
        ps.PrintQuality = 600;
        ps.CenterHorizontally = false;
        ps.CenterVertically = false;
        ps.Draft = false;
        ps.FirstPageNumber = 0; // automatic
        ps.Order = 1;           // down, then over
        ps.BlackAndWhite = false;
        ps.PrintErrors = 0;
        ps.Orientation = xl::xlLandscape;
        ps.PaperSize = xl::xlPaperA4;
    }
    skipping([&] { ps.SetZoom(*zoom); });

    // Every page that prints is offered, also those that hold the columns
    // a wide list pushes onto further pages.
    const int pages = sh.Paginate().pageCount();
    for (int page = 1; page <= pages; ++page) {
        sh.GetRange(QStringLiteral("AU1")).SetValue(xl::Value(page));
        sh.GetRange(QStringLiteral("AV1")).SetValue(xl::Value(pages));
        const QString question = pageQuestion(vb::CStr(sh.GetRange(QStringLiteral("AU1")).GetValue()),
                                              vb::CStr(sh.GetRange(QStringLiteral("AV1")).GetValue()));
        if (!ui::dialogs().question(question, kPageTitle)) return;
        printout::Request rq;
        rq.from = page;
        rq.to = page;
        rq.copies = 1;
        if (!send(sh, rq)) return;
    }
    hide();
}

// ---- the cover sheet ---------------------------------------------------------

void StampaP::PrintCover(bool filled) {
    xl::Worksheet* found = findSheet(QStringLiteral("Copertina"));
    if (!found) return;
    // The panel read at the press may no longer show the practice that was
    // there at the request.
    if (filled && !printing::practiceForCover(ctx_)) return;
    // The texts the panel shows at the press, saved or not.
    const store::ShownPractice shown = filled ? ctx_.shownPractice() : store::ShownPractice{};
    printing::layOutCover(*found, filled ? &shown : nullptr);
    printout::Request rq;
    rq.copies = 1;
    if (send(*found, rq)) hide();
}
