#pragma once
// The practice panel (Frame1): the fields of one practice in the column order
// of sheet "Pratica", the practice list and the buttons around it, with the
// toolbar's dispatch and the record operations behind it.

#include "store/panelcontext.h"
#include "store/practicesheet.h"

#include <QGroupBox>

class Form3;
class Form5;
class NumberChooserPanel;
class SearchPanel;
class QDate;
class ListView;
class MultiLineTextBox;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class PracticePanel : public QGroupBox {
    Q_OBJECT
public:
    explicit PracticePanel(store::PanelContext& ctx);

    // The other two panels of the practices the toolbar and "&Ricerca" open.
    void setNumberChooser(NumberChooserPanel* chooser) { chooser_ = chooser; }
    void setSearchPanel(SearchPanel* search) { search_ = search; }

    // Toolbar and field handlers.
    void Toolbar1_ButtonClick(int index);
    void Check1_Click();
    // A date picked in the calendar: into the opening date when this panel is
    // shown; false when it is not.
    bool takeDate(const QDate& picked);
    void Check2_Click();
    void Check3_Click();
    void Combo1_Change();
    void Text37_LostFocus();

    // Record operations behind toolbar buttons 1, 3 and 6, and the load of a
    // practice picked in the list.
    void InsertPractice();
    void ModifyPractice();
    void DeletePractice();
    void ListView1_ItemClick();

    // The four sorts of the practice sheet.
    void Command24_Click();
    void Command26_Click();
    void Command14_Click();
    void Command15_Click();

    // Opens the search panel.
    void cmd14_Click();

    // The documents of the practice: the scanner form and the attachments
    // form.
    void Command50_Click();
    void Command51_Click();
    // The scanner form, loaded (hidden) on first use; the attachments form,
    // loaded again after each pick.
    Form5& scannerForm();
    Form3& attachmentsForm();

    // The practice as the panel shows it, the estimate as typed.
    store::PracticeRecord shownRecord() const;
    // Every field as it stands on screen, saved or not, for the printouts.
    store::ShownPractice shownPractice() const;
    // A number accepted by the chooser, into the number box.
    void setNumber(const QString& number);
    // A line added to the notes.
    void appendNote(const QString& line);
    // The clock box.
    void showClock(const QString& text);
    void focusOpeningDate();

    // Empties the practice list while the panel is hidden, so that it
    // holds no view of the sheet's rows: a search writing into the sheet
    // then copies none of them. The list is filled again with the form.
    void releaseList();

    // Buttons 1 "Inserisci" and 2 "Selez.Nr.Pratica" of the toolbar.
    void showInsertButtons(bool visible);

    // The practice list: its columns from the sheet's headers and its rows;
    // the rows again; the sheet sorted by number.
    void SetUpPracticeList();
    void FillPracticeList();
    void SortPracticeSheet();
    // The binder, client and sector lists of the three combo boxes.
    void LoadBinderCombo();
    void LoadClientCombo();
    void LoadSectorCombo();

signals:
    // "&Acconti/Spese": the ledger of the practice.
    void ledgerRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout();
    void connectHandlers();
    void sortPractices(store::PracticeKey key, bool ascending);
    void showRecord(const store::PracticeRecord& r);
    // The three combo boxes' lists again.
    void reloadCombos();
    // The estimate as it is stored: "" for an empty box, the "#,0.00" text
    // for an amount; false (after a message) for a text that is not one.
    bool normaliseEstimate();
    bool refuseMissingFields(const QString& title);
    // The estimate and the notes as they can be stored; false (after a
    // message naming the field) when one of them cannot.
    bool acceptStorableFields();

    store::PanelContext& ctx_;
    NumberChooserPanel* chooser_ = nullptr;
    SearchPanel* search_ = nullptr;

    // The fields of the practice shown, in column order A to L.
    QLineEdit* Text1 = nullptr;        // number
    QLineEdit* Text2 = nullptr;        // opening date
    QComboBox* Combo1 = nullptr;       // client
    QLineEdit* Text3 = nullptr;        // subject
    MultiLineTextBox* Text4 = nullptr; // description
    QComboBox* Combo2 = nullptr;       // sector
    QLineEdit* Text5 = nullptr;        // place
    QComboBox* Combo3 = nullptr;       // binder
    QCheckBox* Check2 = nullptr;       // "Istruttoria"
    QCheckBox* Check3 = nullptr;       // "Completata"
    MultiLineTextBox* Text6 = nullptr; // notes
    QLineEdit* Text37 = nullptr;       // estimate

    QCheckBox* Check1 = nullptr;   // calendar toggle
    QLineEdit* Text8 = nullptr;    // clock
    ListView* ListView1 = nullptr; // the practice list

    // The sort buttons: by number under "Pratica", by client under "Cliente";
    // the left one of each pair ascending.
    QPushButton* Command24 = nullptr;
    QPushButton* Command26 = nullptr;
    QPushButton* Command14 = nullptr;
    QPushButton* Command15 = nullptr;

    // The command buttons at the right: the search panel, the ledger, the
    // practice label and the documents.
    QPushButton* cmd14 = nullptr;      // "&Ricerca"
    QPushButton* Command28 = nullptr;  // "&Acconti/Spese"
    QPushButton* Command200 = nullptr; // "&Etichetta"
    QPushButton* Command50 = nullptr;  // "&Acquisisci documento"
    QPushButton* Command51 = nullptr;  // "&Visualizza Allegati"

    QLabel* Label1 = nullptr; // "Seleziona Pratica", above the list

    // Set by a modify that refused a field the user can correct (or that
    // failed on the sheet): the toolbar then keeps the practice in the panel
    // instead of emptying it.
    bool keepFields_ = false;
};
