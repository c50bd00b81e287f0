#pragma once
// The practice panel (Frame1): the fields of one practice in the column order
// of sheet "Pratica", the practice list and the buttons around it, with the
// toolbar's dispatch and the record operations behind it.

#include "store/panelcontext.h"

#include <QGroupBox>

class Form1;
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
    explicit PracticePanel(Form1& form);

    Form1& form;

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

    QCheckBox* Check1 = nullptr;       // calendar toggle
    QLineEdit* Text8 = nullptr;        // clock
    ListView* ListView1 = nullptr;     // the practice list

    // The sort buttons: by number under "Pratica", by client under "Cliente";
    // the left one of each pair ascending.
    QPushButton* Command24 = nullptr;
    QPushButton* Command26 = nullptr;
    QPushButton* Command14 = nullptr;
    QPushButton* Command15 = nullptr;

    // The command buttons at the right: the search panel, the ledger, the
    // practice label and the documents. "&Ricerca" and the two document
    // buttons are wired here; the others belong to their own panels and
    // forms, which connect them.
    QPushButton* cmd14 = nullptr;      // "&Ricerca"
    QPushButton* Command28 = nullptr;  // "&Acconti/Spese"
    QPushButton* Command200 = nullptr; // "&Etichetta"
    QPushButton* Command50 = nullptr;  // "&Acquisisci documento"
    QPushButton* Command51 = nullptr;  // "&Visualizza Allegati"

    QLabel* Label1 = nullptr;          // "Seleziona Pratica", above the list

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
    // form (defined beside those forms).
    void Command50_Click();
    void Command51_Click();

    // The number of the practice shown ("" when none is loaded).
    QString shownNumber() const;
    // Every field as it stands on screen, saved or not.
    store::ShownPractice shownPractice() const;

    // Buttons 1 "Inserisci" and 2 "Selez.Nr.Pratica" of the toolbar.
    void showInsertButtons(bool visible);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout();
    void connectHandlers();
    void sortPractices(int keyColumn, bool ascending, bool asNumbers);
    // The estimate as it is stored: "" for an empty box, the "#,0.00" text
    // for an amount; false (after a message) for a text that is not one.
    bool normaliseEstimate();
    bool refuseMissingFields(const QString& title);
    // The estimate and the notes as they can be stored; false (after a
    // message naming the field) when one of them cannot.
    bool acceptStorableFields();

    // Set by a modify that refused a field the user can correct (or that
    // failed on the sheet): the toolbar then keeps the practice in the panel
    // instead of emptying it.
    bool keepFields_ = false;
};
