#pragma once
// The printer-choice form: a print request writes its job code into Text1
// and shows the form; "Seleziona" runs the job on the printer picked.
//
// The form is loaded once and then only hidden by the printouts, so it keeps
// its code and its printer choice; closing it by the window's own button
// "unloads" it: the code is cleared and the next showing lists the system's
// printers afresh with the placeholder back in the box.

#include <QString>
#include <QWidget>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace xl {
class Worksheet;
}
namespace printout {
struct Request;
}
namespace store {
class PanelContext;
}

class StampaP : public QWidget {
    Q_OBJECT
public:
    explicit StampaP(store::PanelContext& ctx);

    // A print request: the code into Text1, then the form shown.
    void request(int code);

    // What the printer box shows until a printer is picked.
    static QString placeholder();

    // The codes a request writes into Text1.
    enum PrintJobCode {
        BlankCover = 1,
        FilledCover = 2,
        PracticeList = 7,
        ClientList = 8,
        BinderList = 9,
        SectorList = 10,
        StateSearch = 12,
        ClientSearch = 13,
        LedgerQuery = 14,
        LedgerAll = 15
    };

    void Form_Load();
    void Form_QueryUnload();
    void Command1_Click();
    bool loaded() const { return loaded_; }

    // The printouts the dispatch runs.
    void PrintPracticeList();
    void PrintClientList();
    void PrintBinderList();
    void PrintSectorList();
    void PrintPracticesInProgress();
    void PrintCompletedPractices();
    void PrintClientSearch();
    void PrintLedgerQuery();
    void PrintLedger();
    // The cover sheet, blank or filled from the practice panel.
    void PrintCover(bool filled);

    // The zoom typed in a printout's input box as a whole number: rounded,
    // halves to the even number; 0 when the answer is no number or lies
    // beyond 32 bits.
    static int zoomAnswer(const QString& answer);
    // The zoom box of a list printout: a whole number from 10 to 400; any
    // other text asks again; Annulla or an empty answer gives nullopt, and
    // the printout is abandoned with nothing printed.
    static std::optional<int> askZoom(const QString& prompt);
    // Why a printout cannot go to `printer` ("" when it can): no printer
    // installed, or a name that is not among them, the placeholder included.
    static QString printerRefusal(const QString& printer);
    // The header title of a list printout followed by the day's date.
    static QString headerWithDate(const QString& title);

    // A request for a form that is already on screen, perhaps behind the
    // main window, brings it to the front.
    void setVisible(bool visible) override;

protected:
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    QComboBox* Combo1 = nullptr;     // printer list
    QPushButton* Command1 = nullptr; // "Seleziona"
    QLabel* Label1 = nullptr;        // default printer
    QLineEdit* Text1 = nullptr;      // print-job code

    struct OneShot;
    // A sheet of the open workbook; null when there is none or no such sheet.
    xl::Worksheet* findSheet(const QString& name);
    void printOneShot(const OneShot& job);
    void printInteractive(bool practices);
    // Sends the request to the printer picked in Combo1. A request that
    // fails is told to the user (nothing was printed) and answered false.
    bool send(xl::Worksheet& sheet, printout::Request request);

    store::PanelContext& ctx_;
    bool loaded_ = false;
};
