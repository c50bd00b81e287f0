#pragma once
// The advances and expenses ledger panel (Frame8, holding the mode box Frame7):
// booking an advance or an expense against a practice, the queries by practice
// and by client with the balances, the list of every entry, and the modify,
// delete and renumbering of the entries of sheet "Spese".

#include "store/ledgersheet.h"
#include "store/money.h"

#include <QGroupBox>
#include <QStringList>
#include <initializer_list>

class QDate;
class ListView;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
namespace store {
class PanelContext;
}

class LedgerPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit LedgerPanel(store::PanelContext& ctx);

    // Opening the panel (the practice panel's "Acconti/Spese"), leaving it,
    // clearing and printing.
    void Command28_Click();
    void Command27_Click();
    void Command30_Click();
    void Command31_Click();

    // The mode box and the entry boxes.
    void Check10_Click();
    void Check11_Click();
    void Check12_Click();
    void Check13_Click();
    void Check14_Click();
    void Check15_Click();
    void Check17_Click();
    void Option1_Click();
    // A date picked in the calendar: into the date field when this panel is
    // shown; false when it is not.
    bool takeDate(const QDate& picked);
    // However the calendar closes, its option is cleared.
    void calendarUnloaded();
    void Text33_Change();
    void Text35_LostFocus();

    // Insert or modify, by the caption of Command29.
    void Command29_Click();
    void InsertEntry();
    void ModifyEntry();

    // The queries: a practice chosen in Combo8, a client chosen in Combo9
    // (`index` is the chosen entry of the list; -1 for a typed text).
    void Combo8_Click(int index);
    void Combo9_Click();
    // Sheet balance of the entries copied into the query area, also given
    // back to the caller.
    store::Money Addiziona();
    // The four summary rows below the entries of a query by practice.
    void Situazione();

    // A click on a listed entry loads it for editing.
    void ListView3_ItemClick();

    // Combo8 filled with the practice numbers, emptied first.
    void LoadLedgerPracticeCombo();
    // Combo9 filled with the distinct clients of the ledger, sorted; the list
    // is not emptied first.
    void LoadDistinctLedgerClients();

    static QString insertCaption();
    static QString modifyCaption();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    store::PanelContext& ctx_;

    QLineEdit* Text30 = nullptr;     // entry ID
    QComboBox* Combo8 = nullptr;     // practice number
    QLineEdit* Text32 = nullptr;     // client
    QComboBox* Combo9 = nullptr;     // client chooser of the query by client
    QLineEdit* Text33 = nullptr;     // date
    QRadioButton* Option1 = nullptr; // calendar
    QLineEdit* Text34 = nullptr;     // description
    QLineEdit* Text35 = nullptr;     // amount
    QLineEdit* Text36 = nullptr;     // sign
    QCheckBox* Check10 = nullptr;    // "Acconto"
    QCheckBox* Check17 = nullptr;    // "Spesa"
    QLineEdit* Text38 = nullptr;     // estimate
    QLineEdit* Text39 = nullptr;     // sheet balance
    QLineEdit* Text40 = nullptr;     // practice balance
    QGroupBox* Frame7 = nullptr;     // mode box
    QCheckBox* Check11 = nullptr;    // query by practice
    QCheckBox* Check12 = nullptr;    // query by client
    QCheckBox* Check13 = nullptr;    // delete the loaded entry
    QCheckBox* Check14 = nullptr;    // renumber
    QCheckBox* Check15 = nullptr;    // list every entry
    ListView* ListView3 = nullptr;

    QPushButton* Command29 = nullptr; // "&Inserisci" / "&Modifica"
    QPushButton* Command30 = nullptr; // "&Pulisci"
    QPushButton* Command27 = nullptr; // "&Esci"
    QPushButton* Command31 = nullptr; // "&Stampa"

    QLabel* Label37 = nullptr; // "ID"
    QLabel* Label38 = nullptr; // "N. Pratica"
    QLabel* Label39 = nullptr; // "Cliente"
    QLabel* Label40 = nullptr; // "Data 00/00/0000"
    QLabel* Label41 = nullptr; // "Descrizione"
    QLabel* Label42 = nullptr; // prompt of the query modes
    QLabel* Label43 = nullptr; // "Importo"
    QLabel* Label44 = nullptr; // hint over the list
    QLabel* Label47 = nullptr; // "+/-"
    QLabel* Label49 = nullptr; // "Preventivo  "
    QLabel* Label50 = nullptr; // "S/Scheda  "
    QLabel* Label51 = nullptr; // "Saldo  "

    void buildLayout();
    void connectHandlers();
    void setShown(std::initializer_list<QWidget*> widgets, bool visible);
    void showCounter();
    void untick(std::initializer_list<QCheckBox*> boxes);
    bool refuseBadFields();
    // The entry the boxes describe, and a listed entry into the boxes.
    store::LedgerEntry entryFromForm() const;
    void showEntry(const store::ListedEntry& entry);
    void listAllEntries();
    void listQueryArea(bool byPractice);
    void loadEntry();
    void StripExpenseSign();
    std::optional<store::LedgerPractice> chosenPractice(int index) const;
    void finishChange(bool listRows);

    // The entry as it was listed when it was loaded: its ID and the cells
    // that identify it, so that a modify or a delete reaches that entry and
    // no other (IDs can repeat after a renumbering, and the sheet can change
    // after the listing).
    store::ListedEntry loaded_;
    // The balances of the last query by practice, for its summary rows.
    store::PracticeBalances balances_;
    // The mode box whose ticking is being handled: the steps of the other
    // boxes that it unticks leave it alone, so the mode is entered at once.
    QCheckBox* entering_ = nullptr;
    bool loading_ = false;
};
